#include <gtest/gtest.h>

#include "RowName.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <vector>

#include "TempDir.h"
#include "win32/Handles.h"
#include "win32/WinQt.h"

namespace {

// A packed DIB in a byte vector: header, colour table, rows.
struct PackedDib {
  std::vector<uint8_t> bytes;
  BITMAPINFO *Info() { return reinterpret_cast<BITMAPINFO *>(bytes.data()); }
  uint8_t *Bits() {
    const auto &h = Info()->bmiHeader;
    return bytes.data() + 40 + 4 * h.biClrUsed;
  }
};

PackedDib MakeDib(int width, int height, int bits, const std::vector<QRgb> &colors) {
  const int rowBytes = ((width * bits + 31) / 32) * 4;
  PackedDib dib;
  dib.bytes.assign(40 + 4 * colors.size() + size_t(rowBytes * std::abs(height)), 0);
  auto &h = dib.Info()->bmiHeader;
  h.biSize = 40;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = WORD(bits);
  h.biSizeImage = DWORD(rowBytes * std::abs(height));
  h.biClrUsed = DWORD(colors.size());
  for (size_t i = 0; i < colors.size(); ++i)
    dib.Info()->bmiColors[i] = {BYTE(qBlue(colors[i])), BYTE(qGreen(colors[i])),
                                BYTE(qRed(colors[i])), 0};
  return dib;
}

QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, (x + y) * 20 % 256));
  return image;
}

void ExpectSamePixels(const QImage &actual, const QImage &expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x)
      ASSERT_EQ(actual.pixel(x, y) | 0xFF000000u, expected.pixel(x, y) | 0xFF000000u)
          << "pixel " << x << "," << y;
}

struct ScreenOverride {
  ScreenOverride(int bits, int palette) { MxSetScreenOverride(bits, palette); }
  ~ScreenOverride() { MxSetScreenOverride(0, 0); }
};

}  // namespace

