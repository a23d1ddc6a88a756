// TGA files, read by hand (no maintained library reads them): colour-mapped, true-colour
// and grey pictures, plain or run-length coded, in any of the four row orders.
#include <cstring>
#include <vector>

#include "Files.h"
#include "Readers.h"

namespace mx {
namespace {

// A 15/16-bit colour (A RRRRR GGGGG BBBBB, little-endian) shifted up to 8 bits per channel,
// as 16-bit DIBs are.
void From16(const uint8_t *p, uint8_t *bgr) {
  const int v = p[0] | (p[1] << 8);
  bgr[0] = static_cast<uint8_t>((v & 31) << 3);
  bgr[1] = static_cast<uint8_t>(((v >> 5) & 31) << 3);
  bgr[2] = static_cast<uint8_t>(((v >> 10) & 31) << 3);
}

}  // namespace

Dib ReadTga(const char *name, Progress &progress) {
  MappedFile file(name);
  const uint8_t *data = file.Data();
  const size_t size = file.Size();
  if (size < 18) Fail(MX_ERR_NOT_TGA);
  ByteCursor h(data, size);
  const int idLength = h.U8();
  const int mapType = h.U8();
  const int imageType = h.U8();
  const int mapFirst = h.U16LE(), mapLength = h.U16LE(), mapEntryBits = h.U8();
  h.Skip(4);
  const int width = h.U16LE(), height = h.U16LE();
  const int depth = h.U8(), descriptor = h.U8();
  const int baseType = imageType & ~8;
  if (mapType > 1 || (baseType != 1 && baseType != 2 && baseType != 3) || imageType > 11)
    Fail(MX_ERR_NOT_TGA);
  const bool rle = (imageType & 8) != 0;
  if (baseType == 1 && (mapType != 1 || depth != 8)) Fail(MX_ERR_UNSUPPORTED);
  if (baseType == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32)
    Fail(MX_ERR_UNSUPPORTED);
  if (baseType == 3 && depth != 8) Fail(MX_ERR_UNSUPPORTED);
  if (mapType == 1 && mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 &&
      mapEntryBits != 32)
    Fail(MX_ERR_NOT_TGA);
  if (width == 0 || height == 0) Fail(MX_ERR_CORRUPT);
  CheckDimensions(width, height, 24);

  h.Skip(static_cast<size_t>(idLength));
  const int bits = baseType == 2 ? 24 : 8;
  Dib picture = Dib::Create(width, height, bits);
  if (mapType == 1) {
    const size_t entryBytes = static_cast<size_t>((mapEntryBits + 7) / 8);
    for (int i = 0; i < mapLength; ++i) {
      const uint8_t *e = h.Bytes(entryBytes);
      const int index = mapFirst + i;
      if (baseType != 1 || index >= 256) continue;
      uint8_t bgr[3];
      if (entryBytes == 2)
        From16(e, bgr);
      else
        std::memcpy(bgr, e, 3);
      picture.Colors()[index] = RGBQUAD{bgr[0], bgr[1], bgr[2], 0};
    }
  }
  if (baseType == 3) picture.SetGreyPalette();

  const int pixelBytes = (depth + 7) / 8;
  const bool alpha = depth == 32 && (descriptor & 0x0F) == 8;
  const bool topDown = (descriptor & 0x20) != 0;
  const bool rightToLeft = (descriptor & 0x10) != 0;
  std::vector<uint8_t> line(static_cast<size_t>(width) * static_cast<size_t>(pixelBytes));
  int runLeft = 0;  // pixels left in the current run-length packet, which may span rows
  bool repeat = false;
  const uint8_t *runPixel = nullptr;
  for (int fileRow = 0; fileRow < height; ++fileRow) {
    if (!rle) {
      std::memcpy(line.data(), h.Bytes(line.size()), line.size());
    } else {
      for (int x = 0; x < width; ++x) {
        if (runLeft == 0) {
          const int packet = h.U8();
          runLeft = (packet & 0x7F) + 1;
          repeat = (packet & 0x80) != 0;
          if (repeat) runPixel = h.Bytes(static_cast<size_t>(pixelBytes));
        }
        const uint8_t *p = repeat ? runPixel : h.Bytes(static_cast<size_t>(pixelBytes));
        std::memcpy(&line[static_cast<size_t>(x) * static_cast<size_t>(pixelBytes)], p,
                    static_cast<size_t>(pixelBytes));
        --runLeft;
      }
    }
    const int y = topDown ? fileRow : height - 1 - fileRow;
    uint8_t *row = picture.Row(y);
    for (int i = 0; i < width; ++i) {
      const int x = rightToLeft ? width - 1 - i : i;
      const uint8_t *p = &line[static_cast<size_t>(i) * static_cast<size_t>(pixelBytes)];
      if (bits == 8) {
        row[x] = p[0];
      } else if (pixelBytes == 2) {
        From16(p, row + 3 * x);
      } else if (alpha) {
        const int a = p[3];
        for (int c = 0; c < 3; ++c)
          row[3 * x + c] = static_cast<uint8_t>((p[c] * a + 255 * (255 - a) + 127) / 255);
      } else {
        std::memcpy(row + 3 * x, p, 3);
      }
    }
    progress.Report(fileRow + 1, height);
  }
  return picture;
}

}  // namespace mx
