// Every reader at every requested depth, on generated files: size, depth and pixels, and
// the same pixels as Qt's own reader where it reads the format.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageWriter>
#include <functional>
#include <set>

#include "Fixtures.h"
#include "RowName.h"
#include "Support.h"
#include "TempDir.h"

namespace {

enum class Format { Bmp, Jpeg, Png, Gif, Tiff, Pcx, Tga };

int16_t Read(Format f, const QByteArray &path, int bits, int dither, HGLOBAL *dib,
             void *user = nullptr, MxProgressFn cb = nullptr) {
  const char *p = path.constData();
  switch (f) {
    case Format::Bmp:
      return CRDE(rdbmpfiledib)(p, bits, static_cast<int16_t>(dither), dib, nullptr, user, cb, 0);
    case Format::Jpeg:
      return CRDE(rdjpgfiledib)(p, bits, 1, static_cast<int16_t>(dither), dib, nullptr, user, cb,
                                0);
    case Format::Png:
      return CRDE(rdpngfiledib)(p, bits, static_cast<int16_t>(dither), dib, nullptr, user, cb, 0);
    case Format::Gif: {
      int32_t transparent = 0;
      return CRDE(rdgiffiledib)(p, bits, static_cast<int16_t>(dither), dib, nullptr, &transparent,
                                user, cb, 0);
    }
    case Format::Tiff:
      return CRDE(readtiffiledib)(p, bits, static_cast<int16_t>(dither), 0, dib, user, cb, 0);
    case Format::Pcx:
      return CRDE(rdpcxfiledib)(p, bits, static_cast<int16_t>(dither), dib, nullptr, user, cb, 0);
    case Format::Tga:
      return CRDE(readtgafiledib)(p, bits, static_cast<int16_t>(dither), dib, user, cb, 0);
  }
  return -1;
}

struct Case {
  const char *name;
  Format format;
  std::function<QString(const TempDir &)> write;
  QImage expected;  // the picture's true colours; null: Qt's reading of the file
  int nativeBits;
  int tolerance;  // per channel, against `expected`
  bool qtReads;   // Qt's reader gives the same pixels (within `tolerance`)
};

QString WriteBytes(const TempDir &d, const char *name, const QByteArray &bytes) {
  return d.Write(QString::fromLatin1(name), bytes);
}
QString WriteQt(const TempDir &d, const char *name, const QImage &image, const char *format,
                int quality = -1) {
  const QString path = d.File(QString::fromLatin1(name));
  QImageWriter writer(path, format);
  if (quality >= 0) writer.setQuality(quality);
  writer.write(image);
  return path;
}

QImage Rgb(const QImage &image) {
  return image.convertToFormat(QImage::Format_RGB32);
}

// The colours a 5-5-5 pixel keeps, shifted back up as 16-bit pictures are read.
QImage FiveBits(const QImage &image) {
  QImage out = Rgb(image);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const QRgb c = out.pixel(x, y);
      out.setPixel(x, y, qRgb(qRed(c) & 0xF8, qGreen(c) & 0xF8, qBlue(c) & 0xF8));
    }
  return out;
}

