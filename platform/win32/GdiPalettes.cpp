// Logical palettes: made, read, matched, and selected into DCs.
#include <algorithm>
#include <vector>

#include "DibImage.h"
#include "GdiObjects.h"
#include "WinQt.h"

using namespace win32::gdi;

QList<QRgb> PaletteColors(HPALETTE handle) {
  PaletteObject *palette = LivePalette(handle);
  return palette ? palette->Colors() : QList<QRgb>();
}

HPALETTE CreatePaletteFromColors(const QList<QRgb> &colors) {
  if (colors.isEmpty() || colors.size() > 65535) return nullptr;
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * size_t(colors.size()));
  auto *log = reinterpret_cast<LOGPALETTE *>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = WORD(colors.size());
  for (int i = 0; i < colors.size(); ++i)
    log->palPalEntry[i] = {BYTE(qRed(colors[i])), BYTE(qGreen(colors[i])), BYTE(qBlue(colors[i])),
                           0};
  return CreatePalette(log);
}

extern "C" {

HPALETTE CreatePalette(const LOGPALETTE *log) {
  if (log == nullptr || log->palNumEntries == 0) return nullptr;
  auto palette = std::make_unique<PaletteObject>();
  palette->entries.assign(log->palPalEntry, log->palPalEntry + log->palNumEntries);
  return reinterpret_cast<HPALETTE>(static_cast<GdiObject *>(Register(std::move(palette))));
}

UINT GetPaletteEntries(HPALETTE handle, UINT start, UINT count, PALETTEENTRY *entries) {
  PaletteObject *palette = LivePalette(handle);
  if (palette == nullptr) return 0;
  const UINT size = UINT(palette->entries.size());
  if (entries == nullptr) return size;
  if (start >= size) return 0;
  count = std::min(count, size - start);
  std::copy_n(palette->entries.begin() + start, count, entries);
  return count;
}

UINT SetPaletteEntries(HPALETTE handle, UINT start, UINT count, const PALETTEENTRY *entries) {
  PaletteObject *palette = LivePalette(handle);
  if (palette == nullptr || entries == nullptr || palette->stock) return 0;
  const UINT size = UINT(palette->entries.size());
  if (start >= size) return 0;
  count = std::min(count, size - start);
  std::copy_n(entries, count, palette->entries.begin() + start);
  return count;
}

UINT GetNearestPaletteIndex(HPALETTE handle, COLORREF color) {
  PaletteObject *palette = LivePalette(handle);
  if (palette == nullptr) return 0xFFFFFFFFu;
  return UINT(win32::NearestColorIndex(palette->Colors(),
                                       qRgb(GetRValue(color), GetGValue(color), GetBValue(color))));
}

HPALETTE SelectPalette(HDC handle, HPALETTE handlePalette, BOOL) {
  DcObject *dc = LiveDc(handle);
  PaletteObject *palette = LivePalette(handlePalette);
  if (dc == nullptr || palette == nullptr) return nullptr;
  PaletteObject *previous = dc->palette ? dc->palette : DefaultPalette();
  if (dc->palette && TheGdi().objects.count(dc->palette)) --dc->palette->selections;
  dc->palette = palette;
  if (!palette->stock) ++palette->selections;
  return reinterpret_cast<HPALETTE>(static_cast<GdiObject *>(previous));
}

UINT RealizePalette(HDC handle) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return 0xFFFFFFFFu;
  if (dc->palette == nullptr || ScreenPaletteSize() == 0) return 0;
  // The entries that fit between the static colours of the system palette.
  const int free = std::max(ScreenPaletteSize() - 20, 0);
  return UINT(std::min<size_t>(dc->palette->entries.size(), size_t(free)));
}

UINT GetSystemPaletteEntries(HDC handle, UINT start, UINT count, PALETTEENTRY *entries) {
  if (LiveDc(handle) == nullptr) return 0;
  const QList<QRgb> colors = win32::SystemPaletteColors(ScreenPaletteSize());
  const UINT size = UINT(colors.size());
  if (entries == nullptr) return size;
  if (start >= size) return 0;
  count = std::min(count, size - start);
  for (UINT i = 0; i < count; ++i) {
    const QRgb c = colors[int(start + i)];
    entries[i] = {BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)), 0};
  }
  return count;
}

}  // extern "C"
