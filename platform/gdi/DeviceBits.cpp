#include "DeviceBits.h"

#include <algorithm>
#include <cstdlib>

#include "Canvas.h"
#include "win32/DibImage.h"

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

BITMAPINFOHEADER InfoHeader(const DibHeader &header) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = header.width;
  h.biHeight = header.height;
  h.biPlanes = 1;
  h.biBitCount = WORD(header.bitCount);
  h.biCompression = BI_RGB;
  h.biClrUsed = DWORD(header.colors.size());
  return h;
}

}  // namespace

int64_t DibHeader::BytesPerRow() const {
  return int64_t(win32::DibRowBytes(width, bitCount));
}

DibSizes QueryDibSizes(const QImage &bitmap, int bitCount) {
  DibSizes s;
  s.bitCount = bitCount > 0 ? bitCount : OwnDepth(bitmap);
  if (s.bitCount != 1 && s.bitCount != 4 && s.bitCount != 8 && s.bitCount != 16 &&
      s.bitCount != 24 && s.bitCount != 32)
    s.bitCount = 32;
  s.colorEntries = TableEntries(s.bitCount);
  s.imageBytes = int64_t(win32::DibRowBytes(bitmap.width(), s.bitCount)) * bitmap.height();
  return s;
}

int GetDIBits(const QImage &bitmap, const DibSizes &sizes, DibHeader &header,
              std::vector<uint8_t> &bits) {
  if (bitmap.isNull() || int64_t(bits.size()) < sizes.imageBytes) return 0;
  header.width = bitmap.width();
  header.height = -bitmap.height();
  header.bitCount = sizes.bitCount;
  header.colors.clear();
  QImage rows = bitmap;
  if (sizes.bitCount <= 8) {
    // Through the bitmap's own palette: an indexed bitmap keeps its indices and colours, a
    // deeper one takes the table Qt builds for it. When that table has more colours than
    // the depth holds, the standard table of the depth is used, each pixel taking its
    // nearest colour, rather than indexes cut to the depth, which would be other colours.
    const int entries = TableEntries(sizes.bitCount);
    const QImage indexed = bitmap.format() == QImage::Format_Indexed8
                               ? bitmap
                               : bitmap.convertToFormat(QImage::Format_Indexed8);
    if (indexed.isNull()) return 0;
    if (indexed.colorCount() <= entries) {
      rows = indexed;
      header.colors = indexed.colorTable();
    } else {
      header.colors = win32::StandardColorTable(sizes.bitCount);
    }
    header.colors.resize(entries, qRgb(0, 0, 0));
  }
  // 255 in the unused byte of 32-bit pixels lets the device read the rows in place.
  if (!win32::EncodeDib(rows, sizes.bitCount, header.colors, false, bits.data(), bits.size(), 255))
    return 0;
  return bitmap.height();
}

QImage ImageOfDib(const std::vector<uint8_t> &bits, const DibHeader &header) {
  if (header.width <= 0 || header.height == 0) return {};
  return win32::ViewDib(InfoHeader(header), header.colors, bits.data(), bits.size());
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
