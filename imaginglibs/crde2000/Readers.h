#pragma once
// The format readers and writers of CRDE2000.DLL. Each reader returns the picture at the
// file's own depth (1, 4, 8 or 24 bits), or in the program's own layout where stated below,
// and raises mx::Error for anything it cannot read; the entries then bring it to the
// requested depth.
#include <cstdint>
#include <string>

#include "Core.h"
#include "Dib.h"

namespace mx {

Dib ReadBmp(const char *name, Progress &progress);
// The four readers below decode straight into the program's own layout
// (Dib::CreateProgramRows) when `programRows` is set and the picture's kind allows it;
// otherwise they read as without it.
Dib ReadJpeg(const char *name, Progress &progress, bool programRows = false);
Dib ReadPng(const char *name, Progress &progress, bool programRows = false);
Dib ReadGif(const char *name, Progress &progress, int32_t *transparent);
Dib ReadTiff(const char *name, int page, Progress &progress, bool programRows = false);
Dib ReadPcx(const char *name, Progress &progress);
Dib ReadTga(const char *name, Progress &progress);
Dib ReadPcd(const char *name, int resolution, Progress &progress);
Dib ReadEps(const char *name, Progress &progress);
// HEIC and AVIF
Dib ReadHeif(const char *name, Progress &progress, bool programRows = false);
// The first frame of an animation.
Dib ReadWebp(const char *name, Progress &progress, bool programRows = false);

// HEIF files: whether the brands name a still picture, and whether it is AVIF.
bool HeifBrand(const uint8_t *data, size_t size, bool &avif);
struct HeifFacts {
  int width = 0, height = 0, bitsPerChannel = 8, pages = 1;  // size as shown (turned)
  bool alpha = false;
};
HeifFacts ReadHeifFacts(const uint8_t *data, size_t size);
bool IsWebp(const uint8_t *data, size_t size);
struct WebpFacts {
  int width = 0, height = 0, frames = 1;
  bool alpha = false, animated = false, lossless = false;
};
WebpFacts ReadWebpFacts(const uint8_t *data, size_t size);

// TIFF page information; the size is the upright one.
struct TiffInfo {
  int width = 0, height = 0, bitsPerPixel = 0, compression = 0, pageCount = 0;
};
// pageCount (when given) receives the number of pages before the page is looked for.
TiffInfo ReadTiffInfo(const char *name, int page, int32_t *pageCount = nullptr);
void WriteTiff(const char *name, int compression, int bits, bool append, const Surface &picture,
               int32_t xPelsPerMeter, Progress &progress);

// File information by content.
struct FileFacts {
  std::string type;  // "BMP", "JPEG", ...
  int width = 0, height = 0, bitsPerPixel = 0, pages = 1, dpi = 0;
  std::string compression;  // "NONE", "JPEG", ...
};
FileFacts ReadFileFacts(const char *name);

// DXF drawings, drawn at the size DxfDrawingSize gives.
struct DxfPicture {
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
};
DxfPicture ReadDxf(const char *name, int bits, bool dither, Progress &progress);
void DxfDrawingSize(const char *name, int &width, int &height);

// Scanner.
int16_t SelectScannerSource(HWND owner);
int16_t CountScanners();
Dib AcquireScan(HWND owner, Progress &progress, bool &cancelled, bool programRows = false);

}  // namespace mx
