#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>

#include "FakeHost.h"
#include "FormatDialog.h"
#include "RowName.h"
#include "SheetLayout.h"

namespace {

class FormatDialogTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    dialog = std::make_unique<layout::TNewFor>(host);
  }
  void TearDown() override {
    dialog.reset();
    LayoutTest::TearDown();
  }
  void Type(QLineEdit *edit, const QString &text) {
    edit->setText(text);
    if (edit == dialog->Edit1)
      dialog->ApplyWidthEdit();
    else
      dialog->ApplyHeightEdit();
  }
  std::unique_ptr<layout::TNewFor> dialog;
};

}  // namespace

TEST_F(FormatDialogTest, ConversionsBetweenPixelsAndTenths) {
  EXPECT_EQ(layout::PositionOfPixels(378, 96), 1000);
  EXPECT_EQ(layout::PixelsOfPosition(1000, 96), 378);
  EXPECT_EQ(layout::PixelsOfPosition(5000, 96), 1890);
  EXPECT_EQ(layout::PixelsOfPosition(7000, 96), 2646);
  EXPECT_EQ(layout::TNewFor::PositionText(1000), QStringLiteral("100,0"));
  EXPECT_EQ(layout::TNewFor::PositionText(1), QStringLiteral("0,1"));
}

TEST_F(FormatDialogTest, OpeningAndAcceptingUnchangedGivesTheSizeBack) {
  host.document.PosterWidth = host.document.PosterHeight = 378;
  host.document.KeepRatio = false;
  Dialogs().AnswerModal([&](QDialog &) {
    EXPECT_EQ(dialog->WScrollPosition(), 1000);
    EXPECT_EQ(dialog->HScrollPosition(), 1000);
    EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("100,0"));
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 1"));
    dialog->OKBtnClick();
    return int(QDialog::Accepted);
  });
  layout::FormatBtnClick(host, *dialog);
  EXPECT_EQ(host.document.PosterWidth, 378);
  EXPECT_EQ(host.document.PosterHeight, 378);
}

namespace {

// What is typed, named by itself ("12,34" runs as typed_12_34), with where the scroll bar
// goes and what the edit shows after.
struct EditCase {
  const char *typed;
  int position;
  const char *shown;
};
const EditCase kEditCases[] = {
    {"150", 1500, "150,0"},   {"5000", 29700, "2970,0"},  {"0", 1, "0,1"},
    {"12,34", 123, "12,3"},   {"-3", 1, "0,1"},           {"abc", 1000, "100,0"},
    {"12.5", 125, "12,5"},    {"", 1000, "100,0"},        {" 7,05 ", 70, "7,0"},
    {"500.5", 5005, "500,5"}, {"1.000,5", 1000, "100,0"}, {"5.5.5", 1000, "100,0"},
};
class FormatDialogWidthEdit : public FormatDialogTest,
                              public testing::WithParamInterface<EditCase> {};

TEST_P(FormatDialogWidthEdit, WidthEditIsReadClampedAndTruncated) {
  const EditCase &c = GetParam();
  host.document.KeepRatio = false;
  dialog->SetWScrollPosition(555);
  Type(dialog->Edit1, QString::fromUtf8(c.typed));
  EXPECT_EQ(dialog->WScrollPosition(), c.position);
  EXPECT_EQ(dialog->Edit1->text(), QString::fromUtf8(c.shown));
}
INSTANTIATE_TEST_SUITE_P(
    , FormatDialogWidthEdit, testing::ValuesIn(kEditCases),
    [](const testing::TestParamInfo<EditCase> &info) {
      return RowName(QStringLiteral("typed ") +
                     QString::fromUtf8(info.param.typed).replace(u'-', QStringLiteral("minus ")));
    });

}  // namespace

TEST_F(FormatDialogTest, TypedValueAtTheCurrentPositionStillShowsTheBound) {
  host.document.KeepRatio = false;
  dialog->SetWScrollPosition(29700);
  Type(dialog->Edit1, QStringLiteral("5000"));
  EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("2970,0"));
}

TEST_F(FormatDialogTest, LockFollowsTheWidePictureImage) {
  host.feuilleWidth = 200;
  host.feuilleHeight = 100;
  host.document.KeepRatio = true;
  Type(dialog->Edit1, QStringLiteral("150"));
  EXPECT_EQ(dialog->WScrollPosition(), 1500);
  EXPECT_EQ(dialog->HScrollPosition(), 750);
  EXPECT_EQ(dialog->Edit2->text(), QStringLiteral("75,0"));
}

