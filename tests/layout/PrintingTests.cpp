#include <QFile>
#include <QPainter>
#include <QPdfDocument>
#include <QSvgRenderer>
#include <algorithm>

#include "FakeHost.h"
#include "Fixtures.h"
#include "PosterPrinting.h"
#include "RowName.h"
#include "SheetLayout.h"
#include "TempDir.h"

namespace {

const QRgb kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 0xff);

// The small printer is 100 x 150 dots at 96 dots per inch, one dot per poster pixel.
class PrintingTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    UsePrinter(SmallPrinter());
    host.document.KeepRatio = false;
  }
  // A picture as large as the poster whose blocks match the sheets' parts.
  void PosterOf(int w, int h) { host.PosterOf(w, h); }
  void AnswerAllPages(platform::PrintDialogSpec *seen = nullptr) {
    Dialogs().AnswerPrint([seen](platform::PrintDialogSpec &request) {
      if (seen) *seen = request;
      request.pageRangeChosen = false;
      return true;
    });
  }
  void AnswerRange(int from, int to) {
    Dialogs().AnswerPrint([from, to](platform::PrintDialogSpec &request) {
      request.pageRangeChosen = true;
      request.fromPage = from;
      request.toPage = to;
      return true;
    });
  }
};

// Black pixels along a row or column of a page between two positions.
int BlackAlongRow(const QImage &page, int y, int x0, int x1) {
  int n = 0;
  for (int x = x0; x < x1; ++x) n += page.pixel(x, y) == kBlack;
  return n;
}
int BlackAlongColumn(const QImage &page, int x, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y) n += page.pixel(x, y) == kBlack;
  return n;
}

}  // namespace

TEST_F(PrintingTest, ThreeByTwoPrintsColumnByColumn) {
  PosterOf(300, 300);
  platform::PrintDialogSpec seen;
  AnswerAllPages(&seen);
  EXPECT_EQ(layout::PrintPoster(host), 6);
  EXPECT_EQ(seen.minPage, 1);
  EXPECT_EQ(seen.maxPage, 6);
  EXPECT_TRUE(seen.pageRangeAllowed);
  ASSERT_EQ(printer->pages.size(), 6u);
  const int order[6][2] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}, {3, 1}, {3, 2}};
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(k + 1);
    EXPECT_EQ(printer->pages[k].pixel(50, 75), BlockColour(order[k][0], order[k][1]));
    EXPECT_EQ(printer->pages[k].pixel(5, 5), BlockColour(order[k][0], order[k][1]));
  }
  EXPECT_EQ(printer->jobsEnded, 1);
}

TEST_F(PrintingTest, RangeThreeToFourPrintsTheSecondColumnOnly) {
  PosterOf(300, 300);
  AnswerRange(3, 4);
  EXPECT_EQ(layout::PrintPoster(host), 2);
  ASSERT_EQ(printer->pages.size(), 2u) << "no blank page after the range";
  EXPECT_EQ(printer->pages[0].pixel(50, 75), BlockColour(2, 1));
  EXPECT_EQ(printer->pages[1].pixel(50, 75), BlockColour(2, 2));
}

TEST_F(PrintingTest, RangeOutsideTheSheetsPrintsNothing) {
  PosterOf(300, 300);
  AnswerRange(7, 9);
  EXPECT_EQ(layout::PrintPoster(host), 0);
  EXPECT_TRUE(printer->pages.empty());
  EXPECT_EQ(printer->jobsEnded, 0) << "no job, so no blank page";
}

