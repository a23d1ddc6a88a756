// How the image component shows its picture and answers the mouse and the keyboard:
// the rectangles and scroll bar ranges of each display mode, checked on the pixels the
// control paints, the grab hand, the proportional rubber band and the clipboard keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include "Gradient.h"
#include "ImageView.h"
#include "RowName.h"
#include "TempDir.h"
#include "ui/Cursors.h"
#include "win32/WinQt.h"

using imagecomp::TImageView;

namespace {

QImage Painted(TImageView &view) {
  return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A view as the forms set it up: sized, then loaded, then given its picture.
struct View {
  explicit View(int w, int h, const QImage &picture = Gradient(200, 100)) {
    view.resize(w, h);
    view.Loaded();
    view.SetColor(QColor(10, 20, 30));
    if (!picture.isNull()) view.SetPictureImage(picture);
    view.OnPaintArea = [this](TImageView *, int x, int y, int xx, int yy) {
      area = QRect(x, y, xx, yy);
    };
  }
  QImage Paint() { return Painted(view); }
  TImageView view;
  QRect area;
};

const QRgb kBackground = qRgb(10, 20, 30);

void Mouse(QWidget &w, QEvent::Type type, Qt::MouseButton button, QPoint at,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
  QMouseEvent event(type, at, w.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button,
                    held, modifiers);
  QApplication::sendEvent(&w, &event);
}

}  // namespace

// ---- Display -----------------------------------------------------------------------------

TEST(ImageViewDisplay, AWideBitmapScrollsSidewaysWithBothBarsShown) {
  View v(105, 105);
  const QImage painted = v.Paint();
  // Only the width overflows: source (ScrollX, ScrollY, 93, 100) onto (0, 0, 93, 100).
  EXPECT_EQ(v.area, QRect(0, 0, 93, 100));
  for (QPoint p : {QPoint(0, 0), QPoint(92, 0), QPoint(50, 60), QPoint(92, 92)})
    EXPECT_EQ(painted.pixel(p), qRgb(p.x(), p.y(), 77)) << p.x() << "," << p.y();
  EXPECT_TRUE(v.view.HorzBar->isVisibleTo(&v.view));
  EXPECT_TRUE(v.view.VertBar->isVisibleTo(&v.view));
  EXPECT_EQ(v.view.HorzBar->maximum(), 107);
  EXPECT_EQ(v.view.VertBar->maximum(), 7);
  EXPECT_EQ(v.view.VertBar->geometry(), QRect(93, 1, 12, 92));
  EXPECT_EQ(v.view.HorzBar->geometry(), QRect(1, 93, 92, 12));
  EXPECT_EQ(v.view.CornerPanel->geometry(), QRect(93, 93, 12, 12));

  // Moving the bar scrolls by picture pixels.
  v.view.HorzBar->setValue(60);
  EXPECT_EQ(v.view.ScrollX(), 60);
  EXPECT_EQ(v.Paint().pixel(0, 10), qRgb(60, 10, 77));
}

TEST(ImageViewDisplay, APictureReadFromAFilePaintsLikeOneGivenInMemory) {
  // The readers hand over rows stored bottom-up, which painting reads where they lie; the
  // pixels shown must be those of the same picture held as a plain bitmap.
  TempDir dir;
  const QString file = dir.File(QStringLiteral("gradient.png"));
  ASSERT_TRUE(Gradient(200, 100).save(file));
  View read(105, 105, QImage());
  read.view.SetImageReadRes(imagecomp::lColorTrue);
  read.view.SetImageName(file);
  ASSERT_EQ(read.view.Picture().ToImage().convertToFormat(QImage::Format_RGB32),
            Gradient(200, 100));
  View given(105, 105);
  // Unscaled views match exactly. Scaled ones may pick, where a target pixel lies exactly
  // between two source pixels, the other one of the two: one step in x or y at most.
  const auto sameView = [&](const char *what, int tolerance = 0) {
    const QImage a = read.Paint(), b = given.Paint();
    EXPECT_EQ(read.area, given.area) << what;
    int differing = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) {
        const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
        if (std::abs(qRed(p) - qRed(q)) > tolerance ||
            std::abs(qGreen(p) - qGreen(q)) > tolerance || qBlue(p) != qBlue(q))
          if (differing++ == 0) first = QPoint(x, y);
      }
    EXPECT_EQ(differing, 0) << what << ", first at " << first.x() << "," << first.y() << ": "
                            << std::hex << a.pixel(first) << " instead of " << b.pixel(first);
  };
  sameView("zoom 1");
  read.view.HorzBar->setValue(60);
  read.view.VertBar->setValue(5);
  given.view.HorzBar->setValue(60);
  given.view.VertBar->setValue(5);
  sameView("scrolled");
  EXPECT_EQ(read.Paint().pixel(0, 0), qRgb(60, 5, 77));
  for (View *v : {&read, &given}) v->view.SetStretchRatio(true);
  sameView("fitted", 1);
  for (View *v : {&read, &given}) v->view.SetStretch(true);
  sameView("stretched", 1);
}

