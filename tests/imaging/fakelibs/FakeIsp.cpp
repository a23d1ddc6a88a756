// A stand-in ISP2000.DLL: records its calls; a transition with thickness 99 raises a C++
// exception, the others copy the source onto the target at once.
#include <cstring>
#include <stdexcept>

#include "FakeSupport.h"
#include "isp2000.h"

extern "C" {
MX_EXPORT int FakeCalls = 0;
MX_EXPORT char FakeLastEntry[64] = "";
MX_EXPORT int FakeLastBits = -1;
MX_EXPORT int FakeLastDither = -1;
}

namespace {

void Record(const char *entry, int bits = -1, int dither = -1) {
  ++FakeCalls;
  std::strncpy(FakeLastEntry, entry, sizeof FakeLastEntry - 1);
  FakeLastBits = bits;
  FakeLastDither = dither;
}

int32_t Paint(const char *entry, HDC target, HBITMAP source, int32_t thickness) {
  Record(entry, thickness);
  if (thickness == 99) throw std::runtime_error("fake failure");
  BITMAP bm{};
  if (GetObject(source, sizeof bm, &bm) == 0) return 0;
  HDC memory = CreateCompatibleDC(target);
  HGDIOBJ previous = SelectObject(memory, source);
  const BOOL ok = BitBlt(target, 0, 0, bm.bmWidth, bm.bmHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  return ok;
}

}  // namespace

extern "C" {

int MxLoadString(uint32_t, char *buf, int size) {
  if (size > 0) buf[0] = 0;
  return 0;
}

HGLOBAL ReduceDib(HGLOBAL dib, int32_t bits, uint16_t dither, uint16_t, int32_t, uint16_t, void *,
                  MxProgressFn) {
  Record("ReduceDib", bits, dither);
  const QImage image = fake::ImageOfDib(dib);
  if (image.isNull() || (bits != 1 && bits != 4 && bits != 8)) return nullptr;
  return fake::MakeDib(image, bits);
}

int32_t FXSkipHorizontal(HDC t, HBITMAP s, int32_t k, int32_t) {
  return Paint("FXSkipHorizontal", t, s, k);
}
int32_t FXSkipVertical(HDC t, HBITMAP s, int32_t k, int32_t) {
  return Paint("FXSkipVertical", t, s, k);
}
int32_t FXSkipDiagonals(HDC t, HBITMAP s, int32_t k, int32_t) {
  return Paint("FXSkipDiagonals", t, s, k);
}
int32_t FXSkipDiagonalSquares(HDC t, HBITMAP s, int32_t k, int32_t) {
  return Paint("FXSkipDiagonalSquares", t, s, k);
}
int32_t FXSkipRectangles(HDC t, HBITMAP s, int32_t) {
  return Paint("FXSkipRectangles", t, s, 1);
}

}  // extern "C"
