#pragma once
// Packed device-independent bitmaps: the pictures the libraries hand out (Dib, one movable
// global block, built here) and the ones they receive (Surface over a checked block).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "win32/WinApi.h"

namespace mx {

// Read access to the rows of a picture, whatever holds it. Row 0 is the top row.
struct Surface {
  int width = 0;
  int height = 0;
  int bits = 0;                     // 1, 4, 8, 16, 24 or 32
  const RGBQUAD *colors = nullptr;  // colour table of indexed pictures
  int colorCount = 0;               // entries in `colors` (indices beyond are black)
  const uint8_t *top = nullptr;     // the top row
  int64_t step = 0;                 // bytes from one row to the next one down
  uint32_t masks[3] = {0, 0, 0};    // red, green, blue masks of 16- and 32-bit pictures
  const uint8_t *Row(int y) const { return top + step * y; }
};

// Expands row `y` of any surface to blue, green, red triplets (width * 3 bytes).
void RowToBgr(const Surface &s, int y, uint8_t *bgr);

// A new packed DIB in a movable global block, locked while this object holds it.
class Dib {
 public:
  Dib() = default;
  // Zero-filled; indexed depths get a full colour table (2, 16 or 256 entries).
  // Raises MX_ERR_NO_MEMORY when the block cannot be had.
  static Dib Create(int width, int height, int bits);
  // The program's own layout (a read asked at MX_PROGRAM_ROWS): 32 bits a pixel, blue,
  // green, red and a fourth byte the writer sets to 255, rows top-down (negative height).
  // Zero-filled, as Create.
  static Dib CreateProgramRows(int width, int height);
  // A new picture of another size in the layout of `model` (its depth, its row order).
  static Dib CreateLike(const Dib &model, int width, int height);
  ~Dib();
  Dib(Dib &&other) noexcept;
  Dib &operator=(Dib &&other) noexcept;
  Dib(const Dib &) = delete;
  Dib &operator=(const Dib &) = delete;

  explicit operator bool() const { return block_ != nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Bits() const { return bits_; }
  int64_t Stride() const { return stride_; }
  bool TopDown() const { return topDown_; }
  // A 32-bit top-down picture, as CreateProgramRows makes it.
  bool ProgramRows() const { return topDown_ && bits_ == 32; }
  int ColorCount() const { return colorCount_; }
  RGBQUAD *Colors() { return colors_; }
  BITMAPINFOHEADER *Header() { return reinterpret_cast<BITMAPINFOHEADER *>(base_); }
  uint8_t *Pixels() { return pixels_; }
  // Row 0 is the top row (stored last, as DIB rows run bottom-up, unless TopDown).
  uint8_t *Row(int y) { return pixels_ + stride_ * (topDown_ ? y : height_ - 1 - y); }
  Surface View() const;

  void SetGreyPalette();  // 0 black .. last entry white, evenly spaced
  void SetColors(const std::vector<RGBQUAD> &colors);
  void SetResolution(int32_t xPelsPerMeter, int32_t yPelsPerMeter);

  // Unlocks the block and hands it over; this object is empty afterwards.
  HGLOBAL Release();

 private:
  HGLOBAL block_ = nullptr;
  uint8_t *base_ = nullptr;
  uint8_t *pixels_ = nullptr;
  RGBQUAD *colors_ = nullptr;
  int width_ = 0, height_ = 0, bits_ = 0, colorCount_ = 0;
  int64_t stride_ = 0;
  bool topDown_ = false;
};

// A received DIB block, locked for the life of this object and checked: a header of at
// least 40 bytes, a sane size and depth, and as many bytes as the header announces.
// Run-length encoded pictures are decoded into a Dib of their own.
class DibInput {
 public:
  // Raises MX_ERR_BAD_DIB for anything unsound.
  explicit DibInput(HGLOBAL block);
  // A locked pointer; its size comes from the block behind it when there is one.
  explicit DibInput(const void *packed);
  ~DibInput();
  DibInput(const DibInput &) = delete;
  DibInput &operator=(const DibInput &) = delete;

  const Surface &View() const { return view_; }
  const BITMAPINFOHEADER &Header() const { return header_; }

 private:
  void Parse(const uint8_t *base, size_t available);
  HGLOBAL block_ = nullptr;
  BITMAPINFOHEADER header_{};
  Surface view_;
  Dib decoded_;  // run-length encoded pictures
};

// Decodes BI_RLE8 / BI_RLE4 data into `target` (rows bottom-up as in the file), checking
// every run against the picture's bounds. Raises MX_ERR_CORRUPT on overrun.
void DecodeRle(const uint8_t *data, size_t size, int bits, Dib &target, bool bottomUp);

}  // namespace mx