TEST(ImageViewDisplay, StretchRatioFitsTheWholePictureAndCentres) {
  View v(105, 105);
  v.view.SetStretchRatio(true);
  EXPECT_DOUBLE_EQ(v.view.ZoomFactor(), 0.525);
  v.Paint();
  EXPECT_EQ(v.area, QRect(0, 0, 105, 52));
  EXPECT_FALSE(v.view.HorzBar->isVisibleTo(&v.view));

  v.view.SetCenter(true);
  const QImage painted = v.Paint();
  EXPECT_EQ(v.area, QRect(0, 26, 105, 52));
  EXPECT_EQ(v.view.CenterOffsetY(), 26);
  EXPECT_EQ(painted.pixel(50, 10), kBackground) << "above the picture";
  EXPECT_EQ(painted.pixel(50, 100), kBackground) << "below the picture";
  EXPECT_EQ(painted.pixel(0, 26), qRgb(0, 0, 77));
}

TEST(ImageViewDisplay, SwitchingStretchRatioOffRestoresTheView) {
  View v(105, 105);
  v.view.SetZoomFactor(2.0);
  v.view.HorzBar->setValue(80);
  ASSERT_EQ(v.view.ScrollX(), 40);
  v.view.SetStretchRatio(true);
  EXPECT_EQ(v.view.ScrollX(), 0);
  EXPECT_DOUBLE_EQ(v.view.ZoomFactor(), 0.525);
  v.view.SetStretchRatio(false);
  EXPECT_EQ(v.view.ScrollX(), 40);
  EXPECT_DOUBLE_EQ(v.view.ZoomFactor(), 2.0);
}

TEST(ImageViewDisplay, StretchAndStretchRatioAreNeverBothOn) {
  const std::vector<std::vector<std::pair<bool, bool>>> sequences = {
      // (which setter: false Stretch / true StretchRatio, value)
      {{false, true}, {true, true}},
      {{true, true}, {false, true}},
      {{false, true}, {true, true}, {false, true}},
      {{true, true}, {true, false}, {false, true}, {true, true}},
  };
  for (const auto &sequence : sequences) {
    View v(105, 105);
    for (const auto &[ratio, value] : sequence) {
      if (ratio)
        v.view.SetStretchRatio(value);
      else
        v.view.SetStretch(value);
      EXPECT_FALSE(v.view.Stretch() && v.view.StretchRatio());
    }
    const auto &[lastRatio, lastValue] = sequence.back();
    EXPECT_EQ(lastRatio ? v.view.StretchRatio() : v.view.Stretch(), lastValue);
  }
}

TEST(ImageViewDisplay, StretchFillsTheControlAndReportsThePictureSize) {
  View v(50, 40);
  v.view.SetStretch(true);
  const QImage painted = v.Paint();
  EXPECT_EQ(v.area, QRect(0, 0, 200, 100));
  // Each control pixel shows one picture pixel of the 4 x 2.5 block it covers.
  EXPECT_LT(qRed(painted.pixel(0, 0)), 4);
  EXPECT_LT(qGreen(painted.pixel(0, 0)), 3);
  EXPECT_GE(qRed(painted.pixel(49, 39)), 196) << "the last pixel comes from the far corner";
  EXPECT_GE(qGreen(painted.pixel(49, 39)), 97);
  EXPECT_FALSE(v.view.HorzBar->isVisibleTo(&v.view));
}

