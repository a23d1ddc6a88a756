// Where the image component puts its bitmap for each display mode, from numbers alone.
// Every expected rectangle below is worked out by hand from the sizes in the row: zoomed
// sizes truncate (61.5 -> 61), centring halves what is left over and drops the remainder
// towards zero (-41 / 2 -> -20), and an overflowing picture keeps 12 pixels for the bars.
#include <gtest/gtest.h>

#include <ostream>

#include "ImageViewGeometry.h"

using imagecomp::BitmapPlacement;
using imagecomp::BitmapViewMode;
using imagecomp::BitmapViewState;

QT_BEGIN_NAMESPACE
// Readable failures: "QRect(x, y, w x h)" rather than bytes.
void PrintTo(const QRect &r, std::ostream *os) {
  *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}
void PrintTo(const QPoint &p, std::ostream *os) {
  *os << "(" << p.x() << ", " << p.y() << ")";
}
QT_END_NAMESPACE

namespace {

// Each row is reported under its own name.
struct RowName {
  template <class Row>
  std::string operator()(const testing::TestParamInfo<Row> &info) const {
    return info.param.name;
  }
};

constexpr int kBar = 12;  // the scroll bars' width in the rows that show them

// The settings a row turns on; without any, the picture scrolls at the zoom with bars shown.
enum ViewFlags : unsigned {
  kNone = 0,
  kStretch = 1,      // Stretch
  kFit = 2,          // StretchRatio
  kNoScrolling = 4,  // Scrolling off
  kCentre = 8,       // Center
  kBarsHidden = 16,  // ShowScrollbars off
};

// A 100 x 80 control showing a bitmap of `width` x `height`.
BitmapViewState View(int width, int height, unsigned flags, double zoom = 1.0, int scrollX = 0,
                     int scrollY = 0) {
  return {.controlWidth = 100,
          .controlHeight = 80,
          .bitmapWidth = width,
          .bitmapHeight = height,
          .stretch = (flags & kStretch) != 0,
          .stretchRatio = (flags & kFit) != 0,
          .scrolling = (flags & kNoScrolling) == 0,
          .center = (flags & kCentre) != 0,
          .zoom = zoom,
          .scrollX = scrollX,
          .scrollY = scrollY,
          .barAllowance = (flags & kBarsHidden) != 0 ? 0 : kBar};
}

struct PlacementCase {
  const char *name;
  BitmapViewState view;
  BitmapViewMode mode;
  QRect source, target;
  int allowance;
  QPoint centerOffset;
};

constexpr BitmapViewMode kStretched = BitmapViewMode::Stretched;
constexpr BitmapViewMode kPlain = BitmapViewMode::Plain;
constexpr BitmapViewMode kZoomed = BitmapViewMode::Zoomed;

// Each row: its name and the view, then the mode, source, target, allowance, centre offset.
// clang-format off
const PlacementCase kPlacementCases[] = {
  {"StretchFillsTheControlWhateverZoomAndScroll", View(40, 30, kStretch, 3, 5, 5),
   kStretched, {0, 0, 40, 30}, {0, 0, 100, 80}, 0, {}},
  {"WithoutScrollingThePictureKeepsItsOwnSizeWhateverTheZoom", View(40, 30, kNoScrolling, 2),
   kPlain, {0, 0, 40, 30}, {0, 0, 40, 30}, 0, {}},
  {"APlainPictureCentres", View(40, 30, kNoScrolling | kCentre),
   kPlain, {0, 0, 40, 30}, {30, 25, 40, 30}, 0, {}},
  {"APlainPictureLargerThanTheControlCentresTowardsZero", View(141, 101, kNoScrolling | kCentre),
   kPlain, {0, 0, 141, 101}, {-20, -10, 141, 101}, 0, {}},
  {"AZoomedPictureThatFitsShowsWholeWhateverTheScroll", View(40, 30, kNone, 2, 7, 9),
   kZoomed, {0, 0, 40, 30}, {0, 0, 80, 60}, 0, {}},
  {"AZoomedPictureThatFitsCentres", View(40, 30, kCentre, 2),
   kZoomed, {0, 0, 40, 30}, {10, 10, 80, 60}, 0, {10, 10}},
  {"APictureZoomedToExactlyTheControlStillFits", View(50, 40, kNone, 2),
   kZoomed, {0, 0, 50, 40}, {0, 0, 100, 80}, 0, {}},
  {"OnlyTheHeightOverflowsCentredAcross", View(40, 60, kCentre, 2, 3, 4),
   kZoomed, {3, 4, 40, 34}, {10, 0, 80, 68}, kBar, {10, 0}},
  {"OnePixelTooWideKeepsRoomForTheBars", View(51, 40, kNone, 2),
   kZoomed, {0, 0, 44, 40}, {0, 0, 88, 80}, kBar, {}},
  {"OnlyTheWidthOverflowsCentredDown", View(60, 30, kCentre, 2, 3, 4),
   kZoomed, {3, 4, 44, 30}, {0, 10, 88, 60}, kBar, {0, 10}},
  {"OverflowingBothWaysShowsFromTheScrollAndIgnoresCentring", View(200, 150, kCentre, 1, 30, 20),
   kZoomed, {30, 20, 88, 68}, {0, 0, 88, 68}, kBar, {}},
  {"HiddenBarsLeaveTheWholeControlToThePicture", View(200, 150, kBarsHidden, 1, 30, 20),
   kZoomed, {30, 20, 100, 80}, {0, 0, 100, 80}, 0, {}},
  {"AShrunkPictureStillTooLargeShowsTwiceThePixels", View(300, 200, kNone, 0.5),
   kZoomed, {0, 0, 176, 136}, {0, 0, 88, 68}, kBar, {}},
  {"AFractionalZoomedSizeTruncates", View(41, 31, kCentre, 1.5),
   kZoomed, {0, 0, 41, 31}, {19, 17, 61, 46}, 0, {19, 17}},
  {"APartlyVisiblePicturePixelIsLeftOut", View(50, 50, kNone, 3),
   kZoomed, {0, 0, 29, 22}, {0, 0, 88, 68}, kBar, {}},
  {"AFittedPictureZoomsEvenWithScrollingOff", View(200, 100, kFit | kNoScrolling | kCentre, 0.5),
   kZoomed, {0, 0, 200, 100}, {0, 15, 100, 50}, 0, {0, 15}},
};
// clang-format on

void PrintTo(const PlacementCase &c, std::ostream *os) {
  *os << c.name;
}

class PlaceBitmapTest : public testing::TestWithParam<PlacementCase> {};

TEST_P(PlaceBitmapTest, ShowsThePartOfThePictureThatFitsWhereItBelongs) {
  const PlacementCase &c = GetParam();
  const BitmapPlacement p = imagecomp::PlaceBitmap(c.view);
  EXPECT_EQ(p.mode, c.mode);
  EXPECT_EQ(p.source, c.source);
  EXPECT_EQ(p.target, c.target);
  // The stretched view announces the bitmap's own size; the others, where it was drawn.
  EXPECT_EQ(p.paintArea, c.mode == kStretched ? c.source : c.target);
  EXPECT_EQ(p.allowance, c.allowance);
  EXPECT_EQ(p.centerOffset, c.centerOffset);
}

INSTANTIATE_TEST_SUITE_P(Modes, PlaceBitmapTest, testing::ValuesIn(kPlacementCases), RowName());

struct FitCase {
  const char *name;
  int controlWidth, controlHeight, bitmapWidth, bitmapHeight;
  QRect expected;
};

const FitCase kFitCases[] = {
    {"AWidePictureFillsTheWidthAndCentresDown", 100, 80, 40, 20, QRect(0, 15, 100, 50)},
    {"ATallPictureFillsTheHeightAndCentresAcross", 100, 80, 20, 40, QRect(30, 0, 40, 80)},
    {"APictureOfTheControlsShapeFillsIt", 100, 80, 50, 40, QRect(0, 0, 100, 80)},
    {"ALargePictureShrinks", 100, 80, 400, 100, QRect(0, 27, 100, 25)},
    {"AFractionalHeightTruncates", 100, 80, 64, 10, QRect(0, 32, 100, 15)},  // zoom 1.5625
};

void PrintTo(const FitCase &c, std::ostream *os) {
  *os << c.name;
}

class FittedTargetTest : public testing::TestWithParam<FitCase> {};

TEST_P(FittedTargetTest, KeepsTheProportionsAndCentres) {
  const FitCase &c = GetParam();
  EXPECT_EQ(imagecomp::FittedTarget(c.controlWidth, c.controlHeight, c.bitmapWidth, c.bitmapHeight),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(Shapes, FittedTargetTest, testing::ValuesIn(kFitCases), RowName());

struct BarCase {
  const char *name;
  int pictureSize;
  double zoom;
  int controlSize, barWidth, scroll;
  int maximum, value;
};

void PrintTo(const BarCase &c, std::ostream *os) {
  *os << c.name;
}

// The range is what the zoomed picture has beyond the control, plus the bar's own width.
const BarCase kBarCases[] = {
    {"AtTheStart", 200, 1.0, 100, 12, 0, 112, 0},
    {"ScrolledPartWay", 200, 1.0, 100, 12, 30, 112, 30},
    {"AScrollPastTheEndIsHeldToIt", 200, 1.0, 100, 12, 150, 112, 112},
    {"ZoomedSizesAndPositionsTruncate", 101, 1.5, 100, 12, 11, 63, 16},  // 151.5 - 88, 16.5
    {"AShrunkPictureScrollsInScreenPixels", 300, 0.5, 100, 0, 40, 50, 20},
    {"APictureThatFitsHasNoRangeWhateverTheScroll", 50, 1.0, 100, 12, 20, 0, 0},
};

class ScrollBarForTest : public testing::TestWithParam<BarCase> {};

TEST_P(ScrollBarForTest, RangeAndPosition) {
  const BarCase &c = GetParam();
  const imagecomp::ScrollBarSetting bar =
      imagecomp::ScrollBarFor(c.pictureSize, c.zoom, c.controlSize, c.barWidth, c.scroll);
  EXPECT_EQ(bar.maximum, c.maximum);
  EXPECT_EQ(bar.value, c.value);
}

INSTANTIATE_TEST_SUITE_P(Positions, ScrollBarForTest, testing::ValuesIn(kBarCases), RowName());

}  // namespace