TEST_F(FormatDialogTest, LockStopsAtTheHeightLimitAndTheWidthFollowsBack) {
  host.feuilleWidth = 100;
  host.feuilleHeight = 300;
  host.document.KeepRatio = true;
  Type(dialog->Edit1, QStringLiteral("2000"));
  EXPECT_EQ(dialog->HScrollPosition(), 29700);
  EXPECT_EQ(dialog->Edit2->text(), QStringLiteral("2970,0"));
  EXPECT_EQ(dialog->WScrollPosition(), 9900);
  EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("990,0"));
}

TEST_F(FormatDialogTest, TurningTheLockOnRecomputesTheHeightAndMarksModified) {
  host.document.KeepRatio = false;
  dialog->CheckBox2->setChecked(false);
  dialog->SetWScrollPosition(1000);
  dialog->SetHScrollPosition(1000);
  host.document.Modified = false;
  dialog->CheckBox2->setChecked(true);
  dialog->CheckBox2Click();
  EXPECT_TRUE(host.document.KeepRatio);
  EXPECT_TRUE(host.document.Modified);
  EXPECT_EQ(dialog->HScrollPosition(), 500);  // 200 x 100 picture image
}

TEST_F(FormatDialogTest, CancelAfterAnEditKeepsTheSizeButMarksModified) {
  host.document.PosterWidth = host.document.PosterHeight = 378;
  host.document.KeepRatio = false;
  Dialogs().AnswerModal([&](QDialog &) {
    Type(dialog->Edit1, QStringLiteral("200"));
    return int(QDialog::Rejected);
  });
  layout::FormatBtnClick(host, *dialog);
  EXPECT_EQ(host.document.PosterWidth, 378);
  EXPECT_TRUE(host.document.Modified);
}

TEST_F(FormatDialogTest, CancelWithoutEditLeavesThePosterUnmodified) {
  host.document.KeepRatio = true;  // as the box is at design, so showing clicks nothing
  Dialogs().AnswerModal([&](QDialog &) { return int(QDialog::Rejected); });
  layout::FormatBtnClick(host, *dialog);
  EXPECT_FALSE(host.document.Modified);
}

TEST_F(FormatDialogTest, LandscapeChosenInTheDialogStaysAfterCancel) {
  host.document.PosterWidth = 1890;
  host.document.PosterHeight = 2646;
  host.document.KeepRatio = false;
  Dialogs().AnswerModal([&](QDialog &) {
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 9"));
    dialog->CheckBox1->setChecked(true);
    dialog->CheckBox1Click();
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 8"));  // the page turned
    return int(QDialog::Rejected);
  });
  layout::FormatBtnClick(host, *dialog);
  EXPECT_TRUE(platform::ThePrinter().IsLandscape());
  EXPECT_TRUE(host.document.Landscape);
  EXPECT_TRUE(host.document.Modified);
  EXPECT_EQ(host.document.PosterWidth, 1890);
}

TEST_F(FormatDialogTest, ShowReadsThePrinterOrientationAndTheLock) {
  platform::ThePrinter().SetOrientation(platform::Orientation::Landscape);
  host.document.KeepRatio = true;
  Dialogs().AnswerModal([&](QDialog &) {
    EXPECT_TRUE(dialog->CheckBox1->isChecked());
    EXPECT_TRUE(dialog->CheckBox2->isChecked());
    return int(QDialog::Rejected);
  });
  dialog->Execute();
  EXPECT_TRUE(host.document.Landscape);
}

TEST_F(FormatDialogTest, TextsFollowTheLanguage) {
  host.language = 1;
  layout::TNewFor english(host);
  EXPECT_EQ(english.windowTitle(), QStringLiteral("Placard size"));
  EXPECT_EQ(english.CheckBox2->text(), QStringLiteral("&Keep ratio"));
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Format de l'affiche"));
  EXPECT_EQ(dialog->CheckBox1->text(), QStringLiteral("&Paysage"));
  EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 100"));
}

TEST_F(FormatDialogTest, ShowingWithTheLockOffClicksTheBoxAndMarksModified) {
  host.document.KeepRatio = false;  // the box is checked at design
  Dialogs().AnswerModal([&](QDialog &) {
    EXPECT_FALSE(dialog->CheckBox2->isChecked());
    return int(QDialog::Rejected);
  });
  dialog->Execute();
  EXPECT_TRUE(host.document.Modified);
  EXPECT_FALSE(host.document.KeepRatio);
}