TEST_F(PrintingTest, LastColumnAndRowCarrySmallerPartsAndOutlines) {
  PosterOf(250, 280);  // 3 columns (last 50 dots), 2 rows (last 130 dots)
  AnswerAllPages();
  EXPECT_EQ(layout::PrintPoster(host), 6);
  ASSERT_EQ(printer->pages.size(), 6u);
  const QImage &full = printer->pages[0];  // (1, 1)
  const QImage &last = printer->pages[5];  // (3, 2)
  // Dotted outlines: dots and gaps of 3 at 96 dots per inch along the rectangle's edge.
  EXPECT_EQ(full.pixel(0, 0), kBlack);
  EXPECT_EQ(full.pixel(2, 0), kBlack);
  EXPECT_NE(full.pixel(3, 0), kBlack);
  EXPECT_GT(BlackAlongColumn(full, 99, 0, 150), 60);  // right edge at the printable edge
  EXPECT_EQ(BlackAlongColumn(last, 49, 0, 130) > 50, true) << "outline 50 dots wide";
  EXPECT_EQ(BlackAlongRow(last, 129, 0, 50) > 20, true) << "outline 130 dots high";
  EXPECT_EQ(BlackAlongColumn(last, 50, 0, 150), 0);
  EXPECT_EQ(BlackAlongRow(last, 130, 0, 100), 0);
  EXPECT_EQ(last.pixel(70, 60), kWhite) << "beyond the part the sheet stays blank";
  EXPECT_EQ(last.pixel(25, 60), BlockColour(3, 2));
  EXPECT_NE(BlockColour(3, 2), kBlack);
}

TEST_F(PrintingTest, SingleSheetHasNoOutlineAndNoRange) {
  PosterOf(80, 100);
  platform::PrintDialogSpec seen;
  AnswerAllPages(&seen);
  EXPECT_EQ(layout::PrintPoster(host), 1);
  EXPECT_FALSE(seen.pageRangeAllowed);
  EXPECT_EQ(seen.maxPage, 1);
  ASSERT_EQ(printer->pages.size(), 1u);
  const QImage &page = printer->pages[0];
  EXPECT_EQ(page.pixel(0, 0), BlockColour(1, 1));
  EXPECT_EQ(page.pixel(79, 99), BlockColour(1, 1));
  EXPECT_EQ(page.pixel(80, 0), kWhite);
  EXPECT_EQ(page.pixel(0, 100), kWhite);
  EXPECT_EQ(BlackAlongRow(page, 0, 0, 100) + BlackAlongColumn(page, 0, 0, 150), 0);
}

TEST_F(PrintingTest, SingleSheetFitsTheRatioSeveralSheetsStretch) {
  PosterOf(100, 100);
  host.feuilleWidth = 100;
  host.feuilleHeight = 50;  // a picture image twice as wide as tall
  host.document.KeepRatio = true;
  AnswerAllPages();
  layout::PrintPoster(host);
  ASSERT_EQ(printer->pages.size(), 1u);
  EXPECT_EQ(printer->pages[0].pixel(50, 40), BlockColour(1, 1));
  EXPECT_EQ(printer->pages[0].pixel(50, 60), kWhite);

  PosterOf(200, 100);
  host.feuilleWidth = host.feuilleHeight = 100;
  host.document.KeepRatio = true;
  AnswerAllPages();
  layout::PrintPoster(host);
  ASSERT_EQ(printer->pages.size(), 2u);
  EXPECT_EQ(printer->pages[1].pixel(50, 50), BlockColour(2, 1)) << "stretched, not fitted";
}

namespace {

// Named by the title expected: "Muralix : été.aff" runs as Muralix_ete_aff.
struct JobTitleCase {
  int language;
  const char *file;
  const char *title;
};
const JobTitleCase kJobTitleCases[] = {
    {0, "", "Muralix : SANS NOM"},
    {1, "", "Muralix : NONAME"},
    {0, "/home/anne/affiches/été.aff", "Muralix : été.aff"},
};
class PrintJobTitle : public PrintingTest, public testing::WithParamInterface<JobTitleCase> {};

TEST_P(PrintJobTitle, JobTitleNamesThePosterFile) {
  const JobTitleCase &c = GetParam();
  host.language = c.language;
  host.document.PosterFileName = QString::fromUtf8(c.file);
  EXPECT_EQ(layout::PrintJobTitle(host), QString::fromUtf8(c.title));
}
INSTANTIATE_TEST_SUITE_P(, PrintJobTitle, testing::ValuesIn(kJobTitleCases),
                         [](const testing::TestParamInfo<JobTitleCase> &info) {
                           return RowName(info.param.title);
                         });

}  // namespace

TEST_F(PrintingTest, TheJobTitleIsSetBeforeThePrintDialog) {
  PosterOf(80, 80);
  host.document.PosterFileName.clear();
  Dialogs().AnswerPrint([&](platform::PrintDialogSpec &) {
    EXPECT_EQ(platform::ThePrinter().Title(), QStringLiteral("Muralix : SANS NOM"))
        << "the title is set before the dialog";
    return true;
  });
  layout::PrintPoster(host);
  EXPECT_EQ(printer->jobTitle, QStringLiteral("Muralix : SANS NOM"));
}

