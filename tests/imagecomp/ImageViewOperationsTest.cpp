// The image component's other operations: the clipboard, the scanner through SANE's test
// backend, transitions (also without the effects library), the ticker and credits text
// messages, the undo history and the annotation layer's file names and messages.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScrollBar>

#include "Binding.h"
#include "Gradient.h"
#include "ImageView.h"
#include "RowName.h"
#include "SaneTestBackend.h"
#include "ScriptedDialogHost.h"
#include "TempDir.h"
#include "Transitions.h"
#include "win32/WinQt.h"

using imagecomp::TImageView;

namespace {

QImage PixelsOf(const TImageView &view) {
  return view.Picture().ToImage().convertToFormat(QImage::Format_RGB32);
}

// Each test has its own settings folder and a scripted dialog host that fails the test
// when a message box comes that was not foreseen.
class ImageViewOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("XDG_CONFIG_HOME", settings_.Path().toUtf8());
    imaging::InitBinding();
  }
  void TearDown() override {
    imaging::ShutdownBinding();
    MxSetApplicationFolder(nullptr);
    qunsetenv("XDG_CONFIG_HOME");
  }
  TempDir settings_;
  TempDir files_;
  ScriptedDialogs dialogs_;
};

}  // namespace

// ---- Clipboard -------------------------------------------------------------------------------

TEST_F(ImageViewOperations, CutWithoutAPictureLeavesTheClipboardAlone) {
  QGuiApplication::clipboard()->setText(QStringLiteral("gardé"));
  TImageView view;
  view.CutToClipboard();
  view.CopyToClipboard();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("gardé"));
  EXPECT_FALSE(view.Picture().HasGraphic());
}

TEST_F(ImageViewOperations, CutPutsTheBitmapOnTheClipboardAndEmptiesThePicture) {
  TImageView view;
  view.SetPictureImage(Gradient(31, 17));
  imaging::ClearUndoHistory();
  view.CutToClipboard();
  EXPECT_FALSE(view.Picture().HasGraphic());
  EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
            Gradient(31, 17));
  // What was cut can be taken back from the history.
  ASSERT_TRUE(imaging::UndoPushed());
  EXPECT_EQ(imaging::UndoHistory()->at(0).ToImage().convertToFormat(QImage::Format_RGB32),
            Gradient(31, 17));
}

TEST_F(ImageViewOperations, PasteWithOnlyTextOnTheClipboardChangesNothing) {
  TImageView view;
  view.SetPictureImage(Gradient(8, 8));
  QGuiApplication::clipboard()->setText(QStringLiteral("du texte"));
  view.PasteFromClipboard();
  EXPECT_EQ(PixelsOf(view), Gradient(8, 8));
}

TEST_F(ImageViewOperations, APastedPictureKeepsTheViewAndRefitsWithStretchRatio) {
  TImageView view;
  view.resize(100, 100);
  view.Loaded();
  view.SetPictureImage(Gradient(50, 50));
  view.SetStretchRatio(true);
  ASSERT_DOUBLE_EQ(view.ZoomFactor(), 2.0);
  QGuiApplication::clipboard()->setImage(Gradient(400, 200));
  view.PasteFromClipboard();
  EXPECT_EQ(PixelsOf(view), Gradient(400, 200));
  EXPECT_DOUBLE_EQ(view.ZoomFactor(), 0.25);
}

// ---- Scanner -----------------------------------------------------------------------------------

TEST_F(ImageViewOperations, AScanReplacesThePictureWithoutResettingTheView) {
  UseSaneTestScanner(true);

  TImageView view;
  view.resize(105, 105);
  view.Loaded();
  view.SetImageReadRes(imagecomp::lColorTrue);
  view.SetPictureImage(Gradient(400, 400));
  view.HorzBar->setValue(30);
  ASSERT_EQ(view.ScrollX(), 30);
  view.InfoFormat = QStringLiteral("PNG");
  int finished = 0;
  view.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  int progress = 0;
  view.OnProgress = [&](TImageView *, int16_t, const QString &, bool &) { ++progress; };

  view.AcquireFromScanner(&view);
  ASSERT_TRUE(view.Picture().HasContent());
  // The test scanner's page at 25 dots per inch.
  EXPECT_NEAR(view.Picture().Width(), 79, 1);
  EXPECT_NEAR(view.Picture().Height(), 98, 1);
  EXPECT_EQ(view.ScrollX(), 30) << "the view is kept";
  EXPECT_EQ(view.InfoFormat, QStringLiteral("PNG")) << "the image info is kept";
  EXPECT_EQ(finished, 0);
  EXPECT_GT(progress, 1);
}

