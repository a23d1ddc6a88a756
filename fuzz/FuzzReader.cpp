// One libFuzzer target per reader entry of CRDE2000.DLL (chosen by the FUZZ_<FORMAT>
// macro, and named by FUZZ_NAME, when built):
// each input is written to a file, since the entries take file names, and read back at a
// depth and dither taken from the input's first byte so the conversions are fuzzed too.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "crde2000.h"
#include "win32/WinApi.h"

namespace {

const std::string &InputPath() {
  static const std::string path = [] {
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/mxfuzz-" + std::to_string(::getpid()) +
           "-" FUZZ_NAME;
  }();
  return path;
}

void Free(HGLOBAL dib) {
  if (dib == nullptr) return;
  while (GlobalUnlock(dib)) {
  }
  GlobalFree(dib);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // Small pictures keep each run fast; the limit itself is part of what is tested.
  MxSetPixelLimit(uint64_t{1} << 20);
  setenv("MURALIX_EPS_TIMEOUT", "3", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FILE *f = std::fopen(InputPath().c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  // The readers' depths, and the program's own 32-bit rows that some of them offer.
  static const int32_t kDepths[] = {0, 1, 4, 8, 24, MX_PROGRAM_ROWS};
  const int32_t bits = size > 0 ? kDepths[data[0] % 6] : 0;
  const int16_t dither = size > 0 ? static_cast<int16_t>((data[0] >> 3) & 1) : 0;
  const char *name = InputPath().c_str();
  HGLOBAL dib = nullptr;
  (void)bits;
  (void)dither;
#if defined(FUZZ_JPEG)
  rdjpgfiledib(name, bits, 1, dither, &dib, nullptr, nullptr, nullptr, 0);
#elif defined(FUZZ_BMP)
  rdbmpfiledib(name, bits, dither, &dib, nullptr, nullptr, nullptr, 0);
#elif defined(FUZZ_PNG)
  rdpngfiledib(name, bits, dither, &dib, nullptr, nullptr, nullptr, 0);
#elif defined(FUZZ_PCX)
  rdpcxfiledib(name, bits, dither, &dib, nullptr, nullptr, nullptr, 0);
#elif defined(FUZZ_GIF)
  int32_t transparent = 0;
  rdgiffiledib(name, bits, dither, &dib, nullptr, &transparent, nullptr, nullptr, 0);
#elif defined(FUZZ_TIFF)
  readtiffiledib(name, bits, dither, static_cast<uint16_t>(size > 1 ? data[1] % 3 : 0), &dib,
                 nullptr, nullptr, 0);
  int32_t w, h, ignored, pages;
  uint16_t code, bpp;
  getinfo(name, 0, &w, &h, &code, &ignored, &pages, &bpp);
#elif defined(FUZZ_PCD)
  readpcdfiledib(name, bits, dither, static_cast<uint16_t>(size > 1 ? data[1] % 3 : 0), &dib,
                 nullptr, nullptr, 0);
#elif defined(FUZZ_TGA)
  readtgafiledib(name, bits, dither, &dib, nullptr, nullptr, 0);
#elif defined(FUZZ_EPS)
  readepsfiledib(name, bits, dither, &dib, nullptr, nullptr, 0);
#elif defined(FUZZ_DXF)
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  readdxftoddb(name, bits, dither, &bitmap, &palette, nullptr, nullptr, 0);
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (palette != nullptr) DeleteObject(palette);
  uint16_t w, h, bpp;
  getdxfinfo(name, &w, &h, &bpp);
#elif defined(FUZZ_HEIF)
  rdheiffiledib(name, bits, dither, &dib, nullptr, nullptr, nullptr, 0);
#elif defined(FUZZ_WEBP)
  rdwebpfiledib(name, bits, dither, &dib, nullptr, nullptr, nullptr, 0);
#elif defined(FUZZ_FILEINFO)
  char type[6], compression[26];
  uint16_t w, h, bpp, pages, dpi;
  fileinfo(name, type, &w, &h, &bpp, &pages, &dpi, compression, 0);
#else
#error "FUZZ_<FORMAT> not defined"
#endif
  Free(dib);
  return 0;
}
