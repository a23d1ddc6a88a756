#pragma once
// The imaging libraries hand pictures over as DIB blocks: one movable global memory block
// holding a 40-byte header, a colour table of 4-byte entries and the pixel rows padded to
// 4 bytes. TDibBlock reads and builds such blocks; the conversions below turn them into
// displayable bitmaps and back, raising or lowering the depth through the libraries.
#include "Bitmap.h"
#include "crde2000.h"
#include "win32/WinApi.h"

namespace imaging {

class TDibBlock {
 public:
  TDibBlock() = default;  // no palette, no header; owns the block it is given
  ~TDibBlock();           // frees an owned block, and the palette
  TDibBlock(const TDibBlock &) = delete;
  TDibBlock &operator=(const TDibBlock &) = delete;

  HPALETTE Palette = nullptr;          // made on first request; deleted with the container
  BITMAPINFOHEADER *Header = nullptr;  // the locked block's header
  bool OwnsMemory = true;

  // An owning container frees its block and palette first; then takes `header`.
  void SetDib(BITMAPINFOHEADER *header);
  int BitCount() const;
  int Width() const;
  int Height() const;
  int Compression() const;
  int ColorCount() const;
  int HeaderSize() const;
  // Computes and writes biSizeImage first when the header has 0 there.
  int64_t TotalSize();
  void *Bits() const;
  // Whether the header's announced colour table and pixels lie inside its block.
  bool FitsBlock();

  static int PaletteSizeFor(int bitCount);
  static HPALETTE MakePalette(const BITMAPINFOHEADER *header);
  HPALETTE GetPalette();
  // Allocates, fills the header (and the colour table from `palette`), attaches. False
  // for a depth other than 1, 2, 4, 8, 16, 24 or 32. Raises ErrorInvalid when the memory
  // cannot be allocated.
  bool CreateDib(HPALETTE palette, int width, int height, int bits);
};

// Conversions between DIB blocks and bitmaps. bits: 0, 1, 4, 8 or 24; dither 0 or 1.
bool BitmapToDib(const TBitmap *bitmap, HGLOBAL &dib);
bool DdbToDib(HBITMAP bitmap, HPALETTE palette, HGLOBAL &dib);
int DibToBitmap(HGLOBAL dib, int bits, int dither, TBitmap &bitmap, void *user,
                MxProgressFn callback);
// The same for a block that its caller frees right after: the bitmap keeps the block's
// pixel memory instead of a copy (the readers' path, where pictures are largest). The
// caller must not change the block's pixels before freeing it.
int DibToBitmapSharing(HGLOBAL dib, int bits, int dither, TBitmap &bitmap, void *user,
                       MxProgressFn callback);
// A DIB block in the program's own rows (32 bits, top-down, fourth byte 255: what a reader
// hands out for MX_PROGRAM_ROWS) as a bitmap that keeps the block's rows themselves: no
// conversion, no copy; the caller frees the block right after and must not change its
// pixels. An image of the bitmap (TBitmap::ToImage) shares the same rows. False, with the
// bitmap untouched, for a block in any other layout.
bool ProgramRowsToBitmap(HGLOBAL dib, TBitmap &bitmap);
int DibToHandles(HGLOBAL dib, int bits, int dither, void *user, MxProgressFn callback,
                 HBITMAP &bitmap, HPALETTE &palette);
bool LibraryDibToDdb(HGLOBAL dib, HBITMAP &bitmap, HPALETTE &palette);
HGLOBAL IncreaseDibColors(HGLOBAL dib, int bits);
HGLOBAL ReduceDibColors(HGLOBAL dib, int bits, int dither, void *user, MxProgressFn callback);
HPALETTE CopyPalette(HPALETTE palette);
// Unlocks until the lock count is 0, then frees.
void FreeDib(HGLOBAL dib);
void UnlockDibFully(HGLOBAL dib);

}  // namespace imaging
