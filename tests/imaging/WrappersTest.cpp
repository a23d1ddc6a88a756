#include <dlfcn.h>

#include <functional>

#include "DibBlock.h"
#include "FileWrappers.h"
#include "ImagingFixture.h"
#include "RowName.h"
#include "core/Errors.h"

using namespace imaging;

namespace {

using Reader = std::function<bool(const QString &, HGLOBAL &)>;
struct ReaderCase {
  const char *entry;
  Reader read;
};

const ReaderCase kReaders[] = {
    {"rdjpgfiledib",
     [](const QString &n, HGLOBAL &d) { return ReadJpegDib(n, 24, 0, nullptr, nullptr, d); }},
    {"rdbmpfiledib",
     [](const QString &n, HGLOBAL &d) { return ReadBmpDib(n, 24, 0, nullptr, nullptr, d); }},
    {"rdpngfiledib",
     [](const QString &n, HGLOBAL &d) { return ReadPngDib(n, 24, 0, nullptr, nullptr, d); }},
    {"rdgiffiledib",
     [](const QString &n, HGLOBAL &d) { return ReadGifDib(n, 24, 0, nullptr, nullptr, d); }},
    {"rdpcxfiledib",
     [](const QString &n, HGLOBAL &d) { return ReadPcxDib(n, 24, 0, nullptr, nullptr, d); }},
    {"rdheiffiledib",
     [](const QString &n, HGLOBAL &d) { return ReadHeifDib(n, 24, 0, nullptr, nullptr, d); }},
    {"rdwebpfiledib",
     [](const QString &n, HGLOBAL &d) { return ReadWebpDib(n, 24, 0, nullptr, nullptr, d); }},
    {"readtgafiledib",
     [](const QString &n, HGLOBAL &d) { return ReadTgaDib(n, 24, 0, nullptr, nullptr, d); }},
    {"readepsfiledib",
     [](const QString &n, HGLOBAL &d) { return ReadEpsDib(n, 24, 0, nullptr, nullptr, d); }},
    {"readtiffiledib",
     [](const QString &n, HGLOBAL &d) { return ReadTiffDib(n, 24, 0, 1, nullptr, nullptr, d); }},
    {"readpcdfiledib",
     [](const QString &n, HGLOBAL &d) {
       return ReadPcdDib(n, 24, 0, pcd_BASE4, nullptr, nullptr, d);
     }},
};

bool StillMapped(const char *path) {
  void *handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
}

}  // namespace

using Wrappers = ImagingTest;

namespace {

class WrapperReaders : public ImagingTest, public testing::WithParamInterface<ReaderCase> {};

TEST_P(WrapperReaders, Refuse29BytesWithoutALibraryCallAndPass30On) {
  const ReaderCase &c = GetParam();
  SCOPED_TRACE(c.entry);
  HGLOBAL dib = nullptr;
  // The first call binds the library, so its counter can be read.
  EXPECT_FALSE(c.read(FileOf("short", "IMG", 29), dib));
  const int calls = FakeValue(Binding().ImagingLibrary, "FakeCalls");
  EXPECT_FALSE(c.read(FileOf("short", "IMG", 29), dib));
  EXPECT_EQ(FakeValue(Binding().ImagingLibrary, "FakeCalls"), calls) << "no call for 29 bytes";
  EXPECT_EQ(dib, nullptr);
  EXPECT_TRUE(c.read(FileOf("enough", "IMG", 30), dib));
  EXPECT_EQ(FakeValue(Binding().ImagingLibrary, "FakeCalls"), calls + 1);
  EXPECT_EQ(FakeLastEntry(Binding().ImagingLibrary), c.entry);
  EXPECT_EQ(Binding().ProgressCaption, "Reading " + files.File("enough"));
  FreeDib(dib);
}
INSTANTIATE_TEST_SUITE_P(, WrapperReaders, testing::ValuesIn(kReaders),
                         [](const testing::TestParamInfo<ReaderCase> &info) {
                           return RowName(info.param.entry);
                         });

}  // namespace