TEST(ImageViewDisplay, APlainPictureIsDrawnUnscaledAndCentredWithTheRestFilled) {
  View v(105, 105, Gradient(20, 10));
  v.view.SetScrolling(false);
  v.view.SetCenter(true);
  const QImage painted = v.Paint();
  EXPECT_EQ(v.area, QRect(42, 47, 20, 10));
  EXPECT_EQ(painted.pixel(42, 47), qRgb(0, 0, 77));
  EXPECT_EQ(painted.pixel(61, 56), qRgb(19, 9, 77));
  EXPECT_EQ(painted.pixel(41, 47), kBackground);
  EXPECT_EQ(painted.pixel(62, 56), kBackground);
  EXPECT_EQ(painted.pixel(104, 104), kBackground);
}

TEST(ImageViewDisplay, TilingRepeatsTheBitmapOverTheControl) {
  View v(45, 33, Gradient(10, 7));
  v.view.SetTileWindow(true);
  const QImage painted = v.Paint();
  for (int y = 0; y < 33; y += 5)
    for (int x = 0; x < 45; x += 3) ASSERT_EQ(painted.pixel(x, y), qRgb(x % 10, y % 7, 77));
}

TEST(ImageViewDisplay, ZoomedPicturesOverflowingBothWaysUseTheScrollBarAllowance) {
  View v(105, 105, Gradient(200, 200));
  v.view.SetZoomFactor(2.0);
  v.Paint();
  EXPECT_EQ(v.area, QRect(0, 0, 93, 93));
  EXPECT_EQ(v.view.HorzBar->maximum(), 400 - 105 + 12);

  // Without the bars the whole control shows the picture, and nothing is reserved.
  v.view.SetShowScrollbars(false);
  v.Paint();
  EXPECT_EQ(v.area, QRect(0, 0, 105, 105));
  EXPECT_FALSE(v.view.HorzBar->isVisibleTo(&v.view));
}

TEST(ImageViewDisplay, HidingTheBarsPullsAViewScrolledToTheEndBackIntoThePicture) {
  View v(105, 105);
  v.Paint();
  v.view.HorzBar->setValue(107);  // the far right, with the bar's allowance
  ASSERT_EQ(v.view.ScrollX(), 107);
  v.view.SetShowScrollbars(false);
  // 105 - (200 - 107) = 12 columns would show past the edge: the view moves back by 13.
  EXPECT_EQ(v.view.ScrollX(), 94);
}

TEST(ImageViewDisplay, AOneBitPictureDarkModeKeepsThinBlackLinesWhenShrunk) {
  // One black column in white, shrunk four times: the dark mode keeps it, the light
  // mode lets white win.
  QImage mono(16, 16, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mono.fill(1);
  for (int y = 0; y < 16; ++y) mono.setPixel(5, y, 0);
  for (const auto &[mode, black] :
       {std::pair{imagecomp::sDark, true}, std::pair{imagecomp::sLightest, false}}) {
    View v(4, 4, mono);
    v.view.InfoBitsPerPixel = 1;
    v.view.SetStretch(true);
    v.view.SetBlitMode(mode);
    const QImage painted = v.Paint();
    EXPECT_EQ(painted.pixel(1, 2) == qRgb(0, 0, 0), black) << mode;
    EXPECT_EQ(painted.pixel(3, 2), qRgb(255, 255, 255));
  }
}

TEST(ImageViewDisplay, ShowScrollbarsKeepsItsValueOnAMetafile) {
  TempDir dir;
  // The smallest placeable metafile: a 100 x 100 frame at 1440 units per inch, no records.
  QByteArray wmf;
  const auto put16 = [&](int v) {
    wmf.append(char(v & 0xff));
    wmf.append(char((v >> 8) & 0xff));
  };
  for (int v : {0xCDD7, 0x9AC6, 0, 0, 0, 100, 100, 1440, 0, 0, 0}) put16(v);
  for (int v : {1, 9, 0x0300, 12, 0, 0, 3, 0, 0, 3, 0, 0}) put16(v);
  TImageView view;
  view.SetImageName(dir.Write(QStringLiteral("frame.wmf"), wmf));
  ASSERT_TRUE(view.Picture().IsMetafile());
  view.SetShowScrollbars(false);
  EXPECT_TRUE(view.ShowScrollbars());
}

TEST(ImageViewDisplay, TheTextOverlayIsWrittenOverThePictureWithItsShadow) {
  View v(120, 60, Gradient(120, 60));
  v.view.SetScrolling(false);
  QFont font = v.view.font();
  font.setPixelSize(30);
  font.setBold(true);
  v.view.setFont(font);
  v.view.SetText(QStringLiteral("MM"));
  v.view.SetTextLeft(5);
  v.view.SetTextTop(5);
  v.view.TextShadowColor = QColor(255, 0, 255);
  v.view.SetTextShadow(true);
  const QImage painted = v.Paint();
  int shadow = 0, changed = 0;
  const QImage plain = Gradient(120, 60);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 120; ++x) {
      if (painted.pixel(x, y) == qRgb(255, 0, 255)) ++shadow;
      if (painted.pixel(x, y) != plain.pixel(x, y)) ++changed;
    }
  EXPECT_GT(shadow, 10) << "the shadow shows beside the text";
  EXPECT_GT(changed, shadow) << "the text itself is drawn too";
  EXPECT_EQ(painted.pixel(110, 55), plain.pixel(110, 55)) << "nothing beyond the text";
}

