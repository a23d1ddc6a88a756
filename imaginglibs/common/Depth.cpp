#include "Depth.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace mx {
namespace {

inline uint32_t Key(const uint8_t *bgr) {
  return bgr[0] | (bgr[1] << 8) | (bgr[2] << 16);
}

inline int Grey(int b, int g, int r) {
  return (r * 299 + g * 587 + b * 114 + 500) / 1000;
}

void PutIndex(uint8_t *row, int x, int bits, int index) {
  switch (bits) {
    case 8:
      row[x] = static_cast<uint8_t>(index);
      break;
    case 4:
      if (x & 1)
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | index);
      else
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | (index << 4));
      break;
    default:
      if (index)
        row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
      else
        row[x >> 3] = static_cast<uint8_t>(row[x >> 3] & ~(0x80 >> (x & 7)));
  }
}

int IndexAt(const uint8_t *row, int x, int bits) {
  switch (bits) {
    case 8:
      return row[x];
    case 4:
      return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

// Nearest palette entry by squared distance, remembered per cell of a 32-level cube.
class NearestColor {
 public:
  explicit NearestColor(const std::vector<RGBQUAD> &palette) : palette_(palette) {
    cache_.fill(-1);
  }
  int Find(int b, int g, int r) {
    const int cell = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    int16_t &slot = cache_[static_cast<size_t>(cell)];
    if (slot < 0) slot = static_cast<int16_t>(Search((b & ~7) | 4, (g & ~7) | 4, (r & ~7) | 4));
    return slot;
  }

 private:
  int Search(int b, int g, int r) const {
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette_.size(); ++i) {
      long db = b - palette_[i].rgbBlue, dg = g - palette_[i].rgbGreen, dr = r - palette_[i].rgbRed;
      long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
      if (bestDistance < 0 || d < bestDistance) {
        bestDistance = d;
        best = static_cast<int>(i);
      }
    }
    return best;
  }
  const std::vector<RGBQUAD> &palette_;
  std::array<int16_t, 32768> cache_{};
};

// The exact palette of a picture that has at most `capacity` distinct colours, with a
// remapping from its colours to palette entries; false when it has more.
struct ExactPalette {
  std::vector<RGBQUAD> colors;
  std::unordered_map<uint32_t, int> index;
};

bool FindExactPalette(const Surface &s, int capacity, ExactPalette &out) {
  std::vector<uint8_t> bgr(static_cast<size_t>(s.width) * 3);
  if (s.bits <= 8) {
    // Only the entries the pixels use count, so the scan looks at indices.
    std::array<bool, 256> used{};
    for (int y = 0; y < s.height; ++y) {
      const uint8_t *row = s.Row(y);
      for (int x = 0; x < s.width; ++x) used[static_cast<size_t>(IndexAt(row, x, s.bits))] = true;
    }
    for (int i = 0; i < 256; ++i) {
      if (!used[static_cast<size_t>(i)]) continue;
      RGBQUAD c = i < s.colorCount ? s.colors[i] : RGBQUAD{0, 0, 0, 0};
      c.rgbReserved = 0;
      uint32_t k = c.rgbBlue | (c.rgbGreen << 8) | (c.rgbRed << 16);
      if (out.index.count(k)) continue;
      if (static_cast<int>(out.colors.size()) == capacity) return false;
      out.index[k] = static_cast<int>(out.colors.size());
      out.colors.push_back(c);
    }
  } else {
    uint32_t last = 0xFFFFFFFF;
    for (int y = 0; y < s.height; ++y) {
      RowToBgr(s, y, bgr.data());
      for (int x = 0; x < s.width; ++x) {
        uint32_t k = Key(&bgr[3 * static_cast<size_t>(x)]);
        if (k == last) continue;
        last = k;
        if (out.index.count(k)) continue;
        if (static_cast<int>(out.colors.size()) == capacity) return false;
        out.index[k] = static_cast<int>(out.colors.size());
        out.colors.push_back(RGBQUAD{static_cast<uint8_t>(k), static_cast<uint8_t>(k >> 8),
                                     static_cast<uint8_t>(k >> 16), 0});
      }
    }
  }
  // Darker colours first, so two-colour pictures come out as the usual black-on-white.
  std::vector<RGBQUAD> sorted = out.colors;
  std::stable_sort(sorted.begin(), sorted.end(), [](const RGBQUAD &a, const RGBQUAD &b) {
    return Grey(a.rgbBlue, a.rgbGreen, a.rgbRed) < Grey(b.rgbBlue, b.rgbGreen, b.rgbRed);
  });
  out.colors = sorted;
  out.index.clear();
  for (size_t i = 0; i < sorted.size(); ++i)
    out.index[static_cast<uint32_t>(sorted[i].rgbBlue | (sorted[i].rgbGreen << 8) |
                                    (sorted[i].rgbRed << 16))] = static_cast<int>(i);
  return true;
}

struct Box {
  int lo[3], hi[3];  // inclusive cell ranges for r, g, b
  uint64_t count;
};

}  // namespace

