// The tables that bring a photograph's matrix-shaper profile to sRGB give Little CMS's own
// transform within one level, for every colour of a fine grid; profiles they cannot describe
// are left to Little CMS; colours described by primaries and a curve convert alike.
#include <gtest/gtest.h>

#include <lcms2.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "Photo.h"

namespace {

struct Space {
  std::string name;
  cmsCIExyYTRIPLE primaries;
  double gamma;  // 0: sRGB's curve
};

const Space kSpaces[] = {
    {"DisplayP3", {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}, 0},
    {"AdobeRgb", {{0.640, 0.330, 1}, {0.210, 0.710, 1}, {0.150, 0.060, 1}}, 563.0 / 256},
    {"WideGamutLinear", {{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}}, 1.0},
};

cmsHPROFILE Profile(const Space &s) {
  const cmsCIExyY d65 = {0.3127, 0.3290, 1};
  const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  cmsToneCurve *curve =
      s.gamma > 0 ? cmsBuildGamma(nullptr, s.gamma) : cmsBuildParametricToneCurve(nullptr, 4, srgb);
  cmsToneCurve *curves[3] = {curve, curve, curve};
  cmsHPROFILE p = cmsCreateRGBProfile(&d65, &s.primaries, curves);
  cmsFreeToneCurve(curve);
  return p;
}

// Every colour of a 52-step grid (0, 5, ..., 255 per channel) and every grey, as BGR.
std::vector<uint8_t> GridColours() {
  std::vector<uint8_t> bgr;
  for (int r = 0; r <= 255; r += 5)
    for (int g = 0; g <= 255; g += 5)
      for (int b = 0; b <= 255; b += 5) bgr.insert(bgr.end(), {uint8_t(b), uint8_t(g), uint8_t(r)});
  for (int v = 0; v < 256; ++v) bgr.insert(bgr.end(), {uint8_t(v), uint8_t(v), uint8_t(v)});
  return bgr;
}

class ColourTables : public testing::TestWithParam<Space> {};

TEST_P(ColourTables, AgreeWithLittleCmsWithinOneLevel) {
  cmsHPROFILE source = Profile(GetParam());
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  const std::optional<mx::MatrixShaper> shaper = mx::MatrixShaper::For(source);
  ASSERT_TRUE(shaper.has_value());

  const std::vector<uint8_t> original = GridColours();
  const int count = static_cast<int>(original.size() / 3);
  std::vector<uint8_t> expected = original, got = original;
  cmsHTRANSFORM t = cmsCreateTransform(source, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
  ASSERT_NE(t, nullptr);
  cmsDoTransform(t, expected.data(), expected.data(), static_cast<cmsUInt32Number>(count));
  cmsDeleteTransform(t);
  shaper->Row(got.data(), count, 3);

  int worst = 0, moved = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    const int d = std::abs(int(got[i]) - int(expected[i]));
    if (d > 1)
      ADD_FAILURE() << "colour " << i / 3 << " channel " << i % 3 << ": " << int(got[i])
                    << " instead of " << int(expected[i]);
    worst = std::max(worst, d);
    moved += got[i] != original[i];
  }
  EXPECT_LE(worst, 1);
  EXPECT_GT(moved, count) << "the conversion must change the colours at all";

  // Pixels of four bytes convert their first three alike and keep the fourth.
  std::vector<uint8_t> four;
  for (int i = 0; i < count; ++i)
    four.insert(four.end(), {original[3 * i], original[3 * i + 1], original[3 * i + 2], 0x5A});
  shaper->Row(four.data(), count, 4);
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(four[4 * i], got[3 * i]) << "colour " << i;
    ASSERT_EQ(four[4 * i + 1], got[3 * i + 1]) << "colour " << i;
    ASSERT_EQ(four[4 * i + 2], got[3 * i + 2]) << "colour " << i;
    ASSERT_EQ(four[4 * i + 3], 0x5A) << "colour " << i;
  }
  cmsCloseProfile(srgb);
  cmsCloseProfile(source);
}

