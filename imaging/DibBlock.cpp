#include "DibBlock.h"

#include <cstring>
#include <vector>

#include "Binding.h"
#include "isp2000.h"
#include "win32/Handles.h"
#include "win32/WinQt.h"

namespace imaging {

namespace {

constexpr LONG kPelsPerMeter = 2953;  // 75 dots per inch

HGLOBAL BlockOf(const void *header) {
  return header ? GlobalHandle(header) : nullptr;
}

std::vector<uint8_t> LogPaletteBuffer(int entries) {
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) +
                              sizeof(PALETTEENTRY) * size_t(std::max(entries, 1)));
  auto *log = reinterpret_cast<LOGPALETTE *>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = WORD(entries);
  return buffer;
}

// The palette size of the display the focused window sits on.
int FocusPaletteSize() {
  HDC dc = GetDC(GetFocus());
  const int size = GetDeviceCaps(dc, SIZEPALETTE);
  ReleaseDC(GetFocus(), dc);
  return size;
}

}  // namespace

void FreeDib(HGLOBAL dib) {
  if (dib == nullptr) return;
  UnlockDibFully(dib);
  GlobalFree(dib);
}

void UnlockDibFully(HGLOBAL dib) {
  while (GlobalUnlock(dib)) {
  }
}

TDibBlock::~TDibBlock() {
  if (OwnsMemory && Header) FreeDib(BlockOf(Header));
  if (Palette) DeleteObject(Palette);
}

void TDibBlock::SetDib(BITMAPINFOHEADER *header) {
  if (OwnsMemory && Header) {
    FreeDib(BlockOf(Header));
    if (Palette) DeleteObject(Palette);
    Palette = nullptr;
  }
  Header = header;
}

int TDibBlock::BitCount() const {
  return Header ? Header->biBitCount : 0;
}
int TDibBlock::Width() const {
  return Header ? Header->biWidth : 0;
}
int TDibBlock::Height() const {
  return Header ? Header->biHeight : 0;
}
int TDibBlock::Compression() const {
  return Header ? int(Header->biCompression) : 0;
}

int TDibBlock::ColorCount() const {
  if (!Header) return 0;
  // Capped so that HeaderSize cannot overflow on a broken header; FitsBlock refuses it.
  if (Header->biClrUsed != 0) return int(std::min<DWORD>(Header->biClrUsed, 65536));
  if (Header->biBitCount == 16 || Header->biBitCount == 24 || Header->biBitCount == 32) return 0;
  return 1 << std::min<int>(Header->biBitCount, 16);
}

int TDibBlock::HeaderSize() const {
  return Header ? 40 + 4 * ColorCount() : 0;
}

int64_t TDibBlock::TotalSize() {
  if (!Header) return 0;
  if (Header->biSizeImage == 0) {
    // Computed in unsigned arithmetic: a broken header must not overflow, only be wrong.
    const uint64_t rowBytes =
        ((uint64_t(uint32_t(Header->biWidth)) * Header->biBitCount + 31) / 32) * 4;
    Header->biSizeImage = DWORD(uint64_t(std::abs(int64_t(Header->biHeight))) * rowBytes);
  }
  return HeaderSize() + int64_t(Header->biSizeImage);
}

void *TDibBlock::Bits() const {
  return Header ? reinterpret_cast<uint8_t *>(Header) + HeaderSize() : nullptr;
}

bool TDibBlock::FitsBlock() {
  if (!Header) return false;
  const HGLOBAL block = BlockOf(Header);
  const int64_t size = block ? int64_t(GlobalSize(block)) : 0;
  if (size < 40 || Header->biSize != 40 || Header->biWidth <= 0 || Header->biHeight == 0)
    return false;
  if (Header->biClrUsed > 256) return false;
  if (Header->biCompression == BI_RLE4 || Header->biCompression == BI_RLE8)
    return HeaderSize() <= size && int64_t(Header->biSizeImage) <= size - HeaderSize();
  const int64_t rowBytes = ((int64_t(Header->biWidth) * Header->biBitCount + 31) / 32) * 4;
  const int64_t rows = std::abs(int64_t(Header->biHeight));
  if (rowBytes == 0 || HeaderSize() > size) return false;
  return rows <= (size - HeaderSize()) / rowBytes;
}

