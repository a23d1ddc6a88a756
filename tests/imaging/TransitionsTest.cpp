#include <QPainter>

#include "ImagingFixture.h"
#include "RowName.h"
#include "Transitions.h"
#include "win32/WinQt.h"

using namespace imaging;

using TransitionRules = ImagingTest;

namespace {

struct WrapperCase {
  const char *entry;
  std::function<bool(HDC, HBITMAP)> run;
};
const WrapperCase kWrapperCases[] = {
    {"FXSkipHorizontal", [](HDC t, HBITMAP s) { return SkipHorizontal(t, s, 4, 0); }},
    {"FXSkipVertical", [](HDC t, HBITMAP s) { return SkipVertical(t, s, 4, 0); }},
    {"FXSkipDiagonals", [](HDC t, HBITMAP s) { return SkipDiagonals(t, s, 4, 0); }},
    {"FXSkipDiagonalSquares", [](HDC t, HBITMAP s) { return SkipDiagonalSquares(t, s, 4, 0); }},
    {"FXSkipRectangles", [](HDC t, HBITMAP s) { return SkipRectangles(t, s, 0); }},
};
class TransitionWrappers : public TransitionRules,
                           public testing::WithParamInterface<WrapperCase> {};

TEST_P(TransitionWrappers, CallTheirEntryAndPaintTheSource) {
  const WrapperCase &c = GetParam();
  QImage source(8, 8, QImage::Format_RGB32);
  source.fill(qRgb(20, 40, 60));
  TBitmap bitmap;
  bitmap.SetImage(source);

  SCOPED_TRACE(c.entry);
  QImage target(8, 8, QImage::Format_RGB32);
  target.fill(Qt::white);
  QPainter painter(&target);
  HDC dc = CreateDCForPainter(&painter);
  EXPECT_TRUE(c.run(dc, bitmap.Handle()));
  DeleteDC(dc);
  painter.end();
  EXPECT_EQ(FakeLastEntry(Binding().EffectsLibrary), c.entry);
  EXPECT_EQ(Binding().ProgressCaption, "Transition Image ");
  EXPECT_EQ(target.pixel(7, 7), qRgb(20, 40, 60));
}
INSTANTIATE_TEST_SUITE_P(, TransitionWrappers, testing::ValuesIn(kWrapperCases),
                         [](const testing::TestParamInfo<WrapperCase> &info) {
                           return RowName(info.param.entry);
                         });

}  // namespace

TEST_F(TransitionRules, AnEntryReturningZeroGivesFalse) {
  HDC screen = GetDC(nullptr);
  EXPECT_FALSE(SkipVertical(screen, nullptr, 4, 0)) << "no source bitmap";
  ReleaseDC(nullptr, screen);
}

TEST_F(TransitionRules, AnExceptionInsideTheEffectShowsText65323) {
  dialogs->AnswerMessage(platform::MessageResult::Ok);
  HDC screen = GetDC(nullptr);
  TBitmap bitmap;
  bitmap.Create(2, 2);
  EXPECT_FALSE(SkipHorizontal(screen, bitmap.Handle(), 99, 0));
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(
      dialogs->LastMessage()->text.startsWith("An exception error occured in the imaging dll."));
}

TEST_F(TransitionRules, AfterFivePushesTheHistoryHoldsTheLastFourNewestFirst) {
  EXPECT_FALSE(UndoPushed());
  for (int i = 1; i <= 5; ++i) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(qRgb(i * 10, 0, 0));
    TBitmap bitmap;
    bitmap.SetImage(image);
    PushUndoBitmap(bitmap);
  }
  ASSERT_TRUE(UndoPushed());
  const auto &history = *UndoHistory();
  for (int slot = 0; slot < 4; ++slot) {
    SCOPED_TRACE(slot);
    ASSERT_FALSE(history[slot].Empty());
    EXPECT_EQ(history[slot].ToImage().pixel(0, 0), qRgb((5 - slot) * 10, 0, 0));
  }
}

TEST_F(TransitionRules, ThePushedBitmapIsACopy) {
  TBitmap bitmap;
  QImage image(2, 2, QImage::Format_RGB32);
  image.fill(Qt::red);
  bitmap.SetImage(image);
  PushUndoBitmap(bitmap);
  image.fill(Qt::blue);
  bitmap.SetImage(image);
  EXPECT_EQ((*UndoHistory())[0].ToImage().pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_NE((*UndoHistory())[0].Handle(), bitmap.Handle());
  EXPECT_TRUE((*UndoHistory())[1].Empty()) << "the older slots start empty";
}

TEST_F(TransitionRules, ShutdownFreesTheHistory) {
  TBitmap bitmap;
  bitmap.Create(2, 2);
  PushUndoBitmap(bitmap);
  ShutdownBinding();
  EXPECT_EQ(UndoHistory(), nullptr);
  EXPECT_FALSE(UndoPushed());
}
