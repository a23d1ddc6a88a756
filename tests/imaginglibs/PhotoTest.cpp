// Photographs: pictures stand upright whatever orientation their file stores, HEIC, AVIF and
// WebP read through fileinfo and their reader entries, and colours tagged with a profile
// arrive in sRGB. Every file is written here with the codec libraries' own encoders.
#include <gtest/gtest.h>

#include <lcms2.h>

#include <QImage>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "PhotoFixtures.h"
#include "RowName.h"
#include "Support.h"
#include "TempDir.h"

namespace {

// Six colours none of which a turn or a mirror could take for another.
const QRgb kColours[6] = {qRgb(200, 60, 50),  qRgb(60, 160, 80), qRgb(70, 90, 190),
                          qRgb(210, 190, 70), qRgb(40, 40, 40),  qRgb(235, 225, 230)};

// 3 x 2 flat blocks of 16 pixels: block edges fall on the 8 x 8 grid of the lossy codecs, so
// their colours survive compression nearly unchanged.
QImage Blocks(int block = 16) {
  QImage image(3 * block, 2 * block, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, kColours[(y / block) * 3 + x / block]);
  return image;
}

// The stored picture of an upright one, built from what each orientation means: the side of
// the upright picture along which row 0 of the stored picture runs, and the side where its
// column 0 lies.
enum Side { Top, Bottom, Left, Right };
struct OrientationCase {
  int orientation;
  Side row0, column0;
};
const OrientationCase kOrientations[] = {
    {1, Top, Left}, {2, Top, Right}, {3, Bottom, Right}, {4, Bottom, Left},
    {5, Left, Top}, {6, Right, Top}, {7, Right, Bottom}, {8, Left, Bottom},
};

QImage Stored(const QImage &upright, const OrientationCase &o) {
  const int w = upright.width(), h = upright.height();
  const bool across = o.row0 == Left || o.row0 == Right;
  QImage stored(across ? h : w, across ? w : h, QImage::Format_RGB32);
  for (int sy = 0; sy < stored.height(); ++sy)
    for (int sx = 0; sx < stored.width(); ++sx) {
      int ux, uy;
      if (!across) {
        uy = o.row0 == Top ? sy : h - 1 - sy;
        ux = o.column0 == Left ? sx : w - 1 - sx;
      } else {
        ux = o.row0 == Left ? sy : w - 1 - sy;
        uy = o.column0 == Top ? sx : h - 1 - sx;
      }
      stored.setPixel(sx, sy, upright.pixel(ux, uy));
    }
  return stored;
}

struct Facts {
  int16_t result = 0;
  std::string type, compression;
  int width = 0, height = 0, bits = 0, pages = 0;
};
Facts FileInfo(const QString &path) {
  const QByteArray p = Path(path);
  char type[6] = {}, compression[26] = {};
  uint16_t w = 0, h = 0, bpp = 0, pages = 0, dpi = 0;
  Facts f;
  f.result = CRDE(fileinfo)(p.constData(), type, &w, &h, &bpp, &pages, &dpi, compression, 0);
  f.type = type;
  f.compression = compression;
  f.width = w;
  f.height = h;
  f.bits = bpp;
  f.pages = pages;
  return f;
}

using Entry = std::function<int16_t(const char *, int32_t, HGLOBAL *, void *, MxProgressFn)>;
const Entry kJpeg = [](const char *p, int32_t bits, HGLOBAL *d, void *u, MxProgressFn cb) {
  return CRDE(rdjpgfiledib)(p, bits, 1, 0, d, nullptr, u, cb, 0);
};
const Entry kTiff = [](const char *p, int32_t bits, HGLOBAL *d, void *u, MxProgressFn cb) {
  return CRDE(readtiffiledib)(p, bits, 0, 0, d, u, cb, 0);
};
const Entry kPng = [](const char *p, int32_t bits, HGLOBAL *d, void *u, MxProgressFn cb) {
  return CRDE(rdpngfiledib)(p, bits, 0, d, nullptr, u, cb, 0);
};
const Entry kHeif = [](const char *p, int32_t bits, HGLOBAL *d, void *u, MxProgressFn cb) {
  return CRDE(rdheiffiledib)(p, bits, 0, d, nullptr, u, cb, 0);
};
const Entry kWebp = [](const char *p, int32_t bits, HGLOBAL *d, void *u, MxProgressFn cb) {
  return CRDE(rdwebpfiledib)(p, bits, 0, d, nullptr, u, cb, 0);
};

// The picture read with the pixels within `margin` of a block edge taken from the expected
// one: lossy codecs blend colours across edges (chroma subsampling, loop filters), so only
// the blocks' insides are held to their tolerance.
QImage Insides(const QImage &expected, const QImage &read, int margin, int block = 16) {
  if (margin == 0 || read.size() != expected.size()) return read;
  QImage out = read.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const int dx = std::min(x % block, block - 1 - x % block);
      const int dy = std::min(y % block, block - 1 - y % block);
      if (dx < margin || dy < margin) out.setPixel(x, y, expected.pixel(x, y));
    }
  return out;
}