INSTANTIATE_TEST_SUITE_P(Spaces, ColourTables, testing::ValuesIn(kSpaces),
                         [](const auto &info) { return info.param.name; });

TEST(ColourTables, ProfilesThatAreNotRgbMatrixShapersAreLeftToLittleCms) {
  EXPECT_FALSE(mx::MatrixShaper::For(nullptr).has_value());
  cmsToneCurve *curve = cmsBuildGamma(nullptr, 2.2);
  cmsHPROFILE grey = cmsCreateGrayProfile(cmsD50_xyY(), curve);
  EXPECT_FALSE(mx::MatrixShaper::For(grey).has_value());
  cmsCloseProfile(grey);
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  EXPECT_FALSE(mx::MatrixShaper::For(lab).has_value());
  cmsCloseProfile(lab);
  cmsFreeToneCurve(curve);
}

}  // namespace

namespace {

// A HEIF picture that declares its colours by primaries and a transfer curve (no profile)
// arrives in sRGB like one carrying the same description as a profile; sRGB's own
// description, and curves the reader does not know, leave the pixels alone.
struct PrimariesCase {
  std::string name;
  mx::Chromaticities chromaticities;
  int transfer;
  bool converted;
};

const mx::Chromaticities kP3 = {0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.3127, 0.3290};
const mx::Chromaticities kSrgb = {0.64, 0.33, 0.30, 0.60, 0.15, 0.06, 0.3127, 0.3290};

const PrimariesCase kPrimaries[] = {
    {"DisplayP3WithTheSrgbCurve", kP3, 13, true},
    {"DisplayP3Linear", kP3, 8, true},
    {"SrgbItselfIsLeftAlone", kSrgb, 13, false},
    {"SrgbWithTheTelevisionCurveIsLeftAlone", kSrgb, 1, false},
    {"AnUnknownCurveIsLeftAlone", kP3, 99, false},
};

class PrimariesToSrgb : public testing::TestWithParam<PrimariesCase> {};

TEST_P(PrimariesToSrgb, ConvertLikeTheSameDescriptionAsAProfile) {
  const PrimariesCase &c = GetParam();
  const std::vector<uint8_t> colours = GridColours();
  const int count = static_cast<int>(colours.size() / 3);
  mx::Dib picture = mx::Dib::Create(count, 1, 24);
  std::copy(colours.begin(), colours.end(), picture.Row(0));
  mx::PrimariesToSrgb(picture, c.chromaticities, c.transfer);
  const std::vector<uint8_t> got(picture.Row(0), picture.Row(0) + colours.size());
  if (!c.converted) {
    EXPECT_EQ(got, colours);
    return;
  }
  const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  cmsToneCurve *curve = c.transfer == 8 ? cmsBuildGamma(nullptr, 1.0)
                                        : cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
  cmsToneCurve *curves[3] = {curve, curve, curve};
  const mx::Chromaticities &p = c.chromaticities;
  const cmsCIExyY white = {p.whiteX, p.whiteY, 1};
  const cmsCIExyYTRIPLE primaries = {
      {p.redX, p.redY, 1}, {p.greenX, p.greenY, 1}, {p.blueX, p.blueY, 1}};
  cmsHPROFILE source = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(curve);
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  std::vector<uint8_t> expected = colours;
  cmsHTRANSFORM t = cmsCreateTransform(source, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
  ASSERT_NE(t, nullptr);
  cmsDoTransform(t, expected.data(), expected.data(), static_cast<cmsUInt32Number>(count));
  cmsDeleteTransform(t);
  cmsCloseProfile(srgb);
  cmsCloseProfile(source);
  int moved = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    // The linear curve is steep near black in sRGB's encoding: two levels there.
    ASSERT_LE(std::abs(int(got[i]) - int(expected[i])), c.transfer == 8 ? 2 : 1)
        << "colour " << i / 3 << " channel " << i % 3;
    moved += got[i] != colours[i];
  }
  EXPECT_GT(moved, count);
}

INSTANTIATE_TEST_SUITE_P(Descriptions, PrimariesToSrgb, testing::ValuesIn(kPrimaries),
                         [](const auto &info) { return info.param.name; });

}  // namespace