std::vector<Case> Cases() {
  const QImage pattern = Pattern(37, 23);
  const QImage i200 = Indexed(37, 23, 200), i16 = Indexed(37, 23, 16), i2 = Indexed(37, 23, 2);
  const QImage grey = GreyRamp(37, 23);
  using D = const TempDir &;
  return {
      {"BMP 24 bits", Format::Bmp,
       [=](D d) { return WriteBytes(d, "a.bmp", BmpBytes(pattern, 24)); }, Rgb(pattern), 24, 0,
       true},
      {"BMP 24 bits top-down", Format::Bmp,
       [=](D d) { return WriteBytes(d, "a.bmp", BmpBytes(pattern, 24, true)); }, Rgb(pattern), 24,
       0, true},
      {"BMP 32 bits", Format::Bmp,
       [=](D d) { return WriteBytes(d, "a.bmp", BmpBytes(pattern, 32)); }, Rgb(pattern), 24, 0,
       true},
      {"BMP 16 bits", Format::Bmp,
       [=](D d) { return WriteBytes(d, "a.bmp", BmpBytes(pattern, 16)); }, QImage(), 24, 0, true},
      {"BMP 8 bits", Format::Bmp, [=](D d) { return WriteBytes(d, "a.bmp", BmpBytes(i200, 8)); },
       Rgb(i200), 8, 0, true},
      {"BMP 8 bits RLE", Format::Bmp,
       [=](D d) { return WriteBytes(d, "a.bmp", BmpBytes(i200, 8, false, true)); }, Rgb(i200), 8, 0,
       true},
      {"BMP 4 bits", Format::Bmp, [=](D d) { return WriteBytes(d, "a.bmp", BmpBytes(i16, 4)); },
       Rgb(i16), 4, 0, true},
      {"BMP 4 bits RLE", Format::Bmp,
       [=](D d) { return WriteBytes(d, "a.bmp", BmpBytes(i16, 4, false, true)); }, Rgb(i16), 4, 0,
       true},
      {"BMP 1 bit", Format::Bmp, [=](D d) { return WriteBytes(d, "a.bmp", BmpBytes(i2, 1)); },
       Rgb(i2), 1, 0, true},
      // JPEG is lossy: against the original a wide margin; against Qt's reader (the same
      // decoder library) at most 2 per channel for rounding in the colour conversion.
      {"JPEG colour", Format::Jpeg, [=](D d) { return WriteQt(d, "a.jpg", pattern, "jpeg", 95); },
       QImage(), 24, 2, true},
      {"JPEG grey", Format::Jpeg, [=](D d) { return WriteQt(d, "a.jpg", grey, "jpeg", 95); },
       QImage(), 8, 2, true},
      {"PNG true colour", Format::Png,
       [=](D d) {
         return WriteQt(d, "a.png", pattern.convertToFormat(QImage::Format_RGB888), "png");
       },
       Rgb(pattern), 24, 0, true},
      {"PNG interlaced", Format::Png,
       [=](D d) {
         QString p = d.File("a.png");
         WriteInterlacedPng(p, pattern);
         return p;
       },
       Rgb(pattern), 24, 0, true},
      {"PNG palette", Format::Png, [=](D d) { return WriteQt(d, "a.png", i200, "png"); }, Rgb(i200),
       8, 0, true},
      {"PNG 16 colours", Format::Png, [=](D d) { return WriteQt(d, "a.png", i16, "png"); },
       Rgb(i16), 8, 0, true},
      {"PNG grey", Format::Png, [=](D d) { return WriteQt(d, "a.png", grey, "png"); }, Rgb(grey), 8,
       0, true},
      {"PNG black and white", Format::Png,
       [=](D d) { return WriteQt(d, "a.png", i2.convertToFormat(QImage::Format_Mono), "png"); },
       Rgb(i2), 1, 0, true},
      {"GIF 200 colours", Format::Gif,
       [=](D d) {
         QString p = d.File("a.gif");
         WriteGif(p, i200);
         return p;
       },
       Rgb(i200), 8, 0, true},
      {"GIF interlaced", Format::Gif,
       [=](D d) {
         QString p = d.File("a.gif");
         WriteGif(p, i200, true);
         return p;
       },
       Rgb(i200), 8, 0, true},
      {"GIF 16 colours", Format::Gif,
       [=](D d) {
         QString p = d.File("a.gif");
         WriteGif(p, i16);
         return p;
       },
       Rgb(i16), 4, 0, true},
      {"GIF 2 colours", Format::Gif,
       [=](D d) {
         QString p = d.File("a.gif");
         WriteGif(p, i2);
         return p;
       },
       Rgb(i2), 1, 0, true},
      {"TIFF true colour", Format::Tiff,
       [=](D d) {
         return WriteQt(d, "a.tif", pattern.convertToFormat(QImage::Format_RGB888), "tiff");
       },
       Rgb(pattern), 24, 0, true},
      {"TIFF palette", Format::Tiff, [=](D d) { return WriteQt(d, "a.tif", i200, "tiff"); },
       Rgb(i200), 8, 0, true},
      {"TIFF grey", Format::Tiff, [=](D d) { return WriteQt(d, "a.tif", grey, "tiff"); }, Rgb(grey),
       8, 0, true},
      {"TIFF black and white", Format::Tiff,
       [=](D d) { return WriteQt(d, "a.tif", i2.convertToFormat(QImage::Format_Mono), "tiff"); },
       Rgb(i2), 1, 0, true},
      {"PCX 24 bits", Format::Pcx,
       [=](D d) { return WriteBytes(d, "a.pcx", PcxBytes(pattern, 24)); }, Rgb(pattern), 24, 0,
       false},
      {"PCX 8 bits", Format::Pcx, [=](D d) { return WriteBytes(d, "a.pcx", PcxBytes(i200, 8)); },
       Rgb(i200), 8, 0, false},
      {"PCX 4 planes", Format::Pcx, [=](D d) { return WriteBytes(d, "a.pcx", PcxBytes(i16, 4)); },
       Rgb(i16), 4, 0, false},
      {"PCX 1 bit", Format::Pcx, [=](D d) { return WriteBytes(d, "a.pcx", PcxBytes(i2, 1)); },
       Rgb(i2), 1, 0, false},
      {"TGA 24 bits", Format::Tga,
       [=](D d) { return WriteBytes(d, "a.tga", TgaBytes(pattern, 2)); }, Rgb(pattern), 24, 0,
       true},
      {"TGA 24 bits top-down", Format::Tga,
       [=](D d) { return WriteBytes(d, "a.tga", TgaBytes(pattern, 2, 24, true)); }, Rgb(pattern),
       24, 0, true},
      {"TGA 32 bits", Format::Tga,
       [=](D d) { return WriteBytes(d, "a.tga", TgaBytes(pattern, 2, 32)); }, Rgb(pattern), 24, 0,
       true},
      {"TGA 16 bits", Format::Tga,
       [=](D d) { return WriteBytes(d, "a.tga", TgaBytes(pattern, 2, 16)); },
       Rgb(FiveBits(pattern)), 24, 0, false},
      {"TGA 24 bits RLE", Format::Tga,
       [=](D d) { return WriteBytes(d, "a.tga", TgaBytes(pattern, 10)); }, Rgb(pattern), 24, 0,
       false},
      {"TGA colour-mapped", Format::Tga,
       [=](D d) { return WriteBytes(d, "a.tga", TgaBytes(i200, 1)); }, Rgb(i200), 8, 0, false},
      {"TGA colour-mapped RLE", Format::Tga,
       [=](D d) { return WriteBytes(d, "a.tga", TgaBytes(i200, 9)); }, Rgb(i200), 8, 0, false},
      {"TGA grey", Format::Tga, [=](D d) { return WriteBytes(d, "a.tga", TgaBytes(grey, 3)); },
       Rgb(grey), 8, 0, false},
      {"TGA grey RLE", Format::Tga, [=](D d) { return WriteBytes(d, "a.tga", TgaBytes(grey, 11)); },
       Rgb(grey), 8, 0, false},
  };
}