DibFacts Read(const Entry &entry, const QString &path, int bits = 0) {
  HGLOBAL dib = nullptr;
  const int16_t r = entry(Path(path).constData(), bits, &dib, nullptr, nullptr);
  EXPECT_GT(r, 0) << FailureText(r);
  return r > 0 ? TakeDib(dib) : DibFacts{};
}

}  // namespace

// Lossy codecs keep the flat blocks within a few levels: 8 per channel for JPEG at quality 95
// without chroma subsampling, 16 for HEVC at quality 90 (its colour conversion and 4:2:0
// chroma). TIFF is exact.
TEST(Orientation, EveryOrientationGivesTheUprightPictureAndSize) {
  TempDir dir;
  const QImage upright = Blocks();
  struct Format {
    const char *name;
    std::function<bool(const QString &, const QImage &, int)> write;
    Entry read;
    int tolerance;
  };
  std::vector<Format> formats = {
      {"JPEG",
       [](const QString &p, const QImage &i, int o) {
         return WriteJpegPhoto(p, i, 95, {o, {}});
       },
       kJpeg, 8},
      {"TIFF",
       [](const QString &p, const QImage &i, int o) {
         return WriteTiffPhoto(p, i, {o, {}});
       },
       kTiff, 0},
  };
  if (CanWriteHeif(HeifKind::Heic))
    formats.push_back({"HEIC",
                       [](const QString &p, const QImage &i, int o) {
                         return WriteHeif(p, i, HeifKind::Heic, 90, {o, {}});
                       },
                       kHeif, 16});
  for (const Format &f : formats) {
    for (const OrientationCase &o : kOrientations) {
      SCOPED_TRACE(std::string(f.name) + " orientation " + std::to_string(o.orientation));
      const QString path = dir.File(QStringLiteral("photo.bin"));
      ASSERT_TRUE(f.write(path, Stored(upright, o), o.orientation));
      const Facts info = FileInfo(path);
      ASSERT_GT(info.result, 0) << FailureText(info.result);
      EXPECT_EQ(info.width, upright.width());
      EXPECT_EQ(info.height, upright.height());
      const DibFacts read = Read(f.read, path);
      EXPECT_EQ(Compare(upright, read.image, f.tolerance), "");
      if (std::string(f.name) == "TIFF") {
        int32_t w = 0, h = 0, ignored = 0, pages = 0;
        uint16_t code = 0, bpp = 0;
        EXPECT_GE(CRDE(getinfo)(Path(path).constData(), 0, &w, &h, &code, &ignored, &pages, &bpp),
                  0);
        EXPECT_EQ(w, upright.width());
        EXPECT_EQ(h, upright.height());
      }
    }
  }
}