TEST_F(PrintingTest, CancelPrintsNothing) {
  PosterOf(300, 300);
  Dialogs().AnswerPrint([](platform::PrintDialogSpec &) { return false; });
  EXPECT_EQ(layout::PrintPoster(host), 0);
  EXPECT_TRUE(printer->pages.empty());
  EXPECT_EQ(printer->jobsEnded, 0);
}

TEST_F(PrintingTest, NoPrinterIsReportedBeforeTheDialog) {
  PosterOf(300, 300);
  printer->unavailable = true;
  Dialogs().AnswerMessage(platform::MessageResult::Ok);
  EXPECT_EQ(layout::PrintPoster(host), 0);
  ASSERT_NE(Dialogs().LastMessage(), nullptr);
  EXPECT_EQ(Dialogs().LastMessage()->text, platform::NoPrinterText());
}

TEST_F(PrintingTest, PosterWithoutWidthPrintsOutlinesOnly) {
  PosterOf(300, 300);
  host.document.PosterWidth = 0;  // a poster side of no dots
  AnswerAllPages();
  EXPECT_EQ(layout::PrintPoster(host), 2);
  ASSERT_EQ(printer->pages.size(), 2u);
}

TEST_F(PrintingTest, WorkedExampleLastSheetOnThe600DotPrinter) {
  UsePrinter(WorkedExamplePrinter());
  host.document.PosterWidth = 1890;
  host.document.PosterHeight = 2646;
  host.picture.AssignBitmap(BlockImage(189, 265, 189, 265));
  AnswerRange(9, 9);
  EXPECT_EQ(layout::PrintPoster(host), 1);
  ASSERT_EQ(printer->pages.size(), 1u);
  const QImage &page = printer->pages[0];
  EXPECT_EQ(page.size(), QSize(4800, 6600));
  EXPECT_GT(BlackAlongColumn(page, 2211, 0, 3338), 1000);  // outline 2212 x 3338 dots
  EXPECT_GT(BlackAlongRow(page, 3337, 0, 2212), 1000);
  EXPECT_EQ(BlackAlongColumn(page, 2212, 0, 6600), 0);
  EXPECT_EQ(BlackAlongRow(page, 3338, 0, 4800), 0);
  EXPECT_EQ(page.pixel(1000, 1000), BlockColour(1, 1));
  EXPECT_EQ(page.pixel(3000, 1000), kWhite);
}

TEST_F(PrintingTest, PdfPrinterWritesOnePagePerSheet) {
  TempDir dir;
  platform::PdfPrinterSetup setup;
  setup.dpi = 96;
  setup.outputFile = dir.File(QStringLiteral("poster.pdf"));
  platform::ThePrinter().SetBackend(platform::MakePdfPrinter(setup));
  printer = nullptr;
  // A4 at 96 dots per inch with 4.2 mm margins: about 762 x 1091 printable dots.
  PosterOf(1600, 1200);
  platform::PrintDialogSpec all;
  EXPECT_EQ(layout::PrintPosterWith(host, all), 6);  // 3 columns x 2 rows
  QFile pdf(setup.outputFile);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray bytes = pdf.readAll();
  EXPECT_EQ(bytes.count("/Type /Page\n"), 6);
}

