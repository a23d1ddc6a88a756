#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSettings>
#include <QToolButton>

#include "Fixtures.h"
#include "ImageView.h"
#include "LanguageTexts.h"
#include "MainWindow.h"
#include "MainWindowFixture.h"
#include "PosterFile.h"
#include "RowName.h"
#include "TempDir.h"
#include "core/Errors.h"
#include "core/Paths.h"
#include "ui/DialogHost.h"
#include "ui/ImageControl.h"
#include "ui/MessageBoxes.h"
#include "win32/WinApi.h"

using platform::MessageResult;

TEST_F(MainWindowTest, FirstRunOpensMaximizedWithThePreviewOptionAndNoLastFile) {
  auto form = Start();
  EXPECT_TRUE(form->windowState() & Qt::WindowMaximized);
  EXPECT_TRUE(form->ShowPreview);
  EXPECT_TRUE(form->Document.PosterFileName.isEmpty());
  EXPECT_EQ(form->windowTitle(), Caption(QString()));
  EXPECT_TRUE(QDir(Prog("images")).exists()) << "the picture folder is made at start";
  EXPECT_EQ(form->ProgramFolder, dir_.File("prog/"));
  EXPECT_EQ(form->SettingsKeyName, QStringLiteral("muralix.ini"));
  // The five commands without a poster are offered, the others withdrawn.
  for (QToolButton *b :
       {form->NewBtn, form->ScanSelect, form->ScanImage, form->OpenBtn, form->ExitBtn})
    EXPECT_TRUE(b->isVisibleTo(form.get())) << b->objectName().toStdString();
  for (QToolButton *b : {form->SaveBtn, form->SaveAsBtn, form->FormatBtn, form->PrintBtn,
                         form->HelpBtn, form->AProposBtn})
    EXPECT_FALSE(b->isVisibleTo(form.get())) << b->objectName().toStdString();
}

TEST_F(MainWindowTest, ClosingWritesTheSettingsTable) {
  auto form = Start();
  EXPECT_TRUE(form->close());
  QSettings s = Settings();
  EXPECT_EQ(s.value("DernierFichier/Fichier").toString(), QString());
  EXPECT_EQ(s.value("MainW/Maxi").toString(), QStringLiteral("1"));
  for (const char *key : {"MainW/x", "MainW/y", "MainW/w", "MainW/h"})
    EXPECT_TRUE(s.contains(key)) << key;
  EXPECT_EQ(s.value(QStringLiteral("Options/Aperçu")).toString(), QStringLiteral("1"));
}

TEST_F(MainWindowTest, AStoredWindowPlaceRoundTrips) {
  WriteSettings(
      "[MainW]\nMaxi=0\nx=30\ny=40\nw=700\nh=500\n[Options]\nAper%E7u=0\n"
      "[DernierFichier]\nFichier=/somewhere/last.aff\n");
  auto form = Start();
  EXPECT_FALSE(form->windowState() & Qt::WindowMaximized);
  EXPECT_EQ(form->size(), QSize(700, 500));
  EXPECT_EQ(form->Document.PosterFileName, QStringLiteral("/somewhere/last.aff"));
  EXPECT_TRUE(form->close());
  QSettings s = Settings();
  EXPECT_EQ(s.value("MainW/Maxi").toString(), QStringLiteral("0"));
  EXPECT_EQ(s.value("MainW/w").toInt(), 700);
  EXPECT_EQ(s.value("MainW/h").toInt(), 500);
  // Without a command-line argument the last file is kept, not opened, and written back.
  EXPECT_EQ(s.value("DernierFichier/Fichier").toString(), QStringLiteral("/somewhere/last.aff"));
}

TEST_F(MainWindowTest, AnArgumentNamingNoFileOpensNothingAndForgetsTheLastFile) {
  WriteSettings("[DernierFichier]\nFichier=/somewhere/last.aff\n");
  auto form = Start({Prog("absent.aff")});
  EXPECT_TRUE(form->Document.PosterFileName.isEmpty());
  EXPECT_FALSE(InDocumentState(*form));
  form->close();
  EXPECT_EQ(Settings().value("DernierFichier/Fichier").toString(), QString());
}