TEST(DibSections, EightBitRowsAreReadBottomUpThroughTheirColourTable) {
  PackedDib dib = MakeDib(3, 2, 8, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)});
  void *bits = nullptr;
  platform::BitmapHandle section(
      CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(section);
  ASSERT_NE(bits, nullptr);
  auto *rows = static_cast<uint8_t *>(bits);
  rows[0] = 0;  // bottom row, stored first
  rows[1] = 1;
  rows[2] = 2;
  rows[4] = 2;  // top row
  rows[5] = 2;
  rows[6] = 1;
  const QImage image = ImageOfBitmap(section.get()).convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(image.pixel(0, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(2, 1), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 255, 0));
  DIBSECTION ds{};
  ASSERT_EQ(GetObject(section.get(), sizeof ds, &ds), int(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 8);
  EXPECT_EQ(ds.dsBm.bmBits, bits);
  EXPECT_EQ(ds.dsBmih.biSizeImage, 8u);
}

namespace {

struct RefusedSectionCase {
  const char *name;
  int width, height, bits;
};
const RefusedSectionCase kRefusedSectionCases[] = {
    {"3 bits per pixel", 4, 4, 3},
    {"no width", 0, 4, 24},
    {"no height", 4, 0, 24},
    {"beyond any memory", 1 << 30, 1 << 30, 32},
};
class DibSectionsRefuse : public testing::TestWithParam<RefusedSectionCase> {};

TEST_P(DibSectionsRefuse, WhatTheyCannotHold) {
  const RefusedSectionCase &c = GetParam();
  SCOPED_TRACE(c.name);
  PackedDib dib = MakeDib(1, 1, 24, {});
  dib.Info()->bmiHeader.biWidth = c.width;
  dib.Info()->bmiHeader.biHeight = c.height;
  dib.Info()->bmiHeader.biBitCount = WORD(c.bits);
  void *bits = reinterpret_cast<void *>(1);
  EXPECT_EQ(CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
}
INSTANTIATE_TEST_SUITE_P(, DibSectionsRefuse, testing::ValuesIn(kRefusedSectionCases), ByRowName());

}  // namespace

TEST(GetDIBits, TwentyFourBitRowsOfADeviceBitmapAreExact) {
  const QImage picture = Pattern(5, 3);
  platform::BitmapHandle bitmap(CreateBitmapFromImage(picture));
  HDC screen = GetDC(nullptr);
  PackedDib dib = MakeDib(5, 3, 24, {});
  ASSERT_EQ(GetDIBits(screen, bitmap.get(), 0, 3, dib.Bits(), dib.Info(), DIB_RGB_COLORS), 3);
  // The first stored row is the picture's bottom row, in blue, green, red order.
  EXPECT_EQ(dib.Bits()[0], qBlue(picture.pixel(0, 2)));
  EXPECT_EQ(dib.Bits()[1], qGreen(picture.pixel(0, 2)));
  EXPECT_EQ(dib.Bits()[2], qRed(picture.pixel(0, 2)));
  ExpectSamePixels(ImageFromPackedDib(dib.bytes.data(), dib.bytes.size()), picture);
  ReleaseDC(nullptr, screen);
}

TEST(GetDIBits, WithNoBitsFillsTheHeaderOnly) {
  platform::BitmapHandle bitmap(CreateBitmapFromImage(Pattern(7, 4)));
  HDC screen = GetDC(nullptr);
  PackedDib dib = MakeDib(1, 1, 24, {});
  dib.Info()->bmiHeader.biBitCount = 0;
  EXPECT_EQ(GetDIBits(screen, bitmap.get(), 0, 4, nullptr, dib.Info(), DIB_RGB_COLORS), 4);
  EXPECT_EQ(dib.Info()->bmiHeader.biWidth, 7);
  EXPECT_EQ(dib.Info()->bmiHeader.biHeight, 4);
  EXPECT_EQ(dib.Info()->bmiHeader.biBitCount, 32);
  EXPECT_EQ(dib.Info()->bmiHeader.biSizeImage, 7u * 4 * 4);
  ReleaseDC(nullptr, screen);
}

TEST(GetDIBits, PaletteSelectedInTheDcGivesTheIndexes) {
  QImage picture(9, 1, QImage::Format_RGB32);
  for (int x = 0; x < 9; ++x)
    picture.setPixel(x, 0, x % 3 == 0 ? qRgb(250, 250, 250) : qRgb(5, 5, 5));
  platform::BitmapHandle bitmap(CreateBitmapFromImage(picture));
  platform::PaletteHandle palette(CreatePaletteFromColors({qRgb(0, 0, 0), qRgb(255, 255, 255)}));
  HDC screen = GetDC(nullptr);
  SelectPalette(screen, palette.get(), FALSE);
  PackedDib dib = MakeDib(9, 1, 1, {0, 0});
  uint8_t *bits = dib.Bits();
  ASSERT_EQ(GetDIBits(screen, bitmap.get(), 0, 1, bits, dib.Info(), DIB_RGB_COLORS), 1);
  EXPECT_EQ(bits[0], 0b10010010);
  EXPECT_EQ(bits[1], 0b00000000);
  EXPECT_EQ(dib.Info()->bmiColors[1].rgbGreen, 255) << "the palette's colours";
  ReleaseDC(nullptr, screen);
}

TEST(Blits, StretchDIBitsDoublesEveryPixelOntoAnImage) {
  PackedDib dib = MakeDib(2, 2, 24, {});
  uint8_t *rows = dib.Bits();
  // bottom row: red, green; top row: blue, white
  const uint8_t bottom[] = {0, 0, 255, 0, 255, 0};
  const uint8_t top[] = {255, 0, 0, 255, 255, 255};
  std::memcpy(rows, bottom, 6);
  std::memcpy(rows + 8, top, 6);
  QImage target(4, 4, QImage::Format_RGB32);
  target.fill(Qt::black);
  HDC dc = CreateDCForImage(&target);
  EXPECT_EQ(StretchDIBits(dc, 0, 0, 4, 4, 0, 0, 2, 2, rows, dib.Info(), DIB_RGB_COLORS, SRCCOPY),
            2);
  DeleteDC(dc);
  EXPECT_EQ(target.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 255));
  EXPECT_EQ(target.pixel(3, 0), qRgb(255, 255, 255));
  EXPECT_EQ(target.pixel(0, 3), qRgb(255, 0, 0));
  EXPECT_EQ(target.pixel(3, 3), qRgb(0, 255, 0));
}

TEST(Blits, BitBltCopiesAPartOfADibSectionOntoAPainter) {
  const QImage picture = Pattern(6, 5);
  PackedDib dib = MakeDib(6, 5, 24, {});
  void *bits = nullptr;
  platform::BitmapHandle section(
      CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(SetBitmapImage(section.get(), picture));
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, section.get());
  QImage target(6, 5, QImage::Format_RGB32);
  target.fill(Qt::black);
  {
    QPainter painter(&target);
    HDC dc = CreateDCForPainter(&painter);
    EXPECT_TRUE(BitBlt(dc, 1, 2, 3, 2, memory, 2, 1, SRCCOPY));
    DeleteDC(dc);
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(target.pixel(1 + x, 2 + y), picture.pixel(2 + x, 1 + y)) << x << "," << y;
  EXPECT_EQ(target.pixel(0, 0), qRgb(0, 0, 0)) << "outside the copied block";
}

TEST(Blits, DrawingIntoAMemoryDcChangesTheSelectedBitmap) {
  HDC screen = GetDC(nullptr);
  platform::BitmapHandle bitmap(CreateCompatibleBitmap(screen, 4, 4));
  HDC memory = CreateCompatibleDC(screen);
  {
    platform::SelectGuard select(memory, bitmap.get());
    EXPECT_FALSE(DeleteObject(bitmap.get())) << "a selected bitmap is not deleted";
    const RECT rect{1, 1, 3, 3};
    FillSolidRect(memory, &rect, RGB(10, 20, 30));
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  const QImage image = ImageOfBitmap(bitmap.get());
  EXPECT_EQ(image.pixel(1, 1), qRgb(10, 20, 30));
  EXPECT_EQ(image.pixel(2, 2), qRgb(10, 20, 30));
  EXPECT_EQ(image.pixel(3, 3), qRgb(0, 0, 0));
}

TEST(MemoryDcs, StartWithAMonochromeBitmapAsOnWindows) {
  HDC memory = CreateCompatibleDC(nullptr);
  platform::BitmapHandle mono(CreateCompatibleBitmap(memory, 8, 8));
  BITMAP bm{};
  GetObject(mono.get(), sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  DeleteDC(memory);
  HDC screen = GetDC(nullptr);
  platform::BitmapHandle colour(CreateCompatibleBitmap(screen, 8, 8));
  GetObject(colour.get(), sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  ReleaseDC(nullptr, screen);
}

TEST(Screen, ATestCanSimulateA256ColourDisplay) {
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), 0);
  EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 256, nullptr), 0u) << "no palette on true colour";
  {
    ScreenOverride palette(8, 256);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 8);
    EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), 256);
    EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, RC_PALETTE);
    PALETTEENTRY entries[256];
    ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, entries), 256u);
    // The static colours: dark ones first, bright ones last.
    EXPECT_EQ(entries[1].peRed, 128);
    EXPECT_EQ(entries[7].peRed, 192);
    EXPECT_EQ(entries[248].peRed, 128);
    EXPECT_EQ(entries[249].peRed, 255);
    EXPECT_EQ(entries[249].peGreen, 0);
    EXPECT_EQ(entries[255].peBlue, 255);
  }
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32) << "the override is lifted";
  ReleaseDC(nullptr, screen);
}