TEST_F(Wrappers, AFileThatCannotBeOpenedRaisesTheFileError) {
  HGLOBAL dib = nullptr;
  EXPECT_THROW(ReadBmpDib(files.File("missing.bmp"), 24, 0, nullptr, nullptr, dib),
               platform::InOutError);
}

TEST_F(Wrappers, AFailedJpegReadUnloadsTheLibraryAndTheNextCallLoadsItAgain) {
  HGLOBAL dib = nullptr;
  EXPECT_FALSE(ReadJpegDib(FileOf("bad.jpg", "FAIL"), 24, 0, nullptr, nullptr, dib));
  EXPECT_EQ(Binding().LastErrorCode, -4);
  EXPECT_EQ(Binding().LastErrorText, "Not a JPEG file") << "read before the unload";
  EXPECT_EQ(Binding().ImagingLibrary, nullptr);
  EXPECT_FALSE(StillMapped(FAKE_LIBS_DIR "CRDE2000.DLL"));
  EXPECT_TRUE(ReadJpegDib(FileOf("good.jpg", "JPEG"), 24, 0, nullptr, nullptr, dib));
  EXPECT_TRUE(IsLoaded(Binding().ImagingLibrary));
  EXPECT_TRUE(StillMapped(FAKE_LIBS_DIR "CRDE2000.DLL"));
  FreeDib(dib);
}

TEST_F(Wrappers, OtherFailedReadsKeepTheLibraryLoaded) {
  HGLOBAL dib = nullptr;
  EXPECT_FALSE(ReadPngDib(FileOf("bad.png", "FAIL1"), 24, 0, nullptr, nullptr, dib));
  EXPECT_EQ(Binding().LastErrorCode, -1);
  EXPECT_EQ(Binding().LastErrorText, "The imaging library failed");
  EXPECT_TRUE(IsLoaded(Binding().ImagingLibrary));
}

TEST_F(Wrappers, ArgumentsReachTheEntryUnchanged) {
  HGLOBAL dib = nullptr;
  ASSERT_TRUE(ReadTiffDib(FileOf("a.tif", "II*"), 8, 1, 3, nullptr, nullptr, dib));
  HMODULE lib = Binding().ImagingLibrary;
  EXPECT_EQ(FakeValue(lib, "FakeLastBits"), 8);
  EXPECT_EQ(FakeValue(lib, "FakeLastDither"), 1);
  EXPECT_EQ(FakeValue(lib, "FakeLastPage"), 3);
  FreeDib(dib);
  ASSERT_TRUE(ReadPcdDib(FileOf("a.pcd", "PCD"), 4, 0, pcd_BASE, nullptr, nullptr, dib));
  EXPECT_EQ(FakeValue(lib, "FakeLastPage"), 2);
  FreeDib(dib);
}

TEST_F(Wrappers, ABitmapReaderFillsTheBitmapAndFreesItsDib) {
  const SIZE_T blocks = GlobalLiveBlocks();
  TBitmap bitmap;
  ASSERT_TRUE(ReadGifBitmap(FileOf("a.gif", "GIF8"), 24, 0, nullptr, nullptr, bitmap));
  EXPECT_EQ(GlobalLiveBlocks(), blocks);
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.BitsPerPixel(), 24);
  const QImage image = bitmap.ToImage();
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(3, 1), qRgb(128, 128, 128));
}

TEST_F(Wrappers, TheProgressCallbackCanStopARead) {
  TBitmap bitmap;
  auto stop = [](int16_t, void *) -> int16_t { return 0; };
  EXPECT_FALSE(ReadBmpBitmap(FileOf("a.bmp", "BM"), 24, 0, nullptr, stop, bitmap));
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(Binding().LastErrorCode, MX_ERR_CANCELLED);
}