TEST_F(PrintingTest, MetafileIsPlayedOntoEachSheetAsVectors) {
  // A metafile whose red square fills the top-left quarter of a 300 x 300 poster: the
  // edge at x = 150 falls in the middle of the second column's part, sharp to the dot.
  auto put16 = [](QByteArray &b, int v) {
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
  };
  QByteArray wmf;
  for (int v : {1, 9, 0x0300, 0, 0, 2, 0, 0, 0}) put16(wmf, v);  // standard header
  auto record = [&](int function, std::initializer_list<int> words) {
    put16(wmf, int(3 + words.size()));
    put16(wmf, 0);
    put16(wmf, function);
    for (int w : words) put16(wmf, w);
  };
  record(0x020B, {0, 0});
  record(0x020C, {100, 100});
  record(0x02FC, {0, 255, 0, 0});  // solid red brush
  record(0x012D, {0});
  record(0x02FA, {5, 0, 0, 0, 0});  // null pen
  record(0x012D, {1});
  record(0x041B, {50, 50, 0, 0});
  record(0x0000, {});
  TempDir dir;
  host.picture.LoadFromFile(dir.Write(QStringLiteral("q.wmf"), wmf));
  host.document.PosterWidth = host.document.PosterHeight = 300;
  AnswerAllPages();
  EXPECT_EQ(layout::PrintPoster(host), 6);
  ASSERT_EQ(printer->pages.size(), 6u);
  const QImage &second = printer->pages[2];  // column 2, row 1: poster x 100 .. 200
  EXPECT_EQ(QColor(second.pixel(48, 75)), QColor(Qt::red));
  EXPECT_EQ(QColor(second.pixel(52, 75)), QColor(Qt::white));
  EXPECT_EQ(QColor(printer->pages[0].pixel(50, 75)), QColor(Qt::red));
  EXPECT_EQ(QColor(printer->pages[1].pixel(50, 50)), QColor(Qt::white)) << "row 2 starts at 150";
  EXPECT_EQ(QColor(printer->pages[4].pixel(50, 75)), QColor(Qt::white));
}

