#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QToolButton>

#include "FakeHost.h"
#include "FormatDialog.h"
#include "PaperFacts.h"
#include "RowName.h"
#include "SheetLayout.h"

namespace {

// ---- the picture's resolution on paper ----------------------------------------------

struct ResolutionCase {
  const char *name;
  int pictureWidth, pictureHeight;
  double posterWidthMm, posterHeightMm;
  bool keepRatio, vector;
  int language;
  const char *text;  // what the line says
  bool low;
};

// 1890 x 1260 screen pixels at 96 pixels per inch.
constexpr double kSampleWidthMm = 1890 * 25.4 / 96, kSampleHeightMm = 1260 * 25.4 / 96;

const ResolutionCase kResolutionCases[] = {
    {"the sample poster 960 x 640 on 500 x 333 mm", 960, 640, kSampleWidthMm, kSampleHeightMm, true,
     false, 0, "Résolution : 49 ppp", true},
    {"in English", 960, 640, kSampleWidthMm, kSampleHeightMm, true, false, 1, "Resolution : 49 ppi",
     true},
    {"exactly 100 ppp is not low", 1000, 1000, 254, 254, false, false, 0, "Résolution : 100 ppp",
     false},
    {"99 ppp is low", 990, 990, 254, 254, false, false, 0, "Résolution : 99 ppp", true},
    {"stretched without the lock the coarser direction counts", 1000, 1000, 254, 508, false, false,
     0, "Résolution : 50 ppp", true},
    {"with the lock the fitted picture counts, not the wider poster", 1000, 1000, 508, 254, true,
     false, 0, "Résolution : 100 ppp", false},
    {"a landscape photo on an A4 portrait poster", 3000, 2000, 210, 297, true, false, 0,
     "Résolution : 363 ppp", false},
    {"a photo on A3 landscape", 4000, 3000, 420, 297, true, false, 0, "Résolution : 257 ppp",
     false},
    {"a huge picture on the smallest poster", 100000, 100000, 0.1, 0.1, false, false, 0,
     "Résolution : 25400000 ppp", false},
    {"a vector picture at any size", 96, 48, 2970, 2970, true, true, 0, "Résolution : vectoriel",
     false},
    {"a vector picture in English", 96, 48, 2970, 2970, true, true, 1, "Resolution : vector",
     false},
    {"no picture says nothing", 0, 0, 500, 500, true, false, 0, "", false},
    {"a poster without height says nothing", 1000, 1000, 254, 0, false, false, 0, "", false},
};

void PrintTo(const ResolutionCase &c, std::ostream *os) {
  *os << c.name;
}

class ResolutionOnPaper : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(ResolutionOnPaper, SaysThePixelsPerInchAndWarnsBelowOneHundred) {
  const ResolutionCase &c = GetParam();
  const layout::PaperResolution r = layout::ResolutionOnPaper(
      c.pictureWidth, c.pictureHeight, c.posterWidthMm, c.posterHeightMm, c.keepRatio, c.vector);
  EXPECT_EQ(layout::ResolutionText(c.language, r), QString::fromUtf8(c.text));
  EXPECT_EQ(r.Low(), c.low);
}

INSTANTIATE_TEST_SUITE_P(, ResolutionOnPaper, ::testing::ValuesIn(kResolutionCases), ByRowName());

TEST(ResolutionLabel, WarnsInColourAndReadsItsValueAndWhy) {
  QWidget window;
  QLabel label(&window);
  const QColor normal = label.palette().color(QPalette::WindowText);
  layout::ShowResolution(&label, 0, layout::ResolutionOnPaper(960, 640, 500, 333, true, false));
  EXPECT_EQ(label.toolTip(), QStringLiteral("l'image sera visiblement pixelisée de près"));
  EXPECT_NE(label.palette().color(QPalette::WindowText), normal);
  QAccessibleInterface *a = QAccessible::queryAccessibleInterface(&label);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->text(QAccessible::Name),
            QStringLiteral("Résolution : 49 ppp, l'image sera visiblement pixelisée de près"));

  // A larger poster's warning goes away once the picture is sharp enough.
  layout::ShowResolution(&label, 0, layout::ResolutionOnPaper(960, 640, 200, 133, true, false));
  EXPECT_EQ(label.text(), QStringLiteral("Résolution : 122 ppp"));
  EXPECT_TRUE(label.toolTip().isEmpty());
  EXPECT_EQ(label.palette().color(QPalette::WindowText), normal);
  EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Résolution : 122 ppp"));
}

// ---- the other orientation's sheets -------------------------------------------------

struct TurnCase {
  const char *name;
  bool landscape;  // the paper's orientation now
  int widthPx, heightPx;
  int language;
  const char *hint;  // empty: the other orientation takes as many sheets or more
};