TEST_F(FormatDialogTest, EnterInAnEditAppliesTheSizeBeforeItClosesTheDialog) {
  host.document.KeepRatio = false;
  dialog->show();  // Enter reaches OK only on a dialog on screen
  dialog->SetWScrollPosition(1000);
  dialog->SetHScrollPosition(1000);
  const auto pressEnter = [&] {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog->Edit1, &press);
  };
  dialog->Edit1->setText(QStringLiteral("500.5"));
  pressEnter();
  EXPECT_EQ(dialog->result(), 0) << "the first Enter does not close the dialog";
  EXPECT_EQ(dialog->WScrollPosition(), 5005);
  EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("500,5"));
  EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 3")) << "the count follows";
  pressEnter();  // the value shown is in force: now Enter is the dialog's OK
  EXPECT_EQ(dialog->result(), int(QDialog::Accepted));
}

namespace {

struct ControlNameCase {
  const char *name;
  QWidget *(*control)(layout::TNewFor &);
};
const ControlNameCase kControlNameCases[] = {
    {"Largeur en millimètres", [](layout::TNewFor &d) -> QWidget * { return d.Edit1; }},
    {"Hauteur en millimètres", [](layout::TNewFor &d) -> QWidget * { return d.Edit2; }},
    {"Largeur", [](layout::TNewFor &d) -> QWidget * { return d.WScroll; }},
    {"Hauteur", [](layout::TNewFor &d) -> QWidget * { return d.HScroll; }},
    {"Aperçu des feuilles", [](layout::TNewFor &d) -> QWidget * { return d.Image; }},
    {"Paysage", [](layout::TNewFor &d) -> QWidget * { return d.CheckBox1; }},
    {"Annuler", [](layout::TNewFor &d) -> QWidget * { return d.CancelBtn; }},
};
class FormatDialogControlName : public FormatDialogTest,
                                public testing::WithParamInterface<ControlNameCase> {};

TEST_P(FormatDialogControlName, EveryControlReadsAsWhatAPersonSees) {
  const ControlNameCase &c = GetParam();
  QAccessibleInterface *a = QAccessible::queryAccessibleInterface(c.control(*dialog));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(c.name));
}
INSTANTIATE_TEST_SUITE_P(, FormatDialogControlName, testing::ValuesIn(kControlNameCases),
                         ByRowName());

}  // namespace

TEST_F(FormatDialogTest, AfterCancelTheMainWindowShowsTheOrientationThatWillPrint) {
  host.WithSidePanel(320, 320);
  host.picture.AssignBitmap(BlockImage(20, 20, 20, 20));
  host.document.PosterWidth = 1890;
  host.document.PosterHeight = 2646;
  host.document.KeepRatio = false;
  layout::RefreshPreview(host);
  ASSERT_EQ(host.label->text(), QStringLiteral("Feuilles : 9"));
  Dialogs().AnswerModal([&](QDialog &) {
    dialog->CheckBox1->setChecked(true);
    dialog->CheckBox1Click();
    return int(QDialog::Rejected);
  });
  layout::FormatBtnClick(host, *dialog);
  EXPECT_TRUE(host.box->isChecked());
  EXPECT_EQ(host.label->text(), QStringLiteral("Feuilles : 8")) << "as the landscape page prints";
}

TEST_F(FormatDialogTest, OverlapRecountsTheSheetsAndCancelGivesItBack) {
  host.document.PosterWidth = 1890;
  host.document.PosterHeight = 2646;
  host.document.KeepRatio = false;
  dialog->CheckBox2->setChecked(false);
  Dialogs().AnswerModal([&](QDialog &) {
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 9"));
    dialog->OverlapSpin->setValue(80);  // steps of 2910 x 4710 dots: 4 x 4 sheets
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 16"));
    EXPECT_EQ(host.overlapMm, 80);
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(dialog->OverlapSpin);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Recouvrement : 80 mm"));
    return int(QDialog::Rejected);
  });
  layout::FormatBtnClick(host, *dialog);
  EXPECT_EQ(host.overlapMm, 0) << "Cancel keeps the overlap the dialog was shown with";
  EXPECT_FALSE(host.document.Modified) << "the overlap is not the poster file's";
  EXPECT_EQ(host.document.PosterWidth, 1890);

  Dialogs().AnswerModal([&](QDialog &) {
    EXPECT_EQ(dialog->OverlapSpin->value(), 0);
    dialog->OverlapSpin->setValue(15);
    return int(QDialog::Accepted);
  });
  layout::FormatBtnClick(host, *dialog);
  EXPECT_EQ(host.overlapMm, 15);
}

