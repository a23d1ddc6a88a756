#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "DibBlock.h"
#include "FileWrappers.h"
#include "ImagingFixture.h"
#include "RowName.h"
#include "Transitions.h"

using namespace imaging;

namespace {
const QString kCantLoadCrde =
    "Can't load CRDE2000.DLL. Make sure its located in the application's searchpath.";
const QString kCantLoadIsp =
    "Can't load ISP2000.DLL. Make sure its located in the application's searchpath.";
const QString kException =
    "An exception error occured in the imaging dll. We recommend to exit the application and to "
    "restart it by clicking its icon!";

QString LoadedFrom(HMODULE module) {
  char path[2048];
  GetModuleFileName(module, path, sizeof path);
  return QFileInfo(QString::fromUtf8(path)).canonicalFilePath();
}
}  // namespace

using BindingRules = ImagingTest;

TEST_F(BindingRules, StartsWithTheStartValuesAndWritesTheScannerIdentity) {
  EXPECT_EQ(Binding().ImagingLibrary, nullptr);
  EXPECT_EQ(Binding().EffectsLibrary, nullptr);
  EXPECT_TRUE(Binding().ProgressCaption.isEmpty());
  EXPECT_EQ(Binding().LastErrorCode, 0);
  EXPECT_FALSE(Binding().ScannerBusy);
  EXPECT_DOUBLE_EQ(Binding().LibraryVersion, 5.1);
  char name[64];
  GetPrivateProfileString("Imaging Twain", "App Name", "", name, sizeof name, "imtwain.ini");
  EXPECT_STREQ(name, "imaging_tests");
  EXPECT_TRUE(QFile::exists(windowsFolder.File("imtwain.ini")));
}

namespace {

struct StringTableCase {
  uint32_t id;
  const char *text;
};
const StringTableCase kStringTableCases[] = {
    {65312, "Can't allocate memory"}, {65313, "Reading "},    {65315, "Aquiring Image "},
    {65318, "Transition Image "},     {65319, "Can't load "}, {65343, "Input image is empty"}};
class BindingStringTable : public BindingRules,
                           public testing::WithParamInterface<StringTableCase> {};

TEST_P(BindingStringTable, HoldsTheProgramsTexts) {
  const StringTableCase &c = GetParam();
  SCOPED_TRACE(c.id);
  EXPECT_EQ(BindingText(c.id), QString::fromUtf8(c.text));
  char buffer[256];
  LoadString(GetModuleHandle(nullptr), c.id, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, c.text);
}
INSTANTIATE_TEST_SUITE_P(, BindingStringTable, testing::ValuesIn(kStringTableCases),
                         [](const testing::TestParamInfo<StringTableCase> &info) {
                           return "id_" + RowName(info.param.id);
                         });

}  // namespace

TEST_F(BindingRules, AMissingImagingLibraryRaisesTheCantLoadText) {
  UseNoLibraries();
  const QString file = FileOf("a.jpg", "JPEG", 100);
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    HGLOBAL dib = nullptr;
    try {
      ReadJpegDib(file, 24, 0, nullptr, nullptr, dib);
      FAIL() << "no failure raised";
    } catch (const ErrorInvalid &e) {
      EXPECT_EQ(e.Text(), kCantLoadCrde);
    }
    EXPECT_EQ(Binding().ImagingLibrary, nullptr);
  }
}

TEST_F(BindingRules, AMissingEffectsLibraryShowsTheTextOncePerAttempt) {
  UseNoLibraries();
  dialogs->AnswerMessage(platform::MessageResult::Ok);
  dialogs->AnswerMessage(platform::MessageResult::Ok);
  HDC screen = GetDC(nullptr);
  EXPECT_FALSE(SkipHorizontal(screen, nullptr, 4, 0));
  EXPECT_FALSE(SkipRectangles(screen, nullptr, 0));
  ReleaseDC(nullptr, screen);
  ASSERT_EQ(dialogs->ShownDialogs().size(), 2u);
  EXPECT_EQ(dialogs->LastMessage()->text, kCantLoadIsp);
  dialogs->AnswerMessage(platform::MessageResult::Ok);
  HGLOBAL dib = DibOf(QImage(2, 2, QImage::Format_RGB32), 24);
  EXPECT_EQ(ReduceDibColors(dib, 8, 0, nullptr, nullptr), nullptr);
  EXPECT_EQ(dialogs->ShownDialogs().size(), 3u);
  GlobalFree(dib);
}

