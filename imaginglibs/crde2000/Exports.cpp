// The entries of CRDE2000.DLL: argument checks, the guard that turns every failure into a
// code, and the depth the caller asked for. The work is done by the readers and writers.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "Core.h"
#include "Depth.h"
#include "Readers.h"
#include "StringTable.h"
#include "crde2000.h"

using namespace mx;

namespace {

bool ValidDepth(int32_t bits) {
  return bits == 0 || bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// `read` takes the progress, and for the readers that offer the program's own layout
// (MX_PROGRAM_ROWS) whether it is asked for; those readers decode into it where they can,
// and what they read otherwise is converted once here.
template <class Read>
int16_t ReadEntry(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib, void *user,
                  MxProgressFn cb, Read &&read) {
  constexpr bool kOffersProgramRows = std::is_invocable_v<Read, Progress &, bool>;
  return Guard([&]() -> int16_t {
    if (dib != nullptr) *dib = nullptr;
    if (name == nullptr || dib == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    const bool programRows = kOffersProgramRows && bits == MX_PROGRAM_ROWS;
    if (!ValidDepth(bits) && !programRows) Fail(MX_ERR_BAD_DEPTH);
    Progress progress(user, cb);
    Dib picture;
    if constexpr (kOffersProgramRows)
      picture = read(progress, programRows);
    else
      picture = read(progress);
    picture = programRows ? ToProgramRows(std::move(picture))
                          : AdaptDepth(std::move(picture), bits, dither != 0);
    progress.Done();
    *dib = picture.Release();
    return MX_OK;
  });
}

void CopyText(char *buffer, size_t size, const std::string &text) {
  if (buffer == nullptr) return;
  size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

uint16_t Clamp16(int v) {
  return static_cast<uint16_t>(std::clamp(v, 0, 65535));
}

// Runs a conversion entry that answers a new block or 0.
template <class Body>
HGLOBAL ConversionEntry(Body &&body) noexcept {
  HGLOBAL result = nullptr;
  Guard([&]() -> int16_t {
    result = body();
    return MX_OK;
  });
  return result;
}

HGLOBAL Convert(HGLOBAL dib, int fromBits, int toBits) {
  DibInput input(dib);
  if (input.View().bits != fromBits) Fail(MX_ERR_BAD_DEPTH);
  return ConvertDepth(input.View(), toBits, false).Release();
}

}  // namespace

extern "C" {

MX_EXPORT int MxLoadString(uint32_t id, char *buf, int size) {
  return CopyTableString(id, buf, size);
}

MX_EXPORT void MxSetPixelLimit(uint64_t pixels) {
  SetPixelLimit(pixels);
}
MX_EXPORT uint64_t MxGetPixelLimit(void) {
  return PixelLimit();
}

MX_EXPORT int16_t rdjpgfiledib(const char *name, int32_t bits, int32_t /*one*/, int16_t dither,
                               HGLOBAL *dib, HPALETTE /*palette*/, void *user, MxProgressFn cb,
                               int16_t /*z*/) {
  return ReadEntry(name, bits, dither, dib, user, cb,
                   [&](Progress &p, bool programRows) { return ReadJpeg(name, p, programRows); });
}

MX_EXPORT int16_t rdbmpfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                               HPALETTE /*palette*/, void *user, MxProgressFn cb, int16_t /*z*/) {
  return ReadEntry(name, bits, dither, dib, user, cb,
                   [&](Progress &p) { return ReadBmp(name, p); });
}

MX_EXPORT int16_t rdpngfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                               HPALETTE /*palette*/, void *user, MxProgressFn cb, int16_t /*z*/) {
  return ReadEntry(name, bits, dither, dib, user, cb,
                   [&](Progress &p, bool programRows) { return ReadPng(name, p, programRows); });
}

MX_EXPORT int16_t rdheiffiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                                HPALETTE /*palette*/, void *user, MxProgressFn cb, int16_t /*z*/) {
  return ReadEntry(name, bits, dither, dib, user, cb,
                   [&](Progress &p, bool programRows) { return ReadHeif(name, p, programRows); });
}

MX_EXPORT int16_t rdwebpfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                                HPALETTE /*palette*/, void *user, MxProgressFn cb, int16_t /*z*/) {
  return ReadEntry(name, bits, dither, dib, user, cb,
                   [&](Progress &p, bool programRows) { return ReadWebp(name, p, programRows); });
}

