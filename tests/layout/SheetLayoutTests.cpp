#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QTimer>

#include "FakeHost.h"
#include "RowName.h"
#include "SheetLayout.h"
#include "gdi/Canvas.h"
#include "gdi/Picture.h"

namespace {

const QRgb kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255), kYellow = qRgb(255, 255, 0);
QRgb Face() {
  return QApplication::palette().color(QPalette::Button).rgb();
}

QImage Square(int side = 284) {
  QImage image(side, side, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  return image;
}

struct PixelCase {
  const char *what;
  int x, y;
  QRgb colour;
};

void ExpectPixels(const QImage &image, std::initializer_list<PixelCase> cases) {
  for (const PixelCase &c : cases)
    EXPECT_EQ(QColor(image.pixel(c.x, c.y)), QColor(c.colour))
        << c.what << " at (" << c.x << ", " << c.y << ")";
}

}  // namespace

namespace {

struct GridCase {
  const char *name;
  int widthPx, heightPx;
  bool landscape;
  int64_t W, H;
  int columns, rows;
};
const GridCase kGridCases[] = {
    {"worked example 500 x 700 mm, halves go to the even dot", 1890, 2646, false, 11812, 16538, 3,
     3},
    {"the printable area itself is one sheet", 768, 1056, false, 4800, 6600, 1, 1},
    {"one pixel wider gives two columns", 769, 1056, false, 4806, 6600, 2, 1},
    {"exactly twice the width and taller: two full columns", 1536, 1057, false, 9600, 6606, 2, 2},
    {"a poster of no size is one sheet", 0, 0, false, 0, 0, 1, 1},
    {"no width but too tall: one column", 0, 2000, false, 0, 12500, 1, 2},
    {"landscape swaps the page: the worked example takes 2 x 4", 1890, 2646, true, 11812, 16538, 2,
     4},
};
class SheetGridOfPoster : public LayoutTest, public testing::WithParamInterface<GridCase> {};

TEST_P(SheetGridOfPoster, SheetGridColumnsAndRows) {
  const GridCase &c = GetParam();
  platform::ThePrinter().SetOrientation(c.landscape ? platform::Orientation::Landscape
                                                    : platform::Orientation::Portrait);
  const auto g =
      layout::SheetGridFor(platform::ThePrinter().PageMetrics(), c.widthPx, c.heightPx, 96);
  EXPECT_EQ(g.posterWidthDots, c.W);
  EXPECT_EQ(g.posterHeightDots, c.H);
  EXPECT_EQ(g.columns, c.columns);
  EXPECT_EQ(g.rows, c.rows);
  EXPECT_EQ(g.singleSheet, c.columns == 1 && c.rows == 1 && c.W <= 4800 && c.H <= 6600);
}
INSTANTIATE_TEST_SUITE_P(, SheetGridOfPoster, testing::ValuesIn(kGridCases), ByRowName());

}  // namespace

TEST_F(LayoutTest, SheetPartsCutAtThePrintableEdges) {
  const auto page = WorkedExamplePrinter();
  const auto g = layout::SheetGridFor(page, 1890, 2646, 96);
  const auto first = layout::SheetPartOf(page, g, 1, 1);
  EXPECT_EQ(first.x1 - first.x0, 4800);
  EXPECT_EQ(first.y1 - first.y0, 6600);
  const auto last = layout::SheetPartOf(page, g, 3, 3);
  EXPECT_EQ(last.x0, 9600);
  EXPECT_EQ(last.x1 - last.x0, 2212);
  EXPECT_EQ(last.y1 - last.y0, 3338);
  EXPECT_EQ(g.SheetNumber(2, 1), 4);  // column by column
}

TEST_F(LayoutTest, WorkedExamplePreviewWithoutPicture) {
  QImage square = Square();
  QLabel label;
  ASSERT_TRUE(layout::DrawSheetLayout(square, 1890, 2646, false, &label, host));
  EXPECT_EQ(label.text(), QStringLiteral("Feuilles : 9"));
  ExpectPixels(square,
               {
                   // sheet 1: paper (0,0)-(66,94), poster part (1,1)-(65,89)
                   {"paper outline, top-left", 0, 0, kBlack},
                   {"paper outline, right column of the first sheet", 65, 40, kBlack},
                   {"paper outline, bottom row of the first sheet", 40, 93, kBlack},
                   {"part outline starts at (1, 1)", 1, 1, kBlack},
                   {"part filled yellow", 2, 2, kYellow},
                   {"part's last yellow column", 63, 40, kYellow},
                   {"part's right outline in column 64", 64, 40, kBlack},
                   {"part's bottom outline in row 88", 40, 88, kBlack},
                   {"unprintable margin below the part", 40, 89, kWhite},
                   {"second sheet starts at x = 66", 66, 40, kBlack},
                   // last column: part of 30 preview pixels from x = 133
                   {"last column's part, last yellow", 161, 40, kYellow},
                   {"last column's part, right outline", 162, 40, kBlack},
                   {"last column's sheet beyond the part is white", 163, 40, kWhite},
                   {"last column's paper right outline", 197, 40, kBlack},
                   // last row: part of 45 preview pixels from y = 189
                   {"last row's part, bottom outline", 40, 233, kBlack},
                   {"last row's sheet below the part is white", 40, 234, kWhite},
                   {"the grid starts top-left and does not fill the width", 198, 40, Face()},
                   {"below the grid: 3 x 94 = 282 rows used", 40, 282, Face()},
               });
}