int TDibBlock::PaletteSizeFor(int bitCount) {
  switch (bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

HPALETTE TDibBlock::MakePalette(const BITMAPINFOHEADER *header) {
  if (header == nullptr) return nullptr;
  int n = header->biClrUsed ? int(std::min<DWORD>(header->biClrUsed, 256))
                            : PaletteSizeFor(header->biBitCount);
  if (n == 0) return nullptr;  // no colour table: no palette, as the system does
  std::vector<uint8_t> buffer = LogPaletteBuffer(n);
  auto *log = reinterpret_cast<LOGPALETTE *>(buffer.data());
  const int systemSize = FocusPaletteSize();
  if (n == 16 && systemSize >= 16) {
    // A 16-colour picture on a palette display takes the system's own 16 colours.
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, 0, 8, log->palPalEntry);
    GetSystemPaletteEntries(screen, UINT(systemSize - 8), 8, log->palPalEntry + 8);
    ReleaseDC(nullptr, screen);
  } else {
    const auto *table =
        reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const uint8_t *>(header) + 40);
    for (int i = 0; i < n; ++i)
      log->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  }
  return CreatePalette(log);
}

HPALETTE TDibBlock::GetPalette() {
  if (!Header) return nullptr;
  if (Palette == nullptr) Palette = MakePalette(Header);
  return Palette;
}

bool TDibBlock::CreateDib(HPALETTE palette, int width, int height, int bits) {
  int stored = 0;
  int entries = 0;
  switch (bits) {
    case 1:
    case 2:
      stored = 1;
      entries = 2;
      break;
    case 4:
      stored = 4;
      entries = 16;
      break;
    case 8:
      stored = 8;
      entries = 256;
      break;
    case 16:
    case 24:
    case 32:
      stored = bits;
      break;
    default:
      return false;
  }
  if (width <= 0 || height <= 0) return false;
  // Rows are sized for the depth actually stored, so the header never announces more
  // pixels than the block holds (2 bits are stored as 1).
  const int64_t rowBytes = ((int64_t(width) * stored + 31) / 32) * 4;
  const int64_t imageSize = rowBytes * height;
  const int64_t blockSize = imageSize + 40 + 4 * entries;
  HGLOBAL block = imageSize > 0xFFFFFFFFLL ? nullptr : GlobalAlloc(GHND, SIZE_T(blockSize));
  if (block == nullptr) throw ErrorInvalid(BindingText(kTextCantAllocate));
  auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(block));
  header->biSize = 40;
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = WORD(stored);
  header->biCompression = BI_RGB;
  header->biSizeImage = DWORD(imageSize);
  header->biXPelsPerMeter = kPelsPerMeter;
  header->biYPelsPerMeter = kPelsPerMeter;
  header->biClrUsed = DWORD(entries);
  header->biClrImportant = DWORD(entries);
  if (palette) {
    auto *table = reinterpret_cast<RGBQUAD *>(reinterpret_cast<uint8_t *>(header) + 40);
    for (int i = 0; i < entries; ++i) {
      PALETTEENTRY entry{};
      if (GetPaletteEntries(palette, UINT(i), 1, &entry) == 1)
        table[i] = {entry.peBlue, entry.peGreen, entry.peRed, 0};
    }
  }
  GlobalUnlock(block);
  SetDib(static_cast<BITMAPINFOHEADER *>(GlobalLock(block)));
  return true;
}

