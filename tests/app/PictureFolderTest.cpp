// Where the program keeps the pictures of posters: in the user's data folder
// ($XDG_DATA_HOME/muralix/images), never beside the installed program, which it only reads
// (pictures of posters saved by a build that kept them there still open).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "Binding.h"
#include "FileWrappers.h"
#include "FormatDialog.h"
#include "ImageView.h"
#include "MainWindowFixture.h"
#include "RowName.h"
#include "SaneTestBackend.h"

using platform::MessageResult;

namespace {

class PictureFolder : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    platform::SetProgramDataFolderOverride(QString());  // the real translation here
    saved_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir_.File("data").toUtf8());
  }
  void TearDown() override {
    qputenv("XDG_DATA_HOME", saved_);
    MainWindowTest::TearDown();
  }
  QString Data(const QString &name) const { return dir_.File("data/muralix/" + name); }

  QByteArray saved_;
};

TEST_F(PictureFolder, PicturesOfNewPostersGoIntoTheUsersDataFolder) {
  auto form = Start();
  EXPECT_EQ(form->ProgramFolder, Data(""));
  EXPECT_EQ(form->PictureFolder(), Data("images"));
  EXPECT_TRUE(QDir(Data("images")).exists()) << "made at start, with the folders above it";
  EXPECT_FALSE(QDir(Prog("images")).exists()) << "nothing is made beside the program";
  EXPECT_EQ(QFile::permissions(dir_.File("data/muralix")) & 0x0077, 0)
      << "a data folder made by the program is private to the user";
  EXPECT_EQ(form->SettingsKeyName, QStringLiteral("muralix.ini"));

  form->Document.ImagePath = MakeBmp(dir_.File("photo.bmp"), 12, 10);
  form->Document.ImageFileName = QStringLiteral("photo.bmp");
  form->Document.ImageOrigin = layout::PictureOrigin::File;
  form->Document.Modified = true;
  form->WritePosterFile(dir_.File("p.aff"));
  EXPECT_TRUE(QFile::exists(Data("images/photo.bmp")));
  EXPECT_EQ(form->Document.ImagePath, Data("images/photo.bmp"));
  EXPECT_FALSE(QDir(Prog("images")).exists());
}

TEST_F(PictureFolder, ScansAreWrittenIntoTheUsersDataFolder) {
  UseSaneTestScanner(true);
  imaging::InitBinding();
  auto form = Start();
  dialogs_->AnswerModal([](QDialog &d) {
    dynamic_cast<layout::TNewFor &>(d).OKBtnClick();
    return int(QDialog::Accepted);
  });
  form->ScanImageClick();
  ASSERT_EQ(form->Document.ImageOrigin, layout::PictureOrigin::Scan);
  EXPECT_EQ(form->Document.ImagePath, Data("images/scan1.tif"));
  dialogs_->AnswerFile(dir_.File("scan.aff"));
  form->Enregistrersous1Click();
  EXPECT_FALSE(form->Document.Modified);
  int width = 0, height = 0, pages = 0, bits = 0;
  QString compression;
  EXPECT_TRUE(
      imaging::ReadTiffInfo(Data("images/scan1.tif"), 1, width, height, compression, pages, bits));
  EXPECT_FALSE(QDir(Prog("images")).exists());
  form.reset();
  imaging::ShutdownBinding();
}

struct LookupCase {
  const char *name;
  bool inData, besideProgram;
  const char *expectedFolder;  // "data", "program"; "data" too for the missing message
};
const LookupCase kLookupCases[] = {
    {"a picture in the data folder", true, false, "data"},
    {"a picture left beside the program by an older build", false, true, "program"},
    {"the data folder's picture wins over the one beside the program", true, true, "data"},
    {"a picture in neither is missing from the data folder", false, false, "data"},
};

class PictureFolderLookup : public PictureFolder, public testing::WithParamInterface<LookupCase> {};

TEST_P(PictureFolderLookup, APosterFindsItsPictureInTheDataFolderThenBesideTheProgram) {
  const LookupCase &c = GetParam();
  QDir().mkpath(Data("images"));
  QDir().mkpath(Prog("images"));
  if (c.inData) MakeBmp(Data("images/sunset.bmp"), 120, 80);
  if (c.besideProgram) MakeBmp(Prog("images/sunset.bmp"), 60, 40);
  const QString poster = MakePoster("sunset.aff", "sunset.bmp");
  const QString expected = QString::fromLatin1(c.expectedFolder) == u"data"
                               ? Data("images/sunset.bmp")
                               : Prog("images/sunset.bmp");
  if (!c.inData && !c.besideProgram) dialogs_->AnswerMessage(MessageResult::Ok);
  auto form = Start({poster});
  EXPECT_EQ(form->Document.ImagePath, expected);
  if (c.inData || c.besideProgram) {
    EXPECT_TRUE(InDocumentState(*form));
    EXPECT_EQ(form->Feuille->GetPicture().Width(), c.inData ? 120 : 60);
  } else {
    ASSERT_NE(dialogs_->LastMessage(), nullptr);
    EXPECT_EQ(dialogs_->LastMessage()->text, expected + " introuvable.");
    EXPECT_FALSE(InDocumentState(*form));
  }
}
INSTANTIATE_TEST_SUITE_P(, PictureFolderLookup, testing::ValuesIn(kLookupCases), ByRowName());

TEST_F(PictureFolder, AnUnusableDataFolderIsNamedOnceAndTheWindowStillStartsWhole) {
  // A file where the data folder should be: nothing can be made inside it, whoever runs.
  dir_.Write("blocked", "not a folder");
  qputenv("XDG_DATA_HOME", dir_.File("blocked").toUtf8());
  WriteSettings("[MainW]\nMaxi=0\nx=10\ny=20\nw=640\nh=500\n[DernierFichier]\nFichier=/a.aff\n");
  dialogs_->AnswerMessage(MessageResult::Ok);
  auto form = Start();
  ASSERT_EQ(dialogs_->ShownDialogs().size(), 1u);
  const QString text = dialogs_->LastMessage()->text;
  EXPECT_TRUE(text.startsWith("Impossible de créer le dossier " +
                              dir_.File("blocked/muralix/images") + " : "))
      << text.toStdString();
  // The rest of the start ran: settings read, no poster, the caption set.
  EXPECT_EQ(form->size(), QSize(640, 500));
  EXPECT_EQ(form->Document.PosterFileName, QStringLiteral("/a.aff"));
  EXPECT_FALSE(InDocumentState(*form));
  EXPECT_TRUE(form->EmptyHint->isVisibleTo(form.get()));
  EXPECT_EQ(form->windowTitle(), Caption(QString()));
  // Quitting writes the settings without another message.
  EXPECT_TRUE(form->close());
  EXPECT_EQ(dialogs_->ShownDialogs().size(), 1u);
  EXPECT_EQ(Settings().value("MainW/w").toInt(), 640);
}

}  // namespace
