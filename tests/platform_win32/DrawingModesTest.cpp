// Regions, line mixes, stretch modes of shrinking copies, window DCs and message packing.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "RowName.h"
#include "win32/Handles.h"
#include "win32/WinQt.h"

namespace {

const QRgb kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255);

QImage White(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// Every pixel different from its neighbours and from its own inverse.
QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x * 37 % 256, y * 53 % 256, (x * 11 + y * 7) % 256));
  return image;
}

QRgb Inverse(QRgb p) {
  return qRgb(255 - qRed(p), 255 - qGreen(p), 255 - qBlue(p));
}

// The image as rows of characters: '#' black, '.' white, '?' anything else.
std::vector<std::string> Rows(const QImage &image) {
  std::vector<std::string> rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y) | 0xFF000000u;
      row += p == kBlack ? '#' : p == kWhite ? '.' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

// A DC of each kind over one picture: the image itself, a painter on it, or a memory DC
// holding a bitmap made from it (read back with Result).
class TargetDc {
 public:
  enum class Kind { Image, Painter, Memory };
  TargetDc(Kind kind, const QImage &picture) : kind_(kind), image_(picture) {
    switch (kind) {
      case Kind::Image:
        dc_ = CreateDCForImage(&image_);
        break;
      case Kind::Painter:
        painter_ = std::make_unique<QPainter>(&image_);
        dc_ = CreateDCForPainter(painter_.get());
        break;
      case Kind::Memory:
        bitmap_.reset(CreateBitmapFromImage(picture));
        dc_ = CreateCompatibleDC(nullptr);
        previous_ = SelectObject(dc_, bitmap_.get());
        break;
    }
  }
  ~TargetDc() {
    if (previous_) SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  QImage Result() {
    if (kind_ == Kind::Memory) return ImageOfBitmap(bitmap_.get());
    if (painter_) painter_->end();
    return image_;
  }

 private:
  Kind kind_;
  QImage image_;
  std::unique_ptr<QPainter> painter_;
  platform::BitmapHandle bitmap_;
  HGDIOBJ previous_ = nullptr;
  HDC dc_ = nullptr;
};

struct TargetCase {
  const char *name;
  TargetDc::Kind kind;
};
const TargetCase kTargets[] = {
    {"image DC", TargetDc::Kind::Image},
    {"painter DC over an image", TargetDc::Kind::Painter},
    {"memory DC with a bitmap", TargetDc::Kind::Memory},
};

void ExpectPixels(const QImage &actual, const std::function<QRgb(int, int)> &expected) {
  for (int y = 0; y < actual.height(); ++y)
    for (int x = 0; x < actual.width(); ++x)
      ASSERT_EQ(actual.pixel(x, y) | 0xFF000000u, expected(x, y)) << "pixel " << x << "," << y;
}

}  // namespace

// ---- Regions ---------------------------------------------------------------------------