TEST(Palettes, EntriesCountAndCopies) {
  platform::PaletteHandle palette(
      CreatePaletteFromColors({qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9)}));
  WORD count = 0;
  ASSERT_EQ(GetObject(palette.get(), sizeof count, &count), int(sizeof count));
  EXPECT_EQ(count, 3);
  PALETTEENTRY entry{};
  EXPECT_EQ(GetPaletteEntries(palette.get(), 2, 5, &entry), 1u) << "cut at the end";
  EXPECT_EQ(entry.peBlue, 9);
  EXPECT_EQ(GetNearestPaletteIndex(palette.get(), RGB(6, 6, 6)), 1u);
  HPALETTE dead = CreatePaletteFromColors({qRgb(0, 0, 0)});
  EXPECT_TRUE(DeleteObject(dead));
  EXPECT_EQ(GetObject(dead, sizeof count, &count), 0) << "a deleted palette is not read";
  EXPECT_FALSE(DeleteObject(dead));
}

TEST(PackedDibs, RunLengthEncodedEightBitsDecode) {
  // Two rows of 4: bottom "1 1 1 2", top "absolute 3 0 3" + 1 pixel of 0, then the end.
  std::vector<uint8_t> bytes(40 + 4 * 4);
  auto *h = reinterpret_cast<BITMAPINFOHEADER *>(bytes.data());
  h->biSize = 40;
  h->biWidth = 4;
  h->biHeight = 2;
  h->biPlanes = 1;
  h->biBitCount = 8;
  h->biCompression = BI_RLE8;
  h->biClrUsed = 4;
  auto *table = reinterpret_cast<RGBQUAD *>(bytes.data() + 40);
  table[0] = {0, 0, 0, 0};
  table[1] = {0, 0, 255, 0};
  table[2] = {0, 255, 0, 0};
  table[3] = {255, 0, 0, 0};
  const uint8_t stream[] = {3, 1, 1, 2, 0, 0, 0, 3, 3, 0, 3, 0, 1, 0, 0, 1};
  bytes.insert(bytes.end(), std::begin(stream), std::end(stream));
  h = reinterpret_cast<BITMAPINFOHEADER *>(bytes.data());
  h->biSizeImage = sizeof stream;
  const QImage image =
      ImageFromPackedDib(bytes.data(), bytes.size()).convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.pixel(0, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(3, 1), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 255));
}