// On the worked example's printer: printable 4800 x 6600 dots at 600 dots per inch.
const TurnCase kTurnCases[] = {
    {"the sample poster 6 sheets in portrait 4 in landscape", false, 1890, 1260, 0,
     "4 feuilles en paysage"},
    {"in English", false, 1890, 1260, 1, "4 sheets in landscape"},
    {"already landscape says nothing", true, 1890, 1260, 0, ""},
    {"a tall poster in landscape is better in portrait", true, 1260, 1890, 0,
     "4 feuilles en portrait"},
    {"the worked example 9 against 8", false, 1890, 2646, 0, "8 feuilles en paysage"},
    {"one sheet already", false, 768, 1056, 0, ""},
    {"a wide poster that fits one landscape sheet", false, 1056, 768, 0, "1 feuille en paysage"},
    {"as many sheets either way says nothing", false, 1536, 1536, 0, ""},
};

void PrintTo(const TurnCase &c, std::ostream *os) {
  *os << c.name;
}

class FewerSheetsTurned : public ::testing::TestWithParam<TurnCase> {};

TEST_P(FewerSheetsTurned, NamesTheOtherOrientationOnlyWhenItTakesFewer) {
  const TurnCase &c = GetParam();
  const platform::PrinterPageMetrics portrait = WorkedExamplePrinter();
  const platform::PrinterPageMetrics landscape = platform::Turned(portrait);
  const auto &now = c.landscape ? landscape : portrait;
  const auto &turned = c.landscape ? portrait : landscape;
  const int64_t sheets = layout::FewerSheetsTurned(now, turned, c.widthPx, c.heightPx, 96);
  // An independent count: the turned page's columns times rows, against the current one's.
  const auto count = [&](const platform::PrinterPageMetrics &m) {
    const auto w = int64_t(std::nearbyint(c.widthPx * 600.0 / 96));
    const auto h = int64_t(std::nearbyint(c.heightPx * 600.0 / 96));
    return ((w + m.printableWidth - 1) / m.printableWidth) *
           ((h + m.printableHeight - 1) / m.printableHeight);
  };
  EXPECT_EQ(sheets, count(turned) < count(now) ? count(turned) : 0);
  const QString hint =
      sheets > 0 ? layout::FewerSheetsText(c.language, sheets, !c.landscape) : QString();
  EXPECT_EQ(hint, QString::fromUtf8(c.hint));
}

INSTANTIATE_TEST_SUITE_P(, FewerSheetsTurned, ::testing::ValuesIn(kTurnCases), ByRowName());

// ---- in the format dialog and the main window's side panel -----------------------

class PaperFactsDialogTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    host.picture.AssignBitmap(BlockImage(960, 640, 960, 640));
    host.feuilleWidth = 960;
    host.feuilleHeight = 640;
    host.document.KeepRatio = false;
    dialog = std::make_unique<layout::TNewFor>(host);
  }
  void TearDown() override {
    dialog.reset();
    LayoutTest::TearDown();
  }
  std::unique_ptr<layout::TNewFor> dialog;
};

}  // namespace

TEST_F(PaperFactsDialogTest, TheHintTurnsThePaperInOneClick) {
  dialog->SetWScrollPosition(5000);
  dialog->SetHScrollPosition(3334);
  EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 6"));
  EXPECT_EQ(dialog->ResolutionLbl->text(), QStringLiteral("Résolution : 49 ppp"));
  ASSERT_FALSE(dialog->TurnHint->isHidden());
  EXPECT_EQ(dialog->TurnHint->text(), QStringLiteral("4 feuilles\nen paysage"));
  QAccessibleInterface *a = QAccessible::queryAccessibleInterface(dialog->TurnHint);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("4 feuilles en paysage, passer en paysage"));

  dialog->TurnHint->click();
  EXPECT_TRUE(dialog->CheckBox1->isChecked());
  EXPECT_TRUE(platform::ThePrinter().IsLandscape());
  EXPECT_TRUE(host.document.Landscape);
  EXPECT_TRUE(host.document.Modified);
  EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 4"));
  EXPECT_TRUE(dialog->TurnHint->isHidden()) << "portrait would take more";
  EXPECT_EQ(dialog->ResolutionLbl->text(), QStringLiteral("Résolution : 49 ppp"))
      << "the paper's orientation does not change the picture's resolution";
}

TEST_F(PaperFactsDialogTest, TheMainWindowShowsTheResolutionUnderTheCount) {
  host.WithSidePanel(320, 320);
  host.document.PosterWidth = 1890;
  host.document.PosterHeight = 1260;
  layout::RefreshPreview(host);
  EXPECT_EQ(host.label->text(), QStringLiteral("Feuilles : 6"));
  EXPECT_EQ(host.resolution->text(), QStringLiteral("Résolution : 49 ppp"));
  EXPECT_EQ(host.resolution->toolTip(),
            QStringLiteral("l'image sera visiblement pixelisée de près"));
}