namespace {

struct CombineCase {
  const char *name;
  int mode;
  int kind;
  std::vector<std::string> expected;
};
const CombineCase kCombineCases[] = {
    {"and",
     RGN_AND,
     SIMPLEREGION,
     {"........", "........", "...##...", "...##...", "........", "........", "........"}},
    {"or",
     RGN_OR,
     COMPLEXREGION,
     {"........", ".####...", ".######.", ".######.", "...####.", "...####.", "........"}},
    {"xor",
     RGN_XOR,
     COMPLEXREGION,
     {"........", ".####...", ".##..##.", ".##..##.", "...####.", "...####.", "........"}},
    {"diff",
     RGN_DIFF,
     COMPLEXREGION,
     {"........", ".####...", ".##.....", ".##.....", "........", "........", "........"}},
    {"copy",
     RGN_COPY,
     SIMPLEREGION,
     {"........", ".####...", ".####...", ".####...", "........", "........", "........"}},
};
class RegionsCombine : public testing::TestWithParam<CombineCase> {};

TEST_P(RegionsCombine, GivesTheKindAndFillRgnCoversExactlyItsPixels) {
  const CombineCase &c = GetParam();
  // a: columns 1..4, rows 1..3; b: columns 3..6, rows 2..5.

  SCOPED_TRACE(c.name);
  HRGN a = CreateRectRgn(1, 1, 5, 4);
  HRGN b = CreateRectRgn(7, 6, 3, 2);  // corners given the other way round
  HRGN result = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(result, a, b, c.mode), c.kind);
  QImage image = White(8, 7);
  HDC dc = CreateDCForImage(&image);
  EXPECT_TRUE(FillRgn(dc, result, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  DeleteDC(dc);
  EXPECT_EQ(Rows(image), c.expected);
  for (HRGN r : {a, b, result}) EXPECT_TRUE(DeleteObject(r));
}
INSTANTIATE_TEST_SUITE_P(, RegionsCombine, testing::ValuesIn(kCombineCases), ByRowName());

}  // namespace

TEST(Regions, CombiningIntoOneOfTheSourcesAndEmptyResults) {
  HRGN a = CreateRectRgn(0, 0, 2, 2);
  HRGN b = CreateRectRgn(2, 0, 4, 2);
  EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), SIMPLEREGION) << "two touching squares make one";
  HRGN far = CreateRectRgn(10, 10, 12, 12);
  EXPECT_EQ(CombineRgn(b, a, far, RGN_AND), NULLREGION);
  EXPECT_EQ(CombineRgn(b, b, nullptr, RGN_COPY), NULLREGION) << "a copy needs no second source";
  HRGN empty = CreateRectRgn(3, 3, 3, 9);
  EXPECT_EQ(CombineRgn(b, empty, nullptr, RGN_COPY), NULLREGION) << "no width, no pixels";
  QImage image = White(4, 2);
  HDC dc = CreateDCForImage(&image);
  platform::UniqueHandle<HBRUSH, &DeleteObject> red(CreateSolidBrush(RGB(255, 0, 0)));
  EXPECT_TRUE(FillRgn(dc, a, red.get()));
  EXPECT_TRUE(FillRgn(dc, b, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  EXPECT_TRUE(FillRgn(dc, far, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))));
  DeleteDC(dc);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(image.pixel(x, 1), qRgb(255, 0, 0)) << x;
  for (HRGN r : {a, b, far, empty}) DeleteObject(r);
}

TEST(Regions, StaleOrWrongHandlesFailSafely) {
  HRGN region = CreateRectRgn(0, 0, 4, 4);
  HRGN other = CreateRectRgn(1, 1, 2, 2);
  auto *brush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  QImage image = White(4, 4);
  HDC dc = CreateDCForImage(&image);
  EXPECT_EQ(GetObjectType(region), DWORD(OBJ_REGION));
  EXPECT_EQ(CombineRgn(region, other, region, 99), 0) << "unknown mode";
  EXPECT_EQ(CombineRgn(region, other, nullptr, RGN_OR), 0) << "missing second source";
  EXPECT_EQ(CombineRgn(reinterpret_cast<HRGN>(brush), other, other, RGN_OR), 0)
      << "a brush is no region";
  EXPECT_FALSE(FillRgn(dc, region, reinterpret_cast<HBRUSH>(other))) << "a region is no brush";
  EXPECT_TRUE(DeleteObject(other));
  EXPECT_FALSE(DeleteObject(other));
  EXPECT_EQ(GetObjectType(other), 0u);
  EXPECT_EQ(CombineRgn(region, other, nullptr, RGN_COPY), 0) << "deleted source";
  EXPECT_EQ(CombineRgn(other, region, nullptr, RGN_COPY), 0) << "deleted destination";
  EXPECT_FALSE(FillRgn(dc, other, brush));
  platform::UniqueHandle<HBRUSH, &DeleteObject> gone(CreateSolidBrush(RGB(1, 2, 3)));
  HBRUSH stale = gone.get();
  gone.reset();
  EXPECT_FALSE(FillRgn(dc, region, stale));
  DeleteDC(dc);
  EXPECT_FALSE(FillRgn(dc, region, brush)) << "deleted DC";
  EXPECT_EQ(Rows(image), std::vector<std::string>(4, "....")) << "nothing was drawn";
  DeleteObject(region);
}

