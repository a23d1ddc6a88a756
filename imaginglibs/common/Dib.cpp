#include "Dib.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Core.h"

namespace mx {

namespace {

int TableEntries(int bits) {
  return bits <= 8 ? 1 << bits : 0;
}

// Expands a 16- or 32-bit channel read through `mask` to 8 bits.
uint8_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  uint32_t m = mask >> shift;
  int width = 0;
  while ((m >> width) & 1u) ++width;
  uint32_t v = (pixel & mask) >> shift;
  // Narrow channels are shifted up, as the GDI does: 5-bit white reads as 248.
  return static_cast<uint8_t>(width >= 8 ? v >> (width - 8) : v << (8 - width));
}

}  // namespace

void RowToBgr(const Surface &s, int y, uint8_t *bgr) {
  const uint8_t *row = s.Row(y);
  auto color = [&](unsigned index, uint8_t *out) {
    if (static_cast<int>(index) < s.colorCount) {
      out[0] = s.colors[index].rgbBlue;
      out[1] = s.colors[index].rgbGreen;
      out[2] = s.colors[index].rgbRed;
    } else {
      out[0] = out[1] = out[2] = 0;
    }
  };
  switch (s.bits) {
    case 1:
      for (int x = 0; x < s.width; ++x) color((row[x >> 3] >> (7 - (x & 7))) & 1u, bgr + 3 * x);
      break;
    case 4:
      for (int x = 0; x < s.width; ++x)
        color((x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4, bgr + 3 * x);
      break;
    case 8:
      for (int x = 0; x < s.width; ++x) color(row[x], bgr + 3 * x);
      break;
    case 16:
      for (int x = 0; x < s.width; ++x) {
        uint32_t p = row[2 * x] | (row[2 * x + 1] << 8);
        bgr[3 * x] = Channel(p, s.masks[2]);
        bgr[3 * x + 1] = Channel(p, s.masks[1]);
        bgr[3 * x + 2] = Channel(p, s.masks[0]);
      }
      break;
    case 24:
      std::memcpy(bgr, row, static_cast<size_t>(s.width) * 3);
      break;
    case 32:
      for (int x = 0; x < s.width; ++x) {
        const uint8_t *p = row + 4 * x;
        uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
        bgr[3 * x] = Channel(v, s.masks[2]);
        bgr[3 * x + 1] = Channel(v, s.masks[1]);
        bgr[3 * x + 2] = Channel(v, s.masks[0]);
      }
      break;
    default:
      std::memset(bgr, 0, static_cast<size_t>(s.width) * 3);
  }
}

Dib Dib::Create(int width, int height, int bits) {
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    Fail(MX_ERR_BAD_DEPTH);
  CheckDimensions(width, height, bits);
  Dib d;
  d.width_ = width;
  d.height_ = height;
  d.bits_ = bits;
  d.colorCount_ = TableEntries(bits);
  d.stride_ = DibStride(width, bits);
  const size_t headerBytes = 40 + 4 * static_cast<size_t>(d.colorCount_);
  const size_t imageBytes = static_cast<size_t>(d.stride_) * static_cast<size_t>(height);
  d.block_ = GlobalAlloc(GHND, headerBytes + imageBytes);
  if (d.block_ == nullptr) Fail(MX_ERR_NO_MEMORY);
  d.base_ = static_cast<uint8_t *>(GlobalLock(d.block_));
  if (d.base_ == nullptr) {
    GlobalFree(d.block_);
    d.block_ = nullptr;
    Fail(MX_ERR_NO_MEMORY);
  }
  d.colors_ = reinterpret_cast<RGBQUAD *>(d.base_ + 40);
  d.pixels_ = d.base_ + headerBytes;
  BITMAPINFOHEADER *h = d.Header();
  h->biSize = 40;
  h->biWidth = width;
  h->biHeight = height;
  h->biPlanes = 1;
  h->biBitCount = static_cast<WORD>(bits);
  h->biCompression = BI_RGB;
  h->biSizeImage = static_cast<DWORD>(imageBytes);
  h->biXPelsPerMeter = 2953;  // 75 dots per inch when the file does not say
  h->biYPelsPerMeter = 2953;
  h->biClrUsed = static_cast<DWORD>(d.colorCount_);
  h->biClrImportant = static_cast<DWORD>(d.colorCount_);
  if (bits == 1) {
    d.colors_[1] = RGBQUAD{255, 255, 255, 0};
  }
  return d;
}

Dib Dib::CreateProgramRows(int width, int height) {
  Dib d = Create(width, height, 32);
  d.topDown_ = true;
  d.Header()->biHeight = -height;
  return d;
}

Dib Dib::CreateLike(const Dib &model, int width, int height) {
  return model.topDown_ ? CreateProgramRows(width, height) : Create(width, height, model.bits_);
}

Dib::~Dib() {
  if (block_ != nullptr) {
    GlobalUnlock(block_);
    GlobalFree(block_);
  }
}

Dib::Dib(Dib &&other) noexcept {
  *this = std::move(other);
}

Dib &Dib::operator=(Dib &&other) noexcept {
  if (this != &other) {
    if (block_ != nullptr) {
      GlobalUnlock(block_);
      GlobalFree(block_);
    }
    block_ = std::exchange(other.block_, nullptr);
    base_ = std::exchange(other.base_, nullptr);
    pixels_ = std::exchange(other.pixels_, nullptr);
    colors_ = std::exchange(other.colors_, nullptr);
    width_ = other.width_;
    height_ = other.height_;
    bits_ = other.bits_;
    colorCount_ = other.colorCount_;
    stride_ = other.stride_;
    topDown_ = other.topDown_;
  }
  return *this;
}

Surface Dib::View() const {
  Surface s;
  s.width = width_;
  s.height = height_;
  s.bits = bits_;
  s.colors = colors_;
  s.colorCount = colorCount_;
  s.top = topDown_ ? pixels_ : pixels_ + stride_ * (height_ - 1);
  s.step = topDown_ ? stride_ : -stride_;
  if (bits_ == 16) {
    s.masks[0] = 0x7C00;
    s.masks[1] = 0x03E0;
    s.masks[2] = 0x001F;
  } else if (bits_ == 32) {
    s.masks[0] = 0xFF0000;
    s.masks[1] = 0x00FF00;
    s.masks[2] = 0x0000FF;
  }
  return s;
}

void Dib::SetGreyPalette() {
  for (int i = 0; i < colorCount_; ++i) {
    auto v = static_cast<uint8_t>(colorCount_ > 1 ? i * 255 / (colorCount_ - 1) : 0);
    colors_[i] = RGBQUAD{v, v, v, 0};
  }
}

void Dib::SetColors(const std::vector<RGBQUAD> &colors) {
  for (int i = 0; i < colorCount_; ++i)
    colors_[i] = i < static_cast<int>(colors.size()) ? colors[i] : RGBQUAD{0, 0, 0, 0};
}

void Dib::SetResolution(int32_t xPelsPerMeter, int32_t yPelsPerMeter) {
  if (xPelsPerMeter > 0) Header()->biXPelsPerMeter = xPelsPerMeter;
  if (yPelsPerMeter > 0) Header()->biYPelsPerMeter = yPelsPerMeter;
}

HGLOBAL Dib::Release() {
  if (block_ == nullptr) return nullptr;
  GlobalUnlock(block_);
  base_ = pixels_ = nullptr;
  colors_ = nullptr;
  return std::exchange(block_, nullptr);
}

void DecodeRle(const uint8_t *data, size_t size, int bits, Dib &target, bool bottomUp) {
  const int width = target.Width(), height = target.Height();
  size_t pos = 0;
  int x = 0, line = 0;  // line counts rows in file order
  auto next = [&]() -> uint8_t {
    if (pos >= size) Fail(MX_ERR_PREMATURE_EOF);
    return data[pos++];
  };
  auto put = [&](int value) {
    if (x >= width || line >= height) Fail(MX_ERR_CORRUPT);
    uint8_t *row = target.Row(bottomUp ? height - 1 - line : line);
    if (bits == 8) {
      row[x] = static_cast<uint8_t>(value);
    } else {
      uint8_t &b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (value & 0x0F))
                  : static_cast<uint8_t>((b & 0x0F) | (value << 4));
    }
    ++x;
  };
  for (;;) {
    uint8_t count = next();
    uint8_t value = next();
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        put(bits == 8 ? value : ((i & 1) ? value & 0x0F : value >> 4));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++line;
    } else if (value == 1) {  // end of picture
      return;
    } else if (value == 2) {  // move right and up
      x += next();
      line += next();
      if (x > width || line > height) Fail(MX_ERR_CORRUPT);
    } else {  // `value` literal pixels, padded to a 16-bit boundary
      int n = value;
      if (bits == 8) {
        for (int i = 0; i < n; ++i) put(next());
        if (n & 1) next();
      } else {
        int bytes = (n + 1) / 2;
        for (int i = 0; i < bytes; ++i) {
          uint8_t b = next();
          put(b >> 4);
          if (2 * i + 1 < n) put(b & 0x0F);
        }
        if (bytes & 1) next();
      }
    }
    if (line >= height) return;
  }
}