int DistinctColors(const QImage &image) {
  std::set<QRgb> colors;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colors.insert(image.pixel(x, y));
  return static_cast<int>(colors.size());
}

double MeanError(const QImage &a, const QImage &b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * a.width() * a.height());
}

namespace {

class ReadersEveryFormat : public testing::TestWithParam<Case> {};

TEST_P(ReadersEveryFormat, AtEveryDepth) {
  const Case &c = GetParam();
  SCOPED_TRACE(c.name);
  TempDir dir;
  const QByteArray path = Path(c.write(dir));
  const QImage qt = Rgb(QImage(QString::fromLocal8Bit(path)));
  const QImage expected = c.expected.isNull() ? qt : c.expected;
  ASSERT_FALSE(expected.isNull());
  const int distinct = DistinctColors(expected);
  for (int bits : {0, 1, 4, 8, 24}) {
    SCOPED_TRACE("requested depth " + std::to_string(bits));
    for (int dither : {0, 1}) {
      HGLOBAL dib = nullptr;
      const int16_t r = Read(c.format, path, bits, dither, &dib);
      ASSERT_GT(r, 0) << FailureText(r);
      DibFacts f = TakeDib(dib);
      ASSERT_TRUE(f.valid);
      EXPECT_EQ(f.width, expected.width());
      EXPECT_EQ(f.height, expected.height());
      EXPECT_EQ(f.bits, bits == 0 ? c.nativeBits : bits);
      const bool keepsColors = bits == 0 || bits >= c.nativeBits || distinct <= (1 << bits);
      if (keepsColors) {
        EXPECT_EQ(Compare(expected, f.image, c.tolerance), "");
      } else if (bits == 8) {
        EXPECT_LT(MeanError(expected, f.image), 10.0);  // an adaptive palette stays close
      }
    }
  }
  if (c.qtReads) {
    HGLOBAL dib = nullptr;
    ASSERT_GT(Read(c.format, path, 0, 0, &dib), 0);
    EXPECT_EQ(Compare(qt, TakeDib(dib).image, c.tolerance), "") << "differs from Qt's reader";
  }
}
INSTANTIATE_TEST_SUITE_P(, ReadersEveryFormat, testing::ValuesIn(Cases()), ByRowName());

}  // namespace