// ---- Line mixes ------------------------------------------------------------------------

TEST(LineMixes, SetROP2GivesThePreviousModeAndRefusesUnknownOnes) {
  QImage image = White(2, 2);
  HDC dc = CreateDCForImage(&image);
  EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
  EXPECT_EQ(SetROP2(dc, R2_NOT), R2_COPYPEN);
  EXPECT_EQ(SetROP2(dc, 0), 0);
  EXPECT_EQ(SetROP2(dc, 17), 0);
  EXPECT_EQ(GetROP2(dc), R2_NOT) << "a refused mode changes nothing";
  DeleteDC(dc);
  EXPECT_EQ(GetROP2(dc), 0);
  EXPECT_EQ(SetROP2(dc, R2_NOT), 0);
}

namespace {

struct EndPointCase {
  const char *name;
  int x0, y0, x1, y1;
  std::vector<std::string> expected;
};
const EndPointCase kEndPointCases[] = {
    {"across", 1, 1, 4, 1, {"......", ".###..", "......", "......"}},
    {"leftwards", 4, 2, 1, 2, {"......", "......", "..###.", "......"}},
    {"down", 5, 0, 5, 4, {".....#", ".....#", ".....#", ".....#"}},
    {"diagonal", 0, 0, 3, 3, {"#.....", ".#....", "..#...", "......"}},
    {"gentle slope", 0, 0, 5, 2, {"##....", "..##..", "....#.", "......"}},
    {"a point draws nothing", 2, 2, 2, 2, {"......", "......", "......", "......"}},
    {"far outside the picture",
     -100000000,
     1,
     100000000,
     1,
     {"......", "######", "......", "......"}},
};
class OnePixelLines : public testing::TestWithParam<EndPointCase> {};

TEST_P(OnePixelLines, LeaveOutTheirEndPoint) {
  const EndPointCase &c = GetParam();
  SCOPED_TRACE(c.name);
  QImage image = White(6, 4);
  HDC dc = CreateDCForImage(&image);
  MoveToEx(dc, c.x0, c.y0, nullptr);
  EXPECT_TRUE(LineTo(dc, c.x1, c.y1));
  POINT at{};
  MoveToEx(dc, 0, 0, &at);
  EXPECT_EQ(at.x, c.x1) << "the pen moves to the end point";
  DeleteDC(dc);
  EXPECT_EQ(Rows(image), c.expected);
}
INSTANTIATE_TEST_SUITE_P(, OnePixelLines, testing::ValuesIn(kEndPointCases), ByRowName());

class InvertedClosedPath : public testing::TestWithParam<TargetCase> {};

TEST_P(InvertedClosedPath, ComesBackWhenDrawnAgain) {
  const TargetCase &t = GetParam();
  const QImage picture = Pattern(8, 6);
  // The outline of columns 1..6 and rows 1..4, corners included once.
  const auto onOutline = [](int x, int y) {
    return x >= 1 && x <= 6 && y >= 1 && y <= 4 && (x == 1 || x == 6 || y == 1 || y == 4);
  };

  SCOPED_TRACE(t.name);
  for (int times : {1, 2}) {
    SCOPED_TRACE(times);
    TargetDc target(t.kind, picture);
    EXPECT_EQ(SetROP2(target.dc(), R2_NOT), R2_COPYPEN);
    for (int i = 0; i < times; ++i) {
      MoveToEx(target.dc(), 1, 1, nullptr);
      for (const POINT p : {POINT{6, 1}, POINT{6, 4}, POINT{1, 4}, POINT{1, 1}})
        ASSERT_TRUE(LineTo(target.dc(), p.x, p.y));
    }
    ExpectPixels(target.Result(), [&](int x, int y) {
      const QRgb p = picture.pixel(x, y);
      return times == 1 && onOutline(x, y) ? Inverse(p) : p;
    });
  }
}
INSTANTIATE_TEST_SUITE_P(, InvertedClosedPath, testing::ValuesIn(kTargets), ByRowName());

struct RubberBandCase {
  const char *name;
  int l, t, r, b;
  std::function<bool(int, int)> inverted;
};
const RubberBandCase kRubberBandCases[] = {
    {"a frame", 1, 1, 6, 5,
     [](int x, int y) {
       return x >= 1 && x <= 5 && y >= 1 && y <= 4 && (x == 1 || x == 5 || y == 1 || y == 4);
     }},
    {"one row high", 0, 2, 4, 3, [](int x, int y) { return y == 2 && x <= 3; }},
};
// Every rectangle on every kind of target.
class RubberBandRectangle : public testing::TestWithParam<std::tuple<TargetCase, RubberBandCase>> {
};

TEST_P(RubberBandRectangle, InvertsItsOutlineOnce) {
  const TargetCase &t = std::get<0>(GetParam());
  const RubberBandCase &c = std::get<1>(GetParam());
  const QImage picture = Pattern(7, 6);
  SCOPED_TRACE(std::string(t.name) + ", " + c.name);
  TargetDc target(t.kind, picture);
  SetROP2(target.dc(), R2_NOT);
  SelectObject(target.dc(), GetStockObject(NULL_BRUSH));
  EXPECT_TRUE(Rectangle(target.dc(), c.l, c.t, c.r, c.b));
  ExpectPixels(target.Result(), [&](int x, int y) {
    const QRgb p = picture.pixel(x, y);
    return c.inverted(x, y) ? Inverse(p) : p;
  });
}
INSTANTIATE_TEST_SUITE_P(
    , RubberBandRectangle,
    testing::Combine(testing::ValuesIn(kTargets), testing::ValuesIn(kRubberBandCases)),
    [](const testing::TestParamInfo<std::tuple<TargetCase, RubberBandCase>> &info) {
      return RowName(std::string(std::get<0>(info.param).name) + " " +
                     std::get<1>(info.param).name);
    });

// The colour of the pixels the lines are drawn over.
const QRgb kUnder = qRgb(10, 20, 30);

struct MixCase {
  const char *name;
  int mode;
  QRgb expected;
};
const MixCase kMixCases[] = {
    {"copy", R2_COPYPEN, qRgb(255, 0, 0)},
    {"black", R2_BLACK, kBlack},
    {"white", R2_WHITE, kWhite},
    {"xor", R2_XORPEN, qRgb(255 ^ 10, 20, 30)},
    {"not", R2_NOT, qRgb(245, 235, 225)},
    {"nop", 11, kUnder},
    {"mask: pen and pixel", 9, qRgb(10, 0, 0)},
    {"merge: pen or pixel", 15, qRgb(255, 20, 30)},
};
class LineMixModes : public testing::TestWithParam<MixCase> {};

TEST_P(LineMixModes, MixThePenWithThePixels) {
  const MixCase &c = GetParam();
  platform::UniqueHandle<HPEN, &DeleteObject> red(CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));