TEST_F(Wrappers, FileInfoReturnsItsTextsEvenOnFailure) {
  QString type, compression;
  int width = -1, height = -1, bpp = -1, e1 = -1, e2 = -1;
  EXPECT_TRUE(ReadFileInfo(FileOf("a", "GIF8"), type, width, height, bpp, e1, e2, compression));
  EXPECT_EQ(type, "GIF");
  EXPECT_EQ(width, 4);
  EXPECT_EQ(bpp, 8);
  type.clear();
  EXPECT_FALSE(ReadFileInfo(FileOf("b", "FAIL"), type, width, height, bpp, e1, e2, compression));
  EXPECT_EQ(type, "GIF");
  EXPECT_EQ(compression, "LZW");
  EXPECT_EQ(Binding().LastErrorCode, -1);
}

TEST_F(Wrappers, TiffInfoCountsZeroAsSuccessAndNamesTheCompression) {
  QString compression;
  int width = 0, height = 0, pages = 0, bpp = 0;
  EXPECT_TRUE(ReadTiffInfo(FileOf("a.tif", "II*"), 2, width, height, compression, pages, bpp));
  EXPECT_EQ(compression, "PACKBITS") << "0x8005 from the library";
  EXPECT_EQ(pages, 3);
  EXPECT_EQ(FakeValue(Binding().ImagingLibrary, "FakeLastPage"), 2);
  EXPECT_EQ(Binding().LastErrorCode, 0) << "no error fetched";
}

TEST_F(Wrappers, DxfInfoOnlyNeedsThirtyBytes) {
  int width = 0, height = 0, bpp = 0;
  EXPECT_FALSE(ReadDxfInfo(FileOf("a.dxf", "0", 29), width, height, bpp));
  EXPECT_TRUE(ReadDxfInfo(FileOf("a.dxf", "0", 30), width, height, bpp));
  EXPECT_EQ(width, 1024);
  EXPECT_EQ(bpp, 24);
}

TEST_F(Wrappers, ADxfDrawingBecomesTheBitmap) {
  TBitmap bitmap;
  ASSERT_TRUE(ReadDxfBitmap(FileOf("a.dxf", "0"), 24, 0, bitmap, nullptr, nullptr));
  EXPECT_EQ(bitmap.Width(), 4);
}

TEST_F(Wrappers, WritingAnEmptyBitmapRaisesInputImageIsEmpty) {
  TBitmap empty;
  try {
    WriteTiffBitmap(files.File("out.tif"), 1, false, 24, &empty, nullptr, nullptr);
    FAIL();
  } catch (const ErrorInvalid &e) {
    EXPECT_EQ(e.Text(), "Input image is empty");
  }
  EXPECT_THROW(WriteTiffBitmap(files.File("out.tif"), 1, false, 24, nullptr, nullptr, nullptr),
               ErrorInvalid);
}

TEST_F(Wrappers, WritingABitmapPassesCompressionAppendAndDepth) {
  TBitmap bitmap;
  QImage image(3, 3, QImage::Format_RGB32);
  image.fill(qRgb(10, 200, 30));
  bitmap.SetImage(image);
  const QString out = files.File("out.tif");
  ASSERT_TRUE(WriteTiffBitmap(out, 32773, true, 8, &bitmap, nullptr, nullptr));
  HMODULE lib = Binding().ImagingLibrary;
  EXPECT_EQ(FakeLastEntry(lib), "writetiffiledib");
  EXPECT_EQ(FakeValue(lib, "FakeLastPage"), 32773);
  EXPECT_EQ(FakeValue(lib, "FakeLastDither"), 1) << "append";
  EXPECT_EQ(FakeValue(lib, "FakeLastBits"), 8);
  EXPECT_EQ(Binding().ProgressCaption, "Writing " + out);
  EXPECT_EQ(QImage(out).pixel(1, 1), qRgb(10, 200, 30)) << "the picture reached the writer";
}

namespace {
struct GuardProbe {
  bool selectResult = true;
  bool busyInside = false;
};
}  // namespace

