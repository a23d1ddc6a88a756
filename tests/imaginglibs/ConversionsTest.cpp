// Depth conversions of CRDE2000.DLL, the DIB-to-bitmap entry, and ISP2000.DLL's colour
// reduction.
#include <gtest/gtest.h>

#include <set>

#include "Fixtures.h"
#include "RowName.h"
#include "Support.h"

namespace {

QImage Rgb(const QImage &image) {
  return image.convertToFormat(QImage::Format_RGB32);
}

int Distinct(const QImage &image) {
  std::set<QRgb> colors;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colors.insert(image.pixel(x, y));
  return static_cast<int>(colors.size());
}

struct Raise {
  const char *entry;
  int from, to;
};

const Raise kRaises[] = {{"DIB1to4", 1, 4}, {"DIB1To8", 1, 8},   {"DIB1To24", 1, 24},
                         {"DIB4To8", 4, 8}, {"DIB4To24", 4, 24}, {"DIB8To24", 8, 24}};

class Raising : public testing::TestWithParam<Raise> {};

TEST_P(Raising, KeepsEveryColour) {
  const Raise &c = GetParam();
  SCOPED_TRACE(c.entry);
  const QImage source = Indexed(23, 11, 1 << std::min(c.from, 8));
  HGLOBAL in = MakeDib(source, c.from);
  auto convert = Crde().Entry<HGLOBAL(HGLOBAL)>(c.entry);
  ASSERT_NE(convert, nullptr);
  HGLOBAL out = convert(in);
  ASSERT_NE(out, nullptr);
  DibFacts f = TakeDib(out);
  EXPECT_EQ(f.bits, c.to);
  EXPECT_EQ(Compare(Rgb(source), f.image), "");
  // The input is kept, and a block of another depth is refused.
  EXPECT_EQ(ReadDib(in).bits, c.from);
  HGLOBAL wrong = MakeDib(Pattern(4, 4), 24);
  EXPECT_EQ(convert(wrong), nullptr);
  GlobalFree(wrong);
  GlobalFree(in);
}
INSTANTIATE_TEST_SUITE_P(, Raising, testing::ValuesIn(kRaises),
                         [](const testing::TestParamInfo<Raise> &info) {
                           return RowName(info.param.entry);
                         });

TEST(Conversions, RaisingNothingGivesNothing) {
  EXPECT_EQ(CRDE(DIB8To24)(nullptr), nullptr);
}

TEST(Conversions, SixteenAndThirtyTwoBitsBecomeTwentyFour) {
  const QImage pattern = Pattern(19, 7);
  HGLOBAL in32 = MakeDib(pattern, 32);
  HGLOBAL out = CRDE(DIB32To24)(in32);
  DibFacts f = TakeDib(out);
  EXPECT_EQ(f.bits, 24);
  EXPECT_EQ(Compare(Rgb(pattern), f.image), "");
  GlobalFree(in32);
  // 5 bits a channel, shifted up as the GDI does: 31 becomes 248.
  QImage two(2, 1, QImage::Format_RGB32);
  two.setPixel(0, 0, qRgb(255, 0, 128));
  two.setPixel(1, 0, qRgb(0, 255, 0));
  HGLOBAL in16 = MakeDib(two, 16);
  DibFacts g = TakeDib(CRDE(DIB16To24)(in16));
  EXPECT_EQ(g.image.pixel(0, 0), qRgb(248, 0, 128));
  EXPECT_EQ(g.image.pixel(1, 0), qRgb(0, 248, 0));
  GlobalFree(in16);
}

TEST(Conversions, DibToBitmapAndPalette) {
  const QImage source = Indexed(21, 9, 200);
  HGLOBAL in = MakeDib(source, 8);
  const void *locked = GlobalLock(in);
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  CRDE(DibtoDdb)(locked, &bitmap, &palette);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 256u);
  EXPECT_EQ(Compare(Rgb(source), Rgb(ImageOfBitmap(bitmap))), "");
  DeleteObject(bitmap);
  DeleteObject(palette);
  GlobalUnlock(in);
  GlobalFree(in);

  HGLOBAL rgb = MakeDib(Pattern(8, 8), 24);
  CRDE(DibtoDdb)(GlobalLock(rgb), &bitmap, &palette);
  EXPECT_NE(bitmap, nullptr);
  EXPECT_EQ(palette, nullptr);  // no colour table, no palette
  DeleteObject(bitmap);
  GlobalUnlock(rgb);
  GlobalFree(rgb);

  CRDE(DibtoDdb)(nullptr, &bitmap, &palette);
  EXPECT_EQ(bitmap, nullptr);
}