TEST(ImageViewDisplay, ATextTurnedNinetyDegreesIsWrittenUpwards) {
  // From (20, 90), turned a quarter counter-clockwise: the text rises above its start and
  // stays in a narrow column beside it.
  View v(120, 100, Gradient(120, 100));
  v.view.SetScrolling(false);
  QFont font = v.view.font();
  font.setPixelSize(16);
  v.view.setFont(font);
  v.view.SetText(QStringLiteral("MMMMMM"));
  v.view.SetTextLeft(20);
  v.view.SetTextTop(90);
  v.view.SetTextRotate(90);
  const QImage painted = v.Paint();
  const QImage plain = Gradient(120, 100);
  QRect changed;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 120; ++x)
      if (painted.pixel(x, y) != plain.pixel(x, y)) changed |= QRect(x, y, 1, 1);
  ASSERT_FALSE(changed.isEmpty());
  EXPECT_LT(changed.top(), 50) << "the text goes up";
  EXPECT_LE(changed.bottom(), 91);
  EXPECT_GE(changed.left(), 20);
  EXPECT_LT(changed.width(), 24) << "one line high, laid on its side";
}

TEST(ImageViewDisplay, AutoSizeGivesTheControlThePictureSize) {
  TImageView view;
  view.SetAutoSize(true);
  view.SetPictureImage(Gradient(37, 21));
  EXPECT_EQ(view.size(), QSize(37, 21));
  int changes = 0;
  view.OnPictureChanged = [&](TImageView *sender) {
    EXPECT_EQ(sender, &view);
    ++changes;
  };
  view.SetPictureImage(Gradient(12, 8));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(view.size(), QSize(12, 8));
}

// ---- Mouse ---------------------------------------------------------------------------------

namespace {
struct Band {
  int x = -1, y = -1, xx = -1, yy = -1, events = 0;
};
Band DragBand(TImageView &view, Qt::MouseButton button, QPoint from, QPoint to) {
  Band band;
  view.OnRubberband = [&](TImageView *, imagecomp::TMouseButton, imagecomp::TShiftState, int x,
                          int y, int xx, int yy) {
    band = {x, y, xx, yy, band.events + 1};
  };
  Mouse(view, QEvent::MouseButtonPress, button, from);
  Mouse(view, QEvent::MouseMove, button, to);
  Mouse(view, QEvent::MouseButtonRelease, button, to + QPoint(7, 7));
  return band;
}
}  // namespace

TEST(ImageViewMouse, TheRubberBandKeepsTheControlsProportions) {
  View v(200, 100);
  v.view.SetAllowRubberBand(true);
  const Band band = DragBand(v.view, Qt::LeftButton, {10, 10}, {110, 10});
  EXPECT_EQ(band.events, 1);
  // d = 100, g = 0.5: h = 89.44, v = 44.72, truncated after adding to the start.
  EXPECT_EQ(QRect(QPoint(band.x, band.y), QPoint(band.xx, band.yy)),
            QRect(QPoint(10, 10), QPoint(99, 54)));
  EXPECT_FALSE(v.view.BandActive());
}