  SCOPED_TRACE(c.name);
  QImage image(3, 1, QImage::Format_RGB32);
  image.fill(kUnder);
  HDC dc = CreateDCForImage(&image);
  SelectObject(dc, red.get());
  SetROP2(dc, c.mode);
  MoveToEx(dc, 0, 0, nullptr);
  EXPECT_TRUE(LineTo(dc, 2, 0));
  SelectObject(dc, GetStockObject(BLACK_PEN));
  DeleteDC(dc);
  EXPECT_EQ(image.pixel(0, 0) | 0xFF000000u, c.expected);
  EXPECT_EQ(image.pixel(2, 0) | 0xFF000000u, kUnder) << "the end point";
}
INSTANTIATE_TEST_SUITE_P(, LineMixModes, testing::ValuesIn(kMixCases), ByRowName());

}  // namespace

// ---- Stretch modes ---------------------------------------------------------------------

namespace {

// An 8 x 8 one-bit picture: a one-pixel vertical line in `column`, black on white or
// white on black.
QImage LinePicture(bool blackLine, int column = 1) {
  QImage picture(8, 8, QImage::Format_Mono);
  picture.setColorTable({kBlack, kWhite});
  picture.fill(blackLine ? 1 : 0);
  for (int y = 0; y < 8; ++y) picture.setPixel(column, y, blackLine ? 0 : 1);
  return picture;
}

// The picture as a bottom-up one-bit packed DIB.
std::vector<uint8_t> MonoDib(const QImage &picture) {
  const int rowBytes = 4;
  std::vector<uint8_t> bytes(40 + 8 + size_t(rowBytes * picture.height()), 0);
  auto *info = reinterpret_cast<BITMAPINFO *>(bytes.data());
  info->bmiHeader = {40, picture.width(), picture.height(), 1, 1, BI_RGB, 0, 0, 0, 2, 0};
  info->bmiColors[0] = {0, 0, 0, 0};
  reinterpret_cast<RGBQUAD *>(bytes.data() + 40)[1] = {255, 255, 255, 0};
  for (int y = 0; y < picture.height(); ++y)
    std::memcpy(bytes.data() + 48 + size_t(rowBytes) * size_t(picture.height() - 1 - y),
                picture.constScanLine(y), 1);
  return bytes;
}

// The picture copied into a `width` x `height` image through StretchDIBits or through
// StretchBlt from a memory DC, in the stretch mode given.
QImage Stretched(const QImage &picture, int mode, bool throughDib, int width, int height) {
  QImage target(width, height, QImage::Format_RGB32);
  target.fill(qRgb(1, 2, 3));
  HDC dc = CreateDCForImage(&target);
  EXPECT_EQ(SetStretchBltMode(dc, mode), BLACKONWHITE) << "the mode a DC starts with";
  if (throughDib) {
    std::vector<uint8_t> dib = MonoDib(picture);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, width, height, 0, 0, picture.width(), picture.height(),
                            dib.data() + 48, reinterpret_cast<BITMAPINFO *>(dib.data()),
                            DIB_RGB_COLORS, SRCCOPY),
              picture.height());
  } else {
    platform::BitmapHandle bitmap(CreateBitmapFromImage(picture));
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap.get());
    EXPECT_TRUE(StretchBlt(dc, 0, 0, width, height, memory, 0, 0, picture.width(), picture.height(),
                           SRCCOPY));
    SelectObject(memory, previous);
    DeleteDC(memory);
  }
  DeleteDC(dc);
  return target;
}

}  // namespace

