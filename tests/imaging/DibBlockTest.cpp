#include "DibBlock.h"
#include "ImagingFixture.h"
#include "RowName.h"
#include "win32/Handles.h"
#include "win32/WinQt.h"

using namespace imaging;

namespace {

struct ScreenOverride {
  ScreenOverride(int bits, int palette) { MxSetScreenOverride(bits, palette); }
  ~ScreenOverride() { MxSetScreenOverride(0, 0); }
};

QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 50 % 256, y * 70 % 256, 90));
  return image;
}

QImage SixteenColours() {
  QImage image(4, 4, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int i = 0; i < 16; ++i) table.append(qRgb(i * 16, 255 - i * 16, i * 8));
  image.setColorTable(table);
  for (int i = 0; i < 16; ++i) image.setPixel(i % 4, i / 4, uint(i));
  return image;
}

}  // namespace

using DibBlock = ImagingTest;

namespace {

struct CreateDibCase {
  int bits, stored, entries;
  SIZE_T blockSize;  // 10 x 3 pixels
};
const CreateDibCase kCreateDibCases[] = {
    {1, 1, 2, 3 * 4 + 48},      {2, 1, 2, 3 * 4 + 48},    {4, 4, 16, 3 * 8 + 104},
    {8, 8, 256, 3 * 12 + 1064}, {16, 16, 0, 3 * 20 + 40}, {24, 24, 0, 3 * 32 + 40},
    {32, 32, 0, 3 * 40 + 40},
};
class DibBlockCreateDib : public DibBlock, public testing::WithParamInterface<CreateDibCase> {};

TEST_P(DibBlockCreateDib, StoresTheDepthTheColoursAndTheSize) {
  const CreateDibCase &c = GetParam();
  SCOPED_TRACE(c.bits);
  TDibBlock block;
  ASSERT_TRUE(block.CreateDib(nullptr, 10, 3, c.bits));
  EXPECT_EQ(block.BitCount(), c.stored);
  EXPECT_EQ(block.ColorCount(), c.entries);
  EXPECT_EQ(block.Header->biClrImportant, DWORD(c.entries));
  EXPECT_EQ(block.Header->biXPelsPerMeter, 2953);
  EXPECT_EQ(GlobalSize(GlobalHandle(block.Header)), c.blockSize);
  EXPECT_EQ(block.TotalSize(), int64_t(c.blockSize));
  EXPECT_TRUE(block.FitsBlock());
}
INSTANTIATE_TEST_SUITE_P(, DibBlockCreateDib, testing::ValuesIn(kCreateDibCases),
                         [](const testing::TestParamInfo<CreateDibCase> &info) {
                           return "bits_" + RowName(info.param.bits);
                         });

}  // namespace

TEST_F(DibBlock, CreateDibWithThreeBitsAllocatesNothing) {
  const SIZE_T blocks = GlobalLiveBlocks();
  TDibBlock block;
  EXPECT_FALSE(block.CreateDib(nullptr, 10, 10, 3));
  EXPECT_EQ(block.Header, nullptr);
  EXPECT_EQ(GlobalLiveBlocks(), blocks);
}

TEST_F(DibBlock, CreateDibWithoutMemoryRaisesCantAllocate) {
  MxSetGlobalAllocLimit(1000);
  TDibBlock block;
  try {
    block.CreateDib(nullptr, 1000, 1000, 24);
    FAIL();
  } catch (const ErrorInvalid &e) {
    EXPECT_EQ(e.Text(), "Can't allocate memory");
  }
  MxSetGlobalAllocLimit(0);
}

TEST_F(DibBlock, CreateDibCopiesThePaletteIntoTheColourTable) {
  platform::PaletteHandle palette(CreatePaletteFromColors({qRgb(1, 2, 3), qRgb(250, 251, 252)}));
  TDibBlock block;
  ASSERT_TRUE(block.CreateDib(palette.get(), 8, 8, 4));
  const auto *table =
      reinterpret_cast<const RGBQUAD *>(reinterpret_cast<uint8_t *>(block.Header) + 40);
  EXPECT_EQ(table[1].rgbRed, 250);
  EXPECT_EQ(table[1].rgbBlue, 252);
  EXPECT_EQ(table[2].rgbRed, 0) << "entries the palette lacks stay zero";
}