MX_EXPORT int16_t rdpcxfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                               HPALETTE /*palette*/, void *user, MxProgressFn cb, int16_t /*z*/) {
  return ReadEntry(name, bits, dither, dib, user, cb,
                   [&](Progress &p) { return ReadPcx(name, p); });
}

MX_EXPORT int16_t rdgiffiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                               HPALETTE /*palette*/, int32_t *transparent, void *user,
                               MxProgressFn cb, int16_t /*z*/) {
  if (transparent != nullptr) *transparent = -1;
  return ReadEntry(name, bits, dither, dib, user, cb,
                   [&](Progress &p) { return ReadGif(name, p, transparent); });
}

MX_EXPORT int16_t readtiffiledib(const char *name, int32_t bits, int16_t dither, uint16_t page,
                                 HGLOBAL *dib, void *user, MxProgressFn cb, int16_t /*z*/) {
  return ReadEntry(name, bits, dither, dib, user, cb, [&](Progress &p, bool programRows) {
    return ReadTiff(name, page, p, programRows);
  });
}

MX_EXPORT int16_t readpcdfiledib(const char *name, int32_t bits, int16_t dither,
                                 uint16_t resolution, HGLOBAL *dib, void *user, MxProgressFn cb,
                                 int16_t /*z*/) {
  return ReadEntry(name, bits, dither, dib, user, cb,
                   [&](Progress &p) { return ReadPcd(name, resolution, p); });
}

MX_EXPORT int16_t readtgafiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                                 void *user, MxProgressFn cb, int16_t /*z*/) {
  return ReadEntry(name, bits, dither, dib, user, cb,
                   [&](Progress &p) { return ReadTga(name, p); });
}

MX_EXPORT int16_t readepsfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                                 void *user, MxProgressFn cb, int16_t /*z*/) {
  return ReadEntry(name, bits, dither, dib, user, cb,
                   [&](Progress &p) { return ReadEps(name, p); });
}