TEST(Conversions, RunLengthDibToBitmap) {
  // A 4 x 2 picture, 8 bits, coded: bottom row 4 x index 1, top row 2 x 2 then 2 x 3.
  const uint8_t rle[] = {4, 1, 0, 0, 2, 2, 2, 3, 0, 1};
  std::vector<uint8_t> block(40 + 4 * 4 + sizeof rle);
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = 4;
  h.biHeight = 2;
  h.biPlanes = 1;
  h.biBitCount = 8;
  h.biCompression = BI_RLE8;
  h.biSizeImage = sizeof rle;
  h.biClrUsed = 4;
  std::memcpy(block.data(), &h, 40);
  const RGBQUAD colors[4] = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
  std::memcpy(block.data() + 40, colors, sizeof colors);
  std::memcpy(block.data() + 56, rle, sizeof rle);
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  CRDE(DibtoDdb)(block.data(), &bitmap, &palette);
  ASSERT_NE(bitmap, nullptr);
  const QImage image = Rgb(ImageOfBitmap(bitmap));
  EXPECT_EQ(image.pixel(0, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(3, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1, 0), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 255));
  DeleteObject(bitmap);
  if (palette) DeleteObject(palette);
}

TEST(Reduce, AdaptivePaletteForEightBits) {
  const QImage pattern = Pattern(64, 64);
  HGLOBAL in = MakeDib(pattern, 24);
  for (uint16_t dither : {0, 1}) {
    SCOPED_TRACE(dither);
    HGLOBAL out = ISP(ReduceDib)(in, 8, dither, 0, 0, 0, nullptr, nullptr);
    ASSERT_NE(out, nullptr);
    DibFacts f = TakeDib(out);
    EXPECT_EQ(f.bits, 8);
    EXPECT_LE(Distinct(f.image), 256);
    double error = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const QRgb a = pattern.pixel(x, y), b = f.image.pixel(x, y);
        error += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                 std::abs(qBlue(a) - qBlue(b));
      }
    // The pattern's xor noise is hard on any 256 colours; dithering adds its own noise.
    EXPECT_LT(error / (3 * 64 * 64), 10.0);
  }
  GlobalFree(in);
}

TEST(Reduce, FewColoursStayExact) {
  const QImage source = Indexed(30, 20, 12);
  HGLOBAL in = MakeDib(source, 24);
  for (int bits : {4, 8}) {
    DibFacts f = TakeDib(ISP(ReduceDib)(in, bits, 1, 0, 0, 0, nullptr, nullptr));
    EXPECT_EQ(f.bits, bits);
    EXPECT_EQ(Compare(Rgb(source), f.image), "");
  }
  GlobalFree(in);
}

TEST(Reduce, SixteenColoursAndBlackAndWhite) {
  const QImage ramp = GreyRamp(256, 8);
  HGLOBAL in = MakeDib(ramp.convertToFormat(QImage::Format_RGB32), 24);
  DibFacts four = TakeDib(ISP(ReduceDib)(in, 4, 0, 0, 0, 0, nullptr, nullptr));
  EXPECT_EQ(four.bits, 4);
  EXPECT_EQ(four.colors, 16);
  // Without dithering a grey ramp falls on the four greys of the standard colours.
  std::set<QRgb> used;
  for (int x = 0; x < 256; ++x) used.insert(four.image.pixel(x, 0));
  EXPECT_EQ(used, (std::set<QRgb>{qRgb(0, 0, 0), qRgb(128, 128, 128), qRgb(192, 192, 192),
                                  qRgb(255, 255, 255)}));

  DibFacts plain = TakeDib(ISP(ReduceDib)(in, 1, 0, 0, 0, 0, nullptr, nullptr));
  EXPECT_EQ(plain.bits, 1);
  EXPECT_EQ(plain.image.pixel(100, 0), qRgb(0, 0, 0));
  EXPECT_EQ(plain.image.pixel(200, 0), qRgb(255, 255, 255));
  // Error diffusion keeps the mean: about half the pixels of mid grey are white.
  QImage mid(64, 64, QImage::Format_RGB32);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const int v = 127 + (x + y) % 3;  // three greys, so no exact two-colour table exists
      mid.setPixel(x, y, qRgb(v, v, v));
    }
  HGLOBAL grey = MakeDib(mid, 24);
  DibFacts dithered = TakeDib(ISP(ReduceDib)(grey, 1, 1, 0, 0, 0, nullptr, nullptr));
  int white = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) white += dithered.image.pixel(x, y) == qRgb(255, 255, 255);
  EXPECT_NEAR(white, 64 * 64 / 2, 64 * 64 / 20);
  GlobalFree(grey);
  GlobalFree(in);
}

int16_t StopAtOnce(int16_t, void *) {
  return 0;
}

TEST(Reduce, Failures) {
  HGLOBAL in = MakeDib(Pattern(16, 16), 24);
  EXPECT_EQ(ISP(ReduceDib)(in, 24, 0, 0, 0, 0, nullptr, nullptr), nullptr);
  EXPECT_EQ(ISP(ReduceDib)(in, 8, 0, 0, 0, 0, nullptr, StopAtOnce), nullptr);
  EXPECT_EQ(ISP(ReduceDib)(nullptr, 8, 0, 0, 0, 0, nullptr, nullptr), nullptr);
  const size_t live = GlobalLiveBlocks();
  HGLOBAL out = ISP(ReduceDib)(in, 8, 0, 0, 0, 0, nullptr, StopAtOnce);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(GlobalLiveBlocks(), live);  // a stopped reduction leaves no block behind
  GlobalFree(in);
}

}  // namespace
