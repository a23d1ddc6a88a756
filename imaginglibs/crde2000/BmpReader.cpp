// BMP files, read by hand: the format is a packed DIB behind a 14-byte file header, so the
// library's own DIB code does most of the work; every offset and size is checked against
// the file before use.
#include <cstring>

#include "Depth.h"
#include "Files.h"
#include "Readers.h"

namespace mx {

Dib ReadBmp(const char *name, Progress &progress) {
  MappedFile file(name);
  const uint8_t *data = file.Data();
  const size_t size = file.Size();
  if (size < 2 || data[0] != 'B' || data[1] != 'M') Fail(MX_ERR_NOT_BMP);
  ByteCursor c(data, size, 10);
  const uint32_t pixelOffset = c.U32LE();
  const uint32_t headerSize = c.U32LE();
  int64_t width = 0, height = 0;
  int bits = 0;
  uint32_t compression = BI_RGB, colorsUsed = 0;
  int32_t xRes = 0, yRes = 0;
  int entrySize = 4;
  if (headerSize == 12) {  // the old core header
    width = c.U16LE();
    height = c.U16LE();
    c.Skip(2);
    bits = c.U16LE();
    entrySize = 3;
  } else if (headerSize >= 40 && headerSize <= 1024) {
    width = static_cast<int32_t>(c.U32LE());
    height = static_cast<int32_t>(c.U32LE());
    c.Skip(2);
    bits = c.U16LE();
    compression = c.U32LE();
    c.Skip(4);
    xRes = static_cast<int32_t>(c.U32LE());
    yRes = static_cast<int32_t>(c.U32LE());
    colorsUsed = c.U32LE();
  } else {
    Fail(MX_ERR_NOT_BMP);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    Fail(MX_ERR_UNSUPPORTED);
  if (width <= 0 || height <= 0) Fail(MX_ERR_CORRUPT);
  CheckDimensions(width, height, bits);

  Surface s;
  s.width = static_cast<int>(width);
  s.height = static_cast<int>(height);
  s.bits = bits;
  size_t tableOffset = 14 + headerSize;
  if (compression == BI_BITFIELDS) {
    if (bits != 16 && bits != 32) Fail(MX_ERR_CORRUPT);
    c.Seek(14 + 40);
    s.masks[0] = c.U32LE();
    s.masks[1] = c.U32LE();
    s.masks[2] = c.U32LE();
    if (headerSize == 40) tableOffset += 12;
  } else if (compression == BI_RLE8 || compression == BI_RLE4) {
    if ((compression == BI_RLE8 && bits != 8) || (compression == BI_RLE4 && bits != 4) || topDown)
      Fail(MX_ERR_CORRUPT);
  } else if (compression == BI_RGB) {
    if (bits == 16) s.masks[0] = 0x7C00, s.masks[1] = 0x03E0, s.masks[2] = 0x001F;
    if (bits == 32) s.masks[0] = 0xFF0000, s.masks[1] = 0x00FF00, s.masks[2] = 0x0000FF;
  } else {
    Fail(MX_ERR_UNSUPPORTED);  // JPEG or PNG inside a BMP
  }

  const int outBits = bits <= 8 ? bits : 24;
  Dib picture = Dib::Create(s.width, s.height, outBits);
  picture.SetResolution(xRes, yRes);
  if (bits <= 8) {
    const uint32_t maxEntries = 1u << bits;
    if (colorsUsed > 256) Fail(MX_ERR_CORRUPT);
    const uint32_t entries = colorsUsed == 0 || colorsUsed > maxEntries ? maxEntries : colorsUsed;
    ByteCursor table(data, size, tableOffset);
    for (uint32_t i = 0; i < entries; ++i) {
      const uint8_t *e = table.Bytes(static_cast<size_t>(entrySize));
      picture.Colors()[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
    tableOffset += static_cast<size_t>(entries) * static_cast<size_t>(entrySize);
    // Pixels beyond the table's entries have no colour of their own: black.
    for (uint32_t i = entries; i < maxEntries; ++i) picture.Colors()[i] = RGBQUAD{0, 0, 0, 0};
  }
  // Writers disagree about the pixel offset; take it when it points inside the file.
  const size_t pixels = pixelOffset >= 14 + 12 && pixelOffset < size ? pixelOffset : tableOffset;
  if (pixels >= size) Fail(MX_ERR_PREMATURE_EOF);

  if (compression == BI_RLE8 || compression == BI_RLE4) {
    DecodeRle(data + pixels, size - pixels, bits, picture, true);
    progress.Done();
    return picture;
  }
  const int64_t stride = DibStride(width, bits);
  if (static_cast<uint64_t>(stride) * static_cast<uint64_t>(height) > size - pixels)
    Fail(MX_ERR_PREMATURE_EOF);
  const uint8_t *first = data + pixels;
  s.top = topDown ? first : first + stride * (height - 1);
  s.step = topDown ? stride : -stride;
  if (bits <= 8 || (bits == 24)) {
    const size_t rowBytes = static_cast<size_t>(DibStride(width, bits));
    for (int y = 0; y < s.height; ++y) {
      std::memcpy(picture.Row(y), s.Row(y), rowBytes);
      progress.Report(y + 1, s.height);
    }
    return picture;
  }
  for (int y = 0; y < s.height; ++y) {
    RowToBgr(s, y, picture.Row(y));
    progress.Report(y + 1, s.height);
  }
  return picture;
}

}  // namespace mx