TEST_F(FormatDialogTest, NumbersMapAndLosslessApplyAtOnceAndCancelGivesThemBack) {
  Dialogs().AnswerModal([&](QDialog &) {
    EXPECT_FALSE(dialog->NumbersBox->isChecked());
    EXPECT_FALSE(dialog->MapBox->isChecked());
    EXPECT_FALSE(dialog->LosslessBox->isChecked());
    EXPECT_TRUE(dialog->PdfPaperBox->isHidden()) << "the raster printer keeps its own paper";
    dialog->NumbersBox->click();
    dialog->MapBox->click();
    dialog->LosslessBox->click();
    EXPECT_TRUE(host.numberSheets);
    EXPECT_TRUE(host.assemblyMap);
    EXPECT_TRUE(host.losslessPicture);
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(dialog->NumbersBox);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Numéroter les feuilles"));
    EXPECT_TRUE(a->state().checked);
    a = QAccessible::queryAccessibleInterface(dialog->LosslessBox);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Image sans perte"));
    return int(QDialog::Rejected);
  });
  layout::FormatBtnClick(host, *dialog);
  EXPECT_FALSE(host.numberSheets);
  EXPECT_FALSE(host.assemblyMap);
  EXPECT_FALSE(host.losslessPicture);
  EXPECT_FALSE(host.document.Modified) << "printing preferences, not the poster file's";

  Dialogs().AnswerModal([&](QDialog &) {
    dialog->MapBox->click();
    return int(QDialog::Accepted);
  });
  layout::FormatBtnClick(host, *dialog);
  EXPECT_TRUE(host.assemblyMap);
  EXPECT_FALSE(host.numberSheets);
}

// The PDF printer that stands in for a missing system printer: its paper is chosen in the
// dialog, the sheet count follows it, and Cancel gives back the A4.
TEST_F(FormatDialogTest, ThePdfPrintersPaperRecountsTheSheets) {
  platform::ThePrinter().SetBackend(platform::MakePdfPrinter());
  const platform::PrinterPageMetrics a4 = platform::ThePrinter().PageMetrics();
  host.document.PosterWidth = 1890;  // 500 x 700 mm: 9 sheets of A4, 4 of A3
  host.document.PosterHeight = 2646;
  host.document.KeepRatio = false;
  dialog->CheckBox2->setChecked(false);
  Dialogs().AnswerModal([&](QDialog &) {
    EXPECT_FALSE(dialog->PdfPaperBox->isHidden());
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 9"));
    EXPECT_EQ(dialog->Label3->accessibleName(), QStringLiteral("Feuilles : 9"));
    dialog->PdfPaperBox->setCurrentText(QStringLiteral("A3"));
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 4"));
    EXPECT_EQ(host.pdfPaper, QStringLiteral("A3"));
    EXPECT_EQ(dialog->PdfPaperBox->accessibleName(), QStringLiteral("Papier du PDF : A3"));
    dialog->PdfPaperBox->setCurrentText(QStringLiteral("B9"));  // no paper: nothing changes
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("Feuilles : 4"));
    return int(QDialog::Rejected);
  });
  layout::FormatBtnClick(host, *dialog);
  EXPECT_EQ(host.pdfPaper, QString());
  EXPECT_EQ(platform::ThePrinter().PageMetrics(), a4);
}

TEST_F(FormatDialogTest, AnOverlapAsWideAsTheSheetIsRefusedOnOk) {
  dialog->OverlapSpin->setValue(204);  // 4819 dots, the printable width is 4800
  Dialogs().AnswerMessage(platform::MessageResult::Ok);
  dialog->OKBtnClick();
  EXPECT_NE(dialog->result(), int(QDialog::Accepted));
  ASSERT_NE(Dialogs().LastMessage(), nullptr);
  EXPECT_EQ(Dialogs().LastMessage()->text,
            QStringLiteral("Le recouvrement de 204 mm doit être plus petit que le côté imprimable "
                           "d'une feuille (203 mm)."));
  dialog->OverlapSpin->setValue(203);
  dialog->OKBtnClick();
  EXPECT_EQ(dialog->result(), int(QDialog::Accepted));
}
