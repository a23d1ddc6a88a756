// A packed DIB made into a bitmap and palette of the platform.
#include <cstdint>
#include <cstring>
#include <vector>

#include "Depth.h"
#include "Readers.h"
#include "crde2000.h"

namespace mx {

// A DIB section holding `s` (1, 4, 8 or 24 bits) and, for indexed pictures, a palette of its
// colours. Both belong to the caller.
void SurfaceToBitmap(const Surface &s, HBITMAP *bitmap, HPALETTE *palette) {
  Dib widened;
  Surface src = s;
  if (s.bits == 16 || s.bits == 32) {
    widened = ConvertDepth(s, 24, false);
    src = widened.View();
  }
  const int entries = src.bits <= 8 ? 1 << src.bits : 0;
  std::vector<uint8_t> infoBytes(sizeof(BITMAPINFOHEADER) + 4 * static_cast<size_t>(entries) + 4);
  auto *info = reinterpret_cast<BITMAPINFO *>(infoBytes.data());
  BITMAPINFOHEADER &h = info->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = src.width;
  h.biHeight = src.height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(src.bits);
  h.biCompression = BI_RGB;
  h.biClrUsed = static_cast<DWORD>(entries);
  for (int i = 0; i < entries; ++i)
    info->bmiColors[i] = i < src.colorCount ? src.colors[i] : RGBQUAD{0, 0, 0, 0};
  void *pixels = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bmp == nullptr || pixels == nullptr) {
    if (bmp != nullptr) DeleteObject(bmp);
    Fail(MX_ERR_NO_MEMORY);
  }
  const int64_t stride = DibStride(src.width, src.bits);
  // The section's memory comes from the platform's pixel allocator, which advises huge
  // pages and faults them in ahead of this copy.
  for (int y = 0; y < src.height; ++y)
    std::memcpy(static_cast<uint8_t *>(pixels) + stride * (src.height - 1 - y), src.Row(y),
                static_cast<size_t>(stride));
  HPALETTE pal = nullptr;
  if (entries > 0) {
    std::vector<uint8_t> logBytes(sizeof(LOGPALETTE) +
                                  sizeof(PALETTEENTRY) * static_cast<size_t>(entries));
    auto *log = reinterpret_cast<LOGPALETTE *>(logBytes.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(entries);
    for (int i = 0; i < entries; ++i) {
      const RGBQUAD &c = info->bmiColors[i];
      log->palPalEntry[i] = PALETTEENTRY{c.rgbRed, c.rgbGreen, c.rgbBlue, 0};
    }
    pal = CreatePalette(log);
  }
  *bitmap = bmp;
  if (palette != nullptr)
    *palette = pal;
  else if (pal != nullptr)
    DeleteObject(pal);
}

}  // namespace mx

extern "C" MX_EXPORT void DibtoDdb(const void *dib, HBITMAP *bitmap, HPALETTE *palette) {
  if (bitmap != nullptr) *bitmap = nullptr;
  if (palette != nullptr) *palette = nullptr;
  mx::Guard([&]() -> int16_t {
    if (bitmap == nullptr) mx::Fail(MX_ERR_BAD_ARGUMENT);
    mx::DibInput input(dib);
    mx::SurfaceToBitmap(input.View(), bitmap, palette);
    return MX_OK;
  });
}