namespace {

struct BadHeaderCase {
  const char *name;
  size_t available;
  LONG width;
  DWORD clrUsed;
};
std::vector<BadHeaderCase> BadHeaderCases() {
  PackedDib dib = MakeDib(4, 4, 24, {});
  return {
      {"shorter than the header", 20, 4, 0},
      {"rows missing", dib.bytes.size() - 1, 4, 0},
      {"wider than the data", dib.bytes.size(), 400, 0},
      {"colour table beyond the data", dib.bytes.size(), 4, 1000},
  };
}
class PackedDibHeaders : public testing::TestWithParam<BadHeaderCase> {};

TEST_P(PackedDibHeaders, TruncatedOrLyingGiveANullImage) {
  const BadHeaderCase &c = GetParam();
  const PackedDib dib = MakeDib(4, 4, 24, {});
  SCOPED_TRACE(c.name);
  PackedDib copy = dib;
  copy.Info()->bmiHeader.biWidth = c.width;
  copy.Info()->bmiHeader.biClrUsed = c.clrUsed;
  EXPECT_TRUE(ImageFromPackedDib(copy.bytes.data(), c.available).isNull());
}
INSTANTIATE_TEST_SUITE_P(, PackedDibHeaders, testing::ValuesIn(BadHeaderCases()), ByRowName());

}  // namespace

TEST(WindowDcs, DrawOnTheWindowsPainterWhileItPaints) {
  QImage surface(4, 4, QImage::Format_RGB32);
  surface.fill(Qt::white);
  auto *window = reinterpret_cast<HWND>(&surface);  // any distinct handle
  const RECT rect{0, 0, 2, 2};
  {
    QPainter painter(&surface);
    MxSetWindowPainter(window, &painter);
    HDC dc = GetDC(window);
    EXPECT_TRUE(FillSolidRect(dc, &rect, RGB(0, 0, 255)));
    ReleaseDC(window, dc);
    MxSetWindowPainter(window, nullptr);
  }
  EXPECT_EQ(surface.pixel(1, 1), qRgb(0, 0, 255));
  HDC after = GetDC(window);
  const RECT whole{0, 0, 4, 4};
  FillSolidRect(after, &whole, RGB(255, 0, 0));
  ReleaseDC(window, after);
  EXPECT_EQ(surface.pixel(3, 3), qRgb(255, 255, 255)) << "outside painting nothing is drawn";
}

TEST(DibSections, MadeOnABlockShareItsMemoryAndOutliveIt) {
  PackedDib dib = MakeDib(2, 2, 24, {});
  HGLOBAL block = GlobalAlloc(GHND, 40 + 16);
  auto *data = static_cast<uint8_t *>(GlobalLock(block));
  data[40 + 2] = 255;  // bottom-left pixel red
  void *bits = nullptr;
  platform::BitmapHandle section(
      CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, block, 40));
  ASSERT_TRUE(section);
  EXPECT_EQ(bits, data + 40) << "not a copy";
  EXPECT_EQ(CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, block, 44), nullptr)
      << "the pixels would run past the block";
  EXPECT_EQ(CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, block, 2), nullptr)
      << "rows must stay aligned";
  GlobalUnlock(block);
  GlobalFree(block);
  EXPECT_EQ(ImageOfBitmap(section.get()).pixel(0, 1), qRgb(255, 0, 0)) << "the memory lives on";
}