namespace {

class IndexedTiffOrientation : public testing::TestWithParam<OrientationCase> {};

TEST_P(IndexedTiffOrientation, PagesAreTurnedToo) {
  const OrientationCase &o = GetParam();
  TempDir dir;
  // A two-colour picture is read at 1 bit: the turn works on packed bits.
  QImage upright(21, 13, QImage::Format_RGB32);
  upright.fill(Qt::white);
  for (int x = 0; x < 21; ++x) upright.setPixel(x, 0, qRgb(0, 0, 0));  // top row
  for (int y = 0; y < 13; ++y) upright.setPixel(0, y, qRgb(0, 0, 0));  // left column
  upright.setPixel(20, 12, qRgb(0, 0, 0));

  SCOPED_TRACE("orientation " + std::to_string(o.orientation));
  const QString path = dir.File(QStringLiteral("mono.tif"));
  ASSERT_TRUE(WriteTiffPhoto(path, Stored(upright, o), {o.orientation, {}}, true));
  const DibFacts read = Read(kTiff, path, 1);
  EXPECT_EQ(read.bits, 1);
  EXPECT_EQ(Compare(upright, read.image), "");
}
INSTANTIATE_TEST_SUITE_P(, IndexedTiffOrientation, testing::ValuesIn(kOrientations),
                         [](const testing::TestParamInfo<OrientationCase> &info) {
                           return "orientation_" + RowName(info.param.orientation);
                         });

struct FormatCase {
  const char *name;
  std::function<bool(const QString &)> write;
  Entry read;
  const char *type, *compression;
  int infoBits, pages;
  QImage expected;
  int tolerance;  // per channel: see the rows
  bool needsHeic = false, needsAvif = false;
};

// Half transparent: the left column of blocks fully, the rest opaque.
QImage WithTransparentLeft() {
  QImage image = Blocks().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < 16; ++x) image.setPixel(x, y, qRgba(10, 20, 30, 0));
  return image;
}
QImage OverWhite() {
  QImage image = Blocks();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < 16; ++x) image.setPixel(x, y, qRgb(255, 255, 255));
  return image;
}

std::vector<FormatCase> FormatCases() {
  const QImage blocks = Blocks();
  const QImage deep = blocks.convertToFormat(QImage::Format_RGBX64);
  // HEVC and AV1 at quality 90 keep the insides of flat blocks within 16 per channel, lossy
  // WebP within 12; lossless WebP is exact everywhere.
  return {
      {"HEIC", [=](const QString &p) { return WriteHeif(p, blocks, HeifKind::Heic, 90); }, kHeif,
       "HEIC", "HEVC", 24, 1, blocks, 16, true},
      {"HEIC 10 bits",
       [=](const QString &p) { return WriteHeif(p, deep, HeifKind::Heic, 90, {}, 10); }, kHeif,
       "HEIC", "HEVC", 30, 1, blocks, 16, true},
      {"HEIC with transparency",
       [=](const QString &p) { return WriteHeif(p, WithTransparentLeft(), HeifKind::Heic, 90); },
       kHeif, "HEIC", "HEVC", 32, 1, OverWhite(), 16, true},
      {"AVIF", [=](const QString &p) { return WriteHeif(p, blocks, HeifKind::Avif, 90); }, kHeif,
       "AVIF", "AV1", 24, 1, blocks, 16, false, true},
      {"WebP lossy", [=](const QString &p) { return WriteWebp(p, blocks, 95); }, kWebp, "WEBP",
       "VP8", 24, 1, blocks, 12},
      {"WebP lossless", [=](const QString &p) { return WriteWebp(p, blocks, -1); }, kWebp, "WEBP",
       "VP8L", 24, 1, blocks, 0},
      {"WebP transparency over white",
       [=](const QString &p) { return WriteWebp(p, WithTransparentLeft(), -1); }, kWebp, "WEBP",
       "VP8L", 32, 1, OverWhite(), 0},
      {"WebP animation: the first frame",
       [=](const QString &p) { return WriteWebp(p, blocks, -1, {}, 3); }, kWebp, "WEBP",
       "ANIMATION", 24, 3, blocks, 0},
  };
}

bool Skipped(const FormatCase &c) {
  return (c.needsHeic && !CanWriteHeif(HeifKind::Heic)) ||
         (c.needsAvif && !CanWriteHeif(HeifKind::Avif));
}