TEST_F(ImageViewOperations, AFailedScanGoesToTheErrorHandlerAndLeavesNoPicture) {
  UseSaneTestScanner(false);
  TImageView view;
  view.SetPictureImage(Gradient(10, 10));
  QString reported;
  view.OnLibError = [&](TImageView *, int16_t, const QString &text, const char *textZ) {
    reported = text;
    EXPECT_EQ(QString::fromUtf8(textZ), text);
  };
  view.AcquireFromScanner(&view);
  EXPECT_FALSE(reported.isEmpty());
  // With a handler the (empty) scan does not replace the picture.
  EXPECT_TRUE(view.Picture().HasContent());

  TImageView quiet;
  quiet.SetPictureImage(Gradient(10, 10));
  EXPECT_NO_THROW(quiet.AcquireFromScanner(&quiet));
  EXPECT_FALSE(quiet.Picture().HasGraphic()) << "without a handler the failure clears";
}

// ---- Transitions
// ---------------------------------------------------------------------------------

TEST_F(ImageViewOperations, ATransitionShowsTheWholeNewPicture) {
  const QString file = files_.File(QStringLiteral("new.png"));
  ASSERT_TRUE(Gradient(60, 30).save(file));
  for (const auto method : {imagecomp::FXHorizontal, imagecomp::FXVertical, imagecomp::FXDiagonal,
                            imagecomp::FXDiagonalSquares, imagecomp::FXRectangles}) {
    TImageView view;
    view.resize(41, 41);
    view.Loaded();
    view.SetStretch(true);
    view.SetImageReadRes(imagecomp::lColorTrue);
    view.SetFXMethod(method);
    view.SetFXDelay(0);
    view.SetImageName(file);
    EXPECT_EQ(PixelsOf(view), Gradient(60, 30)) << method;
  }
}

TEST_F(ImageViewOperations, ATransitionWithoutTheEffectsLibraryStillShowsThePicture) {
  // A program folder holding the codec library only.
  TempDir folder;
  ASSERT_TRUE(QFile::link(QCoreApplication::applicationDirPath() + QStringLiteral("/CRDE2000.DLL"),
                          folder.File(QStringLiteral("CRDE2000.DLL"))));
  MxSetApplicationFolder(folder.Path().toUtf8().constData());
  // Libraries are also looked for in the current folder: make it one without them.
  const QString current = QDir::currentPath();
  QDir::setCurrent(folder.Path());
  const QString file = files_.File(QStringLiteral("new.png"));
  ASSERT_TRUE(Gradient(20, 10).save(file));
  dialogs_->AnswerMessage(platform::MessageResult::Ok);

  TImageView view;
  view.SetImageReadRes(imagecomp::lColorTrue);
  view.SetFXMethod(imagecomp::FXHorizontal);
  view.SetImageName(file);
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  EXPECT_TRUE(dialogs_->LastMessage()->text.contains(QStringLiteral("ISP2000.DLL")));
  EXPECT_EQ(PixelsOf(view), Gradient(20, 10));
  QDir::setCurrent(current);
}

// ---- Text messages
// ---------------------------------------------------------------------------------