TEST(Blits, StretchDIBitsReachesAPrinterLikeDevice) {
  TempDir dir;
  PackedDib dib = MakeDib(2, 2, 24, {});
  std::memset(dib.Bits(), 200, 16);
  QPdfWriter pdf(dir.File("page.pdf"));
  {
    QPainter painter(&pdf);
    HDC dc = CreateDCForPainter(&painter);
    EXPECT_GT(GetDeviceCaps(dc, LOGPIXELSX), 96) << "the device's own resolution";
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 600, 600, 0, 0, 2, 2, dib.Bits(), dib.Info(), DIB_RGB_COLORS,
                            SRCCOPY),
              2);
    DeleteDC(dc);
  }
  EXPECT_GT(QFileInfo(dir.File("page.pdf")).size(), 500);
}

TEST(Clipboard, ADibBlockGoesInAndComesBackAsTheSamePicture) {
  PackedDib dib = MakeDib(2, 1, 24, {});
  const uint8_t row[] = {0, 0, 255, 255, 0, 0};  // red, blue
  std::memcpy(dib.Bits(), row, sizeof row);
  HGLOBAL block = GlobalAlloc(GHND, dib.bytes.size());
  std::memcpy(GlobalLock(block), dib.bytes.data(), dib.bytes.size());
  GlobalUnlock(block);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr)) << "already open";
  EmptyClipboard();
  EXPECT_EQ(SetClipboardData(CF_DIB, block), block);
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
  EXPECT_EQ(QGuiApplication::clipboard()->image().pixel(1, 0), qRgb(0, 0, 255));
  EXPECT_EQ(GetClipboardData(CF_DIB), nullptr) << "only while open";

  QImage other(3, 2, QImage::Format_RGB32);
  other.fill(qRgb(1, 2, 3));
  QGuiApplication::clipboard()->setImage(other);  // another program's picture
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL got = static_cast<HGLOBAL>(GetClipboardData(CF_DIB));
  ASSERT_NE(got, nullptr);
  const QImage back = ImageFromPackedDib(GlobalLock(got), GlobalSize(got));
  GlobalUnlock(got);
  EXPECT_EQ(back.size(), QSize(3, 2));
  EXPECT_EQ(back.pixel(2, 1), qRgb(1, 2, 3));
  EmptyClipboard();
  CloseClipboard();
  QGuiApplication::clipboard()->setText("text");
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
}

// A bitmap made on a block of the program's rows keeps the block's memory, hands its rows to
// images without a copy, and copies them before a drawing changes rows an image still shows.
TEST(BitmapOnBlock, SharesTheBlocksRowsAndCopiesThemBeforeADrawingChangesThem) {
  const int w = 5, h = 3;
  HGLOBAL block = GlobalAlloc(GHND, 40 + 4 * w * h);
  ASSERT_NE(block, nullptr);
  auto *base = static_cast<uint8_t *>(GlobalLock(block));
  for (int i = 0; i < w * h; ++i) {
    uint8_t *p = base + 40 + 4 * i;
    p[0] = uint8_t(10 * i);  // blue
    p[1] = 100;
    p[2] = 200;
    p[3] = 255;
  }
  GlobalUnlock(block);
  EXPECT_EQ(CreateBitmapOnBlock(block, 40, w, h + 1), nullptr) << "more rows than the block holds";
  EXPECT_EQ(CreateBitmapOnBlock(block, 42, w, h), nullptr) << "rows not on 4 bytes";
  HBITMAP bitmap = CreateBitmapOnBlock(block, 40, w, h);
  ASSERT_NE(bitmap, nullptr);
  GlobalFree(block);  // the bitmap keeps the memory

  const QImage shown = ImageOfBitmap(bitmap);
  EXPECT_EQ(shown.constBits(), base + 40) << "the block's own rows";
  EXPECT_EQ(shown.pixel(2, 1), qRgb(200, 100, 70));
  BITMAP bm{};
  ASSERT_NE(GetObject(bitmap, sizeof bm, &bm), 0);
  EXPECT_EQ(bm.bmWidth, w);
  EXPECT_EQ(bm.bmHeight, h);
  EXPECT_EQ(bm.bmBitsPixel, 32);

  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, w, h, BLACKNESS);
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_EQ(shown.pixel(2, 1), qRgb(200, 100, 70)) << "the image shown keeps its pixels";
  EXPECT_EQ(ImageOfBitmap(bitmap).pixel(2, 1), qRgb(0, 0, 0)) << "the bitmap took the drawing";
  DeleteObject(bitmap);
}
