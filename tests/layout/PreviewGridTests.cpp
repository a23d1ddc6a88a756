// Where the sheet preview puts each sheet's paper and poster part, as numbers, before any
// pixel is drawn. The worked example's rows agree with the pixels SheetLayoutTests reads
// off the drawn square.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>

#include "FakeHost.h"
#include "SheetLayout.h"

namespace {

platform::PrinterPageMetrics SquarePaper() {
  platform::PrinterPageMetrics m = WorkedExamplePrinter();
  m.physicalWidth = m.physicalHeight = 5000;
  return m;
}

// The worked example's page turned: the printer swaps its measures.
platform::PrinterPageMetrics LandscapeWorkedExample() {
  platform::PrinterPageMetrics m = WorkedExamplePrinter();
  std::swap(m.printableWidth, m.printableHeight);
  std::swap(m.physicalWidth, m.physicalHeight);
  return m;
}

// Sizes and places as text, so that a row reads as the drawing does and a failure shows
// the whole box.
struct PreviewCase {
  const char *name;
  platform::PrinterPageMetrics page;
  int widthPx, heightPx, square;
  const char *shape;  // "sheet W x H from (left, top), working W x H"
  int64_t column, row;
  const char *paper, *part;  // "left, top, right, bottom" as Rectangle takes them
  const char *source;        // "x, y, width x height" in the working picture
};

const PreviewCase kPreviewCases[] = {
    // 3 x 3 sheets; the printable corner is one pixel in.
    {"WorkedExampleFirstSheet", WorkedExamplePrinter(), 1890, 2646, 284,
     "sheet 66 x 94 from (0, 0), working 158 x 222", 1, 1, "0, 0, 66, 94", "1, 1, 65, 89",
     "0, 0, 64 x 88"},
    // The last column carries 2212 dots: 30 pixels, taken from x = 2 x 64 of the picture.
    {"WorkedExampleLastColumnIsNarrow", WorkedExamplePrinter(), 1890, 2646, 284,
     "sheet 66 x 94 from (0, 0), working 158 x 222", 3, 1, "132, 0, 198, 94", "133, 1, 163, 89",
     "128, 0, 30 x 88"},
    {"WorkedExampleLastRowIsShort", WorkedExamplePrinter(), 1890, 2646, 284,
     "sheet 66 x 94 from (0, 0), working 158 x 222", 1, 3, "0, 188, 66, 282", "1, 189, 65, 234",
     "0, 176, 64 x 45"},
    // One sheet: the portrait page as tall as the square, centred across it.
    {"SingleSheetCentredAcross", WorkedExamplePrinter(), 768, 1056, 284,
     "sheet 201 x 284 from (41, 0), working 194 x 267", 1, 1, "41, 0, 242, 284", "44, 3, 238, 270",
     "0, 0, 194 x 267"},
    // 10 pixels are 62 dots (62.5 goes to the even neighbour): a part of one pixel.
    {"SquarePaperFillsTheSquare", SquarePaper(), 10, 10, 100,
     "sheet 100 x 100 from (0, 0), working 1 x 1", 1, 1, "0, 0, 100, 100", "2, 2, 3, 3",
     "0, 0, 1 x 1"},
    // 2 x 4 landscape sheets: the four rows fill the square's height exactly.
    {"LandscapeRowsFillTheHeight", LandscapeWorkedExample(), 1890, 2646, 284,
     "sheet 100 x 71 from (0, 0), working 169 x 237", 2, 4, "100, 213, 200, 284",
     "101, 214, 176, 245", "94, 207, 75 x 31"},
    // 4 x 1: the width decides the sheet's size; the last part is 600 dots.
    {"FourColumnsTheWidthDecides", WorkedExamplePrinter(), 2400, 1056, 284,
     "sheet 70 x 100 from (0, 0), working 214 x 94", 4, 1, "210, 0, 280, 100", "211, 1, 220, 95",
     "204, 0, 9 x 94"},
};

// The row's name in the test's report, rather than its bytes.
void PrintTo(const PreviewCase &c, std::ostream *os) {
  *os << c.name;
}

class PreviewGeometry : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(PreviewGeometry, SheetsAndPartsFallOnTheirPixels) {
  const PreviewCase &c = GetParam();
  const layout::SheetGrid grid = layout::SheetGridFor(c.page, c.widthPx, c.heightPx, 96);
  const layout::PreviewGrid shape = layout::PreviewGridFor(c.page, grid, c.square, c.square);
  EXPECT_EQ(QStringLiteral("sheet %1 x %2 from (%3, %4), working %5 x %6")
                .arg(shape.sheetWidth)
                .arg(shape.sheetHeight)
                .arg(shape.left)
                .arg(shape.top)
                .arg(shape.workingWidth)
                .arg(shape.workingHeight)
                .toStdString(),
            c.shape);
  const layout::PreviewSheet sheet = layout::PreviewSheetOf(c.page, grid, shape, c.column, c.row);
  const auto box = [](const layout::PreviewBox &b) {
    return QStringLiteral("%1, %2, %3, %4")
        .arg(b.left)
        .arg(b.top)
        .arg(b.right)
        .arg(b.bottom)
        .toStdString();
  };
  EXPECT_EQ(box(sheet.paper), c.paper);
  EXPECT_EQ(box(sheet.part), c.part);
  const QRect &from = sheet.source;
  EXPECT_EQ(QStringLiteral("%1, %2, %3 x %4")
                .arg(from.x())
                .arg(from.y())
                .arg(from.width())
                .arg(from.height())
                .toStdString(),
            c.source);
}

INSTANTIATE_TEST_SUITE_P(Layout, PreviewGeometry, ::testing::ValuesIn(kPreviewCases),
                         [](const ::testing::TestParamInfo<PreviewCase> &info) {
                           return std::string(info.param.name);
                         });

}  // namespace