TEST(StretchModes, ShrinkingAOnePixelLine) {
  struct Case {
    const char *name;
    bool blackLine;
    int mode;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"black on white keeps a black line", true, BLACKONWHITE, {"#.", "#."}},
      {"white on black lets the white win", true, WHITEONBLACK, {"..", ".."}},
      {"white on black keeps a white line", false, WHITEONBLACK, {".#", ".#"}},
      {"black on white loses a white line", false, BLACKONWHITE, {"##", "##"}},
  };
  for (const bool throughDib : {true, false}) {
    for (const Case &c : cases) {
      SCOPED_TRACE(std::string(c.name) + (throughDib ? ", StretchDIBits" : ", StretchBlt"));
      EXPECT_EQ(Rows(Stretched(LinePicture(c.blackLine), c.mode, throughDib, 2, 2)), c.expected);
    }
    // Colour on colour picks one column of four: of two neighbouring lines, one is lost.
    SCOPED_TRACE(throughDib ? "StretchDIBits" : "StretchBlt");
    const std::vector<std::string> white = {"..", ".."};
    const bool lost1 =
        Rows(Stretched(LinePicture(true, 1), COLORONCOLOR, throughDib, 2, 2)) == white;
    const bool lost2 =
        Rows(Stretched(LinePicture(true, 2), COLORONCOLOR, throughDib, 2, 2)) == white;
    EXPECT_TRUE(lost1 || lost2);
    EXPECT_EQ(Rows(Stretched(LinePicture(true, 2), BLACKONWHITE, throughDib, 2, 2)),
              (std::vector<std::string>{"#.", "#."}));
  }
}