TEST(Readers, JpegStaysCloseToTheOriginal) {
  TempDir dir;
  const QImage original = Pattern(64, 48);
  const QByteArray path = Path(WriteQt(dir, "a.jpg", original, "jpeg", 95));
  HGLOBAL dib = nullptr;
  ASSERT_GT(Read(Format::Jpeg, path, 0, 0, &dib), 0);
  // Quality 95 with chroma subsampling on a fine xor pattern: about 9 levels on average.
  EXPECT_LT(MeanError(Rgb(original), TakeDib(dib).image), 12.0);
}

struct ProgressLog {
  std::vector<int> values;
  int stopAt = 1000;
};

int16_t Record(int16_t progress, void *user) {
  auto *log = static_cast<ProgressLog *>(user);
  log->values.push_back(progress);
  return progress >= log->stopAt ? 0 : 1;
}

TEST(Readers, ReportProgressAndStopWhenAsked) {
  TempDir dir;
  const QImage pattern = Pattern(40, 300);
  struct Named {
    Format format;
    QString path;
  };
  const std::vector<Named> files = {
      {Format::Bmp, WriteBytes(dir, "p.bmp", BmpBytes(pattern, 24))},
      {Format::Jpeg, WriteQt(dir, "p.jpg", pattern, "jpeg", 90)},
      {Format::Png, WriteQt(dir, "p.png", pattern.convertToFormat(QImage::Format_RGB888), "png")},
      {Format::Tiff, WriteQt(dir, "p.tif", pattern.convertToFormat(QImage::Format_RGB888), "tiff")},
      {Format::Pcx, WriteBytes(dir, "p.pcx", PcxBytes(pattern, 24))},
      {Format::Tga, WriteBytes(dir, "p.tga", TgaBytes(pattern, 2))},
  };
  for (const Named &n : files) {
    SCOPED_TRACE(n.path.toStdString());
    ProgressLog log;
    HGLOBAL dib = nullptr;
    ASSERT_GT(Read(n.format, Path(n.path), 0, 0, &dib, &log, Record), 0);
    TakeDib(dib);
    ASSERT_FALSE(log.values.empty());
    EXPECT_EQ(log.values.back(), 100);
    EXPECT_TRUE(std::is_sorted(log.values.begin(), log.values.end()));

    ProgressLog stop;
    stop.stopAt = 30;
    dib = nullptr;
    const int16_t r = Read(n.format, Path(n.path), 0, 0, &dib, &stop, Record);
    EXPECT_EQ(r, MX_ERR_CANCELLED);
    EXPECT_EQ(dib, nullptr);
    EXPECT_EQ(stop.values.back(), 30);
    EXPECT_EQ(FailureText(r), "Annulé");
  }
}

TEST(Readers, BmpWithTheOldCoreHeader) {
  // 2 x 2 pixels, 1 bit, a 12-byte header and a table of two 3-byte entries.
  const unsigned char bytes[] = {
      'B',  'M', 40,  0, 0,    0, 0, 0, 0, 0, 32, 0, 0, 0,  // file size, reserved, pixel offset
      12,   0,   0,   0, 2,    0, 2, 0, 1, 0, 1,  0,        // header: 2 x 2, 1 plane, 1 bit
      0,    0,   255, 0, 255,  0,         // entries (blue, green, red): red, green
      0x40, 0,   0,   0, 0x80, 0, 0, 0};  // rows bottom-up: red green, green red
  TempDir dir;
  const QByteArray path = Path(dir.Write(
      QStringLiteral("core.bmp"), QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes)));
  HGLOBAL dib = nullptr;
  const int16_t r = CRDE(rdbmpfiledib)(path.constData(), 0, 0, &dib, nullptr, nullptr, nullptr, 0);
  ASSERT_GT(r, 0) << FailureText(r);
  DibFacts f = TakeDib(dib);
  EXPECT_EQ(f.bits, 1);
  EXPECT_EQ(f.image.pixel(0, 1), qRgb(255, 0, 0));
  EXPECT_EQ(f.image.pixel(1, 1), qRgb(0, 255, 0));
  EXPECT_EQ(f.image.pixel(0, 0), qRgb(0, 255, 0));
  EXPECT_EQ(f.image.pixel(1, 0), qRgb(255, 0, 0));
}