TEST_F(BindingRules, TheProgramsFolderComesBeforeTheSystemsSearchOrder) {
  // A second copy lies in the Windows folder, searched later.
  QFile::copy(FAKE_LIBS_DIR "CRDE2000.DLL", windowsFolder.File("CRDE2000.DLL"));
  int width = 0, height = 0, bpp = 0, e1 = 0, e2 = 0;
  QString type, compression;
  ReadFileInfo(FileOf("a.gif", "GIF8"), type, width, height, bpp, e1, e2, compression);
  EXPECT_EQ(LoadedFrom(Binding().ImagingLibrary),
            QFileInfo(FAKE_LIBS_DIR "CRDE2000.DLL").canonicalFilePath());
  ShutdownBinding();
  UseNoLibraries();
  ReadFileInfo(FileOf("a.gif", "GIF8"), type, width, height, bpp, e1, e2, compression);
  EXPECT_EQ(LoadedFrom(Binding().ImagingLibrary),
            QFileInfo(windowsFolder.File("CRDE2000.DLL")).canonicalFilePath());
}

TEST_F(BindingRules, AFailureCodeOfMinusOneNamesString65535) {
  decltype(fileinfo) *entry = nullptr;
  ASSERT_TRUE(BindImagingEntry(Binding().ImagingLibrary, kImagingLibraryName, "fileinfo", entry));
  FetchLibraryError(-1);
  EXPECT_EQ(Binding().LastErrorCode, -1);
  EXPECT_EQ(Binding().LastErrorText, "The imaging library failed");
  FetchLibraryError(-4);
  EXPECT_EQ(Binding().LastErrorText, "Not a JPEG file");
  FetchLibraryError(-200);
  EXPECT_EQ(Binding().LastErrorText, "") << "an id without text";
}

TEST_F(BindingRules, AMissingEntryGivesFalseWithoutAMessage) {
  decltype(fileinfo) *entry = nullptr;
  EXPECT_FALSE(
      BindImagingEntry(Binding().ImagingLibrary, kImagingLibraryName, "NoSuchEntry", entry));
  EXPECT_EQ(entry, nullptr);
  EXPECT_TRUE(IsLoaded(Binding().ImagingLibrary));
  EXPECT_TRUE(dialogs->ShownDialogs().empty());
}

TEST_F(BindingRules, AnExceptionInsideACallShowsText65323AndLeavesTheErrorTexts) {
  Binding().LastErrorText = "before";
  Binding().LastErrorCode = 7;
  dialogs->AnswerMessage(platform::MessageResult::Ok);
  HGLOBAL dib = nullptr;
  EXPECT_FALSE(ReadPngDib(FileOf("a.png", "THROW"), 24, 0, nullptr, nullptr, dib));
  EXPECT_EQ(dib, nullptr);
  ASSERT_NE(dialogs->LastMessage(), nullptr);
  EXPECT_EQ(dialogs->LastMessage()->text, kException);
  EXPECT_EQ(Binding().LastErrorText, "before");
  EXPECT_EQ(Binding().LastErrorCode, 7);
}

TEST_F(BindingRules, DestroyingErrorInvalidClearsTheProgressCaption) {
  Binding().ProgressCaption = "Reading x";
  { ErrorInvalid failure("x"); }
  EXPECT_TRUE(Binding().ProgressCaption.isEmpty());
}

TEST_F(BindingRules, ShutdownFreesTheLibrariesAndTheTexts) {
  HGLOBAL dib = nullptr;
  ASSERT_TRUE(ReadBmpDib(FileOf("a.bmp", "BM"), 24, 0, nullptr, nullptr, dib));
  GlobalFree(dib);
  EXPECT_FALSE(Binding().ProgressCaption.isEmpty());
  ShutdownBinding();
  EXPECT_EQ(Binding().ImagingLibrary, nullptr);
  EXPECT_TRUE(Binding().ProgressCaption.isEmpty());
  EXPECT_TRUE(Binding().LastErrorText.isEmpty());
}

TEST_F(BindingRules, AMissingAnnotationEntryRaisesItsOwnText) {
  // The stand-in library has no annotation layer.
  try {
    BindAnnotationEntry<decltype(ClearAnnotation)>("ClearAnnotation");
    FAIL() << "no failure raised";
  } catch (const ErrorInvalid &e) {
    EXPECT_EQ(e.Text(),
              "Error. Could not get a procaddress for ClearAnnotation. This could be related to a "
              "dll name or version missmatch of CRDE2000.DLL");
  }
  EXPECT_NE(BindAnnotationEntry<decltype(fileinfo)>("fileinfo"), nullptr);
}
