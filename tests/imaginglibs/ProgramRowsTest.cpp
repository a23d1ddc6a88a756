// Reading into the program's own rows (MX_PROGRAM_ROWS): the five readers that offer it hand
// out 32-bit top-down rows whose fourth byte is 255, with exactly the colours of the same
// file read at 24 bits, whatever the kind of picture (profile, orientation, alpha, palette).
#include <gtest/gtest.h>

#include <QImage>
#include <functional>

#include "Fixtures.h"
#include "PhotoFixtures.h"
#include "RowName.h"
#include "Support.h"
#include "TempDir.h"

namespace {

using ReadFn = int16_t (*)(const char *path, int32_t bits, HGLOBAL *dib);

int16_t ReadJpeg(const char *path, int32_t bits, HGLOBAL *dib) {
  return CRDE(rdjpgfiledib)(path, bits, 1, 0, dib, nullptr, nullptr, nullptr, 0);
}
int16_t ReadTiff(const char *path, int32_t bits, HGLOBAL *dib) {
  return CRDE(readtiffiledib)(path, bits, 0, 1, dib, nullptr, nullptr, 0);
}
template <const char *kEntry>
int16_t ReadShared(const char *path, int32_t bits, HGLOBAL *dib) {
  return Crde().Entry<decltype(rdpngfiledib)>(kEntry)(path, bits, 0, dib, nullptr, nullptr, nullptr,
                                                      0);
}
constexpr char kPng[] = "rdpngfiledib";
constexpr char kWebp[] = "rdwebpfiledib";
constexpr char kHeif[] = "rdheiffiledib";
constexpr char kBmp[] = "rdbmpfiledib";

// A picture with colours everywhere and a half-transparent part for the formats with alpha.
QImage Picture(bool alpha) {
  QImage image = Pattern(70, 45).convertToFormat(QImage::Format_ARGB32);
  if (alpha)
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) image.setPixel(x, y, qRgba(200, 40, 90, 96));
  return image;
}

struct ProgramRowsCase {
  const char *name;
  ReadFn read;
  std::function<bool(const QString &)> write;  // false: the encoder is missing
};

const ProgramRowsCase kCases[] = {
    {"jpeg", ReadJpeg, [](const QString &p) { return WriteJpegPhoto(p, Picture(false), 90); }},
    {"jpeg with a profile", ReadJpeg,
     [](const QString &p) {
       return WriteJpegPhoto(p, Picture(false), 90, {0, IccProfile(RgbSpace::DisplayP3)});
     }},
    {"jpeg turned a quarter", ReadJpeg,
     [](const QString &p) {
       return WriteJpegPhoto(p, Picture(false), 90, {6, {}});
     }},
    {"jpeg mirrored", ReadJpeg,
     [](const QString &p) {
       return WriteJpegPhoto(p, Picture(false), 90, {2, {}});
     }},
    {"grey jpeg, converted", ReadJpeg,
     [](const QString &p) {
       return Picture(false).convertToFormat(QImage::Format_Grayscale8).save(p, "JPEG", 90);
     }},
    {"png", ReadShared<kPng>, [](const QString &p) { return WritePngPhoto(p, Picture(false)); }},
    {"png with a profile", ReadShared<kPng>,
     [](const QString &p) {
       return WritePngPhoto(p, Picture(false), {0, IccProfile(RgbSpace::AdobeRgb)});
     }},
    {"png with alpha", ReadShared<kPng>,
     [](const QString &p) { return Picture(true).save(p, "PNG"); }},
    {"interlaced png", ReadShared<kPng>,
     [](const QString &p) { return WriteInterlacedPng(p, Picture(false)); }},
    {"indexed png, converted", ReadShared<kPng>,
     [](const QString &p) { return WritePalettePng(p, Indexed(40, 30, 16), 4); }},
    {"tiff", ReadTiff, [](const QString &p) { return WriteTiffPhoto(p, Picture(false)); }},
    {"tiff with a profile, turned a quarter", ReadTiff,
     [](const QString &p) {
       return WriteTiffPhoto(p, Picture(false), {6, IccProfile(RgbSpace::AdobeRgb)});
     }},
    {"sixteen-bit tiff, through libtiff's RGBA raster", ReadTiff,
     [](const QString &p) {
       return Picture(false).convertToFormat(QImage::Format_RGBX64).save(p, "TIFF");
     }},
    {"tiff with alpha", ReadTiff, [](const QString &p) { return Picture(true).save(p, "TIFF"); }},
    {"grey tiff, converted", ReadTiff,
     [](const QString &p) {
       return Picture(false).convertToFormat(QImage::Format_Grayscale8).save(p, "TIFF");
     }},
    {"webp", ReadShared<kWebp>, [](const QString &p) { return WriteWebp(p, Picture(false), 80); }},
    {"webp with alpha", ReadShared<kWebp>,
     [](const QString &p) { return WriteWebp(p, Picture(true), -1); }},
    {"webp animation", ReadShared<kWebp>,
     [](const QString &p) { return WriteWebp(p, Picture(false), 80, {}, 2); }},
    {"heic", ReadShared<kHeif>,
     [](const QString &p) {
       return CanWriteHeif(HeifKind::Heic) && WriteHeif(p, Picture(false), HeifKind::Heic, 60,
                                                        {0, IccProfile(RgbSpace::DisplayP3)});
     }},
};

class ProgramRows : public testing::TestWithParam<ProgramRowsCase> {};

TEST_P(ProgramRows, AreTopDownOpaqueAndHoldTheColoursOfTheTwentyFourBitRead) {
  const ProgramRowsCase &c = GetParam();
  TempDir dir;
  const QString path = dir.File(QStringLiteral("picture"));
  if (!c.write(path)) GTEST_SKIP() << "no encoder for " << c.name;
  const QByteArray p = Path(path);
  HGLOBAL old = nullptr, rows = nullptr;
  ASSERT_GT(c.read(p.constData(), 24, &old), 0);
  ASSERT_GT(c.read(p.constData(), MX_PROGRAM_ROWS, &rows), 0);
  EXPECT_EQ(ProgramRowsProblem(old, rows), "");
}
INSTANTIATE_TEST_SUITE_P(, ProgramRows, testing::ValuesIn(kCases), ByRowName());

TEST(ProgramRowsElsewhere, AReaderWithoutThemRefusesTheDepth) {
  TempDir dir;
  const QString path = dir.Write(QStringLiteral("a.bmp"), BmpBytes(Pattern(8, 8), 24));
  HGLOBAL dib = nullptr;
  EXPECT_EQ(ReadShared<kBmp>(Path(path).constData(), MX_PROGRAM_ROWS, &dib), MX_ERR_BAD_DEPTH);
  EXPECT_EQ(dib, nullptr);
}

}  // namespace