namespace {

struct BandDragCase {
  const char *name;
  QPoint to;
  int signX, signY;
};
const BandDragCase kBandDragCases[] = {
    {"straight up: left and up", {100, 10}, -1, -1},
    {"straight left: left and down", {60, 50}, -1, +1},
    {"straight right: right and down", {140, 50}, +1, +1},
    {"straight down: right and down", {100, 90}, +1, +1},
    {"right and up", {140, 10}, +1, -1},
};
class ImageViewBandDrag : public testing::TestWithParam<BandDragCase> {};

TEST_P(ImageViewBandDrag, FollowsTheDrag) {
  const BandDragCase &c = GetParam();
  View v(200, 100);
  v.view.SetAllowRubberBand(true);
  const Band band = DragBand(v.view, Qt::LeftButton, {100, 50}, c.to);
  EXPECT_EQ((band.xx > 100) - (band.xx < 100), c.signX) << c.to.x() << "," << c.to.y();
  EXPECT_EQ((band.yy > 50) - (band.yy < 50), c.signY) << c.to.x() << "," << c.to.y();
}
INSTANTIATE_TEST_SUITE_P(, ImageViewBandDrag, testing::ValuesIn(kBandDragCases), ByRowName());

}  // namespace

TEST(ImageViewMouse, OnlyTheChosenButtonDrawsABand) {
  View v(200, 100);
  v.view.SetAllowRubberBand(true);
  v.view.SetRubberBandBtn(imagecomp::mbRight);
  EXPECT_EQ(DragBand(v.view, Qt::LeftButton, {10, 10}, {50, 50}).events, 0);
  EXPECT_EQ(DragBand(v.view, Qt::RightButton, {10, 10}, {50, 50}).events, 1);
  v.view.SetRubberBandBtn(imagecomp::mbMiddle);
  for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
    EXPECT_EQ(DragBand(v.view, button, {10, 10}, {50, 50}).events, 0);
}

namespace {

struct GrabHandCase {
  double zoom;
  int pictureSide, expectedStep;
};
const GrabHandCase kGrabHandCases[] = {{2.0, 200, 1}, {0.5, 800, 2}, {1.0, 400, 1}};
class ImageViewGrabHand : public testing::TestWithParam<GrabHandCase> {};

TEST_P(ImageViewGrabHand, MovesThePictureByWholePicturePixels) {
  const GrabHandCase &c = GetParam();
  View v(105, 105, Gradient(c.pictureSide, c.pictureSide));
  v.view.SetZoomFactor(c.zoom);
  v.view.HorzBar->setValue(int(40 * c.zoom));
  v.view.VertBar->setValue(int(40 * c.zoom));
  ASSERT_EQ(v.view.ScrollX(), 40);
  Mouse(v.view, QEvent::MouseButtonPress, Qt::LeftButton, {50, 50});
  EXPECT_TRUE(v.view.Grabbing());
  EXPECT_EQ(v.view.cursor().shape(), platform::CursorNumber(5).shape());
  Mouse(v.view, QEvent::MouseMove, Qt::LeftButton, {49, 51});
  EXPECT_EQ(v.view.ScrollX(), 40 + c.expectedStep) << c.zoom;
  EXPECT_EQ(v.view.ScrollY(), 40 - c.expectedStep) << c.zoom;
  Mouse(v.view, QEvent::MouseButtonRelease, Qt::LeftButton, {49, 51});
  EXPECT_FALSE(v.view.Grabbing());
}
INSTANTIATE_TEST_SUITE_P(, ImageViewGrabHand, testing::ValuesIn(kGrabHandCases),
                         [](const testing::TestParamInfo<GrabHandCase> &info) {
                           return "zoom_" + RowName(info.param.zoom);
                         });

}  // namespace

TEST(ImageViewMouse, TheGrabStopsAtThePicturesEdges) {
  View v(105, 105);
  Mouse(v.view, QEvent::MouseButtonPress, Qt::LeftButton, {50, 50});
  Mouse(v.view, QEvent::MouseMove, Qt::LeftButton, {80, 50});  // drags the picture right
  EXPECT_EQ(v.view.ScrollX(), 0) << "not past the left edge";
  Mouse(v.view, QEvent::MouseMove, Qt::LeftButton, {-300, 50});  // far to the left
  // The right edge stops at the visible area's edge, before the vertical bar.
  EXPECT_EQ(v.view.ScrollX(), 200 - 93);
  Mouse(v.view, QEvent::MouseButtonRelease, Qt::LeftButton, {-300, 50});
}

