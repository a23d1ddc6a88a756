#include <QFile>
#include <QFileInfo>
#include <string>
#include <vector>

#include "FakeHost.h"
#include "PosterPrinting.h"
#include "RowName.h"
#include "TempDir.h"
#include "ui/Cursors.h"

namespace {

// Print jobs seen through their progress window: the steps they report, a stop asked
// half-way, and the word said when a job has ended.
class PrintProgressTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    UsePrinter(SmallPrinter());  // 100 x 150 dots: a 300 x 300 poster is 3 columns x 2 rows
    host.document.KeepRatio = false;
    PosterOf(300, 300);
  }
  void PosterOf(int w, int h) { host.PosterOf(w, h); }
  void AnswerPages(int from = 0, int to = 0) {
    Dialogs().AnswerPrint([from, to](platform::PrintDialogSpec &request) {
      request.pageRangeChosen = from > 0;
      request.fromPage = from;
      request.toPage = to;
      return true;
    });
  }
  // "Annuler" clicked while the sheet before `step` is printed.
  void StopBefore(const QString &step) {
    Dialogs().AnswerProgress([step](const QString &shown) { return shown != step; });
  }
  static QString Step(int k, int n) {
    return QStringLiteral("Impression de la feuille %1 sur %2…").arg(k).arg(n);
  }
  int MessagesShown() {
    int n = 0;
    for (const auto &shown : Dialogs().ShownDialogs()) n += shown.kind == shown.Message;
    return n;
  }
};

TEST_F(PrintProgressTest, StoppedAfterTheSecondOfSixSheetsKeepsThemAndEndsTheJob) {
  host.document.PosterFileName = QStringLiteral("/tmp/mur.aff");
  host.document.Modified = true;
  const layout::PosterDocument before = host.document;
  AnswerPages();
  StopBefore(Step(3, 6));

  EXPECT_EQ(layout::PrintPoster(host), 2);
  ASSERT_EQ(printer->pages.size(), 2u) << "exactly the sheets already sent";
  EXPECT_EQ(printer->pages[0].pixel(50, 75), BlockColour(1, 1));
  EXPECT_EQ(printer->pages[1].pixel(50, 75), BlockColour(1, 2));
  EXPECT_EQ(printer->jobsEnded, 1);
  EXPECT_FALSE(platform::ThePrinter().Printing());
  EXPECT_EQ(Dialogs().ProgressSteps(), (std::vector<QString>{Step(1, 6), Step(2, 6), Step(3, 6)}));
  EXPECT_EQ(MessagesShown(), 0) << "a stop asked for is no error, and the job says nothing";

  // The window is as it was: the poster untouched, the cursor back, and the next job whole.
  EXPECT_EQ(host.document.PosterFileName, before.PosterFileName);
  EXPECT_EQ(host.document.PosterWidth, before.PosterWidth);
  EXPECT_EQ(host.document.PosterHeight, before.PosterHeight);
  EXPECT_EQ(host.document.KeepRatio, before.KeepRatio);
  EXPECT_EQ(host.document.Modified, before.Modified);
  EXPECT_FALSE(platform::IsBusyCursorShown());
  Dialogs().AnswerProgress(nullptr);
  AnswerPages();
  EXPECT_EQ(layout::PrintPoster(host), 6);
  EXPECT_EQ(printer->jobsEnded, 2);
}

TEST_F(PrintProgressTest, StoppedBeforeTheFirstSheetBeginsNoJob) {
  AnswerPages();
  StopBefore(Step(1, 6));
  EXPECT_EQ(layout::PrintPoster(host), 0);
  EXPECT_TRUE(printer->pages.empty());
  EXPECT_EQ(printer->jobsEnded, 0);
  EXPECT_FALSE(platform::IsBusyCursorShown());
}

struct StepsCase {
  const char *name;
  int posterW, posterH;
  int from, to;             // 0: all pages
  std::vector<int> counts;  // the k of each step, all "sur" the last of them
};
const StepsCase kStepsCases[] = {
    {"every sheet of a 3 x 2 grid", 300, 300, 0, 0, {1, 2, 3, 4, 5, 6}},
    {"a range counts its own sheets", 300, 300, 3, 4, {1, 2}},
    {"a range past the grid counts what is left", 300, 300, 5, 9, {1, 2}},
    {"a single sheet", 80, 120, 0, 0, {1}},
};

class PrintProgressSteps : public PrintProgressTest,
                           public ::testing::WithParamInterface<StepsCase> {};

TEST_P(PrintProgressSteps, OneStepPerSheetPrinted) {
  const StepsCase &c = GetParam();
  PosterOf(c.posterW, c.posterH);
  AnswerPages(c.from, c.to);
  const int n = int(c.counts.size());
  EXPECT_EQ(layout::PrintPoster(host), n);
  std::vector<QString> expected;
  for (int k : c.counts) expected.push_back(Step(k, n));
  EXPECT_EQ(Dialogs().ProgressSteps(), expected);
}

INSTANTIATE_TEST_SUITE_P(Printing, PrintProgressSteps, ::testing::ValuesIn(kStepsCases),
                         [](const ::testing::TestParamInfo<StepsCase> &info) {
                           return RowName(info.param.name);
                         });

// A PDF printer writing to a file of the test's folder (A4 at 96 dots per inch).
class PdfPrintTest : public PrintProgressTest {
 protected:
  void SetUp() override {
    PrintProgressTest::SetUp();
    platform::PdfPrinterSetup setup;
    setup.dpi = 96;
    setup.outputFile = file;
    platform::ThePrinter().SetBackend(platform::MakePdfPrinter(setup));
    printer = nullptr;
    PosterOf(1600, 1200);  // 3 columns x 2 rows of about 762 x 1091 dots
  }
  int PagesWritten() {
    QFile pdf(file);
    return pdf.open(QIODevice::ReadOnly) ? int(pdf.readAll().count("/Type /Page\n")) : -1;
  }
  TempDir dir;
  QString file = dir.File(QStringLiteral("poster.pdf"));
};

TEST_F(PdfPrintTest, TheEndOfAJobNamesTheFile) {
  AnswerPages();
  Dialogs().AnswerMessage(platform::MessageResult::Ok);
  EXPECT_EQ(layout::PrintPoster(host), 6);
  ASSERT_NE(Dialogs().LastMessage(), nullptr);
  EXPECT_EQ(Dialogs().LastMessage()->text,
            QStringLiteral("Affiche imprimée dans ") + QFileInfo(file).absoluteFilePath());
  EXPECT_EQ(Dialogs().LastMessage()->icon, platform::MessageIcon::Information);
  EXPECT_EQ(PagesWritten(), 6);
}

TEST_F(PdfPrintTest, AStoppedJobWritesTheSheetsSentAndSaysNothing) {
  AnswerPages();
  StopBefore(Step(3, 6));
  EXPECT_EQ(layout::PrintPoster(host), 2);
  EXPECT_EQ(MessagesShown(), 0);
  EXPECT_EQ(PagesWritten(), 2);
}

TEST_F(PdfPrintTest, TheCommandLinesJobSaysNothing) {
  EXPECT_EQ(layout::PrintPosterWith(host, platform::PrintDialogSpec{}), 6);
  EXPECT_EQ(MessagesShown(), 0);
}

}  // namespace