TEST_F(MainWindowTest, APosterNamedOnTheCommandLineOpensWithItsPicture) {
  auto probe = Start();  // makes the picture folder
  probe.reset();
  MakeBmp(Prog("images/sunset.bmp"), 120, 80);
  const QString poster = MakePoster("sunset.aff", "sunset.bmp");
  auto form = Start({poster});
  EXPECT_TRUE(InDocumentState(*form));
  EXPECT_EQ(form->windowTitle(), Caption(" : " + poster));
  EXPECT_EQ(form->Document.ImagePath, Prog("images/sunset.bmp"));
  EXPECT_EQ(form->Feuille->GetPicture().Width(), 120);
  EXPECT_FALSE(form->Document.Modified);
  EXPECT_EQ(dialogs_->ShownDialogs().size(), 0u);
}

namespace {
struct VectorPictureCase {
  const char *picture;
  platform::Picture::Kind kind;
  int width;
};
const VectorPictureCase kVectorPictureCases[] = {
    {"design.pdf", platform::Picture::Kind::Pdf, 200},
    {"logo.svg", platform::Picture::Kind::Svg, 64},
};
class MainWindowVectorPicture : public MainWindowTest,
                                public testing::WithParamInterface<VectorPictureCase> {};

TEST_P(MainWindowVectorPicture, APosterOfAPdfOrSvgPictureReopensWithItsVectorPicture) {
  // Through the hidden image component, the picture stays the drawing it was (printed
  // sharp from its file), not a bitmap of its size on screen.
  const VectorPictureCase &c = GetParam();
  auto probe = Start();  // makes the picture folder
  probe.reset();
  dir_.Write("prog/images/design.pdf", PdfBytes(150, 75));  // 200 x 100 pixels
  dir_.Write("prog/images/logo.svg", SvgBytes(64, 40));
  auto form = Start({MakePoster("v.aff", QString::fromLatin1(c.picture))});
  EXPECT_TRUE(InDocumentState(*form));
  EXPECT_EQ(form->Feuille->GetPicture().GetKind(), c.kind);
  EXPECT_EQ(form->Feuille->GetPicture().Width(), c.width);
}
INSTANTIATE_TEST_SUITE_P(, MainWindowVectorPicture, testing::ValuesIn(kVectorPictureCases),
                         [](const testing::TestParamInfo<VectorPictureCase> &info) {
                           return RowName(info.param.picture);
                         });
}  // namespace

// The first start moves the working folder to the new picture folder's: a poster named
// relative to the folder the program was started in is still the one opened.
TEST_F(MainWindowTest, ARelativePosterNameOnTheFirstStartIsReadFromTheStartFolder) {
  const QString poster = MakePoster("first.aff", "gone.bmp");
  const QString start = QFileInfo(poster).absolutePath() + "/start";
  QDir().mkpath(start);
  QFile::rename(poster, start + "/first.aff");
  const QString before = QDir::currentPath();
  QDir::setCurrent(start);
  dialogs_->AnswerMessage(MessageResult::Ok);
  auto form = Start({"first.aff"});
  QDir::setCurrent(before);
  // Read, not silently dropped: its picture is said to be missing.
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  EXPECT_EQ(dialogs_->LastMessage()->text, Prog("images/gone.bmp") + " introuvable.");
  EXPECT_EQ(QFileInfo(form->Document.PosterFileName).absoluteFilePath(), start + "/first.aff");
}

TEST_F(MainWindowTest, APosterWhosePictureIsMissingSaysSoAndShowsNoPoster) {
  const QString poster = MakePoster("lost.aff", "gone.bmp");
  dialogs_->AnswerMessage(MessageResult::Ok);
  auto form = Start({poster});
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  EXPECT_EQ(dialogs_->LastMessage()->text, Prog("images/gone.bmp") + " introuvable.");
  EXPECT_EQ(dialogs_->LastMessage()->title, QStringLiteral("Erreur"));
  EXPECT_FALSE(InDocumentState(*form));
  EXPECT_EQ(form->Document.PosterFileName, poster);  // the fields read keep their values
}