bool DdbToDib(HBITMAP bitmap, HPALETTE palette, HGLOBAL &dib) {
  dib = nullptr;
  if (bitmap == nullptr) throw ErrorInvalid(BindingText(kTextInputEmpty));
  BITMAP bm{};
  if (GetObject(bitmap, sizeof bm, &bm) == 0) return false;
  TDibBlock container;
  container.OwnsMemory = false;
  if (!container.CreateDib(palette, bm.bmWidth, bm.bmHeight, bm.bmBitsPixel)) return false;
  HGLOBAL block = GlobalHandle(container.Header);
  {
    HDC screen = GetDC(nullptr);
    HPALETTE previous = palette ? SelectPalette(screen, palette, FALSE) : nullptr;
    if (palette) RealizePalette(screen);
    // The header and colour table the GDI writes are not kept: the block keeps its own.
    std::vector<uint8_t> scratch(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    std::memcpy(scratch.data(), container.Header, sizeof(BITMAPINFOHEADER));
    GetDIBits(screen, bitmap, 0, UINT(bm.bmHeight), container.Bits(),
              reinterpret_cast<BITMAPINFO *>(scratch.data()), DIB_RGB_COLORS);
    if (previous) SelectPalette(screen, previous, FALSE);
    ReleaseDC(nullptr, screen);
  }
  dib = block;
  const int bitCount = container.BitCount();
  if (bitCount == 16 || bitCount == 32) {
    // The libraries and files know no 16- and 32-bit blocks; they become 24 bits.
    using Convert = decltype(DIB16To24);
    Convert *convert = nullptr;
    HMODULE &library = Binding().ImagingLibrary;
    const char *name = bitCount == 16 ? "DIB16To24" : "DIB32To24";
    HGLOBAL converted = nullptr;
    if (BindImagingEntry(library, kImagingLibraryName, name, convert))
      GuardedCall([&] { converted = convert(block); });
    FreeDib(block);
    dib = converted;
    // A failed conversion is a failure, not an empty success.
    if (dib == nullptr) return false;
  } else {
    UnlockDibFully(block);
  }
  return true;
}

bool BitmapToDib(const TBitmap *bitmap, HGLOBAL &dib) {
  if (bitmap == nullptr || bitmap->Empty()) throw ErrorInvalid(BindingText(kTextInputEmpty));
  return DdbToDib(bitmap->Handle(), bitmap->Palette(), dib);
}

bool LibraryDibToDdb(HGLOBAL dib, HBITMAP &bitmap, HPALETTE &palette) {
  bitmap = nullptr;
  palette = nullptr;
  decltype(DibtoDdb) *entry = nullptr;
  if (!BindImagingEntry(Binding().ImagingLibrary, kImagingLibraryName, "DibtoDdb", entry))
    return false;
  void *locked = GlobalLock(dib);
  if (locked == nullptr) {
    UnlockDibFully(dib);
    return false;
  }
  const bool ok = GuardedCall([&] { entry(locked, &bitmap, &palette); });
  UnlockDibFully(dib);
  // An entry that made no bitmap has failed, whatever it returned.
  if (ok && bitmap != nullptr) return true;
  if (palette) DeleteObject(palette);
  palette = nullptr;
  return false;
}

HGLOBAL IncreaseDibColors(HGLOBAL dib, int bits) {
  int b = 0;
  {
    platform::GlobalLockGuard lock(dib);
    if (lock.get() == nullptr) return nullptr;
    b = lock.as<BITMAPINFOHEADER>()->biBitCount;
  }
  if (b == 24 || b == bits || bits < b) return nullptr;
  const char *name = nullptr;
  if (b == 1 && bits == 4)
    name = "DIB1to4";
  else if (b == 1 && bits == 8)
    name = "DIB1To8";
  else if (b == 1 && bits == 24)
    name = "DIB1To24";
  else if (b == 4 && bits == 8)
    name = "DIB4To8";
  else if (b == 4 && bits == 24)
    name = "DIB4To24";
  else if (b == 8)
    name = "DIB8To24";
  else if (b == 16)
    name = "DIB16To24";
  if (name == nullptr) return nullptr;
  Binding().ProgressCaption = BindingText(kTextIncreasing);
  decltype(DIB1To8) *entry = nullptr;
  if (!BindImagingEntry(Binding().ImagingLibrary, kImagingLibraryName, name, entry)) return nullptr;
  HGLOBAL result = nullptr;
  GuardedCall([&] { result = entry(dib); });
  return result;
}

HGLOBAL ReduceDibColors(HGLOBAL dib, int bits, int dither, void *user, MxProgressFn callback) {
  if (dib == nullptr) return nullptr;
  decltype(ReduceDib) *reduce = nullptr;
  if (!BindEffectsEntry(Binding().EffectsLibrary, kEffectsLibraryName, "ReduceDib", reduce))
    return nullptr;
  Binding().ProgressCaption = BindingText(kTextReducing);
  int bitCount = 0;
  {
    platform::GlobalLockGuard lock(dib);
    if (lock.get() == nullptr) return nullptr;
    bitCount = lock.as<BITMAPINFOHEADER>()->biBitCount;
  }
  HGLOBAL source = dib;
  HGLOBAL copy = nullptr;
  if (bitCount == 32) {
    decltype(DIB32To24) *to24 = nullptr;
    if (!BindImagingEntry(Binding().ImagingLibrary, kImagingLibraryName, "DIB32To24", to24))
      return nullptr;
    if (!GuardedCall([&] { copy = to24(dib); }) || copy == nullptr) return nullptr;
    source = copy;
  }
  HGLOBAL result = nullptr;
  GuardedCall([&] { result = reduce(source, bits, uint16_t(dither), 0, 0, 0, user, callback); });
  if (copy) FreeDib(copy);
  return result;
}

HPALETTE CopyPalette(HPALETTE palette) {
  if (palette == nullptr) return nullptr;
  WORD count = 0;
  if (GetObject(palette, sizeof count, &count) == 0 || count == 0) return nullptr;
  const int entries = std::min<int>(count, 256);
  std::vector<uint8_t> buffer = LogPaletteBuffer(entries);
  auto *log = reinterpret_cast<LOGPALETTE *>(buffer.data());
  GetPaletteEntries(palette, 0, UINT(entries), log->palPalEntry);
  return CreatePalette(log);
}

namespace {

// `shareInput`: the caller frees its block right after, so the bitmap may keep the block's
// pixels instead of a copy of them (a 100-megapixel picture is not copied again).
int MakeHandles(HGLOBAL dib, int bits, int dither, void *user, MxProgressFn callback,
                HBITMAP &bitmap, HPALETTE &palette, bool shareInput) {
  bitmap = nullptr;
  palette = nullptr;
  if (GlobalSize(dib) == 0) return 0;
  TDibBlock container;
  container.OwnsMemory = false;
  container.SetDib(static_cast<BITMAPINFOHEADER *>(GlobalLock(dib)));
  if (container.Header == nullptr) return 0;
  struct Unlock {
    HGLOBAL block;
    ~Unlock() { GlobalUnlock(block); }
  } unlockInput{dib};
  if (container.Compression() == BI_RLE8 || container.Compression() == BI_RLE4)
    return container.FitsBlock() && LibraryDibToDdb(dib, bitmap, palette) ? 1 : 0;
  // Nor is a header that announces more than its block holds passed to the libraries.
  if (!container.FitsBlock()) return 0;

  // Depth 0 keeps the block's own depth.
  platform::GlobalBlock adapted;
  if (bits != 0 && container.BitCount() != bits) {
    HGLOBAL made = nullptr;
    if (container.BitCount() == 32 && bits == 24) {
      decltype(DIB32To24) *to24 = nullptr;
      if (BindImagingEntry(Binding().ImagingLibrary, kImagingLibraryName, "DIB32To24", to24))
        GuardedCall([&] { made = to24(dib); });
    } else if (container.BitCount() > bits) {
      made = ReduceDibColors(dib, bits, dither, user, callback);
    } else {
      made = IncreaseDibColors(dib, bits);
    }
    if (made) {
      adapted.reset(made);
      container.SetDib(static_cast<BITMAPINFOHEADER *>(GlobalLock(made)));
    }
  }
  // A header announcing more than its block holds is refused rather than read past.
  if (!container.FitsBlock()) return 0;

  HDC dc = GetDC(GetActiveWindow());
  void *sectionBits = nullptr;
  const HGLOBAL pixelsBlock = adapted ? adapted.get() : (shareInput ? dib : nullptr);
  HBITMAP section =
      CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(container.Header), DIB_RGB_COLORS,
                       &sectionBits, pixelsBlock, pixelsBlock ? DWORD(container.HeaderSize()) : 0);
  ReleaseDC(GetActiveWindow(), dc);
  if (section == nullptr || sectionBits == nullptr) {
    if (section) DeleteObject(section);
    return 0;
  }
  if (pixelsBlock == nullptr) {
    DIBSECTION ds{};
    GetObject(section, sizeof ds, &ds);
    const int64_t pixels = container.TotalSize() - container.HeaderSize();
    std::memcpy(sectionBits, container.Bits(),
                size_t(std::min<int64_t>(pixels, ds.dsBmih.biSizeImage)));
  }
  bitmap = section;
  palette = CopyPalette(container.GetPalette());
  return 1;
}

int MakeBitmap(HGLOBAL dib, int bits, int dither, TBitmap &target, void *user,
               MxProgressFn callback, bool shareInput) {
  if (GlobalSize(dib) == 0) return 0;
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  if (MakeHandles(dib, bits, dither, user, callback, bitmap, palette, shareInput) != 1) return 0;
  target.SetPalette(palette);
  target.SetHandle(bitmap);
  return 1;
}

}  // namespace