int16_t StopAtOnce(int16_t, void *) {
  return 0;
}
int16_t Record(int16_t progress, void *user) {
  static_cast<std::vector<int> *>(user)->push_back(progress);
  return 1;
}

class NewFormatsInfoAndReader : public testing::TestWithParam<FormatCase> {};

TEST_P(NewFormatsInfoAndReader, GiveSizeDepthAndColours) {
  const FormatCase &c = GetParam();
  TempDir dir;

  SCOPED_TRACE(c.name);
  if (Skipped(c)) GTEST_SKIP() << "this system cannot write the format";
  const QString path = dir.File(QStringLiteral("picture.bin"));
  ASSERT_TRUE(c.write(path));
  const Facts info = FileInfo(path);
  ASSERT_GT(info.result, 0) << FailureText(info.result);
  EXPECT_EQ(info.type, c.type);
  EXPECT_EQ(info.compression, c.compression);
  EXPECT_EQ(info.width, c.expected.width());
  EXPECT_EQ(info.height, c.expected.height());
  EXPECT_EQ(info.bits, c.infoBits);
  EXPECT_EQ(info.pages, c.pages);

  std::vector<int> progress;
  HGLOBAL dib = nullptr;
  const int16_t r = c.read(Path(path).constData(), 0, &dib, &progress, Record);
  ASSERT_GT(r, 0) << FailureText(r);
  const DibFacts read = TakeDib(dib);
  EXPECT_EQ(read.bits, 24);
  EXPECT_EQ(
      Compare(c.expected, Insides(c.expected, read.image, c.tolerance > 0 ? 3 : 0), c.tolerance),
      "");
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 100);

  // The depth rules of every reader: 8 bits on request, 1 bit black and white.
  EXPECT_EQ(Read(c.read, path, 8).bits, 8);
  EXPECT_EQ(Read(c.read, path, 1).bits, 1);
}
INSTANTIATE_TEST_SUITE_P(, NewFormatsInfoAndReader, testing::ValuesIn(FormatCases()), ByRowName());

class NewFormatsFailures : public testing::TestWithParam<FormatCase> {};

TEST_P(NewFormatsFailures, CancelAndLimitFailWithTheirTexts) {
  const FormatCase &c = GetParam();
  TempDir dir;

  SCOPED_TRACE(c.name);
  if (Skipped(c)) GTEST_SKIP() << "this system cannot write the format";
  const QString path = dir.File(QStringLiteral("picture.bin"));
  ASSERT_TRUE(c.write(path));
  HGLOBAL dib = nullptr;
  EXPECT_EQ(c.read(Path(path).constData(), 0, &dib, nullptr, StopAtOnce), MX_ERR_CANCELLED);
  EXPECT_EQ(dib, nullptr);
  CRDE(MxSetPixelLimit)(1000);  // the pictures have 1536 pixels
  EXPECT_EQ(c.read(Path(path).constData(), 0, &dib, nullptr, nullptr), MX_ERR_TOO_LARGE);
  CRDE(MxSetPixelLimit)(0);
  EXPECT_EQ(dib, nullptr);
}
INSTANTIATE_TEST_SUITE_P(, NewFormatsFailures, testing::ValuesIn(FormatCases()), ByRowName());

}  // namespace

TEST(NewFormats, WrongFormatFailsWithItsText) {
  TempDir dir;
  const QString jpeg = dir.File(QStringLiteral("plain.jpg"));
  ASSERT_TRUE(WriteJpegPhoto(jpeg, Blocks(), 90));
  HGLOBAL dib = nullptr;
  const int16_t heif = kHeif(Path(jpeg).constData(), 0, &dib, nullptr, nullptr);
  EXPECT_EQ(heif, MX_ERR_NOT_HEIF);
  EXPECT_EQ(FailureText(heif), "Ce n'est pas un fichier HEIC ou AVIF");
  const int16_t webp = kWebp(Path(jpeg).constData(), 0, &dib, nullptr, nullptr);
  EXPECT_EQ(webp, MX_ERR_NOT_WEBP);
  EXPECT_EQ(FailureText(webp), "Ce n'est pas un fichier WebP");
}

