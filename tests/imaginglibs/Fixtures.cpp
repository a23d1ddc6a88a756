#include "Fixtures.h"

#include <gif_lib.h>
#include <png.h>

#include <QBuffer>
#include <QColor>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void Put16(QByteArray &b, int v) {
  b.append(static_cast<char>(v & 0xFF));
  b.append(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(QByteArray &b, uint32_t v) {
  Put16(b, static_cast<int>(v & 0xFFFF));
  Put16(b, static_cast<int>(v >> 16));
}

std::vector<QRgb> TableOf(const QImage &image, int entries) {
  std::vector<QRgb> table;
  for (QRgb c : image.colorTable()) table.push_back(c);
  table.resize(static_cast<size_t>(entries), qRgb(0, 0, 0));
  return table;
}

}  // namespace

QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y,
                     qRgb(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1),
                          (x * 7 ^ y * 13) & 0xFF));
  return image;
}

QImage Indexed(int width, int height, int colors) {
  QImage image(width, height, QImage::Format_Indexed8);
  QVector<QRgb> table;
  for (int i = 0; i < colors; ++i)
    table.push_back(qRgb((i * 53) & 0xFF, (i * 101 + 17) & 0xFF, (i * 197 + 91) & 0xFF));
  if (colors == 2) table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  image.setColorTable(table);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, static_cast<uint>(((x / 3) + (y / 2) * 5) % colors));
  return image;
}

QImage GreyRamp(int width, int height) {
  QImage image(width, height, QImage::Format_Grayscale8);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.scanLine(y)[x] = static_cast<uchar>((x + y * 3) & 0xFF);
  return image;
}

QByteArray BmpBytes(const QImage &source, int bits, bool topDown, bool rle) {
  QImage image = source;
  const int entries = bits <= 8 ? 1 << bits : 0;
  if (bits <= 8 && image.format() != QImage::Format_Indexed8)
    image = image.convertToFormat(QImage::Format_Indexed8);
  const int w = image.width(), h = image.height();
  const int stride = ((w * bits + 31) / 32) * 4;
  QByteArray pixels;
  if (rle) {
    for (int fileRow = 0; fileRow < h; ++fileRow) {
      const int y = h - 1 - fileRow;
      int x = 0;
      while (x < w) {
        int run = 1;
        while (x + run < w && run < 255 && image.pixelIndex(x + run, y) == image.pixelIndex(x, y))
          ++run;
        const int v = image.pixelIndex(x, y);
        pixels.append(static_cast<char>(run));
        pixels.append(static_cast<char>(bits == 8 ? v : (v << 4) | v));
        x += run;
      }
      pixels.append('\0');
      pixels.append(fileRow == h - 1 ? '\1' : '\0');
    }
  } else {
    pixels.fill('\0', stride * h);
    for (int fileRow = 0; fileRow < h; ++fileRow) {
      const int y = topDown ? fileRow : h - 1 - fileRow;
      auto *row = reinterpret_cast<uint8_t *>(pixels.data()) + stride * fileRow;
      for (int x = 0; x < w; ++x) {
        if (bits <= 8) {
          const int v = image.pixelIndex(x, y);
          if (bits == 8) row[x] = static_cast<uint8_t>(v);
          if (bits == 4) row[x >> 1] |= static_cast<uint8_t>((x & 1) ? v : v << 4);
          if (bits == 1 && v) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        } else {
          const QRgb c = image.pixel(x, y);
          if (bits == 16) {
            const int v = ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
            row[2 * x] = static_cast<uint8_t>(v);
            row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
          } else {
            const int n = bits / 8;
            row[n * x] = static_cast<uint8_t>(qBlue(c));
            row[n * x + 1] = static_cast<uint8_t>(qGreen(c));
            row[n * x + 2] = static_cast<uint8_t>(qRed(c));
          }
        }
      }
    }
  }
  QByteArray b;
  const int offset = 14 + 40 + 4 * entries;
  b.append("BM");
  Put32(b, static_cast<uint32_t>(offset + pixels.size()));
  Put32(b, 0);
  Put32(b, static_cast<uint32_t>(offset));
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(w));
  Put32(b, static_cast<uint32_t>(topDown ? -h : h));
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, rle ? (bits == 8 ? 1u : 2u) : 0u);
  Put32(b, static_cast<uint32_t>(pixels.size()));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, static_cast<uint32_t>(entries));
  Put32(b, 0);
  for (QRgb c : TableOf(image, entries)) {
    b.append(static_cast<char>(qBlue(c)));
    b.append(static_cast<char>(qGreen(c)));
    b.append(static_cast<char>(qRed(c)));
    b.append('\0');
  }
  b.append(pixels);
  return b;
}