TEST(Readers, GifTellsItsTransparentColour) {
  TempDir dir;
  const QImage image = Indexed(12, 8, 16);
  for (int transparent : {-1, 5}) {
    const QString path = dir.File(QStringLiteral("t.gif"));
    ASSERT_TRUE(WriteGif(path, image, false, transparent));
    HGLOBAL dib = nullptr;
    int32_t index = 99;
    ASSERT_GT(CRDE(rdgiffiledib)(Path(path).constData(), 0, 0, &dib, nullptr, &index, nullptr,
                                 nullptr, 0),
              0);
    EXPECT_EQ(index, transparent);
    EXPECT_EQ(Compare(Rgb(image), TakeDib(dib).image), "");  // the colours stay as they are
  }
}

TEST(Readers, PhotoCdResolutionsAndColours) {
  TempDir dir;
  // Black, white, mid grey and a red: PhotoYCC values and the colours they stand for.
  const Ycc quadrants[4] = {{0, 156, 137}, {188, 156, 137}, {94, 156, 137}, {60, 120, 230}};
  const QByteArray path = Path(dir.Write("a.pcd", PcdBytes(quadrants)));
  const int sizes[3][2] = {{192, 128}, {384, 256}, {768, 512}};
  for (uint16_t res = 0; res < 3; ++res) {
    SCOPED_TRACE("resolution " + std::to_string(res));
    for (int bits : {0, 8, 24}) {
      HGLOBAL dib = nullptr;
      const int16_t r =
          CRDE(readpcdfiledib)(path.constData(), bits, 0, res, &dib, nullptr, nullptr, 0);
      ASSERT_GT(r, 0) << FailureText(r);
      DibFacts f = TakeDib(dib);
      EXPECT_EQ(f.width, sizes[res][0]);
      EXPECT_EQ(f.height, sizes[res][1]);
      EXPECT_EQ(f.bits, bits == 0 ? 24 : bits);
      const int w = f.width, h = f.height;
      EXPECT_EQ(f.image.pixel(w / 4, h / 4), qRgb(0, 0, 0));
      EXPECT_EQ(f.image.pixel(3 * w / 4, h / 4), qRgb(255, 255, 255));
      EXPECT_EQ(f.image.pixel(w / 4, 3 * h / 4), qRgb(128, 128, 128));
      const QRgb red = f.image.pixel(3 * w / 4, 3 * h / 4);
      EXPECT_GT(qRed(red), 200);
      EXPECT_LT(qGreen(red), 60);
      EXPECT_LT(qBlue(red), 60);
    }
  }
  HGLOBAL dib = nullptr;
  EXPECT_EQ(CRDE(readpcdfiledib)(path.constData(), 0, 0, 3, &dib, nullptr, nullptr, 0),
            MX_ERR_PCD_RESOLUTION);
}

TEST(Readers, PhotoCdTurnedPortrait) {
  TempDir dir;
  const Ycc quadrants[4] = {{0, 156, 137}, {188, 156, 137}, {94, 156, 137}, {188, 156, 137}};
  const QByteArray path = Path(dir.Write("a.pcd", PcdBytes(quadrants, 1)));
  HGLOBAL dib = nullptr;
  ASSERT_GT(CRDE(readpcdfiledib)(path.constData(), 0, 0, 0, &dib, nullptr, nullptr, 0), 0);
  DibFacts f = TakeDib(dib);
  EXPECT_EQ(f.width, 128);
  EXPECT_EQ(f.height, 192);
}