TEST_F(Wrappers, SelectingASourceWhileAnAcquisitionRunsReturnsFalseAtOnce) {
  GuardProbe probe;
  auto progress = [](int16_t, void *user) -> int16_t {
    auto *p = static_cast<GuardProbe *>(user);
    p->busyInside = Binding().ScannerBusy;
    p->selectResult = SelectScannerSource(nullptr);
    return 1;
  };
  HGLOBAL dib = nullptr;
  ASSERT_TRUE(AcquireScannerDib(nullptr, 24, 1, &probe, progress, dib));
  EXPECT_TRUE(probe.busyInside);
  EXPECT_FALSE(probe.selectResult);
  EXPECT_EQ(FakeLastEntry(Binding().ImagingLibrary), "aquiredibimage")
      << "selectsource was not called";
  EXPECT_FALSE(Binding().ScannerBusy);
  EXPECT_EQ(Binding().ProgressCaption, "Aquiring Image ");
  FreeDib(dib);
  EXPECT_TRUE(SelectScannerSource(nullptr));
}

TEST_F(Wrappers, TheScannerGuardIsClearedWhenTheCallRaises) {
  auto raise = [](int16_t, void *) -> int16_t { throw std::runtime_error("in the callback"); };
  dialogs->AnswerMessage(platform::MessageResult::Ok);
  HGLOBAL dib = nullptr;
  EXPECT_FALSE(AcquireScannerDib(nullptr, 24, 0, nullptr, raise, dib));
  EXPECT_FALSE(Binding().ScannerBusy);
}

TEST_F(Wrappers, ACancelledScanGivesNoPicture) {
  TBitmap bitmap;
  auto cancel = [](int16_t, void *) -> int16_t { return 0; };
  Binding().LastErrorCode = 0;
  // No picture, and no failure either: nothing for the caller to report.
  EXPECT_TRUE(AcquireScannerBitmap(nullptr, 24, 0, bitmap, nullptr, cancel));
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(Binding().LastErrorCode, 0);
}

TEST(WrapperRules, TiffCompressionCodesAndNames) {
  const std::pair<TTiffCompression, int> codes[] = {
      {sNONE, 1}, {sCCITT, 2}, {sFAXCCITT3, 3}, {sFAXCCITT4, 4}, {sLZW, 5}, {sPACKBITS, 32773}};
  for (auto [compression, code] : codes) EXPECT_EQ(TiffCompressionCode(compression), code);
  const std::pair<int, const char *> names[] = {
      {1, "NONE"}, {2, "CCITT3"},       {3, "FAXCCITT3"},     {4, "FAXCCITT4"},
      {5, "LZW"},  {32773, "PACKBITS"}, {-32763, "PACKBITS"}, {7, "UNKNOWN"}};
  for (auto [code, name] : names) EXPECT_EQ(TiffCompressionName(code), name) << code;
}

TEST(WrapperRules, SaveDepthFollowsTheDisplay) {
  struct Case {
    int screenBits;
    int depth;
  };
  for (Case c : {Case{1, 4}, Case{4, 4}, Case{8, 8}, Case{15, 8}, Case{16, 24}, Case{32, 24}}) {
    MxSetScreenOverride(c.screenBits, c.screenBits <= 8 ? 1 << c.screenBits : 0);
    EXPECT_EQ(DisplayDepth(), c.depth) << c.screenBits;
    EXPECT_EQ(SaveDepthFor(sAutoMatic), c.depth);
  }
  MxSetScreenOverride(0, 0);
  EXPECT_EQ(SaveDepthFor(sColorVga), 0);
  EXPECT_EQ(SaveDepthFor(sMonoChrome), 1);
  EXPECT_EQ(SaveDepthFor(sJpegGray), 8);
  EXPECT_EQ(SaveDepthFor(sColorTrue), 24);
}

TEST(WrapperRules, FileNameParts) {
  EXPECT_EQ(BareFileName("C:\\X\\LOGO.BMP.RES"), "LOGO");
  EXPECT_EQ(FileNamePart("C:\\X\\LOGO.BMP.RES"), "LOGO.BMP.RES");
  EXPECT_EQ(FileNamePart("D:name.res"), "name.res");
  EXPECT_EQ(FileNamePart("/home/anne/" + QString(80, 'a')).size(), 64);
}