TEST_F(MainWindowTest, APosterFileWithTextWhereANumberBelongsIsNotRecognised) {
  dir_.Write("prog/bad.aff", "version1\r\nlarge\r\n10\r\n");
  dialogs_->AnswerMessage(MessageResult::Ok);
  auto form = Start({Prog("bad.aff")});
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  EXPECT_EQ(dialogs_->LastMessage()->text, QStringLiteral("Format de fichier non reconnu."));
  EXPECT_TRUE(form->ForgetLastFile);
  form->close();
  EXPECT_EQ(Settings().value("DernierFichier/Fichier").toString(), QString());
}

namespace {
struct FitCase {
  const char *name;
  int pw, ph;
  QSize shown;
  bool stretched;
};
const FitCase kFitCases[] = {
    {"wider than the panel: four fifths of c wide", 1000, 500, {235, 118}, true},
    {"taller than the panel: four fifths of c high", 500, 1000, {118, 235}, true},
    {"square and large", 600, 600, {235, 235}, true},
    {"smaller: its own size", 100, 50, {100, 50}, false},
    {"exactly c: its own size", 294, 200, {294, 200}, false},
};
class MainWindowFitPicture : public MainWindowTest, public testing::WithParamInterface<FitCase> {
 protected:
  // Shows a white picture of w x h and fits it to the panel.
  static void Show(app::TForm1 &form, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    platform::Picture picture;
    picture.AssignBitmap(image);
    form.Feuille->SetPicture(picture);
    form.FitPicture();
  }
};

TEST_P(MainWindowFitPicture, FitPictureSizesAndCentresThePicture) {
  const FitCase &c = GetParam();
  WriteSettings("[MainW]\nMaxi=0\nx=0\ny=0\nw=649\nh=500\n");
  auto form = Start();
  form->show();
  ASSERT_EQ(form->Panel->size(), QSize(300, 500));  // inner 294 x 494, so c = 294
  // The picture replaces one fitted the other way, so the stretch is set, not inherited.
  if (c.stretched)
    Show(*form, 10, 10);
  else
    Show(*form, 1000, 1000);
  Show(*form, c.pw, c.ph);
  EXPECT_EQ(form->Feuille->size(), c.shown);
  EXPECT_EQ(form->Feuille->Stretch(), c.stretched);
  EXPECT_EQ(form->Feuille->pos(),
            QPoint((300 - c.shown.width()) / 2, (500 - c.shown.height()) / 2));
}
INSTANTIATE_TEST_SUITE_P(, MainWindowFitPicture, testing::ValuesIn(kFitCases), ByRowName());
}  // namespace

TEST_F(MainWindowTest, TheCloseQueryGoesThroughTheSaveQuestion) {
  auto form = Start();
  MakeBmp(dir_.File("pic.bmp"), 40, 30);
  form->Document.ImagePath = dir_.File("pic.bmp");
  form->Document.ImageFileName = QStringLiteral("pic.bmp");
  form->Document.ImageOrigin = layout::PictureOrigin::File;

  form->Document.Modified = true;
  dialogs_->AnswerMessage(MessageResult::Cancel);
  EXPECT_FALSE(form->close()) << "Cancel keeps the program running";
  EXPECT_EQ(dialogs_->LastMessage()->title, QStringLiteral("Confirmation"));
  EXPECT_EQ(dialogs_->LastMessage()->text,
            QStringLiteral("Voulez-vous enregistrer cette affiche ?"));
  EXPECT_TRUE(dialogs_->LastMessage()->yesNoCancel);

  // Yes without a file name opens the save-as dialog; cancelling it cancels the close.
  dialogs_->AnswerMessage(MessageResult::Yes);
  dialogs_->AnswerFile(QString());
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->Document.Modified);

  // Yes, then a name: the poster is written and the window closes.
  dialogs_->AnswerMessage(MessageResult::Yes);
  dialogs_->AnswerFile(Prog("saved.aff"));
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(QFile::exists(Prog("saved.aff")));
  EXPECT_TRUE(QFile::exists(Prog("images/pic.bmp")));
  EXPECT_EQ(Settings().value("DernierFichier/Fichier").toString(), Prog("saved.aff"));
}