TEST_F(DibBlock, AZeroImageSizeIsComputedAndWrittenTheFirstTimeTotalSizeIsAsked) {
  TDibBlock block;
  ASSERT_TRUE(block.CreateDib(nullptr, 5, 7, 24));
  block.Header->biSizeImage = 0;
  EXPECT_EQ(block.TotalSize(), 40 + 7 * 16);
  EXPECT_EQ(block.Header->biSizeImage, 7u * 16);
}

TEST_F(DibBlock, ContainersWithoutAHeaderAnswerZero) {
  TDibBlock block;
  EXPECT_EQ(block.BitCount(), 0);
  EXPECT_EQ(block.HeaderSize(), 0);
  EXPECT_EQ(block.TotalSize(), 0);
  EXPECT_EQ(block.Bits(), nullptr);
  EXPECT_EQ(block.GetPalette(), nullptr);
  EXPECT_EQ(TDibBlock::PaletteSizeFor(8), 256);
  EXPECT_EQ(TDibBlock::PaletteSizeFor(24), 0);
}

TEST_F(DibBlock, AnOwningContainerFreesItsBlockEvenWhenLockedManyTimes) {
  const SIZE_T blocks = GlobalLiveBlocks();
  {
    TDibBlock block;
    ASSERT_TRUE(block.CreateDib(nullptr, 4, 4, 8));
    GlobalLock(GlobalHandle(block.Header));
    GlobalLock(GlobalHandle(block.Header));
    block.GetPalette();
  }
  EXPECT_EQ(GlobalLiveBlocks(), blocks);
}

TEST_F(DibBlock, ASixteenColourDibOnA256ColourDisplayTakesTheSystemColours) {
  HGLOBAL dib = DibOf(SixteenColours(), 4);
  auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
  {
    ScreenOverride display(8, 256);
    platform::PaletteHandle palette(TDibBlock::MakePalette(header));
    const QList<QRgb> colors = PaletteColors(palette.get());
    ASSERT_EQ(colors.size(), 16);
    EXPECT_EQ(colors[1], qRgb(128, 0, 0)) << "system entry 1";
    EXPECT_EQ(colors[8], qRgb(128, 128, 128)) << "system entry 248";
    EXPECT_EQ(colors[15], qRgb(255, 255, 255)) << "system entry 255";
  }
  platform::PaletteHandle palette(TDibBlock::MakePalette(header));
  EXPECT_EQ(PaletteColors(palette.get()), SixteenColours().colorTable())
      << "true colour: its own table";
  GlobalUnlock(dib);
  FreeDib(dib);
}

TEST_F(DibBlock, A32BitBitmapBecomesA24BitDib) {
  const QImage picture = Pattern(5, 4);
  platform::BitmapHandle bitmap(CreateBitmapFromImage(picture));
  HGLOBAL dib = nullptr;
  ASSERT_TRUE(DdbToDib(bitmap.get(), nullptr, dib));
  EXPECT_EQ(FakeLastEntry(Binding().ImagingLibrary), "DIB32To24");
  auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
  EXPECT_EQ(header->biBitCount, 24);
  GlobalUnlock(dib);
  EXPECT_EQ(GlobalLockCount(dib), 0) << "handed over unlocked";
  const QImage back = ImageOfDib(dib);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(back.pixel(x, y), picture.pixel(x, y)) << x << "," << y;
  FreeDib(dib);
}