namespace {

// sRGB values of colours given in another RGB space, worked out here from the spaces'
// primaries (both white points are D65): decode, to XYZ, to linear sRGB, encode.
struct Space {
  double xy[3][2];
  std::function<double(double)> decode;
};
double SrgbDecode(double v) {
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}
double SrgbEncode(double v) {
  v = std::clamp(v, 0.0, 1.0);
  return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}
using Matrix = std::array<std::array<double, 3>, 3>;
Matrix ToXyz(const double xy[3][2]) {
  const double wx = 0.3127, wy = 0.3290;
  Matrix p{};
  for (int c = 0; c < 3; ++c) {
    p[0][c] = xy[c][0] / xy[c][1];
    p[1][c] = 1;
    p[2][c] = (1 - xy[c][0] - xy[c][1]) / xy[c][1];
  }
  const double w[3] = {wx / wy, 1, (1 - wx - wy) / wy};
  // Each primary's share of the white point, by Cramer's rule.
  auto det = [](const Matrix &m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  };
  const double d = det(p);
  Matrix out = p;
  for (int c = 0; c < 3; ++c) {
    Matrix q = p;
    for (int r = 0; r < 3; ++r) q[r][c] = w[r];
    const double s = det(q) / d;
    for (int r = 0; r < 3; ++r) out[r][c] = p[r][c] * s;
  }
  return out;
}
Matrix Inverse(const Matrix &m) {
  Matrix inv{};
  const double d = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                   m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                   m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      inv[c][r] = (m[(r + 1) % 3][(c + 1) % 3] * m[(r + 2) % 3][(c + 2) % 3] -
                   m[(r + 1) % 3][(c + 2) % 3] * m[(r + 2) % 3][(c + 1) % 3]) /
                  d;
  return inv;
}

QRgb InSrgb(QRgb colour, const Space &space) {
  static const double kSrgb[3][2] = {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
  const Matrix toXyz = ToXyz(space.xy), fromXyz = Inverse(ToXyz(kSrgb));
  const double in[3] = {space.decode(qRed(colour) / 255.0), space.decode(qGreen(colour) / 255.0),
                        space.decode(qBlue(colour) / 255.0)};
  double xyz[3] = {}, out[3] = {};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) xyz[r] += toXyz[r][c] * in[c];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) out[r] += fromXyz[r][c] * xyz[c];
  auto level = [](double v) { return static_cast<int>(std::lround(255 * SrgbEncode(v))); };
  return qRgb(level(out[0]), level(out[1]), level(out[2]));
}

QImage InSrgb(const QImage &image, const Space &space) {
  QImage out = image.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) out.setPixel(x, y, InSrgb(out.pixel(x, y), space));
  return out;
}

const Space kDisplayP3 = {{{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}}, SrgbDecode};
const Space kAdobeRgb = {{{0.64, 0.33}, {0.21, 0.71}, {0.15, 0.06}},
                         [](double v) { return std::pow(v, 563.0 / 256.0); }};

}  // namespace

