#include "DeviceBits.h"

#include <cstring>

#include "Canvas.h"
#include "core/Errors.h"

namespace platform {

namespace {

int OwnDepth(const QImage &bitmap) {
  switch (bitmap.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
      return 1;
    case QImage::Format_Indexed8:
      return 8;
    case QImage::Format_RGB555:
      return 16;
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
      return 24;
    default:
      return 32;
  }
}

int TableEntries(int bitCount) {
  return bitCount <= 8 ? 1 << bitCount : 0;
}

}  // namespace

DibSizes QueryDibSizes(const QImage &bitmap, int bitCount) {
  DibSizes s;
  s.bitCount = bitCount > 0 ? bitCount : OwnDepth(bitmap);
  if (s.bitCount != 1 && s.bitCount != 4 && s.bitCount != 8 && s.bitCount != 16 &&
      s.bitCount != 24 && s.bitCount != 32)
    s.bitCount = 32;
  s.colorEntries = TableEntries(s.bitCount);
  DibHeader h;
  h.width = bitmap.width();
  h.bitCount = s.bitCount;
  s.imageBytes = int64_t(h.BytesPerRow()) * bitmap.height();
  return s;
}

int GetDIBits(const QImage &bitmap, const DibSizes &sizes, DibHeader &header,
              std::vector<uint8_t> &bits) {
  if (bitmap.isNull() || int64_t(bits.size()) < sizes.imageBytes) return 0;
  header.width = bitmap.width();
  header.height = -bitmap.height();
  header.bitCount = sizes.bitCount;
  header.colors.clear();
  const int rowBytes = header.BytesPerRow();
  const int h = bitmap.height(), w = bitmap.width();

  if (sizes.bitCount <= 8) {
    // Through the bitmap's own palette: an indexed bitmap keeps its indices and colours;
    // a deeper one is reduced to the table Qt builds for it.
    QImage indexed = bitmap.format() == QImage::Format_Indexed8
                         ? bitmap
                         : bitmap.convertToFormat(QImage::Format_Indexed8);
    if (indexed.isNull()) return 0;
    header.colors = indexed.colorTable();
    header.colors.resize(TableEntries(sizes.bitCount), qRgb(0, 0, 0));
    for (int y = 0; y < h; ++y) {
      const uchar *src = indexed.constScanLine(y);
      uint8_t *dst = bits.data() + int64_t(y) * rowBytes;
      for (int x = 0; x < w; ++x) {
        const int v = src[x] & ((1 << sizes.bitCount) - 1);
        if (sizes.bitCount == 8)
          dst[x] = uint8_t(v);
        else if (sizes.bitCount == 4)
          dst[x / 2] |= uint8_t(x % 2 ? v : v << 4);
        else
          dst[x / 8] |= uint8_t(v << (7 - x % 8));
      }
    }
    return h;
  }
  const QImage::Format fmt = sizes.bitCount == 16   ? QImage::Format_RGB555
                             : sizes.bitCount == 24 ? QImage::Format_BGR888
                                                    : QImage::Format_RGB32;
  const QImage converted = bitmap.format() == fmt ? bitmap : bitmap.convertToFormat(fmt);
  if (converted.isNull()) return 0;
  // Only the pixels: Qt's own row padding is not ours to pass on, the padding stays zero.
  const int copy = std::min<int>((w * sizes.bitCount + 7) / 8, converted.bytesPerLine());
  for (int y = 0; y < h; ++y)
    std::memcpy(bits.data() + int64_t(y) * rowBytes, converted.constScanLine(y), copy);
  return h;
}

QImage ImageOfDib(const std::vector<uint8_t> &bits, const DibHeader &header) {
  const int w = header.width, h = std::abs(header.height);
  if (w <= 0 || h <= 0 || int64_t(bits.size()) < int64_t(header.BytesPerRow()) * h) return {};
  const int rowBytes = header.BytesPerRow();
  QImage image;
  switch (header.bitCount) {
    case 1:
      image = QImage(bits.data(), w, h, rowBytes, QImage::Format_Mono);
      break;
    case 4: {
      image = QImage(w, h, QImage::Format_Indexed8);
      if (image.isNull()) return {};
      for (int y = 0; y < h; ++y) {
        const uint8_t *src = bits.data() + int64_t(y) * rowBytes;
        uchar *dst = image.scanLine(y);
        for (int x = 0; x < w; ++x) dst[x] = x % 2 ? src[x / 2] & 0x0f : src[x / 2] >> 4;
      }
      break;
    }
    case 8:
      image = QImage(bits.data(), w, h, rowBytes, QImage::Format_Indexed8);
      break;
    case 16:
      image = QImage(bits.data(), w, h, rowBytes, QImage::Format_RGB555);
      break;
    case 24:
      image = QImage(bits.data(), w, h, rowBytes, QImage::Format_BGR888);
      break;
    case 32:
      image = QImage(bits.data(), w, h, rowBytes, QImage::Format_RGB32);
      break;
    default:
      return {};
  }
  if (header.bitCount <= 8) {
    QList<QRgb> table = header.colors;
    table.resize(1 << header.bitCount, qRgb(0, 0, 0));
    image.setColorTable(table);
  }
  // Rows stored bottom-up are the usual layout; show them the right way round.
  return header.height > 0 ? image.mirrored() : image;
}

int StretchDIBits(Canvas &canvas, int x, int y, int width, int height, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, const std::vector<uint8_t> &bits,
                  const DibHeader &header) {
  const QImage all = ImageOfDib(bits, header);
  if (all.isNull() || width == 0 || height == 0) return 0;
  const QRect source = QRect(sourceX, sourceY, sourceWidth, sourceHeight).intersected(all.rect());
  if (source.isEmpty()) return 0;
  const QImage part = source == all.rect() ? all : all.copy(source);
  canvas.StretchImage(QRect(x, y, width, height), part);
  return source.height();
}

}  // namespace platform