TEST_F(MainWindowTest, AnsweringNoDropsTheChanges) {
  auto form = Start();
  form->Document.Modified = true;
  dialogs_->AnswerMessage(MessageResult::No);
  EXPECT_TRUE(form->close());
  EXPECT_EQ(QDir(Prog("images")).entryList(QDir::Files).size(), 0);
}

TEST_F(MainWindowTest, SavingCopiesAPictureFromOutsideOnceAndAvoidsNameClashes) {
  auto form = Start();
  const QString mine = MakeBmp(dir_.File("photo.bmp"), 10, 10, 0xffff0000);
  MakeBmp(Prog("images/photo.bmp"), 10, 10, 0xff00ff00);  // another picture, same name
  form->Document.ImagePath = mine;
  form->Document.ImageFileName = QStringLiteral("photo.bmp");
  form->Document.ImageOrigin = layout::PictureOrigin::File;
  form->Document.PosterWidth = 378;
  form->Document.PosterHeight = 200;
  form->Document.Modified = true;
  form->WritePosterFile(Prog("p.aff"));
  EXPECT_FALSE(form->Document.Modified);
  EXPECT_EQ(form->Document.ImageFileName, QStringLiteral("photo-2.bmp"));
  EXPECT_EQ(app::ReadPosterFileContents(Prog("p.aff")).imageFileName,
            QStringLiteral("photo-2.bmp"));
  EXPECT_EQ(QImage(Prog("images/photo-2.bmp")).pixel(0, 0), 0xffff0000);
  EXPECT_EQ(QImage(Prog("images/photo.bmp")).pixel(0, 0), 0xff00ff00)
      << "the other picture is kept";

  // Saving again finds the copy already there and copies nothing.
  const QDateTime copied = QFileInfo(Prog("images/photo-2.bmp")).lastModified();
  form->WritePosterFile(Prog("p.aff"));
  EXPECT_EQ(form->Document.ImageFileName, QStringLiteral("photo-2.bmp"));
  EXPECT_EQ(QFileInfo(Prog("images/photo-2.bmp")).lastModified(), copied);
  EXPECT_EQ(QDir(Prog("images")).entryList(QDir::Files).size(), 2);
}

TEST_F(MainWindowTest, SavingAPosterThatWasOpenedWritesNoPicture) {
  auto form = Start();
  form->Document.ImagePath = Prog("images/absent.bmp");
  form->Document.ImageFileName = QStringLiteral("absent.bmp");
  form->Document.ImageOrigin = layout::PictureOrigin::PosterFile;
  form->Document.Modified = true;
  form->WritePosterFile(Prog("o.aff"));
  EXPECT_FALSE(form->Document.Modified);
  EXPECT_TRUE(QDir(Prog("images")).entryList(QDir::Files).isEmpty());
}

TEST_F(MainWindowTest, SavingAScanWritesItAsTiffEveryTime) {
  auto form = Start();
  QImage scan(64, 48, QImage::Format_RGB32);
  scan.fill(0xff123456);
  form->Tampon->SetPictureImage(scan);
  form->Document.ImageFileName = QStringLiteral("scan1.tif");
  form->Document.ImagePath = Prog("images/scan1.tif");
  form->Document.ImageOrigin = layout::PictureOrigin::Scan;
  form->Document.Modified = true;
  form->WritePosterFile(Prog("s.aff"));
  EXPECT_FALSE(form->Document.Modified);
  const QImage back(Prog("images/scan1.tif"));
  ASSERT_FALSE(back.isNull());
  EXPECT_EQ(back.size(), QSize(64, 48));
  EXPECT_EQ(back.pixel(5, 5), 0xff123456);
}

