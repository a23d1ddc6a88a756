// Numbered sheets and the assembly map: where the numbers land on the printed pages (never
// inside the part of the poster that stays visible), the map as a first page that page
// ranges do not count, and the papers the PDF printer can take.
#include <gtest/gtest.h>

#include <QColor>
#include <string>
#include <vector>

#include "FakeHost.h"
#include "PosterPrinting.h"
#include "SheetLabels.h"
#include "SheetLayout.h"

namespace {

// 400 x 600 printable dots at 96 dots per inch, one dot a poster pixel: room for the
// whole "4 — colonne 2, rangée 2" in 2,5 mm print.
platform::PrinterPageMetrics RoomyPrinter() {
  platform::PrinterPageMetrics m;
  m.printableWidth = 400;
  m.printableHeight = 600;
  m.physicalWidth = 420;
  m.physicalHeight = 620;
  m.offsetX = m.offsetY = 10;
  m.dpiX = m.dpiY = 96;
  return m;
}

struct LabelCase {
  const char *name;
  int posterW, posterH;
  int overlapMm;
  int64_t sheets;
};

const LabelCase kLabelCases[] = {
    // 3 x 2 sheets: the first row's first two sheets fill their printable area and have
    // no strip: no number. The others keep room below or right of their part.
    {"EdgeToEdgeWithShortLastRowAndColumn", 1000, 900, 0, 6},
    // Exactly two sheets of full size: neither has a place that disappears.
    {"EdgeToEdgeFullSheets", 800, 600, 0, 2},
    // 5 mm is 19 dots: strips on every sheet but the last column's and row's.
    {"FiveMillimetreStrips", 1000, 900, 5, 6},
    // 15 mm is 57 dots, and the poster ends exactly at the last sheets' edge.
    {"FifteenMillimetreStripsFullLastSheets", 743, 1143, 15, 4},
};

void PrintTo(const LabelCase &c, std::ostream *os) {
  *os << c.name;
}

class SheetNumbers : public LayoutTest, public ::testing::WithParamInterface<LabelCase> {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    UsePrinter(RoomyPrinter());
    host.document.KeepRatio = false;
    host.PosterOf(GetParam().posterW, GetParam().posterH);
    host.overlapMm = GetParam().overlapMm;
  }
  std::vector<QImage> Print(bool numbers, bool map, int from = 0, int to = 0) {
    host.numberSheets = numbers;
    host.assemblyMap = map;
    Dialogs().AnswerPrint([from, to](platform::PrintDialogSpec &request) {
      request.pageRangeChosen = from > 0;
      request.fromPage = from;
      request.toPage = to;
      return true;
    });
    layout::PrintPoster(host);
    return printer->pages;
  }
};

// Whether a sheet has a place that disappears, worked out from the poster's measures: a
// glue strip (every sheet but the last column's and row's, with an overlap), or some of
// the printable area left outside its part.
bool HasAPlace(const LabelCase &c, const platform::PrinterPageMetrics &page,
               const layout::SheetGrid &grid, int64_t column, int64_t row) {
  if (c.overlapMm > 0 && (column < grid.columns || row < grid.rows)) return true;
  const layout::SheetPart part = layout::SheetPartOf(page, grid, column, row);
  return part.x1 - part.x0 < page.printableWidth || part.y1 - part.y0 < page.printableHeight;
}

TEST_P(SheetNumbers, EachNumberLiesWhereTheAssembledPosterHidesIt) {
  const LabelCase &c = GetParam();
  const std::vector<QImage> plain = Print(false, false);
  const std::vector<QImage> numbered = Print(true, false);
  ASSERT_EQ(int64_t(plain.size()), c.sheets);
  ASSERT_EQ(numbered.size(), plain.size());
  const platform::PrinterPageMetrics page = RoomyPrinter();
  const layout::SheetGrid grid = layout::SheetGridFor(page, c.posterW, c.posterH, 96, c.overlapMm);
  size_t k = 0;
  for (int64_t col = 1; col <= grid.columns; ++col) {
    for (int64_t row = 1; row <= grid.rows; ++row, ++k) {
      SCOPED_TRACE("sheet " + std::to_string(k + 1));
      const QRect visible = layout::VisiblePartOf(page, grid, col, row);
      int changed = 0;
      for (int y = 0; y < page.printableHeight; ++y)
        for (int x = 0; x < page.printableWidth; ++x)
          if (plain[k].pixel(x, y) != numbered[k].pixel(x, y)) {
            ++changed;
            ASSERT_FALSE(visible.contains(x, y))
                << "the number reaches the poster at " << x << "," << y;
          }
      if (HasAPlace(c, page, grid, col, row))
        EXPECT_GT(changed, 50) << "no number printed";
      else
        EXPECT_EQ(changed, 0) << "a sheet without a hidden place got a number";
    }
  }
}

