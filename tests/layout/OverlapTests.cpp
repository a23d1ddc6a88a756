// Glue overlap: the grid and each sheet's part against a sheet-by-sheet placement done
// here, the preview's glue lines, and the printed pages carrying the repeated strip.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <string>
#include <vector>

#include "FakeHost.h"
#include "PosterPrinting.h"
#include "SheetLayout.h"

namespace {

// Where the sheets along one side start: the first at 0, each next one a printable side
// less the overlap further on, until one reaches the poster's end.
std::vector<int64_t> Starts(int64_t length, int64_t printable, int64_t overlap) {
  std::vector<int64_t> starts{0};
  while (starts.back() + printable < length) starts.push_back(starts.back() + printable - overlap);
  return starts;
}

struct OverlapCase {
  const char *name;
  int overlapMm;
  bool landscape;
  bool refused;
};

const OverlapCase kOverlapCases[] = {
    {"EdgeToEdge", 0, false, false},
    {"FiveMillimetres", 5, false, false},
    {"FifteenMillimetres", 15, false, false},
    {"FifteenMillimetresLandscape", 15, true, false},
    // 1890 dots: sheets step by 2910 across, and 11812 dots take a fourth column.
    {"EightyMillimetresTakeAFourthColumn", 80, false, false},
    // 203 mm is 4795 dots, 5 short of the printable width: sheets step by 5 dots.
    {"JustUnderThePrintableWidth", 203, false, false},
    // 204 mm is 4819 dots: wider than the 4800 printable dots, so refused.
    {"WiderThanThePrintableArea", 204, false, true},
};

void PrintTo(const OverlapCase &c, std::ostream *os) {
  *os << c.name;
}

class OverlapGeometry : public ::testing::TestWithParam<OverlapCase> {};

// The worked example, 500 x 700 mm on 600 dots per inch, cut with an overlap.
TEST_P(OverlapGeometry, GridAndPartsFollowTheStep) {
  const OverlapCase &c = GetParam();
  platform::PrinterPageMetrics page = WorkedExamplePrinter();
  if (c.landscape) page = platform::Turned(page);
  const layout::SheetGrid grid = layout::SheetGridFor(page, 1890, 2646, 96, c.overlapMm);
  EXPECT_EQ(grid.overlapRefused, c.refused);
  const int64_t overlap = c.refused ? 0 : std::llround(c.overlapMm * 600 / 25.4);
  EXPECT_EQ(grid.overlapX, overlap);
  EXPECT_EQ(grid.overlapY, overlap);

  const auto across = Starts(grid.posterWidthDots, page.printableWidth, overlap);
  const auto down = Starts(grid.posterHeightDots, page.printableHeight, overlap);
  ASSERT_EQ(grid.columns, int64_t(across.size()));
  ASSERT_EQ(grid.rows, int64_t(down.size()));
  for (int64_t col = 1; col <= grid.columns; ++col) {
    const layout::SheetPart p = layout::SheetPartOf(page, grid, col, 1);
    const int64_t x0 = across[size_t(col - 1)];
    ASSERT_EQ(p.x0, x0) << "column " << col;
    ASSERT_EQ(p.x1, std::min<int64_t>(x0 + page.printableWidth, grid.posterWidthDots))
        << "column " << col;
  }
  for (int64_t row = 1; row <= grid.rows; ++row) {
    const layout::SheetPart p = layout::SheetPartOf(page, grid, 1, row);
    const int64_t y0 = down[size_t(row - 1)];
    ASSERT_EQ(p.y0, y0) << "row " << row;
    ASSERT_EQ(p.y1, std::min<int64_t>(y0 + page.printableHeight, grid.posterHeightDots))
        << "row " << row;
  }
  // The last sheets reach the poster's far corner.
  const layout::SheetPart last = layout::SheetPartOf(page, grid, grid.columns, grid.rows);
  EXPECT_EQ(last.x1, grid.posterWidthDots);
  EXPECT_EQ(last.y1, grid.posterHeightDots);

  // The preview marks the glue strip on every sheet but the last column's and row's.
  const layout::PreviewGrid shape = layout::PreviewGridFor(page, grid, 284, 284);
  const layout::PreviewSheet first = layout::PreviewSheetOf(page, grid, shape, 1, 1);
  const layout::PreviewSheet corner =
      layout::PreviewSheetOf(page, grid, shape, grid.columns, grid.rows);
  if (overlap > 0) {
    EXPECT_EQ(first.glueX,
              first.part.left + int(std::lround((page.printableWidth - overlap) * shape.scale)));
    EXPECT_GE(first.glueY, first.part.top);
    EXPECT_LE(first.glueY, first.part.bottom);
  } else {
    EXPECT_EQ(first.glueX, -1);
    EXPECT_EQ(first.glueY, -1);
  }
  EXPECT_EQ(corner.glueX, -1);
  EXPECT_EQ(corner.glueY, -1);
}

INSTANTIATE_TEST_SUITE_P(Layout, OverlapGeometry, ::testing::ValuesIn(kOverlapCases),
                         [](const ::testing::TestParamInfo<OverlapCase> &info) {
                           return std::string(info.param.name);
                         });

// The small printer: 100 x 150 printable dots at 96 dots per inch, one dot a poster pixel.
class OverlapPrinting : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    UsePrinter(SmallPrinter());
    host.document.KeepRatio = false;
    // Every pixel of the picture tells where it lies in the poster.
    QImage picture(250, 250, QImage::Format_RGB32);
    for (int y = 0; y < 250; ++y)
      for (int x = 0; x < 250; ++x) picture.setPixel(x, y, qRgb(x, y, 77));
    host.document.PosterWidth = host.document.PosterHeight = 250;
    host.picture.AssignBitmap(picture);
  }
  void AnswerAllPages() {
    Dialogs().AnswerPrint([](platform::PrintDialogSpec &request) {
      request.pageRangeChosen = false;
      return true;
    });
  }
};

