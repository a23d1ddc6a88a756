#include "Bitmap.h"

#include <cstring>
#include <vector>

#include "win32/WinQt.h"

namespace imaging {

namespace {
BITMAP Describe(HBITMAP handle) {
  BITMAP bm{};
  if (handle == nullptr || GetObject(handle, sizeof bm, &bm) == 0) return BITMAP{};
  return bm;
}
}  // namespace

int TBitmap::Width() const {
  return Describe(Handle()).bmWidth;
}
int TBitmap::Height() const {
  return Describe(Handle()).bmHeight;
}
int TBitmap::BitsPerPixel() const {
  return Describe(Handle()).bmBitsPixel;
}

void TBitmap::Assign(const TBitmap &other) {
  if (other.Empty()) {
    Clear();
    return;
  }
  const BITMAP bm = Describe(other.Handle());
  HBITMAP copy = nullptr;
  if (bm.bmBits != nullptr) {
    // A DIB section is copied as a DIB section, so its depth and colour table survive.
    DIBSECTION ds{};
    GetObject(other.Handle(), sizeof ds, &ds);
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto *bmi = reinterpret_cast<BITMAPINFO *>(info.data());
    bmi->bmiHeader = ds.dsBmih;
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, other.Handle(), 0, 0, nullptr, bmi, DIB_RGB_COLORS);
    void *bits = nullptr;
    copy = CreateDIBSection(screen, bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (copy && bits) std::memcpy(bits, bm.bmBits, ds.dsBmih.biSizeImage);
    ReleaseDC(nullptr, screen);
  } else {
    copy = CreateBitmapFromImage(ImageOfBitmap(other.Handle()));
  }
  SetHandle(copy);
  const QList<QRgb> colors = PaletteColors(other.Palette());
  SetPalette(colors.isEmpty() ? nullptr : CreatePaletteFromColors(colors));
}

void TBitmap::Create(int width, int height, bool monochrome) {
  if (width <= 0 || height <= 0) {
    Clear();
    return;
  }
  if (monochrome) {
    SetHandle(CreateBitmap(width, height, 1, 1, nullptr));
  } else {
    HDC screen = GetDC(nullptr);
    SetHandle(CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(nullptr, screen);
  }
  SetPalette(nullptr);
}

QImage TBitmap::ToImage() const {
  return ImageOfBitmap(Handle());
}

void TBitmap::SetImage(const QImage &image) {
  SetHandle(image.isNull() ? nullptr : CreateBitmapFromImage(image));
  SetPalette(nullptr);
}

void TBitmap::Clear() {
  SetHandle(nullptr);
  SetPalette(nullptr);
}

}  // namespace imaging