TEST(StretchModes, GrowingPicksPixelsInEveryMode) {
  QImage picture(4, 1, QImage::Format_Mono);
  picture.setColorTable({kBlack, kWhite});
  picture.fill(1);
  picture.setPixel(0, 0, 0);
  for (const int mode : {BLACKONWHITE, WHITEONBLACK, COLORONCOLOR}) {
    SCOPED_TRACE(mode);
    const std::vector<std::string> grown = {"##......", "##......"};
    EXPECT_EQ(Rows(Stretched(picture, mode, false, 8, 2)), grown);
  }
  // Shrinking across while growing down: columns combine, rows repeat.
  const std::vector<std::string> mixed = {"#.", "#.", "#."};
  EXPECT_EQ(Rows(Stretched(picture, BLACKONWHITE, true, 2, 3)), mixed);
}

TEST(StretchModes, ColourPicturesCombineChannelByChannel) {
  QImage picture(2, 1, QImage::Format_RGB32);
  picture.setPixel(0, 0, qRgb(200, 10, 90));
  picture.setPixel(1, 0, qRgb(20, 250, 90));
  platform::BitmapHandle bitmap(CreateBitmapFromImage(picture));
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, bitmap.get());
  for (const int mode : {BLACKONWHITE, WHITEONBLACK}) {
    QImage target(1, 1, QImage::Format_RGB32);
    HDC dc = CreateDCForImage(&target);
    SetStretchBltMode(dc, mode);
    EXPECT_TRUE(StretchBlt(dc, 0, 0, 1, 1, memory, 0, 0, 2, 1, SRCCOPY));
    DeleteDC(dc);
    EXPECT_EQ(target.pixel(0, 0), mode == BLACKONWHITE ? qRgb(20, 10, 90) : qRgb(200, 250, 90));
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
}

TEST(StretchModes, ALargePictureShrinksInABlink) {
  QImage picture(4000, 3000, QImage::Format_RGB32);
  picture.fill(Qt::white);
  for (int y = 0; y < 3000; ++y) picture.setPixel(1234, y, kBlack);
  platform::BitmapHandle bitmap(CreateBitmapFromImage(picture));
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, bitmap.get());
  QImage target(400, 300, QImage::Format_RGB32);
  HDC dc = CreateDCForImage(&target);
  QElapsedTimer timer;
  timer.start();
  EXPECT_TRUE(StretchBlt(dc, 0, 0, 400, 300, memory, 0, 0, 4000, 3000, SRCCOPY));
  // Generous, for a debug build under the sanitizers on a busy machine; an optimised
  // build takes a few hundredths of a second.
  EXPECT_LT(timer.elapsed(), 20000);
  DeleteDC(dc);
  SelectObject(memory, previous);
  DeleteDC(memory);
  EXPECT_EQ(target.pixel(123, 150), kBlack);
  EXPECT_EQ(target.pixel(124, 150), kWhite);
}

// ---- Window DCs ------------------------------------------------------------------------

namespace {

// A window that shows its surface and counts its paintings, noting the surface's first
// pixel each time.
class SurfaceWindow : public QWidget {
 public:
  explicit SurfaceWindow(const QImage *surface) : surface_(surface) { resize(40, 30); }
  int paints = 0;
  std::vector<QRgb> seen;

 protected:
  void paintEvent(QPaintEvent *) override {
    ++paints;
    seen.push_back(surface_->pixel(0, 0));
    QPainter painter(this);
    painter.drawImage(0, 0, *surface_);
  }

