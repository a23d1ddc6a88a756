// Muralix as a person uses it, through the scripted dialogs: a new poster from a picture
// chosen in the image choice dialog, the format dialog, saving; a new poster from SANE's
// test scanner, written as an LZW TIFF when saved; the scanner choice without a scanner.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

#include "Binding.h"
#include "DibBlock.h"
#include "FileSizeLimit.h"
#include "FileWrappers.h"
#include "FormatDialog.h"
#include "ImageView.h"
#include "MainWindowFixture.h"
#include "OpenDial.h"
#include "RowName.h"
#include "SaneTestBackend.h"
#include "core/Errors.h"
#include "crde2000.h"
#include "ui/Application.h"
#include "ui/ImageControl.h"
#include "win32/WinQt.h"

using platform::MessageResult;

namespace {

class EndToEnd : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    imaging::InitBinding();
  }
  void TearDown() override {
    imaging::ShutdownBinding();
    MainWindowTest::TearDown();
  }
  // The image choice dialog: the name typed, then OK.
  void ChoosePicture(const QString &path) {
    dialogs_->AnswerModal([path](QDialog &d) {
      auto &dialog = dynamic_cast<dialogs::TOpenDial &>(d);
      dialog.Edit->setText(path);
      dialog.OKBtnClick();
      return int(QDialog::Accepted);
    });
  }
  // The format dialog, answered by `answer` after `setUp` ran on it.
  void AnswerFormat(QDialog::DialogCode answer,
                    std::function<void(layout::TNewFor &)> setUp = nullptr) {
    dialogs_->AnswerModal([answer, setUp](QDialog &d) {
      auto &dialog = dynamic_cast<layout::TNewFor &>(d);
      if (setUp) setUp(dialog);
      if (answer == QDialog::Accepted) dialog.OKBtnClick();
      return int(answer);
    });
  }
};

}  // namespace

TEST_F(EndToEnd, ANewPosterFromAJpegReachesTheDocumentState) {
  auto form = Start();
  QImage photo(300, 200, QImage::Format_RGB32);
  photo.fill(qRgb(200, 120, 40));
  const QString jpeg = dir_.File(QStringLiteral("vacances.jpg"));
  ASSERT_TRUE(photo.save(jpeg, "JPG"));

  ChoosePicture(jpeg);
  int width = 0;
  AnswerFormat(QDialog::Accepted, [&](layout::TNewFor &dialog) {
    // 500 mm wide, the height following the picture's proportions.
    dialog.SetWScrollPosition(5000);
    width = dialog.WScrollPosition();
  });
  form->Nouveau1Click();

  EXPECT_EQ(width, 5000);
  EXPECT_TRUE(InDocumentState(*form));
  EXPECT_EQ(form->windowTitle(), Caption(QStringLiteral(" : Fichier SANS NOM")));
  EXPECT_TRUE(form->Document.Modified);
  EXPECT_EQ(form->Document.ImageFileName, QStringLiteral("vacances.jpg"));
  EXPECT_EQ(form->Document.ImageOrigin, layout::PictureOrigin::File);
  EXPECT_TRUE(form->Label3->text().startsWith(QStringLiteral("Feuilles : ")));
  EXPECT_GT(form->Label3->text().mid(11).toInt(), 1);
  // The picture went through the image component and into the picture image.
  EXPECT_TRUE(form->Tampon->Picture().HasContent());
  EXPECT_EQ(form->Tampon->InfoFormat, QStringLiteral("JPEG"));
  EXPECT_FALSE(form->Feuille->GetPicture().IsEmpty());

  // Save as: the picture is copied into the picture folder; a second save copies nothing.
  dialogs_->AnswerFile(Prog(QStringLiteral("vacances.aff")));
  form->Enregistrersous1Click();
  EXPECT_FALSE(form->Document.Modified);
  EXPECT_TRUE(QFile::exists(Prog(QStringLiteral("images/vacances.jpg"))));
  QFile::remove(jpeg);
  form->Document.Modified = true;
  form->Enregistrer1Click();
  EXPECT_FALSE(form->Document.Modified);
  EXPECT_EQ(QDir(Prog(QStringLiteral("images"))).entryList(QDir::Files).size(), 1);

  // Started again with the poster file, the same poster shows.
  const QString label = form->Label3->text();
  form.reset();
  auto again = Start({Prog(QStringLiteral("vacances.aff"))});
  EXPECT_TRUE(InDocumentState(*again));
  EXPECT_EQ(again->Label3->text(), label);
  EXPECT_FALSE(again->Document.Modified);
}