bool WriteGif(const QString &path, const QImage &indexed, bool interlaced, int transparent) {
  int error = 0;
  GifFileType *gif = EGifOpenFileName(path.toLocal8Bit().constData(), false, &error);
  if (gif == nullptr) return false;
  const int n = indexed.colorCount();
  int bits = 1;
  while ((1 << bits) < n) ++bits;
  ColorMapObject *map = GifMakeMapObject(1 << bits, nullptr);
  for (int i = 0; i < (1 << bits); ++i) {
    const QRgb c = i < n ? indexed.color(i) : qRgb(0, 0, 0);
    map->Colors[i] =
        GifColorType{static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                     static_cast<GifByteType>(qBlue(c))};
  }
  const int w = indexed.width(), h = indexed.height();
  bool ok = EGifPutScreenDesc(gif, w, h, bits, 0, map) != GIF_ERROR;
  if (transparent >= 0) {
    const GifByteType control[4] = {1, 0, 0, static_cast<GifByteType>(transparent)};
    ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) != GIF_ERROR;
  }
  ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, interlaced, nullptr) != GIF_ERROR;
  std::vector<GifPixelType> line(static_cast<size_t>(w));
  std::vector<int> order;
  if (interlaced) {
    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int p = 0; p < 4; ++p)
      for (int y = start[p]; y < h; y += step[p]) order.push_back(y);
  } else {
    for (int y = 0; y < h; ++y) order.push_back(y);
  }
  for (int y : order) {
    for (int x = 0; x < w; ++x)
      line[static_cast<size_t>(x)] = static_cast<GifPixelType>(indexed.pixelIndex(x, y));
    ok = ok && EGifPutLine(gif, line.data(), w) != GIF_ERROR;
  }
  GifFreeMapObject(map);
  ok = EGifCloseFile(gif, &error) != GIF_ERROR && ok;
  return ok;
}