TEST_F(MainWindowTest, AScanThatCannotBeWrittenIsNotTakenForSaved) {
  auto form = Start();
  QImage scan(16, 16, QImage::Format_RGB32);
  scan.fill(0xff808080);
  form->Tampon->SetPictureImage(scan);
  form->Document.ImageFileName = QStringLiteral("scan1.tif");
  form->Document.ImagePath = Prog("images/scan1.tif");
  QDir().mkpath(form->Document.ImagePath);  // a folder where the scan belongs: it cannot be written
  form->Document.ImageOrigin = layout::PictureOrigin::Scan;
  form->Document.Modified = true;
  try {
    form->WritePosterFile(Prog("s.aff"));
    FAIL() << "a scan that was not written was reported as saved";
  } catch (const platform::Failure &e) {
    EXPECT_TRUE(e.Text().startsWith("Impossible de créer le fichier " + form->Document.ImagePath))
        << e.Text().toStdString();
  }
  EXPECT_TRUE(form->Document.Modified);
}

TEST_F(MainWindowTest, AFailedPictureCopyLeavesThePosterModified) {
  auto form = Start();
  form->Document.ImagePath = dir_.File("vanished.bmp");
  form->Document.ImageFileName = QStringLiteral("vanished.bmp");
  form->Document.ImageOrigin = layout::PictureOrigin::File;
  form->Document.Modified = true;
  const QByteArray before = "version1\r\n10\r\n10\r\nold.bmp\r\n1\r\n0\r\n";
  dir_.Write("prog/v.aff", before);
  try {
    form->WritePosterFile(Prog("v.aff"));
    FAIL() << "the copy of a missing picture succeeded";
  } catch (const platform::Failure &e) {
    EXPECT_EQ(e.Text(), "Impossible d'ouvrir le fichier " + dir_.File("vanished.bmp") +
                            ". Rien n'a été enregistré.");
  }
  EXPECT_TRUE(form->Document.Modified) << "the save question must still protect the work";
  QFile poster(Prog("v.aff"));
  ASSERT_TRUE(poster.open(QIODevice::ReadOnly));
  EXPECT_EQ(poster.readAll(), before) << "the poster file names no picture that is not there";
}

TEST_F(MainWindowTest, APosterFileThatCannotBeWrittenLeavesNoNewPictureBehind) {
  auto form = Start();
  form->Document.ImagePath = MakeBmp(dir_.File("photo.bmp"), 10, 10);
  form->Document.ImageFileName = QStringLiteral("photo.bmp");
  form->Document.ImageOrigin = layout::PictureOrigin::File;
  form->Document.Modified = true;
  try {
    form->WritePosterFile(dir_.File("no/such/folder/p.aff"));
    FAIL() << "a poster file was written into a missing folder";
  } catch (const platform::InOutError &e) {
    EXPECT_TRUE(e.Text().endsWith(" Rien n'a été enregistré.")) << e.Text().toStdString();
  }
  EXPECT_TRUE(form->Document.Modified);
  EXPECT_FALSE(QFile::exists(Prog("images/photo.bmp")));
  EXPECT_EQ(form->Document.ImagePath, dir_.File("photo.bmp"));
}

TEST_F(MainWindowTest, AFailedWriteKeepsTheNewNameAndTheOldFile) {
  auto form = Start();
  form->Document.ImageOrigin = layout::PictureOrigin::PosterFile;
  form->Document.Modified = true;
  dialogs_->AnswerFile(dir_.File("no/such/folder/x.aff"));
  EXPECT_THROW(form->Enregistrersous1Click(), platform::InOutError);
  EXPECT_EQ(form->Document.PosterFileName, dir_.File("no/such/folder/x.aff"));
  EXPECT_EQ(form->windowTitle(), Caption(" : " + dir_.File("no/such/folder/x.aff")));
  EXPECT_TRUE(form->Document.Modified);
}

TEST_F(MainWindowTest, AnUnreadablePosterWithNoEarlierFileGoesOnToANewPoster) {
  auto form = Start();
  dir_.Write("prog/bad.aff", "version1\r\nwide\r\n");
  dialogs_->AnswerFile(Prog("bad.aff"));               // the open dialog
  dialogs_->AnswerMessage(MessageResult::Ok);          // "Format de fichier non reconnu."
  dialogs_->AnswerModal([](QDialog &) { return 0; });  // the image choice, cancelled
  form->Ouvrir1Click();
  const auto &shown = dialogs_->ShownDialogs();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].file.filter, QStringLiteral("Affiches (*.AFF)|*.AFF"));
  EXPECT_EQ(shown[1].message.text, QStringLiteral("Format de fichier non reconnu."));
  EXPECT_EQ(shown[2].dialogClass, QStringLiteral("dialogs::TOpenDial"));
  EXPECT_TRUE(form->ForgetLastFile);
  EXPECT_TRUE(form->Document.PosterFileName.isEmpty());
}

