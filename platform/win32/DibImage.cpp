#include "DibImage.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#include <limits>

#include "WinQt.h"

namespace win32 {

namespace {

// Nothing the program handles is larger; a header announcing more is refused before any
// allocation, so a broken DIB cannot make us allocate gigabytes.
constexpr int64_t kMaxDibBytes = int64_t(1) << 32;

QRgb FromQuad(const RGBQUAD &q) {
  return qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

// A small cache in front of the nearest-colour search: pictures repeat colours.
class NearestMapper {
 public:
  explicit NearestMapper(const QList<QRgb> &colors) : colors_(colors) {}
  int operator()(QRgb color) {
    color |= 0xFF000000u;
    auto found = cache_.constFind(color);
    if (found != cache_.constEnd()) return *found;
    const int index = NearestColorIndex(colors_, color);
    if (cache_.size() < 65536) cache_.insert(color, index);
    return index;
  }

 private:
  const QList<QRgb> &colors_;
  QHash<QRgb, int> cache_;
};

int MaskShift(DWORD mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  return shift;
}

int MaskBits(DWORD mask) {
  int bits = 0;
  for (; mask; mask >>= 1) bits += mask & 1u;
  return bits;
}

int Channel(DWORD pixel, DWORD mask) {
  if (mask == 0) return 0;
  const DWORD value = (pixel & mask) >> MaskShift(mask);
  const int bits = MaskBits(mask);
  const DWORD max = (bits >= 32) ? 0xFFFFFFFFu : ((1u << bits) - 1);
  return int((uint64_t(value) * 255 + max / 2) / max);
}

// Run-length encoded rows (4 and 8 bits) into an Indexed8 image, bottom-up as stored.
// Every step checks the input left and the position, so a broken stream stops cleanly.
bool DecodeRle(const uint8_t *in, size_t available, bool four, QImage &image) {
  const int width = image.width();
  const int height = image.height();
  image.fill(0);
  size_t pos = 0;
  int x = 0;
  int row = 0;  // counted from the bottom
  auto put = [&](int index) {
    if (x < width && row < height) image.scanLine(height - 1 - row)[x] = uint8_t(index);
    ++x;
  };
  while (pos + 1 < available) {
    const uint8_t count = in[pos];
    const uint8_t value = in[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (pos + 1 >= available) return false;
      x += in[pos];
      row += in[pos + 1];
      pos += 2;
    } else {  // absolute run of `value` pixels, padded to 16 bits
      const size_t bytes = four ? (size_t(value) + 1) / 2 : value;
      if (pos + bytes > available) return false;
      for (int i = 0; i < value; ++i)
        put(four ? ((i & 1) ? (in[pos + i / 2] & 0x0F) : (in[pos + i / 2] >> 4)) : in[pos + i]);
      pos += (bytes + 1) & ~size_t(1);
    }
    if (row >= height) return true;
  }
  return true;  // a stream without its end mark keeps what it decoded
}

}  // namespace

size_t DibRowBytes(int64_t width, int bitCount) {
  if (width <= 0 || bitCount <= 0 || bitCount > 32) return 0;
  const int64_t bits = width * bitCount;
  return size_t(((bits + 31) / 32) * 4);
}

size_t DibImageBytes(int64_t width, int64_t height, int bitCount) {
  if (height < 0) height = -height;
  const size_t row = DibRowBytes(width, bitCount);
  if (row == 0 || height == 0) return 0;
  if (int64_t(row) > kMaxDibBytes / height) return 0;
  return row * size_t(height);
}

int DibColorEntries(const BITMAPINFOHEADER &header) {
  if (header.biCompression == BI_BITFIELDS) return 3;
  if (header.biClrUsed != 0) return int(std::min<DWORD>(header.biClrUsed, 256));
  if (header.biBitCount <= 8) return 1 << header.biBitCount;
  return 0;
}

QList<QRgb> StandardColorTable(int bitCount) {
  if (bitCount == 1) return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  static const QRgb kVga[16] = {
      qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
      qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
      qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
      qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  if (bitCount == 4) return QList<QRgb>(std::begin(kVga), std::end(kVga));
  if (bitCount != 8) return {};
  QList<QRgb> colors = SystemPaletteColors(256);
  // Between the static colours: a 6x6x6 cube, then greys.
  int index = 10;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) colors[index++] = qRgb(r * 51, g * 51, b * 51);
  for (int grey = 1; index < 246; ++index, ++grey)
    colors[index] = qRgb(grey * 25, grey * 25, grey * 25);
  return colors;
}

QList<QRgb> SystemPaletteColors(int size) {
  if (size <= 0) return {};
  if (size < 20) {
    QList<QRgb> vga = StandardColorTable(4);
    QList<QRgb> colors(size, qRgb(0, 0, 0));
    for (int i = 0; i < std::min(8, size); ++i) colors[i] = vga[i];
    for (int i = 0; i < std::min(8, size); ++i) colors[size - 1 - i] = vga[15 - i];
    return colors;
  }
  static const QRgb kFirst[10] = {qRgb(0, 0, 0),      qRgb(128, 0, 0),     qRgb(0, 128, 0),
                                  qRgb(128, 128, 0),  qRgb(0, 0, 128),     qRgb(128, 0, 128),
                                  qRgb(0, 128, 128),  qRgb(192, 192, 192), qRgb(192, 220, 192),
                                  qRgb(166, 202, 240)};
  static const QRgb kLast[10] = {qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128),
                                 qRgb(255, 0, 0),     qRgb(0, 255, 0),     qRgb(255, 255, 0),
                                 qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255),
                                 qRgb(255, 255, 255)};
  QList<QRgb> colors(size, qRgb(0, 0, 0));
  for (int i = 0; i < 10; ++i) {
    colors[i] = kFirst[i];
    colors[size - 10 + i] = kLast[i];
  }
  return colors;
}