const std::vector<RGBQUAD> &StandardSixteenColors() {
  static const std::vector<RGBQUAD> colors = {
      {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
      {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
      {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
      {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0}};
  return colors;
}

std::vector<RGBQUAD> MedianCutPalette(const Surface &s, int count) {
  // A histogram over a 32-level cube keeps the cut fast on any size of picture; the colour
  // of each box is the mean of the real colours that fell into it.
  constexpr int kCells = 32 * 32 * 32;
  auto hist = std::make_unique<uint64_t[]>(kCells);
  auto sums = std::make_unique<uint64_t[]>(kCells * 3);
  std::memset(hist.get(), 0, sizeof(uint64_t) * kCells);
  std::memset(sums.get(), 0, sizeof(uint64_t) * kCells * 3);
  std::vector<uint8_t> bgr(static_cast<size_t>(s.width) * 3);
  for (int y = 0; y < s.height; ++y) {
    RowToBgr(s, y, bgr.data());
    for (int x = 0; x < s.width; ++x) {
      const uint8_t *p = &bgr[3 * static_cast<size_t>(x)];
      const int cell = ((p[2] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[0] >> 3);
      hist[static_cast<size_t>(cell)]++;
      sums[3 * static_cast<size_t>(cell)] += p[2];
      sums[3 * static_cast<size_t>(cell) + 1] += p[1];
      sums[3 * static_cast<size_t>(cell) + 2] += p[0];
    }
  }
  auto at = [&](int r, int g, int b) {
    return hist[static_cast<size_t>((r << 10) | (g << 5) | b)];
  };
  auto shrink = [&](Box &box) {
    int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
    uint64_t n = 0;
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
      for (int g = box.lo[1]; g <= box.hi[1]; ++g)
        for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
          uint64_t c = at(r, g, b);
          if (c == 0) continue;
          n += c;
          const int v[3] = {r, g, b};
          for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], v[k]);
            hi[k] = std::max(hi[k], v[k]);
          }
        }
    box.count = n;
    if (n > 0)
      for (int k = 0; k < 3; ++k) box.lo[k] = lo[k], box.hi[k] = hi[k];
  };
  std::vector<Box> boxes;
  Box all{{0, 0, 0}, {31, 31, 31}, 0};
  shrink(all);
  if (all.count == 0) return {RGBQUAD{0, 0, 0, 0}};
  boxes.push_back(all);
  while (static_cast<int>(boxes.size()) < count) {
    // Split the most populated box that spans more than one cell, across its longest side.
    int pick = -1;
    for (size_t i = 0; i < boxes.size(); ++i) {
      const Box &b = boxes[i];
      bool splittable = b.lo[0] < b.hi[0] || b.lo[1] < b.hi[1] || b.lo[2] < b.hi[2];
      if (splittable && (pick < 0 || b.count > boxes[static_cast<size_t>(pick)].count))
        pick = static_cast<int>(i);
    }
    if (pick < 0) break;
    Box box = boxes[static_cast<size_t>(pick)];
    int axis = 0;
    for (int k = 1; k < 3; ++k)
      if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis]) axis = k;
    // Find the median slice along the axis.
    uint64_t half = box.count / 2, running = 0;
    int cut = box.lo[axis];
    for (int v = box.lo[axis]; v < box.hi[axis]; ++v) {
      Box slice = box;
      slice.lo[axis] = slice.hi[axis] = v;
      uint64_t n = 0;
      for (int r = slice.lo[0]; r <= slice.hi[0]; ++r)
        for (int g = slice.lo[1]; g <= slice.hi[1]; ++g)
          for (int b = slice.lo[2]; b <= slice.hi[2]; ++b) n += at(r, g, b);
      running += n;
      cut = v;
      if (running >= half) break;
    }
    Box a = box, b = box;
    a.hi[axis] = cut;
    b.lo[axis] = cut + 1;
    shrink(a);
    shrink(b);
    boxes[static_cast<size_t>(pick)] = a;
    if (b.count > 0) boxes.push_back(b);
    if (a.count == 0) boxes.erase(boxes.begin() + pick);
  }
  std::vector<RGBQUAD> palette;
  for (const Box &box : boxes) {
    uint64_t n = 0, sr = 0, sg = 0, sb = 0;
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
      for (int g = box.lo[1]; g <= box.hi[1]; ++g)
        for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
          const size_t cell = static_cast<size_t>((r << 10) | (g << 5) | b);
          n += hist[cell];
          sr += sums[3 * cell];
          sg += sums[3 * cell + 1];
          sb += sums[3 * cell + 2];
        }
    if (n == 0) continue;
    palette.push_back(RGBQUAD{static_cast<uint8_t>((sb + n / 2) / n),
                              static_cast<uint8_t>((sg + n / 2) / n),
                              static_cast<uint8_t>((sr + n / 2) / n), 0});
  }
  return palette;
}