TEST_F(ImageViewOperations, TheTickerMovesOnEveryStepPlusOneMessage) {
  for (const auto &[speed, every] : {std::pair{0, 1}, std::pair{2, 3}}) {
    const QString file = files_.Write(
        QStringLiteral("t%1.scm").arg(speed),
        QStringLiteral("/fc|255/fh|-12/fn|Sans/fs|9/ft|0000/bc|16777215/sp|%1/sm|Bonjour/eo|")
            .arg(speed)
            .toLatin1());
    TImageView view;
    view.resize(120, 40);
    view.SetPictureImage(Gradient(5, 5));
    view.SetImageName(file);
    ASSERT_TRUE(view.TickerActive());
    EXPECT_FALSE(view.Picture().HasGraphic()) << "a message replaces the picture";
    EXPECT_EQ(view.Color(), QColor(255, 255, 255)) << "the message's background";
    const int start = view.MessagePosition().x();
    EXPECT_EQ(start, 120);
    for (int i = 0; i < 6; ++i) SendMessage(HwndOfWidget(&view), WM_USER + 1, 0, 0);
    EXPECT_EQ(view.MessagePosition().x(), start - 6 / every) << "speed " << speed;
    // Credits steps do nothing to a ticker.
    SendMessage(HwndOfWidget(&view), WM_USER + 2, 0, 0);
    EXPECT_EQ(view.MessagePosition().x(), start - 6 / every);
  }
}

TEST_F(ImageViewOperations, TheTickerStartsAgainFromTheRightOnceItHasLeft) {
  const QString file = files_.Write(QStringLiteral("t.scm"), "/fh|-12/fn|Sans/bc|0/sp|0/sm|ab/eo|");
  TImageView view;
  view.resize(10, 20);
  view.SetImageName(file);
  const int width = view.MessageTextSize().width();
  ASSERT_GT(width, 0);
  for (int i = 0; i < 10 + width + 1; ++i) SendMessage(HwndOfWidget(&view), WM_USER + 1, 0, 0);
  EXPECT_EQ(view.MessagePosition().x(), 10);
}

TEST_F(ImageViewOperations, CreditsLinesArePaddedAndWidened) {
  const QByteArray head = "Titre\n0\n-12\nSans\n9\n0000\n16777215\n0\n";
  TImageView view;
  view.resize(200, 100);
  const QColor before = view.Color();
  view.SetImageName(files_.Write(QStringLiteral("c.cms"), head + "Hello\n  \n"));
  ASSERT_TRUE(view.CreditsActive());
  EXPECT_EQ(view.CurrentMessageLine(), QStringLiteral("  Hello "));
  const QFontMetrics metrics(imaging::TFont{0, -12, QStringLiteral("Sans")}.ToQFont());
  const int plain = metrics.horizontalAdvance(QStringLiteral("  Hello "));
  EXPECT_EQ(view.MessageTextSize().width(), plain + plain / 6);
  EXPECT_EQ(view.MessagePosition(), QPoint((200 - (plain + plain / 6)) / 2, 100));

  // Scroll the line out: the next line is two spaces, which has nothing to widen by.
  const int steps = 100 + view.MessageTextSize().height() + 6;
  for (int i = 0; i < steps; ++i) SendMessage(HwndOfWidget(&view), WM_USER + 2, 0, 0);
  EXPECT_EQ(view.CurrentMessageLine(), QStringLiteral("  "));
  EXPECT_EQ(view.MessageTextSize().width(), metrics.horizontalAdvance(QStringLiteral("  ")));
  EXPECT_EQ(view.MessagePosition().y(), 100);

  // Stopping the messages gives the control its colour back.
  view.StopMessages(true);
  EXPECT_FALSE(view.CreditsActive());
  EXPECT_EQ(view.Color(), before);
}

TEST_F(ImageViewOperations, AMalformedCreditsFileEndsTheLoadWithAnEmptyPicture) {
  TImageView view;
  view.SetPictureImage(Gradient(5, 5));
  int finished = 0;
  view.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  EXPECT_NO_THROW(view.SetImageName(files_.Write(QStringLiteral("short.cms"), "a\n1\n")));
  EXPECT_FALSE(view.Picture().HasGraphic());
  EXPECT_FALSE(view.CreditsActive());
  EXPECT_EQ(finished, 1);
}

// ---- Undo history
// --------------------------------------------------------------------------------

TEST_F(ImageViewOperations, ALoadPushesThePictureItReplacesUnlessKeepUndoIsOff) {
  const QString file = files_.File(QStringLiteral("n.png"));
  ASSERT_TRUE(Gradient(7, 3).save(file));
  for (const bool keep : {true, false}) {
    imaging::ClearUndoHistory();
    TImageView view;
    view.SetImageReadRes(imagecomp::lColorTrue);
    view.SetKeepUndo(keep);
    view.SetPictureImage(Gradient(4, 4));
    view.SetImageName(file);
    EXPECT_EQ(imaging::UndoPushed(), keep);
    if (keep) {
      EXPECT_EQ(imaging::UndoHistory()->at(0).ToImage().convertToFormat(QImage::Format_RGB32),
                Gradient(4, 4));
    }
  }
}