int NearestColorIndex(const QList<QRgb> &colors, QRgb color) {
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (int i = 0; i < colors.size(); ++i) {
    const int dr = qRed(colors[i]) - qRed(color);
    const int dg = qGreen(colors[i]) - qGreen(color);
    const int db = qBlue(colors[i]) - qBlue(color);
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
      if (distance == 0) break;
    }
  }
  return best;
}

QImage DecodeDib(const BITMAPINFOHEADER &header, const QList<QRgb> &colorsIn, const void *bits,
                 size_t available) {
  const int64_t width = header.biWidth;
  const bool topDown = header.biHeight < 0;
  const int64_t height = topDown ? -int64_t(header.biHeight) : int64_t(header.biHeight);
  const int bitCount = header.biBitCount;
  if (width <= 0 || height <= 0 || width > 65535 * 4 || height > 65535 * 4 || bits == nullptr)
    return {};
  if (width * height > (int64_t(1) << 30)) return {};
  QList<QRgb> colors = colorsIn;
  if (bitCount <= 8) {
    const int needed = 1 << bitCount;
    if (colors.isEmpty()) colors = StandardColorTable(bitCount == 2 ? 1 : bitCount);
    while (colors.size() < needed) colors.append(qRgb(0, 0, 0));
  }
  const auto *in = static_cast<const uint8_t *>(bits);

  if (header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4) {
    const bool four = header.biCompression == BI_RLE4;
    if ((four && bitCount != 4) || (!four && bitCount != 8) || topDown) return {};
    QImage image(int(width), int(height), QImage::Format_Indexed8);
    if (image.isNull()) return {};
    image.setColorTable(colors.mid(0, four ? 16 : 256));
    if (!DecodeRle(in, available, four, image)) return {};
    return image;
  }

  const size_t rowBytes = DibRowBytes(width, bitCount);
  if (rowBytes == 0 || header.biCompression > BI_BITFIELDS) return {};
  if (header.biCompression == BI_BITFIELDS && bitCount != 16 && bitCount != 32) return {};
  if (size_t(height) > available / rowBytes) return {};

  if (bitCount == 24 && header.biCompression == BI_RGB) {
    // Qt's own converter reads the rows where they lie, faster than a pixel loop; bottom-up
    // rows are then turned over in place.
    const QImage rows(in, int(width), int(height), qsizetype(rowBytes), QImage::Format_BGR888);
    QImage image = rows.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return {};
    if (!topDown) image.mirror(false, true);
    return image;
  }

  QImage image;
  switch (bitCount) {
    case 1:
      image = QImage(int(width), int(height), QImage::Format_Mono);
      break;
    case 4:
    case 8:
      image = QImage(int(width), int(height), QImage::Format_Indexed8);
      break;
    case 16:
    case 24:
    case 32:
      image = QImage(int(width), int(height), QImage::Format_RGB32);
      break;
    default:
      return {};
  }
  if (image.isNull()) return {};
  if (bitCount <= 8) image.setColorTable(colors.mid(0, 1 << bitCount));

  DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bitCount == 32) {
    masks[0] = 0x00FF0000;
    masks[1] = 0x0000FF00;
    masks[2] = 0x000000FF;
  }
  if (header.biCompression == BI_BITFIELDS) {
    // The masks follow the header in place of a colour table.
    masks[0] = colorsIn.value(0);
    masks[1] = colorsIn.value(1);
    masks[2] = colorsIn.value(2);
  }

  for (int64_t y = 0; y < height; ++y) {
    const uint8_t *row = in + size_t(topDown ? y : height - 1 - y) * rowBytes;
    uchar *out = image.scanLine(int(y));
    switch (bitCount) {
      case 1:
        std::memcpy(out, row, size_t((width + 7) / 8));
        break;
      case 4:
        for (int64_t x = 0; x < width; ++x)
          out[x] = (x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4);
        break;
      case 8:
        std::memcpy(out, row, size_t(width));
        for (int64_t x = 0; x < width; ++x)
          if (out[x] >= colors.size()) out[x] = 0;
        break;
      case 16: {
        auto *px = reinterpret_cast<QRgb *>(out);
        for (int64_t x = 0; x < width; ++x) {
          const DWORD v = DWORD(row[2 * x]) | (DWORD(row[2 * x + 1]) << 8);
          px[x] = qRgb(Channel(v, masks[0]), Channel(v, masks[1]), Channel(v, masks[2]));
        }
        break;
      }
      case 24: {
        auto *px = reinterpret_cast<QRgb *>(out);
        for (int64_t x = 0; x < width; ++x)
          px[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        break;
      }
      case 32: {
        auto *px = reinterpret_cast<QRgb *>(out);
        if (header.biCompression == BI_RGB) {
          for (int64_t x = 0; x < width; ++x)
            px[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
        } else {
          for (int64_t x = 0; x < width; ++x) {
            DWORD v;
            std::memcpy(&v, row + 4 * x, 4);
            px[x] = qRgb(Channel(v, masks[0]), Channel(v, masks[1]), Channel(v, masks[2]));
          }
        }
        break;
      }
    }
  }
  return image;
}

QImage ViewDib(const BITMAPINFOHEADER &header, const QList<QRgb> &colors, const void *bits,
               size_t available) {
  const int64_t width = header.biWidth;
  const int64_t height = -int64_t(header.biHeight);  // top-down rows only
  const int bitCount = header.biBitCount;
  const size_t rowBytes = DibRowBytes(width, bitCount);
  const bool layoutFits = header.biCompression == BI_RGB && height > 0 && bits != nullptr &&
                          (bitCount == 1 || bitCount == 8 || bitCount == 24 || bitCount == 32);
  // The checks DecodeDib makes, so that both refuse the same headers.
  if (!layoutFits || rowBytes == 0 || width > 65535 * 4 || height > 65535 * 4 ||
      width * height > (int64_t(1) << 30) || size_t(height) > available / rowBytes)
    return DecodeDib(header, colors, bits, available);
  const auto *rows = static_cast<const uchar *>(bits);
  if (bitCount == 32) {
    // Qt takes the fourth byte of RGB32 for opaque; rows written with 0 there are decoded.
    for (int64_t y = 0; y < height; ++y) {
      const uchar *row = rows + size_t(y) * rowBytes;
      for (int64_t x = 0; x < width; ++x)
        if (row[4 * x + 3] != 0xFF) return DecodeDib(header, colors, bits, available);
    }
  }
  const QImage::Format format = bitCount == 1    ? QImage::Format_Mono
                                : bitCount == 8  ? QImage::Format_Indexed8
                                : bitCount == 24 ? QImage::Format_BGR888
                                                 : QImage::Format_RGB32;
  QImage image(rows, int(width), int(height), qsizetype(rowBytes), format);
  if (bitCount <= 8) {
    // Padded as DecodeDib pads, so an index beyond the table reads black either way.
    QList<QRgb> table = colors.isEmpty() ? StandardColorTable(bitCount) : colors;
    table.resize(1 << bitCount, qRgb(0, 0, 0));
    image.setColorTable(table);
  }
  return image;
}

bool EncodeDib(const QImage &source, int bitCount, const QList<QRgb> &colors, bool bottomUp,
               void *bits, size_t available, uint8_t reserved) {
  if (source.isNull() || bits == nullptr) return false;
  const int width = source.width();
  const int height = source.height();
  const size_t rowBytes = DibRowBytes(width, bitCount);
  if (rowBytes == 0 || size_t(height) > available / rowBytes) return false;
  if (bitCount <= 8 && colors.isEmpty()) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return false;

  // Indexed pictures whose colours begin our table keep their indexes untouched.
  const QList<QRgb> own = source.colorTable();
  const bool sameIndexes =
      bitCount <= 8 && !own.isEmpty() && own.size() <= colors.size() &&
      std::equal(own.begin(), own.end(), colors.begin()) &&
      (source.format() == QImage::Format_Indexed8 || source.format() == QImage::Format_Mono);
  const QImage image = sameIndexes ? source.convertToFormat(QImage::Format_Indexed8)
                                   : source.convertToFormat(QImage::Format_RGB32);
  NearestMapper nearest(colors);
  auto *out = static_cast<uint8_t *>(bits);
  for (int y = 0; y < height; ++y) {
    uint8_t *row = out + size_t(bottomUp ? height - 1 - y : y) * rowBytes;
    std::memset(row, 0, rowBytes);
    const uchar *line = image.constScanLine(y);
    const auto *px = reinterpret_cast<const QRgb *>(line);
    auto index = [&](int x) { return sameIndexes ? int(line[x]) : nearest(px[x]); };
    switch (bitCount) {
      case 1:
        for (int x = 0; x < width; ++x)
          if (index(x) & 1) row[x / 8] |= uint8_t(0x80 >> (x % 8));
        break;
      case 4:
        for (int x = 0; x < width; ++x)
          row[x / 2] |= uint8_t((index(x) & 0x0F) << ((x & 1) ? 0 : 4));
        break;
      case 8:
        for (int x = 0; x < width; ++x) row[x] = uint8_t(index(x));
        break;
      case 16:
        for (int x = 0; x < width; ++x) {
          const uint16_t v = uint16_t(((qRed(px[x]) >> 3) << 10) | ((qGreen(px[x]) >> 3) << 5) |
                                      (qBlue(px[x]) >> 3));
          row[2 * x] = uint8_t(v & 0xFF);
          row[2 * x + 1] = uint8_t(v >> 8);
        }
        break;
      case 24:
        for (int x = 0; x < width; ++x) {
          row[3 * x] = uint8_t(qBlue(px[x]));
          row[3 * x + 1] = uint8_t(qGreen(px[x]));
          row[3 * x + 2] = uint8_t(qRed(px[x]));
        }
        break;
      case 32:
        for (int x = 0; x < width; ++x) {
          row[4 * x] = uint8_t(qBlue(px[x]));
          row[4 * x + 1] = uint8_t(qGreen(px[x]));
          row[4 * x + 2] = uint8_t(qRed(px[x]));
          row[4 * x + 3] = reserved;
        }
        break;
    }
  }
  return true;
}

}  // namespace win32

QImage ImageFromPackedDib(const void *packedDib, size_t available) {
  if (packedDib == nullptr || available < sizeof(BITMAPINFOHEADER)) return {};
  BITMAPINFOHEADER header;
  std::memcpy(&header, packedDib, sizeof header);
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > available) return {};
  const int entries = win32::DibColorEntries(header);
  const size_t tableBytes = size_t(entries) * 4;
  if (header.biSize + tableBytes > available) return {};
  const auto *bytes = static_cast<const uint8_t *>(packedDib);
  QList<QRgb> colors;
  for (int i = 0; i < entries; ++i) {
    RGBQUAD quad;
    std::memcpy(&quad, bytes + header.biSize + 4 * size_t(i), 4);
    if (header.biCompression == BI_BITFIELDS) {
      DWORD mask;
      std::memcpy(&mask, &quad, 4);
      colors.append(mask);
    } else {
      colors.append(win32::FromQuad(quad));
    }
  }
  const size_t offset = header.biSize + tableBytes;
  return win32::DecodeDib(header, colors, bytes + offset, available - offset);
}
