#include "Support.h"

#include <QColor>
#include <cstdlib>
#include <cstring>
#include <vector>

Library::Library(const char *path) : module_(LoadLibrary(path)) {
  if (module_ == nullptr) {
    std::fprintf(stderr, "cannot load %s\n", path);
    std::abort();
  }
}

Library::~Library() {
  FreeLibrary(module_);
}

const Library &Crde() {
  static Library *library = new Library(CRDE2000_PATH);
  return *library;
}

const Library &Isp() {
  static Library *library = new Library(ISP2000_PATH);
  return *library;
}

std::string FailureText(int code) {
  char buffer[256] = {};
  LoadString(reinterpret_cast<HINSTANCE>(Crde().Handle()), static_cast<uint16_t>(code), buffer,
             sizeof buffer);
  return buffer;
}

DibFacts ReadDib(HGLOBAL block) {
  DibFacts f;
  if (block == nullptr) return f;
  const auto *base = static_cast<const uint8_t *>(GlobalLock(block));
  if (base == nullptr) return f;
  BITMAPINFOHEADER h;
  std::memcpy(&h, base, sizeof h);
  f.width = h.biWidth;
  f.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  f.bits = h.biBitCount;
  f.colors = static_cast<int>(h.biClrUsed);
  const int entries = f.bits <= 8 ? (h.biClrUsed ? static_cast<int>(h.biClrUsed) : 1 << f.bits) : 0;
  const auto *colors = reinterpret_cast<const RGBQUAD *>(base + h.biSize);
  const uint8_t *pixels = base + h.biSize + 4 * entries;
  const size_t stride = ((static_cast<size_t>(f.width) * f.bits + 31) / 32) * 4;
  const size_t need = h.biSize + 4 * static_cast<size_t>(entries) + stride * f.height;
  if (h.biCompression != BI_RGB || GlobalSize(block) < need) {
    GlobalUnlock(block);
    return f;
  }
  f.image = QImage(f.width, f.height, QImage::Format_RGB32);
  for (int y = 0; y < f.height; ++y) {
    const uint8_t *row = pixels + stride * (h.biHeight > 0 ? f.height - 1 - y : y);
    auto *out = reinterpret_cast<QRgb *>(f.image.scanLine(y));
    for (int x = 0; x < f.width; ++x) {
      int index = -1;
      switch (f.bits) {
        case 1:
          index = (row[x >> 3] >> (7 - (x & 7))) & 1;
          break;
        case 4:
          index = (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
          break;
        case 8:
          index = row[x];
          break;
        case 24:
          out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
          break;
        case 32:  // blue, green, red and an unused byte
          out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
          break;
        default:
          out[x] = 0;
      }
      if (index >= 0) {
        const RGBQUAD c = index < entries ? colors[index] : RGBQUAD{0, 0, 0, 0};
        out[x] = qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
      }
    }
  }
  f.valid = true;
  GlobalUnlock(block);
  return f;
}

DibFacts TakeDib(HGLOBAL block) {
  DibFacts f = ReadDib(block);
  if (block != nullptr) {
    while (GlobalUnlock(block)) {
    }
    GlobalFree(block);
  }
  return f;
}

HGLOBAL MakeDib(const QImage &source, int bits) {
  QImage image = source;
  std::vector<QRgb> table;
  if (bits <= 8) {
    if (image.format() != QImage::Format_Indexed8 && image.format() != QImage::Format_Mono)
      image = image.convertToFormat(QImage::Format_Indexed8);
    if (image.format() == QImage::Format_Mono)
      image = image.convertToFormat(QImage::Format_Indexed8);
    for (QRgb c : image.colorTable()) table.push_back(c);
    table.resize(size_t{1} << bits, qRgb(0, 0, 0));
  } else {
    image = image.convertToFormat(QImage::Format_RGB32);
  }
  const int w = image.width(), h = image.height();
  const size_t stride = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
  const size_t entries = table.size();
  HGLOBAL block = GlobalAlloc(GHND, 40 + 4 * entries + stride * h);
  auto *base = static_cast<uint8_t *>(GlobalLock(block));
  BITMAPINFOHEADER hd{};
  hd.biSize = 40;
  hd.biWidth = w;
  hd.biHeight = h;
  hd.biPlanes = 1;
  hd.biBitCount = static_cast<WORD>(bits);
  hd.biSizeImage = static_cast<DWORD>(stride * h);
  hd.biClrUsed = static_cast<DWORD>(entries);
  std::memcpy(base, &hd, sizeof hd);
  auto *colors = reinterpret_cast<RGBQUAD *>(base + 40);
  for (size_t i = 0; i < entries; ++i)
    colors[i] =
        RGBQUAD{static_cast<uint8_t>(qBlue(table[i])), static_cast<uint8_t>(qGreen(table[i])),
                static_cast<uint8_t>(qRed(table[i])), 0};
  uint8_t *pixels = base + 40 + 4 * entries;
  for (int y = 0; y < h; ++y) {
    uint8_t *row = pixels + stride * (h - 1 - y);
    for (int x = 0; x < w; ++x) {
      if (bits <= 8) {
        const int v = image.pixelIndex(x, y);
        if (bits == 8) row[x] = static_cast<uint8_t>(v);
        if (bits == 4) row[x >> 1] |= static_cast<uint8_t>((x & 1) ? v & 15 : (v & 15) << 4);
        if (bits == 1 && (v & 1)) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      } else {
        const QRgb c = image.pixel(x, y);
        if (bits == 24) {
          row[3 * x] = static_cast<uint8_t>(qBlue(c));
          row[3 * x + 1] = static_cast<uint8_t>(qGreen(c));
          row[3 * x + 2] = static_cast<uint8_t>(qRed(c));
        } else if (bits == 32) {
          row[4 * x] = static_cast<uint8_t>(qBlue(c));
          row[4 * x + 1] = static_cast<uint8_t>(qGreen(c));
          row[4 * x + 2] = static_cast<uint8_t>(qRed(c));
        } else {  // 16: 5-5-5
          const int v = ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
          row[2 * x] = static_cast<uint8_t>(v);
          row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
        }
      }
    }
  }
  GlobalUnlock(block);
  return block;
}

std::string Compare(const QImage &expected, const QImage &actual, int tolerance) {
  if (expected.size() != actual.size())
    return "size " + std::to_string(actual.width()) + "x" + std::to_string(actual.height()) +
           " instead of " + std::to_string(expected.width()) + "x" +
           std::to_string(expected.height());
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x) {
      const QRgb a = expected.pixel(x, y), b = actual.pixel(x, y);
      if (std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance ||
          std::abs(qBlue(a) - qBlue(b)) > tolerance) {
        char text[160];
        std::snprintf(text, sizeof text, "pixel (%d, %d): #%06X instead of #%06X", x, y,
                      b & 0xFFFFFF, a & 0xFFFFFF);
        return text;
      }
    }
  return {};
}