// Little CMS works on 8-bit samples through interpolated curves: within 2 per channel of the
// exact conversion for lossless files. Lossy files add their own loss (rows above).
TEST(ColourProfiles, TaggedPicturesArriveInSrgbAndUntaggedOnesUntouched) {
  TempDir dir;
  const QImage blocks = Blocks();
  const QByteArray p3 = IccProfile(RgbSpace::DisplayP3), adobe = IccProfile(RgbSpace::AdobeRgb);
  const struct {
    const char *name;
    std::function<bool(const QString &, const QByteArray &)> write;
    Entry read;
    QByteArray icc;
    Space space;
    int tolerance;
    bool heic;
  } cases[] = {
      {"JPEG Display P3",
       [&](const QString &p, const QByteArray &icc) {
         return WriteJpegPhoto(p, blocks, 95, {0, icc});
       },
       kJpeg, p3, kDisplayP3, 8, false},
      {"JPEG Adobe RGB",
       [&](const QString &p, const QByteArray &icc) {
         return WriteJpegPhoto(p, blocks, 95, {0, icc});
       },
       kJpeg, adobe, kAdobeRgb, 8, false},
      {"PNG Display P3",
       [&](const QString &p, const QByteArray &icc) {
         return WritePngPhoto(p, blocks, {0, icc});
       },
       kPng, p3, kDisplayP3, 2, false},
      {"TIFF Adobe RGB",
       [&](const QString &p, const QByteArray &icc) {
         return WriteTiffPhoto(p, blocks, {0, icc});
       },
       kTiff, adobe, kAdobeRgb, 2, false},
      {"WebP Display P3",
       [&](const QString &p, const QByteArray &icc) {
         return WriteWebp(p, blocks, -1, {0, icc});
       },
       kWebp, p3, kDisplayP3, 2, false},
      {"HEIC Display P3",
       [&](const QString &p, const QByteArray &icc) {
         return WriteHeif(p, blocks, HeifKind::Heic, 90, {0, icc});
       },
       kHeif, p3, kDisplayP3, 16, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    if (c.heic && !CanWriteHeif(HeifKind::Heic)) continue;
    const QString tagged = dir.File(QStringLiteral("tagged.bin"));
    const QString plain = dir.File(QStringLiteral("plain.bin"));
    ASSERT_TRUE(c.write(tagged, c.icc));
    ASSERT_TRUE(c.write(plain, QByteArray()));
    const QImage expected = InSrgb(blocks, c.space);
    // The conversion must be visible at all: the test colours move by more than the
    // tolerance in at least one channel.
    EXPECT_NE(Compare(blocks, expected, c.tolerance + 4), "");
    EXPECT_EQ(Compare(expected, Read(c.read, tagged).image, c.tolerance), "");
    EXPECT_EQ(Compare(blocks, Read(c.read, plain).image, c.tolerance), "");
  }
}

// A photograph large enough that its rows are converted on a second thread while the
// decoder goes on must come out exactly as one pass of the same transform over the decoded
// rows gives: no band skipped, none converted twice, whatever the two threads' timing.
TEST(ColourProfiles, ALargeTaggedJpegIsConvertedExactlyOnceInEveryRow) {
  TempDir dir;
  // 1 600 x 1 100 (above the size that takes the second thread; the height not a whole
  // number of bands), with colours that vary along both directions.
  QImage photo(1600, 1100, QImage::Format_RGB888);
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x)
      photo.setPixel(x, y, qRgb((x * 255) / 1599, (y * 255) / 1099, (x * 7 + y * 3) & 255));
  const QByteArray p3 = IccProfile(RgbSpace::DisplayP3);
  const QString tagged = dir.File(QStringLiteral("tagged.jpg"));
  const QString plain = dir.File(QStringLiteral("plain.jpg"));
  ASSERT_TRUE(WriteJpegPhoto(tagged, photo, 95, {0, p3}));
  ASSERT_TRUE(WriteJpegPhoto(plain, photo, 95, {0, QByteArray()}));

  // The same decoded rows, converted here in one pass.
  QImage expected = Read(kJpeg, plain).image.convertToFormat(QImage::Format_RGB888);
  ASSERT_FALSE(expected.isNull());
  cmsHPROFILE source =
      cmsOpenProfileFromMem(p3.constData(), static_cast<cmsUInt32Number>(p3.size()));
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM t = cmsCreateTransform(source, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  ASSERT_NE(t, nullptr);
  for (int y = 0; y < expected.height(); ++y)
    cmsDoTransform(t, expected.scanLine(y), expected.scanLine(y),
                   static_cast<cmsUInt32Number>(expected.width()));
  cmsDeleteTransform(t);
  cmsCloseProfile(srgb);
  cmsCloseProfile(source);

  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    const DibFacts read = Read(kJpeg, tagged);
    EXPECT_EQ(Compare(expected.convertToFormat(QImage::Format_RGB32), read.image, 0), "");
  }
}