namespace {

struct ChosenPaperCase {
  const char *name;
  bool range;
  int from, to;
  size_t pages;
};
const ChosenPaperCase kChosenPaperCases[] = {
    {"every sheet of the new grid", false, 1, 1, 4},
    {"a range past the new grid keeps to its last sheet", true, 5, 6, 1},
};
class PrintChosenPaper : public PrintingTest,
                         public testing::WithParamInterface<ChosenPaperCase> {};

TEST_P(PrintChosenPaper, APaperChosenInThePrintDialogIsTheOneThePosterIsCutFor) {
  const ChosenPaperCase &c = GetParam();
  PosterOf(300, 300);  // 3 x 2 sheets of 100 x 150 dots
  platform::PrinterPageMetrics larger = SmallPrinter();
  larger.printableWidth = larger.printableHeight = 150;
  larger.physicalWidth = larger.physicalHeight = 170;
  UsePrinter(SmallPrinter());
  platform::RasterPrinter *chosen = nullptr;
  Dialogs().AnswerPrint([&](platform::PrintDialogSpec &request) {
    EXPECT_EQ(request.maxPage, 6);
    // The person picks another printer, with larger paper, in the dialog.
    auto other = std::make_unique<platform::RasterPrinter>(larger);
    chosen = other.get();
    platform::ThePrinter().SetBackend(std::move(other));
    request.pageRangeChosen = c.range;
    request.fromPage = c.from;
    request.toPage = c.to;
    return true;
  });
  EXPECT_EQ(layout::PrintPoster(host), int(c.pages));
  ASSERT_NE(chosen, nullptr);
  ASSERT_EQ(chosen->pages.size(), c.pages);
  // Each sheet carries 150 dots of the poster: the first sheet's outline is 150 wide.
  if (!c.range) {
    EXPECT_GT(BlackAlongColumn(chosen->pages[0], 149, 0, 150), 60);
  }
}
INSTANTIATE_TEST_SUITE_P(, PrintChosenPaper, testing::ValuesIn(kChosenPaperCases), ByRowName());

// The drawing's file: "poster.pdf" or "poster.svg".
class PrintVectorPoster : public PrintingTest, public testing::WithParamInterface<const char *> {};

TEST_P(PrintVectorPoster, PdfAndSvgPostersPrintEachSheetFromTheDrawingAtThePrintersResolution) {
  // A printer of 384 dots per inch (4 dots a poster pixel) with a 400 x 300 dot printable
  // area: a 250 x 200 pixel poster is 1000 x 800 dots on 3 x 3 sheets. Each sheet must
  // hold the very pixels of the drawing rendered whole at the poster's size in dots, so
  // it is sharp at the printer's resolution, and not an enlarged screen-sized copy: within
  // 4 levels per channel, since the renderers may round an antialiased edge pixel of the
  // sloped line a few levels apart when a part starts elsewhere (a shifted or rescaled
  // part differs by hundreds along every edge).
  platform::PrinterPageMetrics m;
  m.printableWidth = 400;
  m.printableHeight = 300;
  m.physicalWidth = 440;
  m.physicalHeight = 340;
  m.offsetX = m.offsetY = 20;
  m.dpiX = m.dpiY = 384;
  UsePrinter(m);
  host.document.PosterWidth = 250;
  host.document.PosterHeight = 200;
  const QSize dots(1000, 800);
  const layout::SheetGrid grid = layout::SheetGridFor(m, 250, 200, 96);
  ASSERT_EQ(grid.columns, 3);
  ASSERT_EQ(grid.rows, 3);
  const char *name = GetParam();
  TempDir dir;
  const bool pdf = QLatin1String(name).endsWith(QLatin1String("pdf"));
  const QString path =
      dir.Write(QLatin1String(name), pdf ? PdfBytes(250, 200) : SvgBytes(250, 200));
  host.picture.LoadFromFile(path);
  host.feuilleWidth = host.picture.Width();
  host.feuilleHeight = host.picture.Height();
  QImage reference(dots, QImage::Format_RGB32);
  reference.fill(Qt::white);
  {
    QPainter painter(&reference);
    if (pdf) {
      QPdfDocument document;
      ASSERT_EQ(document.load(path), QPdfDocument::Error::None);
      painter.drawImage(0, 0, document.render(0, dots));
    } else {
      QSvgRenderer(path).render(&painter, QRectF(QPointF(0, 0), QSizeF(dots)));
    }
  }
  AnswerAllPages();
  ASSERT_EQ(layout::PrintPoster(host), 9);
  ASSERT_EQ(printer->pages.size(), 9u);
  int k = 0;
  for (int c = 1; c <= 3; ++c)
    for (int j = 1; j <= 3; ++j) {
      SCOPED_TRACE(testing::Message() << "sheet " << c << ", " << j);
      const layout::SheetPart part = layout::SheetPartOf(m, grid, c, j);
      const QImage &page = printer->pages[size_t(k++)];
      // Inside the cutting outline, which is drawn over the picture's edge.
      int worst = 0;
      QPoint at;
      for (int y = 1; y < int(part.y1 - part.y0) - 1; ++y)
        for (int x = 1; x < int(part.x1 - part.x0) - 1; ++x) {
          const QRgb a = page.pixel(x, y);
          const QRgb b = reference.pixel(int(part.x0) + x, int(part.y0) + y);
          const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
          if (d > worst) {
            worst = d;
            at = QPoint(x, y);
          }
        }
      EXPECT_LE(worst, 4) << "at (" << at.x() << ", " << at.y() << ")";
    }
  // The design crosses the sheets: the red quarter ends at poster dot 500 in the
  // middle column, the blue disc reaches the last one.
  EXPECT_EQ(QColor(printer->pages[3].pixel(95, 150)), QColor(Qt::red));
  EXPECT_EQ(QColor(printer->pages[3].pixel(105, 150)), QColor(Qt::white));
  EXPECT_EQ(QColor(printer->pages[8].pixel(150, 100)), QColor(Qt::blue));
}
INSTANTIATE_TEST_SUITE_P(, PrintVectorPoster, testing::Values("poster.pdf", "poster.svg"),
                         [](const testing::TestParamInfo<const char *> &info) {
                           return RowName(info.param);
                         });
}  // namespace

TEST_F(PrintingTest, APdfFileThatCannotBeWrittenIsReportedNotTakenForPrinted) {
  platform::PdfPrinterSetup setup;
  setup.dpi = 96;
  setup.outputFile = QStringLiteral("/dev/full");  // every write fails: the disk is full
  platform::ThePrinter().SetBackend(platform::MakePdfPrinter(setup));
  printer = nullptr;
  PosterOf(1600, 1200);
  AnswerAllPages();
  Dialogs().AnswerMessage(platform::MessageResult::Ok);
  EXPECT_EQ(layout::PrintPoster(host), 0);
  ASSERT_NE(Dialogs().LastMessage(), nullptr);
  EXPECT_EQ(Dialogs().LastMessage()->text,
            QStringLiteral("Impossible de créer le fichier /dev/full : Disque plein"));
}