TEST_F(LayoutTest, WorkedExamplePreviewWithPictureCutsOneScaledCopy) {
  // Left half red, right half blue; the working picture is 158 x 222, so the colour
  // changes at x = 79 of it: in the second sheet (copied from x = 64 of it) at 15.
  QImage picture(1890, 2646, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  for (int y = 0; y < 2646; ++y)
    for (int x = 0; x < 945; ++x) picture.setPixel(x, y, qRgb(255, 0, 0));
  host.picture.AssignBitmap(picture);
  host.document.KeepRatio = false;
  host.document.PosterWidth = 1890;
  host.document.PosterHeight = 2646;
  host.WithSidePanel(300, 300);
  host.square->resize(284, 284);
  QStringList labelsSeen;
  QTimer spy;
  QObject::connect(&spy, &QTimer::timeout, [&] { labelsSeen << host.label->text(); });
  spy.start(0);
  ASSERT_TRUE(layout::DrawSheetLayout(*host.square, 1890, 2646, true, host.label, host));
  spy.stop();
  EXPECT_EQ(host.label->text(), QStringLiteral("Feuilles : 9"));
  EXPECT_TRUE(labelsSeen.contains(QStringLiteral("Découpage...")))
      << labelsSeen.join(u'|').toStdString();
  const QImage &p = host.square->GetPicture().Bitmap();
  ExpectPixels(p, {
                      {"first sheet all red", 30, 40, qRgb(255, 0, 0)},
                      {"part outline over the picture", 1, 40, kBlack},
                      {"second sheet red before the middle", 67 + 10, 40, qRgb(255, 0, 0)},
                      {"second sheet blue after the middle", 67 + 20, 40, qRgb(0, 0, 255)},
                      {"third sheet all blue", 150, 40, qRgb(0, 0, 255)},
                      {"margin stays white", 40, 90, kWhite},
                  });
}

TEST_F(LayoutTest, EnglishLabelsAndSingleSheetPage) {
  host.language = 1;
  QImage square = Square();
  QLabel label;
  ASSERT_TRUE(layout::DrawSheetLayout(square, 768, 1056, false, &label, host));
  EXPECT_EQ(label.text(), QStringLiteral("Sheets : 1"));
  // Portrait paper centred across: page 201 wide from x = 41; printable origin (44, 3);
  // the part is Round(4800 x 284 / 7016) = 194 by Round(6600 x 284 / 7016) = 267.
  ExpectPixels(square, {
                           {"left of the page", 40, 100, Face()},
                           {"page outline", 41, 100, kBlack},
                           {"page right outline", 241, 100, kBlack},
                           {"right of the page", 242, 100, Face()},
                           {"margin", 43, 100, kWhite},
                           {"part outline", 44, 100, kBlack},
                           {"part", 45, 100, kYellow},
                           {"part's right outline", 44 + 193, 100, kBlack},
                           {"part's bottom outline", 100, 3 + 266, kBlack},
                           {"below the part", 100, 3 + 267, kWhite},
                       });
  ASSERT_TRUE(layout::DrawSheetLayout(square, 769, 1056, false, &label, host));
  EXPECT_EQ(label.text(), QStringLiteral("Sheets : 2"));
}

TEST_F(LayoutTest, SquarePaperFillsTheSquare) {
  auto m = WorkedExamplePrinter();
  m.physicalHeight = m.physicalWidth = 5000;
  UsePrinter(m);
  QImage square = Square(100);
  ASSERT_TRUE(layout::DrawSheetLayout(square, 10, 10, false, nullptr, host));
  ExpectPixels(square, {{"top-left", 0, 0, kBlack},
                        {"bottom-right", 99, 99, kBlack},
                        {"inside", 50, 99 - 2, kWhite}});
}

TEST_F(LayoutTest, SingleSheetWithPictureKeepsRatioOnWhite) {
  // A poster twice as wide as the picture image: the picture takes the left half.
  host.picture.AssignBitmap(BlockImage(50, 50, 50, 50));
  host.feuilleWidth = host.feuilleHeight = 50;
  host.document.PosterWidth = 200;
  host.document.PosterHeight = 100;
  QImage square = Square();
  ASSERT_TRUE(layout::DrawSheetLayout(square, 200, 100, true, nullptr, host));
  // m = 284 / 7016, sx = 6.25: the picture is Round(100 x 6.25 x m) = 25 wide from x = 44.
  const QRgb block = BlockColour(1, 1);
  ExpectPixels(square, {{"picture", 50, 10, block}, {"beyond the fitted picture", 75, 10, kWhite}});
}

TEST_F(LayoutTest, NoPrinterReportsAndLeavesThePreviewCleared) {
  printer->unavailable = true;
  Dialogs().AnswerMessage(platform::MessageResult::Ok);
  QImage square = Square(50);
  QLabel label(QStringLiteral("before"));
  EXPECT_FALSE(layout::DrawSheetLayout(square, 100, 100, false, &label, host));
  ASSERT_NE(Dialogs().LastMessage(), nullptr);
  EXPECT_EQ(Dialogs().LastMessage()->title, QStringLiteral("Erreur"));
  EXPECT_EQ(Dialogs().LastMessage()->text, platform::NoPrinterText());
  ExpectPixels(square, {{"cleared", 0, 0, Face()}, {"cleared", 49, 49, Face()}});
  EXPECT_EQ(label.text(), QStringLiteral("before"));
}

namespace {

struct DrawPictureCase {
  const char *name;
  int posterW, posterH, fw, fh;
  bool keep;
  int expectW, expectH;
};
const DrawPictureCase kDrawPictureCases[] = {
    {"wide poster, square picture: height leads", 200, 100, 50, 50, true, 100, 100},
    {"tall poster, square picture: width leads", 100, 300, 50, 50, true, 100, 100},
    {"no lock: the whole poster", 200, 100, 50, 50, false, 200, 100},
    {"a picture image without size keeps no ratio", 200, 100, 0, 0, true, 200, 100},
};
class DrawPictureRatio : public LayoutTest, public testing::WithParamInterface<DrawPictureCase> {};

TEST_P(DrawPictureRatio, DrawPictureFitsTheRatioInsideThePosterSize) {
  const DrawPictureCase &c = GetParam();
  host.picture.AssignBitmap(BlockImage(10, 10, 10, 10));
  host.document.PosterWidth = c.posterW;
  host.document.PosterHeight = c.posterH;
  host.feuilleWidth = c.fw;
  host.feuilleHeight = c.fh;
  host.document.KeepRatio = c.keep;
  QImage target(400, 400, QImage::Format_RGB32);
  target.fill(Qt::white);
  {
    platform::Canvas canvas(target);
    layout::DrawPicture(host, canvas, 5, 7, 1.0, 1.0);
  }
  EXPECT_EQ(target.pixel(5 + c.expectW - 1, 7 + c.expectH - 1), BlockColour(1, 1));
  EXPECT_EQ(target.pixel(5 + c.expectW, 7), kWhite);
  EXPECT_EQ(target.pixel(5, 7 + c.expectH), kWhite);
  EXPECT_EQ(target.pixel(4, 7), kWhite);
}
INSTANTIATE_TEST_SUITE_P(, DrawPictureRatio, testing::ValuesIn(kDrawPictureCases), ByRowName());

}  // namespace

TEST_F(LayoutTest, SidePanelSquareIsSizedAndCentred) {
  host.WithSidePanel(300, 200);
  layout::SizePreviewSquare(host);
  // min(300, 200) - 2 x 3 - 20 = 174, centred.
  EXPECT_EQ(host.square->size(), QSize(174, 174));
  EXPECT_EQ(host.square->GetPicture().Bitmap().size(), QSize(174, 174));
  EXPECT_EQ(host.square->pos(), QPoint(63, 13));
}

TEST_F(LayoutTest, RefreshFollowsThePrinterOrientationIntoTheBoxAndDocument) {
  host.WithSidePanel(320, 320);
  host.picture.AssignBitmap(BlockImage(20, 20, 20, 20));
  host.document.PosterWidth = 1890;
  host.document.PosterHeight = 2646;
  host.document.Modified = false;
  platform::ThePrinter().SetOrientation(platform::Orientation::Landscape);
  layout::RefreshPreview(host);
  EXPECT_TRUE(host.box->isChecked());
  EXPECT_TRUE(host.document.Landscape);
  EXPECT_FALSE(host.document.Modified) << "the main window's box does not mark the poster modified";
  EXPECT_EQ(host.label->text(), QStringLiteral("Feuilles : 8"));
  host.box->setChecked(false);
  layout::MainLandscapeBoxClick(host);
  EXPECT_FALSE(platform::ThePrinter().IsLandscape());
  EXPECT_FALSE(host.document.Landscape);
  EXPECT_EQ(host.label->text(), QStringLiteral("Feuilles : 9"));
}

TEST_F(LayoutTest, RedrawAskedDuringARedrawRunsAfterItWithTheLatestValues) {
  host.picture.AssignBitmap(BlockImage(40, 40, 40, 40));
  host.document.PosterWidth = 1890;
  host.document.PosterHeight = 2646;
  host.WithSidePanel(300, 300);
  host.square->resize(284, 284);
  int nested = 0;
  QTimer::singleShot(0, [&] {
    ++nested;  // as a resize would, while the sheets are being drawn
    layout::DrawSheetLayout(*host.square, 768, 1056, false, host.label, host);
  });
  ASSERT_TRUE(layout::DrawSheetLayout(*host.square, 1890, 2646, true, host.label, host));
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(host.label->text(), QStringLiteral("Feuilles : 1")) << "the later request won";
  EXPECT_EQ(host.square->GetPicture().Bitmap().pixel(45, 100), kYellow);
}

TEST_F(LayoutTest, PrinterBitmapsGoThroughTheirOwnDepth) {
  // A 4-bit picture reaches the printer through its 16-colour rows, colours intact.
  QImage indexed(4, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 0, 255)});
  for (int x = 0; x < 4; ++x) indexed.setPixel(x, 0, x % 3);
  platform::PrinterPageMetrics m = SmallPrinter();
  UsePrinter(m);
  platform::ThePrinter().BeginDoc();
  layout::DrawBitmapAsDIB(indexed, 4, platform::ThePrinter().GetCanvas(), 10, 20, 8, 2);
  layout::DrawBitmapAsDIB(indexed, 4, platform::ThePrinter().GetCanvas(), 50, 50, 0, 0);
  platform::ThePrinter().EndDoc();
  const QImage &page = printer->pages.at(0);
  EXPECT_EQ(page.pixel(12, 21), qRgb(255, 0, 0));
  EXPECT_EQ(page.pixel(14, 20), qRgb(0, 0, 255));
  EXPECT_EQ(page.pixel(18, 20), kWhite);
  EXPECT_EQ(page.pixel(51, 50), qRgb(255, 0, 0)) << "no size: the bitmap's own";
  EXPECT_EQ(page.pixel(54, 50), kWhite);
}