QByteArray PcxBytes(const QImage &source, int bits) {
  QImage image = bits <= 8 ? source.convertToFormat(QImage::Format_Indexed8) : source;
  const int w = image.width(), h = image.height();
  const int planes = bits == 24 ? 3 : bits == 4 ? 4 : 1;
  const int bitsPerPlane = bits == 8 || bits == 24 ? 8 : 1;
  int bytesPerLine = (w * bitsPerPlane + 7) / 8;
  bytesPerLine += bytesPerLine & 1;
  QByteArray b(128, '\0');
  b[0] = 0x0A;
  b[1] = 5;
  b[2] = 1;
  b[3] = static_cast<char>(bitsPerPlane);
  auto set16 = [&](int at, int v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
  };
  set16(8, w - 1);
  set16(10, h - 1);
  set16(12, 72);
  set16(14, 72);
  if (bits == 4)
    for (int i = 0; i < 16; ++i) {
      const QRgb c = i < image.colorCount() ? image.color(i) : 0;
      b[16 + 3 * i] = static_cast<char>(qRed(c));
      b[17 + 3 * i] = static_cast<char>(qGreen(c));
      b[18 + 3 * i] = static_cast<char>(qBlue(c));
    }
  b[65] = static_cast<char>(planes);
  set16(66, bytesPerLine);
  set16(68, 1);
  for (int y = 0; y < h; ++y) {
    QByteArray scan(bytesPerLine * planes, '\0');
    auto *s = reinterpret_cast<uint8_t *>(scan.data());
    for (int x = 0; x < w; ++x) {
      if (bits == 24) {
        const QRgb c = image.pixel(x, y);
        s[x] = static_cast<uint8_t>(qRed(c));
        s[bytesPerLine + x] = static_cast<uint8_t>(qGreen(c));
        s[2 * bytesPerLine + x] = static_cast<uint8_t>(qBlue(c));
      } else if (bits == 8) {
        s[x] = static_cast<uint8_t>(image.pixelIndex(x, y));
      } else {
        const int v = image.pixelIndex(x, y);
        for (int p = 0; p < planes; ++p)
          if ((v >> p) & 1) s[p * bytesPerLine + (x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
    // Runs of up to 63 bytes; single bytes below 0xC0 stand for themselves.
    for (int i = 0; i < scan.size();) {
      int run = 1;
      while (i + run < scan.size() && run < 63 && scan[i + run] == scan[i]) ++run;
      const auto v = static_cast<uint8_t>(scan[i]);
      if (run > 1 || v >= 0xC0) b.append(static_cast<char>(0xC0 | run));
      b.append(static_cast<char>(v));
      i += run;
    }
  }
  if (bits == 8) {
    b.append('\x0C');
    for (int i = 0; i < 256; ++i) {
      const QRgb c = i < image.colorCount() ? image.color(i) : 0;
      b.append(static_cast<char>(qRed(c)));
      b.append(static_cast<char>(qGreen(c)));
      b.append(static_cast<char>(qBlue(c)));
    }
  }
  return b;
}

QByteArray TgaBytes(const QImage &source, int type, int bits, bool topDown, bool footer) {
  const int base = type & ~8;
  const bool rle = (type & 8) != 0;
  QImage image = source;
  if (base == 1) image = image.convertToFormat(QImage::Format_Indexed8);
  if (base == 3) image = image.convertToFormat(QImage::Format_Grayscale8);
  const int w = image.width(), h = image.height();
  const int depth = base == 2 ? bits : 8;
  QByteArray b;
  b.append('\0');                                  // no identification field
  b.append(static_cast<char>(base == 1 ? 1 : 0));  // colour map
  b.append(static_cast<char>(type));
  Put16(b, 0);
  Put16(b, base == 1 ? image.colorCount() : 0);
  b.append(static_cast<char>(base == 1 ? 24 : 0));
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, w);
  Put16(b, h);
  b.append(static_cast<char>(depth));
  b.append(static_cast<char>((topDown ? 0x20 : 0) | (depth == 32 ? 8 : 0)));
  if (base == 1)
    for (QRgb c : image.colorTable()) {
      b.append(static_cast<char>(qBlue(c)));
      b.append(static_cast<char>(qGreen(c)));
      b.append(static_cast<char>(qRed(c)));
    }
  auto pixel = [&](int x, int y) {
    QByteArray p;
    if (base == 1) {
      p.append(static_cast<char>(image.pixelIndex(x, y)));
    } else if (base == 3) {
      p.append(static_cast<char>(image.constScanLine(y)[x]));
    } else {
      const QRgb c = image.pixel(x, y);
      if (depth == 16) {
        const int v = ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
        Put16(p, v);
      } else {
        p.append(static_cast<char>(qBlue(c)));
        p.append(static_cast<char>(qGreen(c)));
        p.append(static_cast<char>(qRed(c)));
        if (depth == 32) p.append('\xFF');
      }
    }
    return p;
  };
  std::vector<QByteArray> all;
  for (int r = 0; r < h; ++r) {
    const int y = topDown ? r : h - 1 - r;
    for (int x = 0; x < w; ++x) all.push_back(pixel(x, y));
  }
  auto finish = [footer](QByteArray &bytes) {
    if (footer) {
      Put32(bytes, 0);
      Put32(bytes, 0);
      bytes.append("TRUEVISION-XFILE.", 17);
      bytes.append('\0');
    }
    return bytes;
  };
  if (!rle) {
    for (const QByteArray &p : all) b.append(p);
    return finish(b);
  }
  // Repeat packets for runs, raw packets otherwise; packets may cross rows.
  for (size_t i = 0; i < all.size();) {
    size_t run = 1;
    while (i + run < all.size() && run < 128 && all[i + run] == all[i]) ++run;
    if (run > 1) {
      b.append(static_cast<char>(0x80 | (run - 1)));
      b.append(all[i]);
      i += run;
    } else {
      size_t n = 1;
      while (i + n < all.size() && n < 128 &&
             !(i + n + 1 < all.size() && all[i + n] == all[i + n + 1]))
        ++n;
      b.append(static_cast<char>(n - 1));
      for (size_t k = 0; k < n; ++k) b.append(all[i + k]);
      i += n;
    }
  }
  return finish(b);
}

QByteArray PcdBytes(const Ycc q[4], int orientation) {
  QByteArray b(0x30000 + 768 * 512 * 3 / 2, '\0');
  std::memcpy(b.data() + 0x800, "PCD_IPI", 7);
  b[0xE02] = static_cast<char>(orientation);
  struct Res {
    int offset, w, h;
  } res[3] = {{0x2000, 192, 128}, {0xB800, 384, 256}, {0x30000, 768, 512}};
  for (const Res &r : res) {
    auto *p = reinterpret_cast<uint8_t *>(b.data()) + r.offset;
    for (int pair = 0; pair < r.h / 2; ++pair) {
      const int top = (2 * pair < r.h / 2) ? 0 : 2;
      for (int dy = 0; dy < 2; ++dy)
        for (int x = 0; x < r.w; ++x) *p++ = q[top + (x < r.w / 2 ? 0 : 1)].y;
      for (int x = 0; x < r.w / 2; ++x) *p++ = q[top + (x < r.w / 4 ? 0 : 1)].c1;
      for (int x = 0; x < r.w / 2; ++x) *p++ = q[top + (x < r.w / 4 ? 0 : 1)].c2;
    }
  }
  return b;
}

QByteArray EpsBytes(int width, int height) {
  return QStringLiteral(
             "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 %1 %2\n%%EndComments\n"
             "1 0 0 setrgbcolor 0 0 %3 %2 rectfill\n"
             "0 0 1 setrgbcolor %3 0 %3 %2 rectfill\nshowpage\n%%EOF\n")
      .arg(width)
      .arg(height)
      .arg(width / 2)
      .toLatin1();
}

QByteArray DxfBytes() {
  return QByteArrayLiteral(
      "  0\nSECTION\n  2\nENTITIES\n"
      "  0\nLINE\n  8\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n200.0\n 21\n100.0\n 31\n0.0\n"
      "  0\nCIRCLE\n  8\n0\n 62\n1\n 10\n50.0\n 20\n50.0\n 30\n0.0\n 40\n25.0\n"
      "  0\nARC\n  8\n0\n 10\n150.0\n 20\n50.0\n 30\n0.0\n 40\n20.0\n 50\n0.0\n 51\n180.0\n"
      "  0\nTEXT\n  8\n0\n 10\n10.0\n 20\n80.0\n 30\n0.0\n 40\n10.0\n  1\nMURALIX\n"
      "  0\nENDSEC\n  0\nEOF\n");
}

namespace {
// Writes a PNG through libpng: `header` sets the header and whatever goes before the rows,
// `rows` writes them. False when the file cannot be written.
template <class Header, class Rows>
bool WritePng(const QString &path, Header header, Rows rows) {
  FILE *f = std::fopen(path.toLocal8Bit().constData(), "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  header(png, info);
  png_write_info(png, info);
  rows(png);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  return true;
}
}  // namespace

bool WriteInterlacedPng(const QString &path, const QImage &source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  return WritePng(
      path,
      [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
                     static_cast<png_uint_32>(image.height()), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
      },
      [&](png_structp png) {
        std::vector<png_bytep> rows;
        for (int y = 0; y < image.height(); ++y)
          rows.push_back(const_cast<png_bytep>(image.constScanLine(y)));
        png_write_image(png, rows.data());
      });
}

bool WritePalettePng(const QString &path, const QImage &indexed, int bitDepth) {
  const QImage image = indexed.convertToFormat(QImage::Format_Indexed8);
  if (image.colorCount() > (1 << bitDepth)) return false;
  const int w = image.width(), h = image.height();
  std::vector<png_color> palette;
  for (QRgb c : image.colorTable())
    palette.push_back({static_cast<png_byte>(qRed(c)), static_cast<png_byte>(qGreen(c)),
                       static_cast<png_byte>(qBlue(c))});
  return WritePng(
      path,
      [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), bitDepth,
                     PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
      },
      [&](png_structp png) {
        // Indexes packed most significant first, as the format stores them.
        std::vector<png_byte> row(static_cast<size_t>((w * bitDepth + 7) / 8));
        for (int y = 0; y < h; ++y) {
          std::fill(row.begin(), row.end(), png_byte(0));
          for (int x = 0; x < w; ++x) {
            const int bit = x * bitDepth;
            row[static_cast<size_t>(bit / 8)] |=
                static_cast<png_byte>(image.pixelIndex(x, y) << (8 - bitDepth - bit % 8));
          }
          png_write_row(png, row.data());
        }
      });
}

QByteArray WmfBytes(const std::vector<WmfRecord> &records, int inch, QRect box) {
  QByteArray body;
  for (const WmfRecord &r : records) {
    Put32(body, static_cast<uint32_t>(3 + r.words.size()));
    Put16(body, r.function);
    for (int w : r.words) Put16(body, w);
  }
  Put32(body, 3);
  Put16(body, 0);
  QByteArray file;
  if (inch) {
    Put32(file, 0x9AC6CDD7u);
    Put16(file, 0);
    Put16(file, box.left());
    Put16(file, box.top());
    Put16(file, box.right() + 1);
    Put16(file, box.bottom() + 1);
    Put16(file, inch);
    Put32(file, 0);
    Put16(file, 0);
  }
  Put16(file, 1);
  Put16(file, 9);
  Put16(file, 0x0300);
  Put32(file, static_cast<uint32_t>((18 + body.size()) / 2));
  Put16(file, 2);
  Put32(file, 16);
  Put16(file, 0);
  return file + body;
}

QByteArray PdfBytes(int width, int height, int pages) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);  // one unit a point
    QPainter painter(&writer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 0, width / 2.0, height / 2.0), Qt::red);
    painter.setBrush(Qt::blue);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(width / 2.0, height / 2.0, width / 2.0, height / 2.0));
    painter.setPen(QPen(Qt::green, std::max(1.0, height / 40.0)));
    painter.drawLine(QPointF(0, height), QPointF(width, 0));
    for (int page = 1; page < pages; ++page) {
      writer.newPage();
      painter.fillRect(QRectF(0, 0, width, height), Qt::gray);
    }
  }
  return buffer.data();
}

QByteArray SvgBytes(int width, int height) {
  return QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
             "viewBox=\"0 0 %1 %2\">\n"
             "  <rect x=\"0\" y=\"0\" width=\"%3\" height=\"%4\" fill=\"#ff0000\"/>\n"
             "  <ellipse cx=\"%5\" cy=\"%6\" rx=\"%7\" ry=\"%8\" fill=\"#0000ff\"/>\n"
             "  <line x1=\"0\" y1=\"%2\" x2=\"%1\" y2=\"0\" stroke=\"#00ff00\" "
             "stroke-width=\"%9\"/>\n"
             "</svg>\n")
      .arg(width)
      .arg(height)
      .arg(width / 2.0)
      .arg(height / 2.0)
      .arg(width * 0.75)
      .arg(height * 0.75)
      .arg(width / 4.0)
      .arg(height / 4.0)
      .arg(std::max(1.0, height / 40.0))
      .toUtf8();
}
