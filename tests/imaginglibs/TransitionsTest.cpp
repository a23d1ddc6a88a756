// The five transitions paint the whole source onto the target, whatever the thickness.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "Fixtures.h"
#include "Support.h"
#include "win32/WinQt.h"

namespace {

TEST(Transitions, PaintTheWholeSource) {
  const QImage source = Pattern(45, 31).convertToFormat(QImage::Format_RGB32);
  HBITMAP bitmap = CreateBitmapFromImage(source);
  ASSERT_NE(bitmap, nullptr);
  using Fx = int32_t(HDC, HBITMAP, int32_t, int32_t);
  const char *names[] = {"FXSkipHorizontal", "FXSkipVertical", "FXSkipDiagonals",
                         "FXSkipDiagonalSquares"};
  for (const char *name : names) {
    for (int thickness : {1, 4, 7, 100}) {
      SCOPED_TRACE(std::string(name) + " thickness " + std::to_string(thickness));
      QImage target(45, 31, QImage::Format_RGB32);
      target.fill(Qt::white);
      HDC dc = CreateDCForImage(&target);
      EXPECT_NE(Isp().Entry<Fx>(name)(dc, bitmap, thickness, 0), 0);
      DeleteDC(dc);
      EXPECT_EQ(Compare(source, target), "");
    }
  }
  QImage target(45, 31, QImage::Format_RGB32);
  target.fill(Qt::white);
  HDC dc = CreateDCForImage(&target);
  EXPECT_NE(ISP(FXSkipRectangles)(dc, bitmap, 0), 0);
  DeleteDC(dc);
  EXPECT_EQ(Compare(source, target), "");
  DeleteObject(bitmap);
}

TEST(Transitions, PauseBetweenSteps) {
  HBITMAP bitmap = CreateBitmapFromImage(Pattern(10, 10));
  QImage target(10, 10, QImage::Format_RGB32);
  HDC dc = CreateDCForImage(&target);
  QElapsedTimer timer;
  timer.start();
  EXPECT_NE(ISP(FXSkipHorizontal)(dc, bitmap, 5, 20), 0);  // two bands, two pauses
  EXPECT_GE(timer.elapsed(), 35);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

TEST(Transitions, InvalidHandlesFail) {
  HBITMAP bitmap = CreateBitmapFromImage(Pattern(10, 10));
  EXPECT_EQ(ISP(FXSkipHorizontal)(nullptr, bitmap, 2, 0), 0);
  QImage target(10, 10, QImage::Format_RGB32);
  HDC dc = CreateDCForImage(&target);
  EXPECT_EQ(ISP(FXSkipVertical)(dc, nullptr, 2, 0), 0);
  EXPECT_EQ(ISP(FXSkipRectangles)(dc, reinterpret_cast<HBITMAP>(0x1234), 0), 0);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

}  // namespace