TEST_F(DibBlock, AOneBitBitmapBecomesAOneBitDibWithItsPalettesTwoColours) {
  QImage mono(9, 2, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mono.fill(0);
  mono.setPixel(0, 0, 1);
  mono.setPixel(8, 1, 1);
  platform::BitmapHandle bitmap(CreateBitmapFromImage(mono));
  platform::PaletteHandle palette(CreatePaletteFromColors({qRgb(0, 0, 0), qRgb(255, 255, 255)}));
  HGLOBAL dib = nullptr;
  ASSERT_TRUE(DdbToDib(bitmap.get(), palette.get(), dib));
  auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
  EXPECT_EQ(header->biBitCount, 1);
  EXPECT_EQ(header->biClrUsed, 2u);
  GlobalUnlock(dib);
  const QImage back = ImageOfDib(dib).convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(back.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(back.pixel(1, 0), qRgb(0, 0, 0));
  EXPECT_EQ(back.pixel(8, 1), qRgb(255, 255, 255));
  FreeDib(dib);
}

TEST_F(DibBlock, AnEmptyBitmapRaisesInputImageIsEmpty) {
  HGLOBAL dib = nullptr;
  EXPECT_THROW(DdbToDib(nullptr, nullptr, dib), ErrorInvalid);
  TBitmap empty;
  EXPECT_THROW(BitmapToDib(&empty, dib), ErrorInvalid);
}

TEST_F(DibBlock, ATwentyFourBitDibAskedAtEightBitsGoesThroughReduceDibWithTheDither) {
  HGLOBAL dib = DibOf(Pattern(6, 6), 24);
  TBitmap bitmap;
  ASSERT_EQ(DibToBitmap(dib, 8, 1, bitmap, nullptr, nullptr), 1);
  EXPECT_EQ(FakeLastEntry(Binding().EffectsLibrary), "ReduceDib");
  EXPECT_EQ(FakeValue(Binding().EffectsLibrary, "FakeLastBits"), 8);
  EXPECT_EQ(FakeValue(Binding().EffectsLibrary, "FakeLastDither"), 1);
  EXPECT_EQ(Binding().ProgressCaption, "Reducing colors ");
  EXPECT_EQ(bitmap.BitsPerPixel(), 8);
  EXPECT_NE(bitmap.Palette(), nullptr);
  EXPECT_EQ(GlobalLockCount(dib), 0) << "the caller's block is left as it came";
  FreeDib(dib);
}

TEST_F(DibBlock, AFourBitDibAskedAtTwentyFourBitsGoesThroughDib4To24) {
  HGLOBAL dib = DibOf(SixteenColours(), 4);
  TBitmap bitmap;
  const SIZE_T blocks = GlobalLiveBlocks();
  ASSERT_EQ(DibToBitmap(dib, 24, 0, bitmap, nullptr, nullptr), 1);
  EXPECT_EQ(FakeLastEntry(Binding().ImagingLibrary), "DIB4To24");
  EXPECT_EQ(Binding().ProgressCaption, "Increasing colors ");
  EXPECT_EQ(bitmap.BitsPerPixel(), 24);
  EXPECT_EQ(bitmap.ToImage().pixel(1, 0), SixteenColours().pixel(1, 0));
  EXPECT_EQ(GlobalLiveBlocks(), blocks) << "the adapted block is released";
  FreeDib(dib);
}

TEST_F(DibBlock, DepthZeroKeepsTheDibsOwnDepth) {
  HGLOBAL dib = DibOf(SixteenColours(), 4);
  TBitmap bitmap;
  ASSERT_EQ(DibToBitmap(dib, 0, 0, bitmap, nullptr, nullptr), 1);
  EXPECT_EQ(bitmap.BitsPerPixel(), 4);
  EXPECT_EQ(PaletteColors(bitmap.Palette()), SixteenColours().colorTable());
  EXPECT_EQ(bitmap.ToImage().convertToFormat(QImage::Format_RGB32).pixel(3, 3),
            SixteenColours().pixel(3, 3));
  FreeDib(dib);
}

TEST_F(DibBlock, ARunLengthEncodedDibGoesToTheLibrarysDibtoDdb) {
  // 2 x 1 picture, 8 bits, RLE: two pixels of index 1, end of bitmap.
  const uint8_t stream[] = {2, 1, 0, 1};
  HGLOBAL dib = GlobalAlloc(GHND, 40 + 8 + sizeof stream);
  auto *h = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
  *h = {40, 2, 1, 1, 8, BI_RLE8, sizeof stream, 0, 0, 2, 2};
  auto *table = reinterpret_cast<RGBQUAD *>(h + 1);
  table[1] = {0, 0, 255, 0};
  std::memcpy(table + 2, stream, sizeof stream);
  GlobalUnlock(dib);
  TBitmap bitmap;
  ASSERT_EQ(DibToBitmap(dib, 24, 0, bitmap, nullptr, nullptr), 1);
  EXPECT_EQ(FakeLastEntry(Binding().ImagingLibrary), "DibtoDdb");
  EXPECT_EQ(bitmap.ToImage().pixel(1, 0), qRgb(255, 0, 0));
  EXPECT_EQ(GlobalLockCount(dib), 0);
  FreeDib(dib);
}

namespace {

struct SpoiltDibCase {
  const char *name;
  std::function<void(BITMAPINFOHEADER *)> spoil;
};
const SpoiltDibCase kSpoiltDibCases[] = {
    {"wider than its block", [](BITMAPINFOHEADER *h) { h->biWidth = 100000; }},
    {"a colour table beyond its block", [](BITMAPINFOHEADER *h) { h->biClrUsed = 0x7FFFFFFF; }},
    {"no width", [](BITMAPINFOHEADER *h) { h->biWidth = 0; }},
};
class DibsThatCannotBeShown : public DibBlock, public testing::WithParamInterface<SpoiltDibCase> {};

TEST_P(DibsThatCannotBeShown, GiveZeroAndLeaveTheBitmap) {
  const SpoiltDibCase &c = GetParam();
  TBitmap bitmap;
  bitmap.SetImage(Pattern(2, 2));
  const HBITMAP before = bitmap.Handle();

  SCOPED_TRACE(c.name);
  HGLOBAL dib = DibOf(Pattern(3, 3), 24);
  c.spoil(static_cast<BITMAPINFOHEADER *>(GlobalLock(dib)));
  GlobalUnlock(dib);
  EXPECT_EQ(DibToBitmap(dib, 0, 0, bitmap, nullptr, nullptr), 0);
  EXPECT_EQ(bitmap.Handle(), before);
  FreeDib(dib);
}
INSTANTIATE_TEST_SUITE_P(, DibsThatCannotBeShown, testing::ValuesIn(kSpoiltDibCases), ByRowName());

}  // namespace

TEST_F(DibBlock, AnEmptyBlockGivesZero) {
  TBitmap bitmap;
  bitmap.SetImage(Pattern(2, 2));
  HGLOBAL empty = GlobalAlloc(GHND, 0);
  EXPECT_EQ(DibToBitmap(empty, 24, 0, bitmap, nullptr, nullptr), 0);
  GlobalFree(empty);
}

TEST_F(DibBlock, A32BitDibIsReducedFromA24BitCopyThatIsThenFreed) {
  HGLOBAL dib = DibOf(Pattern(3, 3), 24);
  // Make it a 32-bit block by hand.
  const QImage picture = Pattern(3, 3);
  HGLOBAL wide = GlobalAlloc(GHND, 40 + 3 * 3 * 4);
  auto *h = static_cast<BITMAPINFOHEADER *>(GlobalLock(wide));
  *h = {40, 3, 3, 1, 32, BI_RGB, 36, 0, 0, 0, 0};
  auto *px = reinterpret_cast<uint32_t *>(h + 1);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) px[(2 - y) * 3 + x] = picture.pixel(x, y) & 0xFFFFFF;
  GlobalUnlock(wide);
  const SIZE_T blocks = GlobalLiveBlocks();
  HGLOBAL reduced = ReduceDibColors(wide, 8, 0, nullptr, nullptr);
  ASSERT_NE(reduced, nullptr);
  EXPECT_EQ(GlobalLiveBlocks(), blocks + 1) << "only the result remains";
  EXPECT_EQ(ImageOfDib(reduced).pixel(2, 1), picture.pixel(2, 1));
  FreeDib(reduced);
  FreeDib(wide);
  FreeDib(dib);
}

TEST_F(DibBlock, CopyPaletteCopiesAtMost256Entries) {
  EXPECT_EQ(CopyPalette(nullptr), nullptr);
  QList<QRgb> many;
  for (int i = 0; i < 300; ++i) many.append(qRgb(i % 256, 0, 0));
  platform::PaletteHandle palette(CreatePaletteFromColors(many));
  platform::PaletteHandle copy(CopyPalette(palette.get()));
  EXPECT_EQ(PaletteColors(copy.get()), many.mid(0, 256));
}

TEST_F(DibBlock, A32BitDibAskedAtTwentyFourBitsIsOnlyWidened) {
  const QImage picture = Pattern(3, 2);
  HGLOBAL wide = GlobalAlloc(GHND, 40 + 3 * 2 * 4);
  auto *h = static_cast<BITMAPINFOHEADER *>(GlobalLock(wide));
  *h = {40, 3, 2, 1, 32, BI_RGB, 24, 0, 0, 0, 0};
  auto *px = reinterpret_cast<uint32_t *>(h + 1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) px[(1 - y) * 3 + x] = picture.pixel(x, y) & 0xFFFFFF;
  GlobalUnlock(wide);
  TBitmap bitmap;
  ASSERT_EQ(DibToBitmap(wide, 24, 0, bitmap, nullptr, nullptr), 1);
  EXPECT_EQ(FakeLastEntry(Binding().ImagingLibrary), "DIB32To24");
  EXPECT_EQ(Binding().EffectsLibrary, nullptr) << "no colour reduction asked of ISP2000.DLL";
  EXPECT_EQ(bitmap.BitsPerPixel(), 24);
  EXPECT_EQ(bitmap.ToImage().pixel(2, 1), picture.pixel(2, 1));
  FreeDib(wide);
}

TEST_F(DibBlock, ACopyOfAPalettedBitmapKeepsItsDepthPixelsAndPalette) {
  HGLOBAL dib = DibOf(SixteenColours(), 4);
  TBitmap original;
  ASSERT_EQ(DibToBitmap(dib, 0, 0, original, nullptr, nullptr), 1);
  FreeDib(dib);
  TBitmap copy(original);
  original.Clear();
  EXPECT_EQ(copy.BitsPerPixel(), 4);
  EXPECT_EQ(PaletteColors(copy.Palette()), SixteenColours().colorTable());
  const QImage image = copy.ToImage().convertToFormat(QImage::Format_RGB32);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(image.pixel(i % 4, i / 4), SixteenColours().pixel(i % 4, i / 4)) << i;
}

// Headers with every field pushed to the values a broken or hostile block could carry:
// each conversion ends with a bitmap or with 0, never reading past the block.
TEST_F(DibBlock, HeadersWithExtremeFieldsNeverReadPastTheBlock) {
  const LONG sizes[] = {0, 1, -1, 3, 65535, -65536, 0x7FFFFFFF, LONG(0x80000000)};
  const WORD depths[] = {0, 1, 2, 4, 8, 16, 24, 32, 48};
  const DWORD compressions[] = {BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS, 7};
  const DWORD counts[] = {0, 2, 256, 257, 0xFFFFFFFF};
  uint32_t seed = 12345;
  auto next = [&](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int i = 0; i < 300; ++i) {
    HGLOBAL dib = DibOf(Pattern(5, 4), 24);
    auto *h = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
    h->biWidth = sizes[next(std::size(sizes))];
    h->biHeight = sizes[next(std::size(sizes))];
    h->biBitCount = depths[next(std::size(depths))];
    h->biCompression = compressions[next(std::size(compressions))];
    h->biClrUsed = counts[next(std::size(counts))];
    h->biSizeImage = DWORD(next(2) ? 0 : 0xFFFFFFF0u);
    GlobalUnlock(dib);
    SCOPED_TRACE(testing::Message()
                 << "case " << i << ": " << h->biWidth << " x " << h->biHeight << ", "
                 << h->biBitCount << " bits, compression " << h->biCompression);
    TBitmap bitmap;
    const int depths[] = {0, 1, 8, 24};
    const int result = DibToBitmap(dib, depths[i % 4], i % 2, bitmap, nullptr, nullptr);
    EXPECT_EQ(result == 1, !bitmap.Empty());
    void *p = GlobalLock(dib);
    ImageFromPackedDib(p, GlobalSize(dib));
    GlobalUnlock(dib);
    FreeDib(dib);
  }
}