TEST(ImageViewMouse, APictureThatFitsIsNotGrabbed) {
  View v(105, 105, Gradient(50, 50));
  const Qt::CursorShape before = v.view.cursor().shape();
  Mouse(v.view, QEvent::MouseButtonPress, Qt::LeftButton, {10, 10});
  EXPECT_FALSE(v.view.Grabbing());
  Mouse(v.view, QEvent::MouseMove, Qt::LeftButton, {30, 30});
  EXPECT_EQ(v.view.ScrollX(), 0);
  Mouse(v.view, QEvent::MouseButtonRelease, Qt::LeftButton, {30, 30});
  EXPECT_EQ(v.view.cursor().shape(), before);
}

TEST(ImageViewMouse, TheControlsOwnMouseEventsComeFirst) {
  View v(105, 105);
  QStringList seen;
  v.view.OnMouseDown = [&](TImageView *, imagecomp::TMouseButton b, imagecomp::TShiftState, int x,
                           int y) { seen << QStringLiteral("down %1 %2,%3").arg(b).arg(x).arg(y); };
  v.view.OnMouseUp = [&](TImageView *, imagecomp::TMouseButton, imagecomp::TShiftState, int, int) {
    seen << QStringLiteral("up");
  };
  Mouse(v.view, QEvent::MouseButtonPress, Qt::RightButton, {3, 4});
  Mouse(v.view, QEvent::MouseButtonRelease, Qt::RightButton, {3, 4});
  EXPECT_EQ(seen, QStringList({QStringLiteral("down 1 3,4"), QStringLiteral("up")}));
}

// ---- Keyboard --------------------------------------------------------------------------------

TEST(ImageViewKeyboard, TheClipboardKeysReachCopyCutAndPaste) {
  QClipboard *clipboard = QGuiApplication::clipboard();
  const QImage picture = Gradient(30, 20);
  const QImage other = Gradient(9, 5);
  const auto pixelsOf = [](const TImageView &view) {
    return view.Picture().ToImage().convertToFormat(QImage::Format_RGB32);
  };

  for (const auto &[key, modifiers] :
       {std::pair{Qt::Key_C, Qt::KeyboardModifiers(Qt::ControlModifier)},
        std::pair{Qt::Key_Insert, Qt::KeyboardModifiers(Qt::ControlModifier)}}) {
    View v(105, 105, picture);
    clipboard->clear();
    QTest::keyClick(&v.view, key, modifiers);
    EXPECT_EQ(clipboard->image().convertToFormat(QImage::Format_RGB32), picture) << "copy";
    EXPECT_TRUE(v.view.Picture().HasContent());
  }
  for (const auto &[key, modifiers] :
       {std::pair{Qt::Key_V, Qt::KeyboardModifiers(Qt::ControlModifier)},
        std::pair{Qt::Key_Insert, Qt::KeyboardModifiers(Qt::ShiftModifier)},
        std::pair{Qt::Key_Insert,
                  Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::ControlModifier)}}) {
    View v(105, 105, picture);
    clipboard->setImage(other);
    QTest::keyClick(&v.view, key, modifiers);
    EXPECT_EQ(pixelsOf(v.view), other) << "paste " << key << " " << modifiers;
  }
  for (const auto &[key, modifiers] :
       {std::pair{Qt::Key_X, Qt::KeyboardModifiers(Qt::ControlModifier)},
        std::pair{Qt::Key_Delete, Qt::KeyboardModifiers(Qt::ShiftModifier)}}) {
    View v(105, 105, picture);
    clipboard->clear();
    QTest::keyClick(&v.view, key, modifiers);
    EXPECT_FALSE(v.view.Picture().HasContent()) << "cut";
    EXPECT_EQ(clipboard->image().convertToFormat(QImage::Format_RGB32), picture);
  }
}

TEST(ImageViewKeyboard, TheClipboardMessagesReachTheSameOperations) {
  QClipboard *clipboard = QGuiApplication::clipboard();
  View v(105, 105, Gradient(30, 20));
  clipboard->clear();
  SendMessage(HwndOfWidget(&v.view), WM_COPY, 0, 0);
  EXPECT_EQ(clipboard->image().size(), QSize(30, 20));
  SendMessage(HwndOfWidget(&v.view), WM_CUT, 0, 0);
  EXPECT_FALSE(v.view.Picture().HasContent());
  SendMessage(HwndOfWidget(&v.view), WM_PASTE, 0, 0);
  EXPECT_EQ(v.view.Picture().ToImage().convertToFormat(QImage::Format_RGB32), Gradient(30, 20));
}