Dib ConvertDepth(const Surface &s, int bits, bool dither, Progress *progress) {
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) Fail(MX_ERR_BAD_DEPTH);
  Dib out = Dib::Create(s.width, s.height, bits);
  auto report = [&](int y) {
    if (progress != nullptr) progress->Report(y + 1, s.height);
  };
  if (bits == 24) {
    for (int y = 0; y < s.height; ++y) {
      RowToBgr(s, y, out.Row(y));
      report(y);
    }
    return out;
  }
  const int capacity = 1 << bits;
  if (s.bits <= 8 && s.bits <= bits) {
    // Raising an indexed picture keeps its table and its indices.
    for (int i = 0; i < s.colorCount && i < capacity; ++i) out.Colors()[i] = s.colors[i];
    for (int y = 0; y < s.height; ++y) {
      const uint8_t *src = s.Row(y);
      uint8_t *dst = out.Row(y);
      for (int x = 0; x < s.width; ++x) PutIndex(dst, x, bits, IndexAt(src, x, s.bits));
      report(y);
    }
    return out;
  }
  std::vector<uint8_t> bgr(static_cast<size_t>(s.width) * 3);
  ExactPalette exact;
  if (FindExactPalette(s, capacity, exact)) {
    out.SetColors(exact.colors);
    for (int y = 0; y < s.height; ++y) {
      RowToBgr(s, y, bgr.data());
      uint8_t *dst = out.Row(y);
      for (int x = 0; x < s.width; ++x)
        PutIndex(dst, x, bits, exact.index[Key(&bgr[3 * static_cast<size_t>(x)])]);
      report(y);
    }
    return out;
  }

  std::vector<RGBQUAD> palette;
  if (bits == 8)
    palette = MedianCutPalette(s, 256);
  else if (bits == 4)
    palette = StandardSixteenColors();
  else
    palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  out.SetColors(palette);
  NearestColor nearest(palette);

  // Floyd-Steinberg: errors of this row and the next, in 1/16 units, with a margin of one
  // pixel on both sides so the edges need no tests.
  const size_t n = static_cast<size_t>(s.width) + 2;
  const int channels = bits == 1 ? 1 : 3;
  std::vector<int> errThis(n * 3, 0), errNext(n * 3, 0);
  for (int y = 0; y < s.height; ++y) {
    RowToBgr(s, y, bgr.data());
    uint8_t *dst = out.Row(y);
    std::fill(errNext.begin(), errNext.end(), 0);
    for (int x = 0; x < s.width; ++x) {
      const uint8_t *p = &bgr[3 * static_cast<size_t>(x)];
      int want[3];
      if (channels == 1) {
        want[0] = Grey(p[0], p[1], p[2]);
      } else {
        want[0] = p[0], want[1] = p[1], want[2] = p[2];
      }
      const size_t e = (static_cast<size_t>(x) + 1) * 3;
      if (dither)
        for (int c = 0; c < channels; ++c)
          want[c] = std::clamp(want[c] + errThis[e + static_cast<size_t>(c)] / 16, 0, 255);
      int index;
      int got[3];
      if (channels == 1) {
        index = want[0] >= 128 ? 1 : 0;
        got[0] = index ? 255 : 0;
      } else {
        index = nearest.Find(want[0], want[1], want[2]);
        const RGBQUAD &q = palette[static_cast<size_t>(index)];
        got[0] = q.rgbBlue, got[1] = q.rgbGreen, got[2] = q.rgbRed;
      }
      PutIndex(dst, x, bits, index);
      if (!dither) continue;
      for (int c = 0; c < channels; ++c) {
        const int err = want[c] - got[c];
        const size_t k = static_cast<size_t>(c);
        errThis[e + 3 + k] += err * 7;
        errNext[e - 3 + k] += err * 3;
        errNext[e + k] += err * 5;
        errNext[e + 3 + k] += err;
      }
    }
    std::swap(errThis, errNext);
    report(y);
  }
  return out;
}

Dib AdaptDepth(Dib picture, int bits, bool dither, Progress *progress) {
  if (bits == 0 || bits == picture.Bits()) return picture;
  return ConvertDepth(picture.View(), bits, dither, progress);
}

Dib ToProgramRows(Dib picture, Progress *progress) {
  if (picture.ProgramRows()) return picture;
  const Surface source = picture.View();
  Dib out = Dib::CreateProgramRows(source.width, source.height);
  const BITMAPINFOHEADER *header = picture.Header();
  out.SetResolution(header->biXPelsPerMeter, header->biYPelsPerMeter);
  std::vector<uint8_t> bgr(3 * static_cast<size_t>(source.width));
  for (int y = 0; y < source.height; ++y) {
    RowToBgr(source, y, bgr.data());
    uint8_t *row = out.Row(y);
    for (int x = 0; x < source.width; ++x) {
      std::memcpy(row + 4 * x, bgr.data() + 3 * x, 3);
      row[4 * x + 3] = 255;
    }
    if (progress != nullptr) progress->Report(y + 1, source.height);
  }
  return out;
}

}  // namespace mx