TEST_F(EndToEnd, CancellingTheFormatDialogLeavesNoPoster) {
  auto form = Start();
  const QString bmp = MakeBmp(dir_.File(QStringLiteral("p.bmp")), 40, 30);
  ChoosePicture(bmp);
  AnswerFormat(QDialog::Rejected);
  form->Nouveau1Click();
  EXPECT_FALSE(InDocumentState(*form));
  EXPECT_FALSE(form->Document.Modified);
}

TEST_F(EndToEnd, TheSaveQuestionComesBeforeANewPosterAndCanStopIt) {
  auto form = Start();
  form->Document.ImagePath = MakeBmp(dir_.File(QStringLiteral("p.bmp")), 40, 30);
  form->Document.ImageFileName = QStringLiteral("p.bmp");
  form->Document.Modified = true;

  dialogs_->AnswerMessage(MessageResult::Cancel);
  form->Nouveau1Click();  // nothing else is asked
  EXPECT_TRUE(form->Document.Modified);

  dialogs_->AnswerMessage(MessageResult::Yes);
  dialogs_->AnswerFile(QString());  // save as cancelled: the command stops there
  form->Nouveau1Click();
  EXPECT_TRUE(form->Document.Modified);

  dialogs_->AnswerMessage(MessageResult::No);
  dialogs_->AnswerModal([](QDialog &) { return int(QDialog::Rejected); });  // the choice
  form->Nouveau1Click();
  EXPECT_EQ(dialogs_->ShownDialogs().back().kind, platform::ScriptedDialogHost::Shown::Modal);
}

TEST_F(EndToEnd, ANewPosterFromTheScannerIsSavedAsAnLzwTiff) {
  UseSaneTestScanner(true);
  auto form = Start();
  // scan1.tif is taken: the new scan becomes scan2.tif.
  MakeBmp(Prog(QStringLiteral("images/scan1.tif")), 4, 4);
  AnswerFormat(QDialog::Accepted);
  form->ScanImageClick();
  ASSERT_TRUE(InDocumentState(*form));
  EXPECT_EQ(form->Document.ImageFileName, QStringLiteral("scan2.tif"));
  EXPECT_EQ(form->Document.ImageOrigin, layout::PictureOrigin::Scan);
  EXPECT_TRUE(form->Document.Modified);
  EXPECT_FALSE(QFile::exists(Prog(QStringLiteral("images/scan2.tif")))) << "written at save";
  EXPECT_EQ(form->Feuille->GetPicture().Bitmap().constBits(),
            form->Tampon->Picture().ToImage().constBits())
      << "the scan is held once, shared by both";

  dialogs_->AnswerFile(Prog(QStringLiteral("scan.aff")));
  form->Enregistrersous1Click();
  EXPECT_FALSE(form->Document.Modified);
  int width = 0, height = 0, pages = 0, bits = 0;
  QString compression;
  ASSERT_TRUE(imaging::ReadTiffInfo(Prog(QStringLiteral("images/scan2.tif")), 1, width, height,
                                    compression, pages, bits));
  EXPECT_EQ(QSize(width, height), form->Tampon->Picture().ToImage().size());
  EXPECT_EQ(compression, imaging::TiffCompressionName(5));
  EXPECT_EQ(bits, 24) << "a colour scan is saved at 24 bits, whatever rows hold it";
}

TEST_F(EndToEnd, WithoutAScannerTheLibrarysWordsReachTheUser) {
  UseSaneTestScanner(false);
  auto form = Start();
  dialogs_->AnswerMessage(MessageResult::Ok);
  form->ScanImageClick();
  EXPECT_FALSE(InDocumentState(*form));
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  EXPECT_EQ(dialogs_->LastMessage()->title, QStringLiteral("Erreur"));
  EXPECT_FALSE(dialogs_->LastMessage()->text.isEmpty());

  dialogs_->AnswerMessage(MessageResult::Ok);
  form->ScanSelectClick();
  EXPECT_EQ(dialogs_->ShownDialogs().size(), 2u);
}

