// Transitions: the source bitmap is copied onto the target piece by piece, every other
// piece first ("skipping") and then the ones between, with a pause after each step.
#include <algorithm>
#include <functional>
#include <vector>

#include "Core.h"
#include "isp2000.h"
#include "win32/WinApi.h"

namespace {

struct Piece {
  int x, y, w, h;
};

// Copies the pieces of each step, pausing `delay` ms after every step.
class Painter {
 public:
  Painter(HDC target, HBITMAP source) : target_(target) {
    BITMAP bm{};
    if (target == nullptr || source == nullptr ||
        GetObject(source, sizeof bm, &bm) < static_cast<int>(sizeof(LONG) * 3))
      return;
    width_ = bm.bmWidth;
    height_ = bm.bmHeight;
    memory_ = CreateCompatibleDC(target);
    if (memory_ == nullptr) return;
    previous_ = SelectObject(memory_, source);
    ok_ = previous_ != nullptr && width_ > 0 && height_ > 0;
  }
  ~Painter() {
    if (memory_ != nullptr) {
      if (previous_ != nullptr) SelectObject(memory_, previous_);
      DeleteDC(memory_);
    }
  }
  Painter(const Painter &) = delete;
  Painter &operator=(const Painter &) = delete;

  bool Ok() const { return ok_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  void Step(const std::vector<Piece> &pieces, int delay) {
    for (const Piece &p : pieces) {
      const int x = std::max(p.x, 0), y = std::max(p.y, 0);
      const int r = std::min(p.x + p.w, width_), b = std::min(p.y + p.h, height_);
      if (r > x && b > y) BitBlt(target_, x, y, r - x, b - y, memory_, x, y, SRCCOPY);
    }
    if (delay > 0) Sleep(static_cast<DWORD>(delay));
  }

 private:
  HDC target_;
  HDC memory_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  int width_ = 0, height_ = 0;
  bool ok_ = false;
};

// Steps over the cells of a grid of `cell` pixels, grouped by diagonal (column + row),
// the even diagonals first; `keep` picks the cells a transition paints in each pass.
int32_t Diagonal(HDC target, HBITMAP source, int32_t thickness, int32_t delay,
                 const std::function<bool(int pass, int i, int j)> &keep) {
  Painter painter(target, source);
  if (!painter.Ok()) return 0;
  const int cell = std::max(1, thickness);
  const int columns = (painter.Width() + cell - 1) / cell;
  const int rows = (painter.Height() + cell - 1) / cell;
  for (int pass = 0; pass < 2; ++pass) {
    for (int d = 0; d < columns + rows - 1; ++d) {
      std::vector<Piece> pieces;
      for (int i = std::max(0, d - rows + 1); i <= std::min(d, columns - 1); ++i) {
        const int j = d - i;
        if (keep(pass, i, j)) pieces.push_back({i * cell, j * cell, cell, cell});
      }
      if (!pieces.empty()) painter.Step(pieces, delay);
    }
  }
  return 1;
}

}  // namespace

extern "C" {

MX_EXPORT int32_t FXSkipHorizontal(HDC target, HBITMAP source, int32_t thickness, int32_t delay) {
  return mx::Guard([&]() -> int16_t {
    Painter painter(target, source);
    if (!painter.Ok()) return 0;
    const int band = std::max(1, thickness);
    for (int pass = 0; pass < 2; ++pass)
      for (int y = pass * band; y < painter.Height(); y += 2 * band)
        painter.Step({{0, y, painter.Width(), band}}, delay);
    return 1;
  });
}

MX_EXPORT int32_t FXSkipVertical(HDC target, HBITMAP source, int32_t thickness, int32_t delay) {
  return mx::Guard([&]() -> int16_t {
    Painter painter(target, source);
    if (!painter.Ok()) return 0;
    const int band = std::max(1, thickness);
    for (int pass = 0; pass < 2; ++pass)
      for (int x = pass * band; x < painter.Width(); x += 2 * band)
        painter.Step({{x, 0, band, painter.Height()}}, delay);
    return 1;
  });
}

// Whole diagonals: the even ones in the first pass, the odd ones in the second.
MX_EXPORT int32_t FXSkipDiagonals(HDC target, HBITMAP source, int32_t thickness, int32_t delay) {
  return mx::Guard([&]() -> int16_t {
    return static_cast<int16_t>(
        Diagonal(target, source, thickness, delay,
                 [](int pass, int i, int j) { return (i + j) % 2 == pass; }));
  });
}

// A chequerboard: the squares whose column is even first, then the others, each pass
// sweeping from the top-left corner.
MX_EXPORT int32_t FXSkipDiagonalSquares(HDC target, HBITMAP source, int32_t thickness,
                                        int32_t delay) {
  return mx::Guard([&]() -> int16_t {
    return static_cast<int16_t>(Diagonal(target, source, thickness, delay,
                                         [](int pass, int i, int) { return i % 2 == pass; }));
  });
}

// Concentric frames from the border inwards: every other frame first, then the rest.
MX_EXPORT int32_t FXSkipRectangles(HDC target, HBITMAP source, int32_t delay) {
  return mx::Guard([&]() -> int16_t {
    Painter painter(target, source);
    if (!painter.Ok()) return 0;
    const int w = painter.Width(), h = painter.Height();
    const int ring = std::max(1, std::min(w, h) / 40);
    const int rings = (std::min(w, h) + 2 * ring - 1) / (2 * ring);
    for (int pass = 0; pass < 2; ++pass) {
      for (int k = pass; k < rings; k += 2) {
        const int x = k * ring, y = k * ring;
        const int iw = w - 2 * x, ih = h - 2 * y;
        if (iw <= 0 || ih <= 0) break;
        painter.Step({{x, y, iw, ring},
                      {x, y + ih - ring, iw, ring},
                      {x, y, ring, ih},
                      {x + iw - ring, y, ring, ih}},
                     delay);
      }
    }
    return 1;
  });
}

}  // extern "C"