int GlueDotsAlongColumn(const QImage &page, int x, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y) n += QColor(page.pixel(x, y)) == layout::kGlueLineColour;
  return n;
}
int GlueDotsAlongRow(const QImage &page, int y, int x0, int x1) {
  int n = 0;
  for (int x = x0; x < x1; ++x) n += QColor(page.pixel(x, y)) == layout::kGlueLineColour;
  return n;
}

TEST_F(OverlapPrinting, NeighbouringPagesRepeatTheStrip) {
  // 5 mm at 96 dots per inch is 19 dots: sheets step by 81 across and 131 down, so
  // 250 x 250 takes columns at 0, 81, 162 and rows at 0, 131.
  host.overlapMm = 5;
  AnswerAllPages();
  EXPECT_EQ(layout::PrintPoster(host), 6);
  ASSERT_EQ(printer->pages.size(), 6u);
  const QImage &c1r1 = printer->pages[0], &c1r2 = printer->pages[1];
  const QImage &c2r1 = printer->pages[2], &c3r2 = printer->pages[5];
  // The right strip of column 1 is the left of column 2; the bottom strip of row 1 the
  // top of row 2.
  EXPECT_EQ(c1r1.pixel(81 + 5, 40), qRgb(86, 40, 77));
  EXPECT_EQ(c2r1.pixel(5, 40), qRgb(86, 40, 77));
  EXPECT_EQ(c1r1.pixel(40, 131 + 5), qRgb(40, 136, 77));
  EXPECT_EQ(c1r2.pixel(40, 5), qRgb(40, 136, 77));
  EXPECT_EQ(c3r2.pixel(10, 10), qRgb(172, 141, 77));
  // The cutting outline stays at the part's edge; the lighter line marks where the
  // next sheet's strip begins, on all but the last column and row.
  EXPECT_EQ(c1r1.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_GT(GlueDotsAlongColumn(c1r1, 81, 1, 149), 30);
  EXPECT_GT(GlueDotsAlongRow(c1r1, 131, 1, 99), 20);
  EXPECT_EQ(GlueDotsAlongRow(c1r2, 131, 1, 99), 0) << "the last row has no bottom strip";
  for (int x = 0; x < c3r2.width(); ++x)
    ASSERT_EQ(GlueDotsAlongColumn(c3r2, x, 0, c3r2.height()), 0) << "column " << x;
}

TEST_F(OverlapPrinting, AnOverlapAsWideAsTheSheetIsRefusedBeforeTheDialog) {
  host.overlapMm = 27;  // 102 dots, wider than the 100 printable dots
  Dialogs().AnswerMessage(platform::MessageResult::Ok);
  EXPECT_EQ(layout::PrintPoster(host), 0);
  ASSERT_NE(Dialogs().LastMessage(), nullptr);
  EXPECT_EQ(Dialogs().LastMessage()->text, layout::OverlapTooLargeText(0, 27, SmallPrinter()));
  EXPECT_TRUE(printer->pages.empty());
}

}  // namespace
