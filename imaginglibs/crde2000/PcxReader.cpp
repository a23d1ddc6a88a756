// PCX files, read by hand (no maintained library reads them): run-length coded planes,
// with every run checked against the row and the file.
#include <cstring>
#include <vector>

#include "Files.h"
#include "Readers.h"

namespace mx {

Dib ReadPcx(const char *name, Progress &progress) {
  MappedFile file(name);
  const uint8_t *data = file.Data();
  const size_t size = file.Size();
  if (size < 128 || data[0] != 0x0A || data[1] > 5 || data[2] > 1) Fail(MX_ERR_NOT_PCX);
  ByteCursor h(data, size, 3);
  const int bitsPerPlane = h.U8();
  const int xmin = h.U16LE(), ymin = h.U16LE(), xmax = h.U16LE(), ymax = h.U16LE();
  const int hdpi = h.U16LE(), vdpi = h.U16LE();
  const uint8_t *egaPalette = data + 16;
  h.Seek(65);
  const int planes = h.U8();
  const int bytesPerLine = h.U16LE();
  const bool rle = data[2] == 1;
  if (xmax < xmin || ymax < ymin) Fail(MX_ERR_CORRUPT);
  const int width = xmax - xmin + 1, height = ymax - ymin + 1;
  int bits = 0;
  if (bitsPerPlane == 1 && planes == 1)
    bits = 1;
  else if ((bitsPerPlane == 1 && (planes == 2 || planes == 3 || planes == 4)) ||
           (bitsPerPlane == 2 && planes == 1) || (bitsPerPlane == 4 && planes == 1))
    bits = 4;
  else if (bitsPerPlane == 8 && planes == 1)
    bits = 8;
  else if (bitsPerPlane == 8 && (planes == 3 || planes == 4))
    bits = 24;
  else
    Fail(MX_ERR_UNSUPPORTED);
  CheckDimensions(width, height, bits);
  if (bytesPerLine * 8 < width * bitsPerPlane) Fail(MX_ERR_CORRUPT);

  Dib picture = Dib::Create(width, height, bits);
  if (hdpi > 0 && vdpi > 0)
    picture.SetResolution(static_cast<int32_t>(hdpi * 10000 / 254),
                          static_cast<int32_t>(vdpi * 10000 / 254));
  if (bits == 1) {
    picture.Colors()[0] = RGBQUAD{0, 0, 0, 0};
    picture.Colors()[1] = RGBQUAD{255, 255, 255, 0};
  } else if (bits == 4) {
    for (int i = 0; i < 16; ++i)
      picture.Colors()[i] =
          RGBQUAD{egaPalette[3 * i + 2], egaPalette[3 * i + 1], egaPalette[3 * i], 0};
  }
  size_t end = size;  // where the pixel data stops
  if (bits == 8) {
    // The 256 colours follow the pixels, after a 12 marker byte; files older than
    // version 5 may have none and are grey.
    if (size >= 128 + 769 && data[size - 769] == 0x0C) {
      const uint8_t *p = data + size - 768;
      for (int i = 0; i < 256; ++i)
        picture.Colors()[i] = RGBQUAD{p[3 * i + 2], p[3 * i + 1], p[3 * i], 0};
      end = size - 769;
    } else if (data[1] == 5) {
      Fail(MX_ERR_PREMATURE_EOF);
    } else {
      picture.SetGreyPalette();
    }
  }

  const size_t scanBytes = static_cast<size_t>(bytesPerLine) * static_cast<size_t>(planes);
  std::vector<uint8_t> scan(scanBytes);
  size_t pos = 128;
  // Runs may cross from one scan line into the next; `pending` carries the rest over.
  int pendingCount = 0;
  uint8_t pendingValue = 0;
  for (int y = 0; y < height; ++y) {
    size_t filled = 0;
    while (filled < scanBytes) {
      if (pendingCount > 0) {
        scan[filled++] = pendingValue;
        --pendingCount;
        continue;
      }
      if (pos >= end) Fail(MX_ERR_PREMATURE_EOF);
      uint8_t b = data[pos++];
      if (rle && (b & 0xC0) == 0xC0) {
        if (pos >= end) Fail(MX_ERR_PREMATURE_EOF);
        pendingCount = b & 0x3F;
        pendingValue = data[pos++];
      } else {
        scan[filled++] = b;
      }
    }
    uint8_t *row = picture.Row(y);
    const uint8_t *plane0 = scan.data();
    switch (bits) {
      case 1:
      case 8:
        std::memcpy(row, plane0, static_cast<size_t>((width * bits + 7) / 8));
        break;
      case 24:
        for (int x = 0; x < width; ++x) {
          row[3 * x + 2] = plane0[x];
          row[3 * x + 1] = plane0[bytesPerLine + x];
          row[3 * x] = plane0[2 * bytesPerLine + x];
        }
        break;
      default:  // 4 bits from 1-bit planes, 2-bit or 4-bit packed pixels
        for (int x = 0; x < width; ++x) {
          int v = 0;
          if (bitsPerPlane == 1) {
            for (int p = 0; p < planes; ++p)
              v |= ((plane0[p * bytesPerLine + (x >> 3)] >> (7 - (x & 7))) & 1) << p;
          } else if (bitsPerPlane == 2) {
            v = (plane0[x >> 2] >> (6 - 2 * (x & 3))) & 3;
          } else {
            v = (x & 1) ? plane0[x >> 1] & 0x0F : plane0[x >> 1] >> 4;
          }
          row[x >> 1] =
              (x & 1) ? static_cast<uint8_t>(row[x >> 1] | v) : static_cast<uint8_t>(v << 4);
        }
    }
    progress.Report(y + 1, height);
  }
  return picture;
}

}  // namespace mx
