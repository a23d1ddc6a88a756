// GIF through giflib: the first picture of the file on its logical screen.
#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "Files.h"
#include "Readers.h"

namespace mx {
namespace {

struct GifCloser {
  void operator()(GifFileType *gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

int16_t CodeOf(int gifError) {
  switch (gifError) {
    case D_GIF_ERR_OPEN_FAILED:
      return MX_ERR_CANNOT_OPEN;
    case D_GIF_ERR_NOT_GIF_FILE:
      return MX_ERR_NOT_GIF;
    case D_GIF_ERR_READ_FAILED:
      return MX_ERR_PREMATURE_EOF;
    case D_GIF_ERR_NOT_ENOUGH_MEM:
      return MX_ERR_NO_MEMORY;
    default:
      return MX_ERR_CORRUPT;
  }
}

void Check(GifFileType *gif, int result) {
  if (result == GIF_ERROR) Fail(CodeOf(gif->Error));
}

void PutIndex(uint8_t *row, int x, int bits, int index) {
  if (bits == 8) {
    row[x] = static_cast<uint8_t>(index);
  } else if (bits == 4) {
    uint8_t &b = row[x >> 1];
    b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F))
                : static_cast<uint8_t>((b & 0x0F) | (index << 4));
  } else {
    uint8_t &b = row[x >> 3];
    b = (index & 1) ? static_cast<uint8_t>(b | (0x80 >> (x & 7)))
                    : static_cast<uint8_t>(b & ~(0x80 >> (x & 7)));
  }
}

}  // namespace

Dib ReadGif(const char *name, Progress &progress, int32_t *transparent) {
  OpenForReading(name);  // a clear "cannot open" before the library tries
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpenFileName(name, &error));
  if (!gif) Fail(CodeOf(error));
  GifFileType *g = gif.get();

  int transparentIndex = -1;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    Check(g, DGifGetRecordType(g, &type));
    if (type == TERMINATE_RECORD_TYPE) Fail(MX_ERR_CORRUPT);  // no picture in the file
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType *block = nullptr;
      Check(g, DGifGetExtension(g, &code, &block));
      while (block != nullptr) {
        if (code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4 && (block[1] & 1))
          transparentIndex = block[4];
        Check(g, DGifGetExtensionNext(g, &block));
        code = 0;  // only the first block of an extension says what it is
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    Check(g, DGifGetImageDesc(g));
    break;
  }
  const GifImageDesc &frame = g->Image;
  const ColorMapObject *map = frame.ColorMap != nullptr ? frame.ColorMap : g->SColorMap;
  int screenW = g->SWidth, screenH = g->SHeight;
  if (screenW <= 0 || screenH <= 0) {
    screenW = frame.Left + frame.Width;
    screenH = frame.Top + frame.Height;
  }
  if (frame.Width <= 0 || frame.Height <= 0) Fail(MX_ERR_CORRUPT);
  CheckDimensions(screenW, screenH, 8);
  CheckDimensions(frame.Width, frame.Height, 8);

  const int mapBits = map != nullptr ? map->BitsPerPixel : 8;
  const int bits = mapBits <= 1 ? 1 : mapBits <= 4 ? 4 : 8;
  Dib picture = Dib::Create(screenW, screenH, bits);
  if (map != nullptr) {
    for (int i = 0; i < map->ColorCount && i < picture.ColorCount(); ++i)
      picture.Colors()[i] =
          RGBQUAD{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0};
  } else {
    picture.SetGreyPalette();
  }
  // The screen outside the first picture shows the background colour.
  const int background = g->SColorMap != nullptr ? g->SBackGroundColor : 0;
  if (background != 0 &&
      (frame.Left > 0 || frame.Top > 0 || frame.Width < screenW || frame.Height < screenH)) {
    for (int y = 0; y < screenH; ++y)
      for (int x = 0; x < screenW; ++x) PutIndex(picture.Row(y), x, bits, background);
  }

  std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
  // Interlaced pictures store rows 0, 8, 16, ..., then 4, 12, ..., then 2, 6, ..., then odd.
  static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  std::vector<int> order;
  order.reserve(static_cast<size_t>(frame.Height));
  if (frame.Interlace) {
    for (int pass = 0; pass < 4; ++pass)
      for (int y = kStart[pass]; y < frame.Height; y += kStep[pass]) order.push_back(y);
  } else {
    for (int y = 0; y < frame.Height; ++y) order.push_back(y);
  }
  const int limit = (1 << bits) - 1;
  for (size_t i = 0; i < order.size(); ++i) {
    Check(g, DGifGetLine(g, line.data(), frame.Width));
    const int y = frame.Top + order[i];
    if (y < screenH) {
      uint8_t *row = picture.Row(y);
      for (int x = 0; x < frame.Width && frame.Left + x < screenW; ++x)
        PutIndex(row, frame.Left + x, bits, std::min<int>(line[static_cast<size_t>(x)], limit));
    }
    progress.Report(static_cast<int64_t>(i) + 1, frame.Height);
  }
  if (transparent != nullptr) *transparent = transparentIndex;
  return picture;
}

}  // namespace mx