TEST_F(MainWindowTest, AnUnmodifiedPosterIsNeverQuestioned) {
  auto form = Start();
  dialogs_->AnswerFile(QString());  // open dialog cancelled, no question before it
  form->Ouvrir1Click();
  ASSERT_EQ(dialogs_->ShownDialogs().size(), 1u);
  EXPECT_EQ(dialogs_->ShownDialogs()[0].kind, platform::ScriptedDialogHost::Shown::File);
}

namespace {
// At 96 pixels per inch the dialog gives 0 to 11225 pixels (0,1 to 2970 mm).
struct PosterSizeCase {
  const char *name;
  QByteArray size;
  bool recognised;
};
const PosterSizeCase kPosterSizeCases[] = {
    {"enormous", "99999999\r\n99999999", false},
    {"negative width", "-40\r\n300", false},
    {"one pixel past 2970 mm", "11226\r\n300", false},
    {"the largest the dialog gives", "11225\r\n11225", true},
    {"the smallest the dialog gives", "0\r\n0", true},
};
class MainWindowPosterSize : public MainWindowTest,
                             public testing::WithParamInterface<PosterSizeCase> {};

TEST_P(MainWindowPosterSize, PosterSizesTheFormatDialogCannotGiveAreNotRecognised) {
  const PosterSizeCase &c = GetParam();
  auto probe = Start();
  probe.reset();
  MakeBmp(Prog("images/p.bmp"), 20, 20);
  dir_.Write("prog/size.aff", "version1\r\n" + c.size + "\r\np.bmp\r\n1\r\n0\r\n");
  if (!c.recognised) dialogs_->AnswerMessage(MessageResult::Ok);
  auto form = Start({Prog("size.aff")});
  EXPECT_EQ(InDocumentState(*form), c.recognised);
  if (!c.recognised) {
    ASSERT_NE(dialogs_->LastMessage(), nullptr);
    EXPECT_EQ(dialogs_->LastMessage()->text, QStringLiteral("Format de fichier non reconnu."));
  }
}
INSTANTIATE_TEST_SUITE_P(, MainWindowPosterSize, testing::ValuesIn(kPosterSizeCases), ByRowName());
}  // namespace

TEST_F(MainWindowTest, TheSheetCountIsWhatAScreenReaderReads) {
  Start().reset();  // makes the picture folder
  MakeBmp(Prog("images/p.bmp"), 20, 20);
  auto form = Start({MakePoster("p.aff", "p.bmp", 1890, 2646)});
  ASSERT_TRUE(InDocumentState(*form));
  QAccessibleInterface *label = QAccessible::queryAccessibleInterface(form->Label3);
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(form->Label3->text().startsWith(QStringLiteral("Feuilles : ")));
  EXPECT_EQ(label->text(QAccessible::Name), form->Label3->text());
}

TEST_F(MainWindowTest, TheSmallestWindowStillShowsEveryTool) {
  WriteSettings("[MainW]\nMaxi=0\nx=0\ny=0\nw=200\nh=150\n");
  auto form = Start();
  form->show();
  EXPECT_GE(form->width(), form->minimumWidth());
  for (QToolButton *b :
       {form->NewBtn, form->ScanSelect, form->ScanImage, form->OpenBtn, form->SaveBtn,
        form->SaveAsBtn, form->FormatBtn, form->PrintBtn, form->ExitBtn}) {
    SCOPED_TRACE(b->objectName().toStdString());
    EXPECT_TRUE(form->Panel1->contentsRect().contains(b->geometry()))
        << "tool at " << b->y() << ", column " << form->Panel1->height() << " high";
  }
}
