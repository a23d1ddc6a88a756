#pragma once
// A displayable bitmap: a bitmap handle and the palette handle that goes with it, both
// owned. This is what the readers fill and what the image component shows.
#include <QImage>

#include "win32/Handles.h"

namespace imaging {

class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(const TBitmap &other) { Assign(other); }
  TBitmap &operator=(const TBitmap &other) {
    if (this != &other) Assign(other);
    return *this;
  }
  TBitmap(TBitmap &&) noexcept = default;
  TBitmap &operator=(TBitmap &&) noexcept = default;

  HBITMAP Handle() const { return handle_.get(); }
  HPALETTE Palette() const { return palette_.get(); }
  // Takes ownership; the previous handle is deleted.
  void SetHandle(HBITMAP handle) { handle_.reset(handle); }
  void SetPalette(HPALETTE palette) { palette_.reset(palette); }
  // Gives up ownership of the handle.
  HBITMAP ReleaseHandle() { return handle_.release(); }

  bool Empty() const { return handle_.get() == nullptr; }
  int Width() const;
  int Height() const;
  int BitsPerPixel() const;  // 0 when empty
  // A deep copy of the pixels and the palette.
  void Assign(const TBitmap &other);
  // Makes an empty bitmap of that size and depth (1: monochrome, else the screen's).
  void Create(int width, int height, bool monochrome = false);
  // The pixels as an image (null when empty), and a new bitmap from an image.
  QImage ToImage() const;
  void SetImage(const QImage &image);
  void Clear();

 private:
  platform::BitmapHandle handle_;
  platform::PaletteHandle palette_;
};

}  // namespace imaging