TEST_F(LayoutTest, SheetCountsOfHugePostersDoNotWrap) {
  // 2^31 - 1 pixels a side on the worked example's page: 2 796 203 columns and
  // 2 033 602 rows, more sheets than 32 bits hold.
  const auto g = layout::SheetGridFor(WorkedExamplePrinter(), 2147483647, 2147483647, 96);
  EXPECT_EQ(g.columns, 2796203);
  EXPECT_EQ(g.rows, 2033602);
  EXPECT_EQ(g.SheetCount(), int64_t(2796203) * 2033602);
  EXPECT_EQ(layout::SheetCountText(0, g.SheetCount()), QStringLiteral("Feuilles : 5686364013206"));
}

TEST_F(LayoutTest, ARedrawStopsWhenItsWindowCloses) {
  host.picture.AssignBitmap(BlockImage(40, 40, 40, 40));
  host.WithSidePanel(300, 300);
  host.square->resize(284, 284);
  host.window = host.panel.get();
  host.panel->show();
  int sheetsDrawn = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (++sheetsDrawn == 2) host.panel->close();  // "Quitter" while the sheets are cut
  });
  closer.start(0);
  EXPECT_FALSE(layout::DrawSheetLayout(*host.square, 1890, 2646, true, host.label, host));
  EXPECT_LE(sheetsDrawn, 3) << "the drawing went on after the window closed";
  EXPECT_EQ(host.label->text(), QStringLiteral("Découpage..."));
}

TEST_F(LayoutTest, TheSheetCountLabelFitsItsText) {
  // Sized to its first text, as the main window sizes it at start.
  QLabel label(QStringLiteral("Feuilles : 100"));
  label.adjustSize();
  QImage square = Square();
  ASSERT_TRUE(layout::DrawSheetLayout(square, 150000, 150000, false, &label, host));
  ASSERT_GE(label.text().size(), QStringLiteral("Feuilles : 10000").size())
      << label.text().toStdString();
  EXPECT_GE(label.width(), label.fontMetrics().horizontalAdvance(label.text()))
      << "the count is clipped";
}