namespace {
// Pictures a person may pick that cannot be read, each with the reason the library gives
// (empty: any reason).
struct DamagedPicture {
  const char *name;
  const char *file;
  std::function<QByteArray()> bytes;
  const char *reason;
};
QByteArray Encoded(const char *format, int cut = 0) {
  QImage photo(120, 90, QImage::Format_RGB32);
  photo.fill(qRgb(30, 160, 90));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  photo.save(&buffer, format);
  return cut > 0 ? bytes.left(bytes.size() / cut) : bytes;
}
const DamagedPicture kDamagedPictures[] = {
    {"a cut-off JPEG", "cut.jpg", [] { return Encoded("JPG", 2); }, ""},
    {"a cut-off PNG", "cut.png", [] { return Encoded("PNG", 2); }, ""},
    {"a JPEG named .png", "photo.png", [] { return Encoded("JPG"); },
     "Ce n'est pas un fichier PNG"},
    {"text named .gif", "notes.gif", [] { return QByteArray(200, 'x'); }, ""},
};
class EndToEndDamagedPicture : public EndToEnd,
                               public testing::WithParamInterface<DamagedPicture> {};

TEST_P(EndToEndDamagedPicture, AnUnreadablePictureIsSaidAndLeavesTheOpenPosterAndItsFilesAlone) {
  const DamagedPicture &c = GetParam();
  auto form = Start();
  const QString mine = MakeBmp(dir_.File(QStringLiteral("mine.bmp")), 40, 30, 0xffff0000);
  ChoosePicture(mine);
  AnswerFormat(QDialog::Accepted);
  form->Nouveau1Click();
  ASSERT_TRUE(InDocumentState(*form));

  const QString damaged = dir_.Write(QString::fromLatin1(c.file), c.bytes());
  dialogs_->AnswerMessage(MessageResult::No);  // the save question
  ChoosePicture(damaged);
  dialogs_->AnswerMessage(MessageResult::Ok);            // the error box
  platform::RunGuarded([&] { form->Nouveau1Click(); });  // as the tool image runs it
  const platform::MessageBoxSpec *box = dialogs_->LastMessage();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->title, QStringLiteral("Muralix")) << "the standard error box";
  EXPECT_TRUE(box->text.startsWith(QStringLiteral("Image illisible : ") + damaged))
      << box->text.toStdString();
  if (*c.reason) {
    EXPECT_TRUE(box->text.contains(QString::fromUtf8(c.reason))) << box->text.toStdString();
  }
  // The poster on screen is still the one its document names.
  EXPECT_TRUE(InDocumentState(*form));
  EXPECT_EQ(form->Document.ImagePath, mine);
  EXPECT_EQ(form->Document.ImageFileName, QStringLiteral("mine.bmp"));
  EXPECT_EQ(form->Document.ImageOrigin, layout::PictureOrigin::File);

  // Saving copies the poster's own picture, not the rejected file.
  dialogs_->AnswerFile(Prog(QStringLiteral("mine.aff")));
  form->Enregistrersous1Click();
  EXPECT_EQ(QImage(Prog(QStringLiteral("images/mine.bmp"))).pixel(0, 0), 0xffff0000);
  form->Document.Modified = false;
}
INSTANTIATE_TEST_SUITE_P(, EndToEndDamagedPicture, testing::ValuesIn(kDamagedPictures),
                         ByRowName());
}  // namespace