QByteArray Path(const QString &path) {
  return path.toLocal8Bit();
}

std::string ProgramRowsProblem(HGLOBAL old, HGLOBAL rows) {
  std::string problem;
  const auto *header = static_cast<const BITMAPINFOHEADER *>(GlobalLock(rows));
  if (header == nullptr) {
    problem = "no block";
  } else if (header->biBitCount != 32 || header->biCompression != BI_RGB ||
             header->biClrUsed != 0) {
    problem = "not 32 bits without a colour table: " + std::to_string(header->biBitCount) +
              " bits, compression " + std::to_string(header->biCompression) + ", " +
              std::to_string(header->biClrUsed) + " colours";
  } else if (header->biHeight >= 0) {
    problem = "rows bottom-up";
  } else {
    const auto width = size_t(header->biWidth), height = size_t(-header->biHeight);
    if (GlobalSize(rows) < header->biSize + 4 * width * height) {
      problem = "block too small for its rows";
    } else {
      const auto *pixels = reinterpret_cast<const uint8_t *>(header) + header->biSize;
      size_t notOpaque = 0;
      for (size_t i = 0; i < width * height; ++i) notOpaque += pixels[4 * i + 3] != 255;
      if (notOpaque != 0)
        problem = std::to_string(notOpaque) + " pixels whose fourth byte is not 255";
    }
  }
  if (header != nullptr) GlobalUnlock(rows);
  const DibFacts before = TakeDib(old), after = TakeDib(rows);
  if (!problem.empty()) return problem;
  if (!before.valid || !after.valid) return "a block that is no DIB";
  return Compare(before.image, after.image);
}
