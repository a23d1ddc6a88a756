// Which format a file is in, told by its content (never by its name), with its size,
// depth and compression read from its header.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "Files.h"
#include "Photo.h"
#include "Readers.h"

namespace mx {
namespace {

uint16_t Be16(const uint8_t *p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
uint32_t Be32(const uint8_t *p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

bool IsJpeg(const uint8_t *d, size_t n) {
  return n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}
bool IsPng(const uint8_t *d, size_t n) {
  return n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0;
}
bool IsGif(const uint8_t *d, size_t n) {
  return n >= 6 && (std::memcmp(d, "GIF87a", 6) == 0 || std::memcmp(d, "GIF89a", 6) == 0);
}
bool IsTiff(const uint8_t *d, size_t n) {
  return n >= 4 && ((d[0] == 'I' && d[1] == 'I' && d[2] == 42 && d[3] == 0) ||
                    (d[0] == 'M' && d[1] == 'M' && d[2] == 0 && d[3] == 42));
}
bool IsBmp(const uint8_t *d, size_t n) {
  if (n < 26 || d[0] != 'B' || d[1] != 'M') return false;
  const uint32_t header =
      d[14] | (d[15] << 8) | (d[16] << 16) | (static_cast<uint32_t>(d[17]) << 24);
  return header == 12 || (header >= 40 && header <= 1024);
}
bool IsPcd(const uint8_t *d, size_t n) {
  return n >= 0x807 && std::memcmp(d + 0x800, "PCD_IPI", 7) == 0;
}
bool IsPcx(const uint8_t *d, size_t n) {
  return n >= 128 && d[0] == 0x0A && d[1] <= 5 && d[2] <= 1 &&
         (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8);
}
bool IsDosEps(const uint8_t *d, size_t n) {
  return n >= 30 && d[0] == 0xC5 && d[1] == 0xD0 && d[2] == 0xD3 && d[3] == 0xC6;
}
bool IsEps(const uint8_t *d, size_t n) {
  if (IsDosEps(d, n)) return true;
  if (n < 4 || std::memcmp(d, "%!PS", 4) != 0) return false;
  std::string_view first(reinterpret_cast<const char *>(d), std::min<size_t>(n, 80));
  first = first.substr(0, first.find_first_of("\r\n"));
  return first.find("EPSF") != std::string_view::npos;
}
}  // namespace

bool LooksLikeDxf(const uint8_t *d, size_t n) {
  if (n >= 18 && std::memcmp(d, "AutoCAD Binary DXF", 18) == 0) return true;
  // An ASCII drawing opens with group code 0 and the word SECTION.
  std::string_view text(reinterpret_cast<const char *>(d), std::min<size_t>(n, 256));
  size_t i = text.find_first_not_of(" \t\r\n");
  if (i == std::string_view::npos || text[i] != '0') return false;
  i = text.find_first_not_of(" \t\r", i + 1);
  if (i == std::string_view::npos || text[i] != '\n') return false;
  i = text.find_first_not_of(" \t\r\n", i);
  return i != std::string_view::npos && text.substr(i, 7) == "SECTION";
}
namespace {

bool IsTga(const uint8_t *d, size_t n) {
  if (n < 18) return false;
  const int mapType = d[1], type = d[2], depth = d[16];
  const int base = type & ~8;
  if (mapType > 1 || type > 11 || (base != 1 && base != 2 && base != 3)) return false;
  if (base == 1 && (mapType != 1 || depth != 8)) return false;
  if (base == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32) return false;
  if (base == 3 && depth != 8) return false;
  const int w = d[12] | (d[13] << 8), h = d[14] | (d[15] << 8);
  return w > 0 && h > 0;
}

const char *TiffCompressionName(int code) {
  switch (code) {
    case 1:
      return "NONE";
    case 2:
      return "CCITT3";
    case 3:
      return "FAXCCITT3";
    case 4:
      return "FAXCCITT4";
    case 5:
      return "LZW";
    case 6:
    case 7:
      return "JPEG";
    case 8:
    case 32946:
      return "DEFLATE";
    case 32773:
      return "PACKBITS";
    default:
      return "UNKNOWN";
  }
}

void JpegFacts(const uint8_t *d, size_t n, FileFacts &f) {
  f.compression = "JPEG";
  int orientation = 1;
  size_t i = 2;
  while (i + 4 <= n) {
    if (d[i] != 0xFF) {
      ++i;
      continue;
    }
    const uint8_t marker = d[i + 1];
    if (marker == 0xFF) {
      ++i;
      continue;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      i += 2;
      continue;
    }
    const size_t length = Be16(d + i + 2);
    if (length < 2) Fail(MX_ERR_CORRUPT);
    if (marker == 0xE0 && i + 16 <= n && std::memcmp(d + i + 4, "JFIF", 5) == 0) {
      const int unit = d[i + 11], xd = Be16(d + i + 12);
      f.dpi = unit == 1 ? xd : unit == 2 ? static_cast<int>(std::lround(xd * 2.54)) : 0;
    }
    // The orientation comes before the frame: the size reported is the upright one.
    if (marker == 0xE1 && orientation == 1 && i + 10 <= n &&
        std::memcmp(d + i + 4, "Exif\0\0", 6) == 0)
      orientation = ExifOrientation(d + i + 4, std::min(length - 2, n - i - 4));
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (i + 10 > n) Fail(MX_ERR_PREMATURE_EOF);
      f.height = Be16(d + i + 5);
      f.width = Be16(d + i + 7);
      f.bitsPerPixel = d[i + 4] * d[i + 9];
      if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE)
        f.compression = "JPEG PROGRESSIVE";
      if (SwapsSides(orientation)) std::swap(f.width, f.height);
      return;
    }
    i += 2 + length;
  }
  Fail(MX_ERR_PREMATURE_EOF);
}

void PngFacts(const uint8_t *d, size_t n, FileFacts &f) {
  if (n < 33 || std::memcmp(d + 12, "IHDR", 4) != 0) Fail(MX_ERR_CORRUPT);
  f.width = static_cast<int>(std::min<uint32_t>(Be32(d + 16), INT32_MAX));
  f.height = static_cast<int>(std::min<uint32_t>(Be32(d + 20), INT32_MAX));
  const int depth = d[24], type = d[25];
  const int channels = type == 0 ? 1 : type == 2 ? 3 : type == 3 ? 1 : type == 4 ? 2 : 4;
  f.bitsPerPixel = depth * channels;
  f.compression = "DEFLATE";
  // The resolution, when a pHYs chunk in metres comes before the pixels.
  size_t i = 8;
  while (i + 12 <= n) {
    const uint32_t length = Be32(d + i);
    if (std::memcmp(d + i + 4, "IDAT", 4) == 0 || length > n) break;
    if (std::memcmp(d + i + 4, "pHYs", 4) == 0 && length == 9 && i + 17 <= n && d[i + 16] == 1)
      f.dpi = static_cast<int>(std::lround(Be32(d + i + 8) * 0.0254));
    i += 12 + static_cast<size_t>(length);
  }
}

void BmpFacts(const uint8_t *d, size_t n, FileFacts &f) {
  ByteCursor c(d, n, 14);
  const uint32_t header = c.U32LE();
  if (header == 12) {
    f.width = c.U16LE();
    f.height = c.U16LE();
    c.Skip(2);
    f.bitsPerPixel = c.U16LE();
    f.compression = "NONE";
    return;
  }
  f.width = std::abs(static_cast<int32_t>(c.U32LE()));
  const int32_t h = static_cast<int32_t>(c.U32LE());
  f.height = h == INT32_MIN ? INT32_MAX : std::abs(h);
  c.Skip(2);
  f.bitsPerPixel = c.U16LE();
  const uint32_t compression = c.U32LE();
  c.Skip(4);
  f.dpi = static_cast<int>(std::lround(static_cast<int32_t>(c.U32LE()) * 0.0254));
  if (f.dpi < 0) f.dpi = 0;
  static const char *const kNames[] = {"NONE", "RLE8", "RLE4", "BITFIELDS", "JPEG", "PNG"};
  f.compression = compression < 6 ? kNames[compression] : "UNKNOWN";
}

void EpsFacts(const uint8_t *d, size_t n, FileFacts &f) {
  std::string_view ps(reinterpret_cast<const char *>(d), n);
  if (IsDosEps(d, n)) {
    ByteCursor c(d, n, 4);
    const uint32_t offset = c.U32LE(), length = c.U32LE();
    if (offset >= n || length > n - offset) Fail(MX_ERR_PREMATURE_EOF);
    ps = ps.substr(offset, length);
  }
  f.bitsPerPixel = 24;
  f.compression = "NONE";
  f.dpi = 72;
  const size_t at = ps.find("%%BoundingBox:");
  if (at == std::string_view::npos) return;
  std::string line(ps.substr(at + 14, std::min<size_t>(200, ps.size() - at - 14)));
  double llx = 0, lly = 0, urx = 0, ury = 0;
  if (std::sscanf(line.c_str(), "%lf %lf %lf %lf", &llx, &lly, &urx, &ury) == 4 && urx > llx &&
      ury > lly && urx - llx < 1e7 && ury - lly < 1e7) {
    f.width = static_cast<int>(std::ceil(urx - llx));
    f.height = static_cast<int>(std::ceil(ury - lly));
  }
}

}  // namespace

FileFacts ReadFileFacts(const char *name) {
  MappedFile file(name);
  const uint8_t *d = file.Data();
  const size_t n = file.Size();
  FileFacts f;
  if (IsBmp(d, n)) {
    f.type = "BMP";
    BmpFacts(d, n, f);
  } else if (IsJpeg(d, n)) {
    f.type = "JPEG";
    JpegFacts(d, n, f);
  } else if (IsPng(d, n)) {
    f.type = "PNG";
    PngFacts(d, n, f);
  } else if (IsGif(d, n)) {
    f.type = "GIF";
    ByteCursor c(d, n, 6);
    f.width = c.U16LE();
    f.height = c.U16LE();
    const uint8_t packed = c.U8();
    f.bitsPerPixel = (packed & 0x80) ? (packed & 7) + 1 : 8;
    f.compression = "LZW";
  } else if (IsTiff(d, n)) {
    f.type = "TIF";
    TiffInfo info = ReadTiffInfo(name, 0);
    f.width = info.width;
    f.height = info.height;
    f.bitsPerPixel = info.bitsPerPixel;
    f.pages = info.pageCount;
    f.compression = TiffCompressionName(info.compression);
  } else if (IsPcd(d, n)) {
    f.type = "PCD";
    f.width = 768;
    f.height = 512;
    f.bitsPerPixel = 24;
    f.compression = "NONE";
  } else if (IsPcx(d, n)) {
    f.type = "PCX";
    ByteCursor c(d, n, 4);
    const int xmin = c.U16LE(), ymin = c.U16LE(), xmax = c.U16LE(), ymax = c.U16LE();
    f.dpi = c.U16LE();
    f.width = xmax >= xmin ? xmax - xmin + 1 : 0;
    f.height = ymax >= ymin ? ymax - ymin + 1 : 0;
    f.bitsPerPixel = d[3] * d[65];
    f.compression = d[2] == 1 ? "RLE" : "NONE";
  } else if (IsEps(d, n)) {
    f.type = "EPS";
    EpsFacts(d, n, f);
  } else if (LooksLikeDxf(d, n)) {
    f.type = "DXF";
    DxfDrawingSize(name, f.width, f.height);
    f.bitsPerPixel = 24;
    f.compression = "NONE";
  } else if (bool avif = false; HeifBrand(d, n, avif)) {
    f.type = avif ? "AVIF" : "HEIC";
    const HeifFacts h = ReadHeifFacts(d, n);
    f.width = h.width;
    f.height = h.height;
    f.bitsPerPixel = h.bitsPerChannel * (h.alpha ? 4 : 3);
    f.pages = h.pages;
    f.compression = avif ? "AV1" : "HEVC";
  } else if (IsWebp(d, n)) {
    f.type = "WEBP";
    const WebpFacts w = ReadWebpFacts(d, n);
    f.width = w.width;
    f.height = w.height;
    f.bitsPerPixel = w.alpha ? 32 : 24;
    f.pages = w.frames;
    f.compression = w.animated ? "ANIMATION" : w.lossless ? "VP8L" : "VP8";
  } else if (IsTga(d, n)) {
    f.type = "TGA";
    f.width = d[12] | (d[13] << 8);
    f.height = d[14] | (d[15] << 8);
    f.bitsPerPixel = d[16];
    f.compression = (d[2] & 8) ? "RLE" : "NONE";
  } else {
    Fail(MX_ERR_UNKNOWN_FORMAT);
  }
  return f;
}

}  // namespace mx