TEST(Readers, EpsThroughTheInterpreter) {
  TempDir dir;
  const QByteArray path = Path(dir.Write("a.eps", EpsBytes(100, 50)));
  for (int bits : {0, 8, 24}) {
    HGLOBAL dib = nullptr;
    const int16_t r = CRDE(readepsfiledib)(path.constData(), bits, 0, &dib, nullptr, nullptr, 0);
    ASSERT_GT(r, 0) << FailureText(r);
    DibFacts f = TakeDib(dib);
    EXPECT_EQ(f.width, 100);
    EXPECT_EQ(f.height, 50);
    EXPECT_EQ(f.bits, bits == 0 ? 24 : bits);
    EXPECT_EQ(f.image.pixel(10, 25), qRgb(255, 0, 0));
    EXPECT_EQ(f.image.pixel(90, 25), qRgb(0, 0, 255));
  }
}

TEST(Readers, EpsThatNeverEndsIsStopped) {
  TempDir dir;
  const QByteArray path = Path(
      dir.Write("loop.eps", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n{ 1 pop } loop\n"));
  qputenv("MURALIX_EPS_TIMEOUT", "2");
  HGLOBAL dib = nullptr;
  const int16_t r = CRDE(readepsfiledib)(path.constData(), 0, 0, &dib, nullptr, nullptr, 0);
  qunsetenv("MURALIX_EPS_TIMEOUT");
  EXPECT_EQ(r, MX_ERR_EPS_TIMEOUT);
  EXPECT_EQ(dib, nullptr);
  EXPECT_EQ(FailureText(r), "Le dessin du fichier PostScript a pris trop de temps");
}

TEST(Readers, EpsWithAnError) {
  TempDir dir;
  const QByteArray path = Path(
      dir.Write("bad.eps", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nnosuchoperator\n"));
  HGLOBAL dib = nullptr;
  const int16_t r = CRDE(readepsfiledib)(path.constData(), 0, 0, &dib, nullptr, nullptr, 0);
  EXPECT_EQ(r, MX_ERR_EPS_FAILED);
  EXPECT_EQ(dib, nullptr);
}

TEST(Readers, DxfDrawnOnWhite) {
  TempDir dir;
  const QByteArray path = Path(dir.Write("a.dxf", DxfBytes()));
  uint16_t w = 0, h = 0, bpp = 0;
  CRDE(getdxfinfo)(path.constData(), &w, &h, &bpp);
  // 200 x 100 units: the long side spans 1008 pixels inside an 8-pixel margin.
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 520);
  EXPECT_EQ(bpp, 24);
  for (int bits : {0, 8, 24}) {
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    const int16_t r =
        CRDE(readdxftoddb)(path.constData(), bits, 0, &bitmap, &palette, nullptr, nullptr, 0);
    ASSERT_GT(r, 0) << FailureText(r);
    const QImage image = ImageOfBitmap(bitmap).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.width(), 1024);
    EXPECT_EQ(image.height(), 520);
    EXPECT_EQ(image.pixel(2, 2), qRgb(255, 255, 255));  // margin
    EXPECT_EQ(image.pixel(1020, 10), qRgb(255, 255, 255));
    bool lineMiddle = false;  // the diagonal runs through (512, 260)
    for (int y = 258; y <= 262; ++y)
      for (int x = 510; x <= 514; ++x)
        lineMiddle = lineMiddle || image.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_TRUE(lineMiddle);
    EXPECT_EQ(image.pixel(260, 260), qRgb(255, 255, 255));  // inside the circle
    const QRgb circle = image.pixel(260 + 126, 260);        // its red outline, radius 126
    EXPECT_GT(qRed(circle), qGreen(circle));
    EXPECT_EQ(palette != nullptr, bits == 8);
    DeleteObject(bitmap);
    if (palette) DeleteObject(palette);
  }
}

TEST(Readers, DxfFailures) {
  TempDir dir;
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  const QByteArray empty =
      Path(dir.Write("e.dxf", "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n"));
  EXPECT_EQ(CRDE(readdxftoddb)(empty.constData(), 0, 0, &bitmap, &palette, nullptr, nullptr, 0),
            MX_ERR_EMPTY_DRAWING);
  const QByteArray text = Path(dir.Write("t.dxf", QByteArray(100, 'x')));
  EXPECT_EQ(CRDE(readdxftoddb)(text.constData(), 0, 0, &bitmap, &palette, nullptr, nullptr, 0),
            MX_ERR_NOT_DXF);
  EXPECT_EQ(bitmap, nullptr);
  uint16_t w = 1, h = 1, bpp = 1;
  CRDE(getdxfinfo)(text.constData(), &w, &h, &bpp);
  EXPECT_EQ(w + h + bpp, 0);
}

}  // namespace