DibInput::DibInput(HGLOBAL block) {
  void *p = GlobalLock(block);
  if (p == nullptr) Fail(MX_ERR_BAD_DIB);
  block_ = block;
  Parse(static_cast<const uint8_t *>(p), GlobalSize(block));
}

DibInput::DibInput(const void *packed) {
  if (packed == nullptr) Fail(MX_ERR_BAD_DIB);
  HGLOBAL owner = GlobalHandle(packed);
  size_t available = owner != nullptr ? GlobalSize(owner) : SIZE_MAX / 2;
  Parse(static_cast<const uint8_t *>(packed), available);
}

DibInput::~DibInput() {
  if (block_ != nullptr) GlobalUnlock(block_);
}

void DibInput::Parse(const uint8_t *base, size_t available) {
  if (available < 40) Fail(MX_ERR_BAD_DIB);
  std::memcpy(&header_, base, 40);
  const BITMAPINFOHEADER &h = header_;
  if (h.biSize < 40 || h.biSize > available || h.biWidth <= 0 || h.biHeight == 0 ||
      h.biHeight == INT32_MIN)
    Fail(MX_ERR_BAD_DIB);
  const int bits = h.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    Fail(MX_ERR_BAD_DIB);
  const int64_t width = h.biWidth;
  const int64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  CheckDimensions(width, height, bits);

  size_t tableOffset = h.biSize;
  Surface &v = view_;
  v.width = static_cast<int>(width);
  v.height = static_cast<int>(height);
  v.bits = bits;
  if (h.biCompression == BI_BITFIELDS) {
    if (bits != 16 && bits != 32) Fail(MX_ERR_BAD_DIB);
    if (h.biSize == 40) {
      if (available < 52) Fail(MX_ERR_BAD_DIB);
      std::memcpy(v.masks, base + 40, 12);
      tableOffset = 52;
    } else {
      if (h.biSize < 52) Fail(MX_ERR_BAD_DIB);
      std::memcpy(v.masks, base + 40, 12);  // V4/V5 headers carry the masks inside
    }
  } else if (h.biCompression == BI_RGB || h.biCompression == BI_RLE8 ||
             h.biCompression == BI_RLE4) {
    if (bits == 16) {
      v.masks[0] = 0x7C00, v.masks[1] = 0x03E0, v.masks[2] = 0x001F;
    } else if (bits == 32) {
      v.masks[0] = 0xFF0000, v.masks[1] = 0x00FF00, v.masks[2] = 0x0000FF;
    }
  } else {
    Fail(MX_ERR_BAD_DIB);
  }
  // Entries the table holds, and those of them the pixels can reach. A table beside true
  // colour pixels only serves palette devices and is skipped.
  if (h.biClrUsed > 256) Fail(MX_ERR_BAD_DIB);
  int stored = static_cast<int>(h.biClrUsed);
  if (bits <= 8 && stored == 0) stored = 1 << bits;
  const int entries = bits <= 8 ? std::min(stored, 1 << bits) : 0;
  const size_t pixelOffset = tableOffset + 4 * static_cast<size_t>(stored);
  if (pixelOffset > available) Fail(MX_ERR_BAD_DIB);
  v.colors = reinterpret_cast<const RGBQUAD *>(base + tableOffset);
  v.colorCount = entries;
  const int64_t stride = DibStride(width, bits);

  if (h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4) {
    if ((h.biCompression == BI_RLE8 && bits != 8) || (h.biCompression == BI_RLE4 && bits != 4) ||
        h.biHeight < 0)
      Fail(MX_ERR_BAD_DIB);
    size_t size = available - pixelOffset;
    if (h.biSizeImage != 0 && h.biSizeImage < size) size = h.biSizeImage;
    decoded_ = Dib::Create(v.width, v.height, bits);
    DecodeRle(base + pixelOffset, size, bits, decoded_, true);
    Surface d = decoded_.View();
    d.colors = v.colors;
    d.colorCount = v.colorCount;
    view_ = d;
    return;
  }
  if (static_cast<uint64_t>(stride) * static_cast<uint64_t>(height) > available - pixelOffset)
    Fail(MX_ERR_BAD_DIB);
  const uint8_t *pixels = base + pixelOffset;
  if (h.biHeight > 0) {
    v.top = pixels + stride * (height - 1);
    v.step = -stride;
  } else {
    v.top = pixels;
    v.step = stride;
  }
}

}  // namespace mx