MX_EXPORT int16_t readdxftoddb(const char *name, int32_t bits, int16_t dither, HBITMAP *bitmap,
                               HPALETTE *palette, void *user, MxProgressFn cb, int16_t /*z*/) {
  return Guard([&]() -> int16_t {
    if (bitmap != nullptr) *bitmap = nullptr;
    if (name == nullptr || bitmap == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    if (!ValidDepth(bits)) Fail(MX_ERR_BAD_DEPTH);
    Progress progress(user, cb);
    DxfPicture picture = ReadDxf(name, bits, dither != 0, progress);
    *bitmap = picture.bitmap;
    if (palette != nullptr)
      *palette = picture.palette;
    else if (picture.palette != nullptr)
      DeleteObject(picture.palette);
    return MX_OK;
  });
}

MX_EXPORT int16_t fileinfo(const char *name, char *type, uint16_t *width, uint16_t *height,
                           uint16_t *bitsPerPixel, uint16_t *pages, uint16_t *dpi,
                           char *compression, int16_t /*z*/) {
  CopyText(type, 6, "");
  CopyText(compression, 26, "");
  for (uint16_t *out : {width, height, bitsPerPixel, pages, dpi})
    if (out != nullptr) *out = 0;
  return Guard([&]() -> int16_t {
    if (name == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    FileFacts facts = ReadFileFacts(name);
    CopyText(type, 6, facts.type);
    CopyText(compression, 26, facts.compression);
    if (width) *width = Clamp16(facts.width);
    if (height) *height = Clamp16(facts.height);
    if (bitsPerPixel) *bitsPerPixel = Clamp16(facts.bitsPerPixel);
    if (pages) *pages = Clamp16(facts.pages);
    if (dpi) *dpi = Clamp16(facts.dpi);
    return MX_OK;
  });
}

MX_EXPORT int16_t getinfo(const char *name, uint16_t page, int32_t *width, int32_t *height,
                          uint16_t *compression, int32_t *ignored, int32_t *pageCount,
                          uint16_t *bitsPerPixel) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (compression) *compression = 0;
  if (ignored) *ignored = 0;
  if (pageCount) *pageCount = 0;
  if (bitsPerPixel) *bitsPerPixel = 0;
  return Guard([&]() -> int16_t {
    if (name == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    TiffInfo info = ReadTiffInfo(name, page, pageCount);
    if (width) *width = info.width;
    if (height) *height = info.height;
    if (compression) *compression = static_cast<uint16_t>(info.compression);
    if (pageCount) *pageCount = info.pageCount;
    if (bitsPerPixel) *bitsPerPixel = Clamp16(info.bitsPerPixel);
    return 0;
  });
}

MX_EXPORT void getdxfinfo(const char *name, uint16_t *width, uint16_t *height,
                          uint16_t *bitsPerPixel) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (bitsPerPixel) *bitsPerPixel = 0;
  Guard([&]() -> int16_t {
    if (name == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    int w = 0, h = 0;
    DxfDrawingSize(name, w, h);
    if (width) *width = Clamp16(w);
    if (height) *height = Clamp16(h);
    if (bitsPerPixel) *bitsPerPixel = 24;
    return MX_OK;
  });
}

MX_EXPORT int16_t writetiffiledib(const char *name, uint16_t compression, uint16_t bits,
                                  int16_t append, HGLOBAL dib, void *user, MxProgressFn cb,
                                  int16_t /*z*/) {
  return Guard([&]() -> int16_t {
    if (name == nullptr || dib == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    if (!ValidDepth(bits)) Fail(MX_ERR_BAD_DEPTH);
    DibInput input(dib);
    Progress progress(user, cb);
    WriteTiff(name, compression, bits, append != 0, input.View(), input.Header().biXPelsPerMeter,
              progress);
    progress.Done();
    return MX_OK;
  });
}

MX_EXPORT int16_t selectsource(HWND owner, int16_t /*z*/) {
  return Guard([&]() -> int16_t { return SelectScannerSource(owner); });
}

MX_EXPORT int16_t scannercount(int16_t /*z*/) {
  return Guard([&]() -> int16_t { return CountScanners(); });
}

MX_EXPORT int16_t aquiredibimage(HWND owner, int32_t bits, uint16_t dither, uint16_t /*zero*/,
                                 HGLOBAL *dib, HPALETTE /*palette*/, void *user, MxProgressFn cb,
                                 int16_t /*z*/) {
  return Guard([&]() -> int16_t {
    if (dib != nullptr) *dib = nullptr;
    if (dib == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    const bool programRows = bits == MX_PROGRAM_ROWS;
    if (!ValidDepth(bits) && !programRows) Fail(MX_ERR_BAD_DEPTH);
    Progress progress(user, cb);
    bool cancelled = false;
    Dib picture = AcquireScan(owner, progress, cancelled, programRows);
    if (cancelled) return 0;  // no picture, and no failure either
    picture = programRows ? ToProgramRows(std::move(picture))
                          : AdaptDepth(std::move(picture), bits, dither != 0);
    *dib = picture.Release();
    return MX_OK;
  });
}

MX_EXPORT HGLOBAL DIB1to4(HGLOBAL dib) {
  return ConversionEntry([&] { return Convert(dib, 1, 4); });
}
MX_EXPORT HGLOBAL DIB1To8(HGLOBAL dib) {
  return ConversionEntry([&] { return Convert(dib, 1, 8); });
}
MX_EXPORT HGLOBAL DIB1To24(HGLOBAL dib) {
  return ConversionEntry([&] { return Convert(dib, 1, 24); });
}
MX_EXPORT HGLOBAL DIB4To8(HGLOBAL dib) {
  return ConversionEntry([&] { return Convert(dib, 4, 8); });
}
MX_EXPORT HGLOBAL DIB4To24(HGLOBAL dib) {
  return ConversionEntry([&] { return Convert(dib, 4, 24); });
}
MX_EXPORT HGLOBAL DIB8To24(HGLOBAL dib) {
  return ConversionEntry([&] { return Convert(dib, 8, 24); });
}
MX_EXPORT HGLOBAL DIB16To24(HGLOBAL dib) {
  return ConversionEntry([&] { return Convert(dib, 16, 24); });
}
MX_EXPORT HGLOBAL DIB32To24(HGLOBAL dib) {
  return ConversionEntry([&] { return Convert(dib, 32, 24); });
}

}  // extern "C"