TEST_P(SheetNumbers, TheMapIsAFirstPageThatRangesDoNotCount) {
  const LabelCase &c = GetParam();
  const std::vector<QImage> plain = Print(false, false);
  const std::vector<QImage> mapped = Print(false, true);
  ASSERT_EQ(mapped.size(), plain.size() + 1);
  for (size_t k = 0; k < plain.size(); ++k)
    EXPECT_EQ(mapped[k + 1], plain[k]) << "sheet " << k + 1 << " changed by the map";
  // The map draws: its page is not blank.
  const QImage blank = [&] {
    QImage white(mapped[0].size(), mapped[0].format());
    white.fill(Qt::white);
    return white;
  }();
  EXPECT_NE(mapped[0], blank);
  // Sheets 2 to 2 of a range: the map, then the second sheet.
  const std::vector<QImage> ranged = Print(false, true, 2, 2);
  ASSERT_EQ(ranged.size(), 2u);
  EXPECT_EQ(ranged[0], mapped[0]);
  EXPECT_EQ(ranged[1], plain[1]);
  (void)c;
}

INSTANTIATE_TEST_SUITE_P(Layout, SheetNumbers, ::testing::ValuesIn(kLabelCases),
                         [](const ::testing::TestParamInfo<LabelCase> &info) {
                           return std::string(info.param.name);
                         });

// A single sheet is printed as it always was: neither number nor map.
TEST_F(LayoutTest, ASingleSheetPosterGetsNeitherNumberNorMap) {
  UsePrinter(RoomyPrinter());
  host.PosterOf(300, 300);
  for (bool extras : {false, true}) {
    host.numberSheets = host.assemblyMap = extras;
    Dialogs().AnswerPrint([](platform::PrintDialogSpec &) { return true; });
    EXPECT_EQ(layout::PrintPoster(host), 1);
  }
  const std::vector<QImage> withExtras = printer->pages;
  host.numberSheets = host.assemblyMap = false;
  Dialogs().AnswerPrint([](platform::PrintDialogSpec &) { return true; });
  layout::PrintPoster(host);
  ASSERT_EQ(withExtras.size(), 1u);
  EXPECT_EQ(withExtras[0], printer->pages[0]);
}

// The places in their order: the bottom strip first, then the right strip turned, then
// the area below the part, then right of it; the whole text before the number alone.
struct PlaceCase {
  const char *name;
  int posterW, posterH, overlapMm;
  int64_t column, row;
  QSize text;
  layout::SheetLabelPlace::Where where;
  bool numberOnly;
};
const PlaceCase kPlaceCases[] = {
    {"BottomStripFirst", 1000, 900, 5, 1, 1, {120, 9}, layout::SheetLabelPlace::BottomStrip, false},
    {"LastRowUsesTheRightStrip",
     1000,
     1100,
     5,
     1,
     2,
     {120, 9},
     layout::SheetLabelPlace::RightStrip,
     false},
    {"TheCornerSheetUsesTheTrimmedArea",
     1000,
     900,
     5,
     3,
     2,
     {120, 9},
     layout::SheetLabelPlace::BelowPart,
     false},
    {"ARightTrimmedAreaTurnsTheText",
     1000,
     600,
     0,
     3,
     1,
     {120, 9},
     layout::SheetLabelPlace::RightOfPart,
     false},
    {"TooLongForTheStripGivesTheNumberAlone",
     1000,
     900,
     5,
     1,
     1,
     {700, 9},
     layout::SheetLabelPlace::BottomStrip,
     true},
    {"AStripThinnerThanThePrint",
     1000,
     1196,
     1,
     1,
     2,
     {120, 9},
     layout::SheetLabelPlace::Nowhere,
     false},
    {"AFullSheetWithoutStrip",
     800,
     600,
     0,
     1,
     1,
     {120, 9},
     layout::SheetLabelPlace::Nowhere,
     false},
};
void PrintTo(const PlaceCase &c, std::ostream *os) {
  *os << c.name;
}
class SheetLabelPlaces : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(SheetLabelPlaces, TheFirstPlaceThatHoldsTheText) {
  const PlaceCase &c = GetParam();
  const platform::PrinterPageMetrics page = RoomyPrinter();
  const layout::SheetGrid grid = layout::SheetGridFor(page, c.posterW, c.posterH, 96, c.overlapMm);
  const layout::SheetLabelPlace place =
      layout::SheetLabelPlaceOf(page, grid, c.column, c.row, c.text, QSize(8, 9), 4);
  EXPECT_EQ(place.where, c.where);
  if (c.where == layout::SheetLabelPlace::Nowhere) return;
  EXPECT_EQ(place.numberOnly, c.numberOnly);
  EXPECT_FALSE(place.box.intersects(layout::VisiblePartOf(page, grid, c.column, c.row)));
  EXPECT_TRUE(QRect(0, 0, page.printableWidth, page.printableHeight).contains(place.box));
}