TEST_F(EndToEnd, AScannedPosterSurvivesAnUnreadablePictureAndIsSavedInThePictureFolder) {
  UseSaneTestScanner(true);
  auto form = Start();
  AnswerFormat(QDialog::Accepted);
  form->ScanImageClick();
  ASSERT_TRUE(InDocumentState(*form));
  const QSize scanned = form->Tampon->Picture().ToImage().size();

  const QByteArray mine = Encoded("JPG", 2);
  const QString damaged = dir_.Write(QStringLiteral("mine.jpg"), mine);
  dialogs_->AnswerMessage(MessageResult::No);
  ChoosePicture(damaged);
  dialogs_->AnswerMessage(MessageResult::Ok);
  platform::RunGuarded([&] { form->Nouveau1Click(); });
  EXPECT_EQ(form->Document.ImageOrigin, layout::PictureOrigin::Scan);
  EXPECT_EQ(form->Document.ImagePath, Prog(QStringLiteral("images/scan1.tif")));

  dialogs_->AnswerFile(Prog(QStringLiteral("scan.aff")));
  form->Enregistrersous1Click();
  EXPECT_FALSE(form->Document.Modified);
  QFile untouched(damaged);
  ASSERT_TRUE(untouched.open(QIODevice::ReadOnly));
  EXPECT_EQ(untouched.readAll(), mine) << "the user's own file is never written";
  EXPECT_EQ(QImage(Prog(QStringLiteral("images/scan1.tif"))).size(), scanned);
}

TEST_F(EndToEnd, APosterWhosePictureIsDamagedSaysWhyAndShowsNoPoster) {
  auto form = Start();
  dir_.Write(QStringLiteral("prog/images/broken.jpg"), Encoded("JPG", 3));
  const QString poster = MakePoster(QStringLiteral("broken.aff"), QStringLiteral("broken.jpg"));
  dialogs_->AnswerFile(poster);
  dialogs_->AnswerMessage(MessageResult::Ok);
  form->Ouvrir1Click();
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  EXPECT_TRUE(dialogs_->LastMessage()->text.startsWith(QStringLiteral("Image illisible : ") +
                                                       Prog(QStringLiteral("images/broken.jpg"))))
      << dialogs_->LastMessage()->text.toStdString();
  EXPECT_FALSE(InDocumentState(*form));
  EXPECT_EQ(form->Document.PosterFileName, poster);  // the fields read keep their values
  EXPECT_EQ(form->Document.PosterWidth, 400);
}

TEST_F(EndToEnd, AReopenedIconPosterKeepsItsKindAndTransparency) {
  auto form = Start();
  QImage icon(32, 32, QImage::Format_ARGB32);
  icon.fill(Qt::transparent);
  for (int y = 8; y < 24; ++y)
    for (int x = 8; x < 24; ++x) icon.setPixel(x, y, 0xff0000ff);
  ASSERT_TRUE(icon.save(Prog(QStringLiteral("images/star.ico")), "ICO"));
  const QString poster = MakePoster(QStringLiteral("star.aff"), QStringLiteral("star.ico"));
  dialogs_->AnswerFile(poster);
  form->Ouvrir1Click();
  ASSERT_TRUE(InDocumentState(*form));
  EXPECT_EQ(form->Feuille->GetPicture().GetKind(), platform::Picture::Kind::Icon);
}

TEST_F(EndToEnd, ACancelledScanSaysNothingEvenAfterAnEarlierFailure) {
  UseSaneTestScanner(true);
  auto form = Start();
  imaging::Binding().LastErrorCode = MX_ERR_NOT_PNG;  // left by an earlier failure
  imaging::Binding().LastErrorText = QStringLiteral("Ce n'est pas un fichier PNG");
  form->Tampon->OnProgress = [](imagecomp::TImageView *, int16_t, const QString &, bool &cancel) {
    cancel = true;  // the person stops the scan
  };
  form->ScanImageClick();
  EXPECT_TRUE(dialogs_->ShownDialogs().empty());
  EXPECT_FALSE(InDocumentState(*form));
}

TEST_F(EndToEnd, AScannerFailureGivesTheScannersOwnReason) {
  UseSaneTestScanner(true, "SANE_STATUS_JAMMED");
  auto form = Start();
  dialogs_->AnswerMessage(MessageResult::Ok);
  form->ScanImageClick();
  UseSaneTestScanner(true);
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  const QString text = dialogs_->LastMessage()->text;
  EXPECT_TRUE(text.startsWith(QStringLiteral("Échec du scanner : "))) << text.toStdString();
  EXPECT_GT(text.size(), QStringLiteral("Échec du scanner : ").size()) << "the reason follows";
  EXPECT_FALSE(InDocumentState(*form));
}