 private:
  const QImage *surface_;
};

void ShowAndSettle(QWidget &window) {
  window.show();
  for (int i = 0; i < 100 && !(window.windowHandle() && window.windowHandle()->isExposed()); ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  QCoreApplication::processEvents();
}

}  // namespace

TEST(WindowDcs, EveryDrawingCallIsShownAtOnce) {
  QImage surface = White(40, 30);
  SurfaceWindow window(&surface);
  ShowAndSettle(window);
  ASSERT_TRUE(window.isVisible());
  HDC dc = CreateDCForWindow(&window, &surface);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 40) << "answers as the image DC does";
  EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_DC));

  int paints = window.paints;
  const RECT corner{0, 0, 5, 5};
  EXPECT_TRUE(FillSolidRect(dc, &corner, RGB(0, 0, 255)));
  EXPECT_EQ(window.paints, paints + 1);
  EXPECT_EQ(window.seen.back(), qRgb(0, 0, 255)) << "the window painted after the drawing";

  struct Step {
    const char *name;
    std::function<BOOL()> draw;
  };
  HDC memory = CreateCompatibleDC(nullptr);
  platform::BitmapHandle block(CreateBitmapFromImage(Pattern(4, 4)));
  HGDIOBJ previous = SelectObject(memory, block.get());
  HRGN region = CreateRectRgn(0, 0, 2, 2);
  const Step steps[] = {
      {"BitBlt", [&] { return BitBlt(dc, 0, 0, 4, 4, memory, 0, 0, SRCCOPY); }},
      {"StretchBlt", [&] { return StretchBlt(dc, 0, 0, 8, 8, memory, 0, 0, 4, 4, SRCCOPY); }},
      {"PatBlt", [&] { return PatBlt(dc, 0, 0, 3, 3, BLACKNESS); }},
      {"FillRgn",
       [&] { return FillRgn(dc, region, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))); }},
      {"Rectangle", [&] { return Rectangle(dc, 0, 0, 4, 4); }},
      {"TextOut", [&] { return TextOut(dc, 0, 0, "x", 1); }},
      {"LineTo", [&] { return MoveToEx(dc, 0, 0, nullptr) && LineTo(dc, 9, 0); }},
  };
  for (const Step &step : steps) {
    SCOPED_TRACE(step.name);
    paints = window.paints;
    EXPECT_TRUE(step.draw());
    EXPECT_EQ(window.paints, paints + 1);
  }
  EXPECT_EQ(surface.pixel(5, 0), kBlack) << "the line reached the surface";
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(region);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(WindowDcs, AfterTheWindowIsGoneTheyStillDrawOnTheSurface) {
  EXPECT_EQ(CreateDCForWindow(nullptr, nullptr), nullptr);
  QImage surface = White(10, 10);
  auto *window = new SurfaceWindow(&surface);
  ShowAndSettle(*window);
  HDC dc = CreateDCForWindow(window, &surface);
  delete window;
  const RECT all{0, 0, 10, 10};
  EXPECT_TRUE(FillSolidRect(dc, &all, RGB(0, 0, 0)));
  EXPECT_TRUE(LineTo(dc, 5, 5));
  EXPECT_EQ(surface.pixel(9, 9), kBlack);
  DeleteDC(dc);
}

// ---- Messages --------------------------------------------------------------------------

TEST(Messages, AMousePositionPacksIntoOneParameterAndBack) {
  struct Case {
    int x, y;
  };
  for (const Case c : {Case{30, 40}, Case{0, 65535}, Case{-2, 5}}) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    const LPARAM l = MAKELPARAM(c.x, c.y);
    EXPECT_EQ(int16_t(LOWORD(l)), int16_t(c.x)) << "x in the low word";
    EXPECT_EQ(HIWORD(l), WORD(c.y)) << "y in the high word";
  }
  EXPECT_EQ(MAKELONG(0xFFFF, 1), 0x1FFFF);
  EXPECT_EQ(HIWORD(0x12345678), 0x1234);
}