// ---- Annotation layer
// ------------------------------------------------------------------------------

namespace {

struct AnnotationFileCase {
  const char *annoFileName, *imageName, *expected;
};
const AnnotationFileCase kAnnotationFileCases[] = {
    {"", "C:\\IMG\\PHOTO.BMP", "C:\\IMG\\PHOTO.ant"},
    {"", "/home/marie/photos/plage.jpeg", "/home/marie/photos/plage.ant"},
    {"", "/home/marie/.cache/photos.2024/plage.tar.gz", "/home/marie/.cache/photos.2024/plage.ant"},
    {"", "", "default.ant"},
    {"/tmp/mes.ant", "C:\\IMG\\PHOTO.BMP", "/tmp/mes.ant"},
};
class ImageViewAnnotationFile : public ImageViewOperations,
                                public testing::WithParamInterface<AnnotationFileCase> {};

TEST_P(ImageViewAnnotationFile, FollowsTheImageName) {
  const AnnotationFileCase &c = GetParam();
  TImageView view;
  view.SetAnnoFileName(QString::fromUtf8(c.annoFileName));
  if (*c.imageName) view.SetImageName(QString::fromUtf8(c.imageName));  // missing: no load
  EXPECT_EQ(view.AnnotationFileName(), QString::fromUtf8(c.expected)) << c.imageName;
}
INSTANTIATE_TEST_SUITE_P(, ImageViewAnnotationFile, testing::ValuesIn(kAnnotationFileCases),
                         [](const testing::TestParamInfo<AnnotationFileCase> &info) {
                           return RowName(std::string(info.param.annoFileName) + " " +
                                          info.param.imageName);
                         });

}  // namespace

TEST_F(ImageViewOperations, AnnotationsAreSavedAndLoadedWithTheirPicture) {
  const QString file = files_.File(QStringLiteral("plan.png"));
  ASSERT_TRUE(Gradient(100, 100).save(file));
  {
    TImageView view;
    view.resize(100, 100);
    view.Loaded();
    view.SetAutoSaveAnno(true);
    view.SetImageName(file);
    // A rectangle drawn with the mouse while annotations are edited.
    view.SetEditAnnotat(true);
    int done = 0;
    view.OnAnnoDone = [&](TImageView *) { ++done; };
    const auto mouse = [&](QEvent::Type type, QPoint at) {
      QMouseEvent event(
          type, at, view.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(&view, &event);
    };
    mouse(QEvent::MouseButtonPress, {10, 10});
    mouse(QEvent::MouseMove, {40, 30});
    mouse(QEvent::MouseButtonRelease, {40, 30});
    view.SetEditAnnotat(false);
  }  // saved when the component goes
  EXPECT_TRUE(QFileInfo::exists(files_.File(QStringLiteral("plan.ant"))));

  TImageView again;
  again.resize(100, 100);
  again.Loaded();
  again.SetAutoLoadAnno(true);
  again.SetImageName(file);
  const QImage painted = again.grab().toImage().convertToFormat(QImage::Format_RGB32);
  int marked = 0;
  const QImage plain = Gradient(100, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) marked += painted.pixel(x, y) != plain.pixel(x, y);
  EXPECT_GT(marked, 0) << "the loaded rectangle is drawn over the picture";
}

TEST_F(ImageViewOperations, TheAnnotationClickMessageRaisesOnAnnoClick) {
  TImageView view;
  long object = 0;
  bool selecting = false;
  int clicks = 0;
  view.OnAnnoClick = [&](TImageView *, long o, bool s) {
    object = o;
    selecting = s;
    ++clicks;
  };
  SendMessage(HwndOfWidget(&view), WM_USER + 0x201, 1, 4242);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(object, 4242);
  EXPECT_TRUE(selecting);
  SendMessage(HwndOfWidget(&view), WM_USER + 0x201, 0, 7);
  EXPECT_FALSE(selecting);
}