TEST_F(EndToEnd, WithoutAScannerTheOpenPosterStaysAndNoSaveQuestionIsAsked) {
  UseSaneTestScanner(false);
  auto form = Start();
  const QString mine = MakeBmp(dir_.File(QStringLiteral("mine.bmp")), 40, 30);
  ChoosePicture(mine);
  AnswerFormat(QDialog::Accepted);
  form->Nouveau1Click();
  ASSERT_TRUE(form->Document.Modified);
  dialogs_->AnswerMessage(MessageResult::Ok);
  form->ScanImageClick();
  ASSERT_EQ(dialogs_->ShownDialogs().size(), 3u) << "the choice, the format, one message";
  EXPECT_EQ(dialogs_->LastMessage()->text, QStringLiteral("Aucun scanner trouvé"));
  EXPECT_TRUE(InDocumentState(*form));
  EXPECT_TRUE(form->Document.Modified);
  EXPECT_EQ(form->Document.ImagePath, mine);
  form->Document.Modified = false;
}

namespace {

QByteArray Bytes(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

TEST_F(EndToEnd, APictureCopyPastTheFileSizeLimitSaysDiskFullAndKeepsThePoster) {
  auto form = Start();
  form->Document.ImagePath = MakeBmp(dir_.File(QStringLiteral("big.bmp")), 300, 300);  // 360 KB
  form->Document.ImageFileName = QStringLiteral("big.bmp");
  form->Document.ImageOrigin = layout::PictureOrigin::File;
  form->Document.Modified = true;
  try {
    FileSizeLimit limit(100000);
    form->WritePosterFile(Prog(QStringLiteral("big.aff")));
    FAIL() << "the copy went through";
  } catch (const platform::Failure &e) {
    // The reason, then that nothing was saved.
    EXPECT_TRUE(e.Text().startsWith(QStringLiteral("Disque plein."))) << e.Text().toStdString();
    EXPECT_TRUE(e.Text().endsWith(QStringLiteral("Rien n'a été enregistré.")))
        << e.Text().toStdString();
  }
  EXPECT_TRUE(form->Document.Modified);
  EXPECT_TRUE(QDir(Prog(QStringLiteral("images"))).entryList(QDir::Files).isEmpty())
      << "a temporary file stayed in the picture folder";
}

TEST_F(EndToEnd, ASavedScanSurvivesALaterSaveThatFails) {
  auto form = Start();
  QImage scan(300, 200, QImage::Format_RGB32);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) scan.setPixel(x, y, qRgb(x * 13 % 256, y * 7 % 256, x ^ y));
  form->Tampon->SetPictureImage(scan);
  form->Document.ImageFileName = QStringLiteral("scan1.tif");
  form->Document.ImagePath = Prog(QStringLiteral("images/scan1.tif"));
  form->Document.ImageOrigin = layout::PictureOrigin::Scan;
  form->Document.Modified = true;
  form->WritePosterFile(Prog(QStringLiteral("s.aff")));
  const QByteArray good = Bytes(form->Document.ImagePath);

  QImage more = scan.scaled(600, 400);
  form->Tampon->SetPictureImage(more);
  form->Document.Modified = true;
  {
    FileSizeLimit limit(rlim_t(good.size()));
    EXPECT_THROW(form->WritePosterFile(Prog(QStringLiteral("s.aff"))), platform::Failure);
  }
  EXPECT_TRUE(form->Document.Modified);
  EXPECT_EQ(Bytes(form->Document.ImagePath), good) << "the last good scan was lost";
  EXPECT_EQ(QDir(Prog(QStringLiteral("images"))).entryList(QDir::Files),
            QStringList{QStringLiteral("scan1.tif")});
}

TEST_F(EndToEnd, APosterFileIsWrittenThroughItsLinkAndNeverOverAReadOnlyFile) {
  auto form = Start();
  form->Document.ImageOrigin = layout::PictureOrigin::PosterFile;
  form->Document.ImageFileName = QStringLiteral("p.bmp");
  form->Document.PosterWidth = 123;

  const QString readOnly = dir_.Write(QStringLiteral("prog/locked.aff"), "locked poster");
  QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  form->Document.Modified = true;
  try {
    form->WritePosterFile(readOnly);
    FAIL() << "a read-only poster file was replaced";
  } catch (const platform::Failure &e) {
    EXPECT_TRUE(e.Text().startsWith(QStringLiteral("Accès au fichier refusé.")))
        << e.Text().toStdString();
  }
  EXPECT_TRUE(form->Document.Modified);
  EXPECT_EQ(Bytes(readOnly), QByteArray("locked poster"));

  const QString real = dir_.Write(QStringLiteral("real.aff"), "old poster");
  ASSERT_EQ(::symlink(QFile::encodeName(real).constData(),
                      QFile::encodeName(Prog(QStringLiteral("link.aff"))).constData()),
            0);
  form->WritePosterFile(Prog(QStringLiteral("link.aff")));
  EXPECT_TRUE(QFileInfo(Prog(QStringLiteral("link.aff"))).isSymLink());
  EXPECT_EQ(app::ReadPosterFileContents(real).posterWidth, 123);
}

TEST_F(EndToEnd, APosterOnlyEverShowsARegularFileOfThePictureFolder) {
  auto probe = Start();  // makes the picture folder
  probe.reset();
  const QString secret = MakeBmp(dir_.File(QStringLiteral("secret.bmp")), 20, 20);
  ASSERT_EQ(::symlink(QFile::encodeName(secret).constData(),
                      QFile::encodeName(Prog(QStringLiteral("images/link.bmp"))).constData()),
            0);
  dialogs_->AnswerMessage(MessageResult::Ok);
  auto form = Start({MakePoster(QStringLiteral("link.aff"), QStringLiteral("link.bmp"))});
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  EXPECT_EQ(dialogs_->LastMessage()->text,
            Prog(QStringLiteral("images/link.bmp")) + " introuvable.");
  EXPECT_FALSE(InDocumentState(*form));

  dialogs_->AnswerMessage(MessageResult::Ok);
  auto outside = Start({MakePoster(QStringLiteral("out.aff"), QStringLiteral("../../secret.bmp"))});
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  EXPECT_EQ(dialogs_->LastMessage()->text, QStringLiteral("Format de fichier non reconnu."));
  EXPECT_FALSE(InDocumentState(*outside));
}

TEST_F(EndToEnd, APictureThatCannotBeReadIsNamedWithItsReason) {
  auto form = Start();
  const QString tiny = dir_.Write(QStringLiteral("tiny.png"), "\x89PNG\r\n");
  ChoosePicture(tiny);
  try {
    form->Nouveau1Click();
    FAIL() << "an unreadable picture made a poster";
  } catch (const platform::Failure &e) {
    EXPECT_TRUE(e.Text().startsWith(QStringLiteral("Image illisible : ") + tiny))
        << e.Text().toStdString();
    EXPECT_TRUE(e.Text().contains(QStringLiteral("trop court"))) << e.Text().toStdString();
  }
  EXPECT_FALSE(InDocumentState(*form));
}

TEST_F(EndToEnd, AnnulerWhileThePictureLoadsLeavesThePosterAsItWas) {
  auto form = Start();
  const QString jpeg = dir_.Write(QStringLiteral("gros.jpg"), Encoded("JPG"));
  const QString loading = QStringLiteral("Chargement de l'image…");

  ChoosePicture(jpeg);
  dialogs_->AnswerProgress([&](const QString &step) { return step != loading; });
  form->Nouveau1Click();  // no format dialog and no message: nothing else is asked
  ASSERT_FALSE(dialogs_->ProgressSteps().empty());
  EXPECT_EQ(dialogs_->ProgressSteps().front(), loading);
  EXPECT_FALSE(InDocumentState(*form));
  EXPECT_FALSE(form->Document.Modified);
  EXPECT_TRUE(form->Document.ImageFileName.isEmpty());
  EXPECT_EQ(dialogs_->ShownDialogs().back().kind, platform::ScriptedDialogHost::Shown::Modal);

  // Let to run, the same picture loads.
  dialogs_->AnswerProgress(nullptr);
  ChoosePicture(jpeg);
  AnswerFormat(QDialog::Accepted);
  form->Nouveau1Click();
  EXPECT_TRUE(InDocumentState(*form));
}

namespace {
// A photograph of many colours, encoded by Qt as `format`.
QByteArray Photo(const char *format) {
  QImage photo(120, 90, QImage::Format_RGB32);
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(2 * x, 3 * y, (x * y) % 256));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  photo.save(&buffer, format);
  return bytes;
}

// The picture as the library's 24-bit reader gives it, the way every picture came before.
QImage ReadAtTwentyFourBits(const QString &path, char format) {
  HGLOBAL dib = nullptr;
  const bool read = format == 'J'   ? imaging::ReadJpegDib(path, 24, 0, nullptr, nullptr, dib)
                    : format == 'T' ? imaging::ReadTiffDib(path, 24, 0, 1, nullptr, nullptr, dib)
                                    : imaging::ReadPngDib(path, 24, 0, nullptr, nullptr, dib);
  if (!read || dib == nullptr) return {};
  const QImage image =
      ImageFromPackedDib(GlobalLock(dib), GlobalSize(dib)).convertToFormat(QImage::Format_RGB32);
  imaging::FreeDib(dib);
  return image;
}

struct SharedPictureCase {
  const char *name;
  const char *file;
  const char *format;
};
const SharedPictureCase kSharedPictures[] = {
    {"a JPEG", "photo.jpg", "JPG"},
    {"a PNG", "photo.png", "PNG"},
    {"a TIFF", "photo.tif", "TIFF"},
};
class EndToEndSharedPicture : public EndToEnd,
                              public testing::WithParamInterface<SharedPictureCase> {};

TEST_P(EndToEndSharedPicture, FeuilleAndTamponHoldOnePictureWhichAFailedOrStoppedLoadLeaves) {
  const SharedPictureCase &c = GetParam();
  auto form = Start();
  const QString path = dir_.Write(QString::fromLatin1(c.file), Photo(c.format));
  ChoosePicture(path);
  AnswerFormat(QDialog::Accepted);
  form->Nouveau1Click();
  ASSERT_TRUE(InDocumentState(*form));
  const QImage shown = form->Feuille->GetPicture().Bitmap();
  const QImage held = form->Tampon->Picture().ToImage();
  ASSERT_FALSE(shown.isNull());
  EXPECT_EQ(shown.constBits(), held.constBits()) << "one buffer, not a copy in each";
  // The pixels are exactly those the 24-bit reader gives.
  const QImage before = ReadAtTwentyFourBits(path, *c.format);
  ASSERT_FALSE(before.isNull());
  EXPECT_TRUE(shown.convertToFormat(QImage::Format_RGB32) == before);

  // A picture that cannot be read leaves the poster's own pixels where they were.
  const QString damaged = dir_.Write(QStringLiteral("cut.jpg"), Encoded("JPG", 2));
  dialogs_->AnswerMessage(MessageResult::No);  // the save question
  ChoosePicture(damaged);
  dialogs_->AnswerMessage(MessageResult::Ok);  // the error box
  platform::RunGuarded([&] { form->Nouveau1Click(); });
  EXPECT_TRUE(InDocumentState(*form));
  EXPECT_EQ(form->Document.ImagePath, path);
  EXPECT_EQ(form->Feuille->GetPicture().Bitmap().constBits(), shown.constBits());

  // Nor does a load stopped with Annuler.
  const QString other = dir_.Write(QStringLiteral("other.jpg"), Encoded("JPG"));
  const QString loading = QStringLiteral("Chargement de l'image…");
  dialogs_->AnswerMessage(MessageResult::No);
  ChoosePicture(other);
  dialogs_->AnswerProgress([&](const QString &step) { return step != loading; });
  form->Nouveau1Click();
  dialogs_->AnswerProgress(nullptr);
  EXPECT_TRUE(InDocumentState(*form));
  EXPECT_EQ(form->Document.ImagePath, path);
  EXPECT_EQ(form->Feuille->GetPicture().Bitmap().constBits(), shown.constBits());
  EXPECT_TRUE(form->Feuille->GetPicture().Bitmap().convertToFormat(QImage::Format_RGB32) == before);
  form->Document.Modified = false;
}
INSTANTIATE_TEST_SUITE_P(, EndToEndSharedPicture, testing::ValuesIn(kSharedPictures), ByRowName());
}  // namespace