INSTANTIATE_TEST_SUITE_P(Layout, SheetLabelPlaces, ::testing::ValuesIn(kPlaceCases),
                         [](const ::testing::TestParamInfo<PlaceCase> &info) {
                           return std::string(info.param.name);
                         });

TEST(SheetLabelTexts, NumberAndPlaceInBothLanguages) {
  EXPECT_EQ(layout::SheetLabelText(0, 4, 2, 2), QStringLiteral("4 — colonne 2, rangée 2"));
  EXPECT_EQ(layout::SheetLabelText(1, 4, 2, 2), QStringLiteral("4 — column 2, row 2"));
}

struct PaperCase {
  const char *name;
  const char *text;
  bool known;
  double w, h;
};
const PaperCase kPaperCases[] = {
    {"A3", "A3", true, 297, 420},
    {"LowerCaseLetter", "letter", true, 215.9, 279.4},
    {"Legal", "Legal", true, 215.9, 355.6},
    {"A5", "a5", true, 148, 210},
    {"Custom", "300x400mm", true, 300, 400},
    {"CustomWithComma", "300,5 x 400 mm", true, 300.5, 400},
    {"TooSmall", "5x400mm", false, 0, 0},
    {"Unknown", "B9", false, 0, 0},
    {"Empty", "", false, 0, 0},
};
void PrintTo(const PaperCase &c, std::ostream *os) {
  *os << c.name;
}
class PdfPapers : public ::testing::TestWithParam<PaperCase> {};
TEST_P(PdfPapers, NamedAndCustomPapers) {
  const PaperCase &c = GetParam();
  const std::optional<QSizeF> size = layout::PaperSizeOf(QString::fromUtf8(c.text));
  ASSERT_EQ(size.has_value(), c.known);
  if (!c.known) return;
  EXPECT_DOUBLE_EQ(size->width(), c.w);
  EXPECT_DOUBLE_EQ(size->height(), c.h);
}
INSTANTIATE_TEST_SUITE_P(Layout, PdfPapers, ::testing::ValuesIn(kPaperCases),
                         [](const ::testing::TestParamInfo<PaperCase> &info) {
                           return std::string(info.param.name);
                         });

TEST(PdfPapers, TheMapNamesThePaperAsItLies) {
  EXPECT_EQ(layout::PaperDescription(0, 210.1, 296.9), QStringLiteral("A4 portrait"));
  EXPECT_EQ(layout::PaperDescription(0, 420, 297), QStringLiteral("A3 paysage"));
  EXPECT_EQ(layout::PaperDescription(1, 279.4, 215.9), QStringLiteral("Letter landscape"));
  EXPECT_EQ(layout::PaperDescription(0, 300, 400.5), QStringLiteral("300 × 400,5 mm"));
}

// The PDF printer that stands in for a missing system printer takes the chosen paper, in
// the poster's orientation, and the grid follows it; a raster printer does not take it.
TEST_F(LayoutTest, ThePdfPrinterTakesThePaperInThePostersOrientation) {
  EXPECT_FALSE(platform::ThePrinter().TakesPdfPaper());
  platform::ThePrinter().SetBackend(platform::MakePdfPrinter());
  printer = nullptr;
  ASSERT_TRUE(platform::ThePrinter().TakesPdfPaper());
  platform::ThePrinter().SetPdfPaper(297, 420);
  platform::ThePrinter().SetOrientation(platform::Orientation::Landscape);
  const platform::PrinterPageMetrics a3 = platform::ThePrinter().PageMetrics();
  platform::ThePrinter().SetOrientation(platform::Orientation::Portrait);
  // 420 x 297 mm at 600 dots per inch; Qt keeps a named paper's size in whole points, a
  // few dots away.
  EXPECT_NEAR(a3.physicalWidth, 9921, 5);
  EXPECT_NEAR(a3.physicalHeight, 7016, 5);
  platform::ThePrinter().SetPdfPaper(210, 297);
  EXPECT_NEAR(platform::ThePrinter().PageMetrics().physicalWidth, 4961, 5);
  // The command line's PDF printer, its file named, keeps its own paper.
  platform::PdfPrinterSetup setup;
  setup.outputFile = QStringLiteral("/tmp/never-written.pdf");
  platform::ThePrinter().SetBackend(platform::MakePdfPrinter(setup));
  EXPECT_FALSE(platform::ThePrinter().TakesPdfPaper());
}

}  // namespace