bool ProgramRowsToBitmap(HGLOBAL dib, TBitmap &bitmap) {
  if (GlobalSize(dib) == 0) return false;
  TDibBlock container;
  container.OwnsMemory = false;
  container.SetDib(static_cast<BITMAPINFOHEADER *>(GlobalLock(dib)));
  if (container.Header == nullptr) return false;
  const BITMAPINFOHEADER header = *container.Header;
  const bool programRows = header.biBitCount == 32 && header.biCompression == BI_RGB &&
                           header.biHeight < 0 && header.biWidth > 0 && container.FitsBlock();
  const int headerSize = container.HeaderSize();
  container.SetDib(nullptr);
  GlobalUnlock(dib);
  if (!programRows) return false;
  HBITMAP made =
      CreateBitmapOnBlock(dib, size_t(headerSize), int(header.biWidth), -int(header.biHeight));
  if (made == nullptr) return false;
  bitmap.SetPalette(nullptr);
  bitmap.SetHandle(made);
  return true;
}

int DibToHandles(HGLOBAL dib, int bits, int dither, void *user, MxProgressFn callback,
                 HBITMAP &bitmap, HPALETTE &palette) {
  return MakeHandles(dib, bits, dither, user, callback, bitmap, palette, false);
}

int DibToBitmapSharing(HGLOBAL dib, int bits, int dither, TBitmap &bitmap, void *user,
                       MxProgressFn callback) {
  return MakeBitmap(dib, bits, dither, bitmap, user, callback, true);
}

int DibToBitmap(HGLOBAL dib, int bits, int dither, TBitmap &target, void *user,
                MxProgressFn callback) {
  return MakeBitmap(dib, bits, dither, target, user, callback, false);
}

}  // namespace imaging
