// The transition effects that bring a new picture onto the control.
#include "ImageView.h"

#include <QCoreApplication>
#include <algorithm>

#include "ImageViewGeometry.h"
#include "ImageViewPrivate.h"
#include "Transitions.h"
#include "ui/Cursors.h"
#include "win32/Handles.h"
#include "win32/WinQt.h"

namespace imagecomp {

// The transition's bitmap at the control's size, for a stretched or fitted view (fitted: the
// rest of the control in the background colour); nothing for the other views.
std::optional<imaging::TBitmap> TImageView::ControlSizedTransitionBitmap() const {
  const int W = width(), H = height();
  const int BW = transitionBitmap_.Width(), BH = transitionBitmap_.Height();
  if (!(stretch_ || stretchRatio_) || W <= 0 || H <= 0 || BW <= 0 || BH <= 0) return {};
  imaging::TBitmap stretched;
  HDC screen = GetDC(nullptr);
  stretched.SetHandle(CreateCompatibleBitmap(screen, W, H));
  ReleaseDC(nullptr, screen);
  const QList<QRgb> colors = PaletteColors(transitionBitmap_.Palette());
  if (!colors.isEmpty()) stretched.SetPalette(CreatePaletteFromColors(colors));
  platform::DcHandle target(CreateCompatibleDC(nullptr));
  platform::DcHandle from(CreateCompatibleDC(nullptr));
  platform::SelectGuard intoTarget(target.get(), stretched.Handle());
  platform::SelectGuard intoSource(from.get(), transitionBitmap_.Handle());
  SetStretchBltMode(target.get(), COLORONCOLOR);
  if (stretch_) {
    StretchBlt(target.get(), 0, 0, W, H, from.get(), 0, 0, BW, BH, SRCCOPY);
  } else {
    const QRect fitted = FittedTarget(W, H, BW, BH);
    FillAround(target.get(), fitted, QRect(0, 0, W, H), color_);
    StretchBlt(target.get(), fitted.left(), fitted.top(), fitted.width(), fitted.height(),
               from.get(), 0, 0, BW, BH, SRCCOPY);
  }
  return stretched;
}

namespace {
// The effects that uncover the picture in strips or squares FXColRowThick pixels wide.
struct StripEffect {
  TFXMethod method;
  bool (*run)(HDC target, HBITMAP source, int thickness, int delay);
};
constexpr StripEffect kStripEffects[] = {
    {FXHorizontal, imaging::SkipHorizontal},
    {FXVertical, imaging::SkipVertical},
    {FXDiagonal, imaging::SkipDiagonals},
    {FXDiagonalSquares, imaging::SkipDiagonalSquares},
};
}  // namespace

// The effect's result is not looked at: a failed effect leaves the picture to be shown whole.
void TImageView::RunTransitionEffect(HDC window, HBITMAP from) {
  if (fxMethod_ == FXRectangles) {
    imaging::SkipRectangles(window, from, fxDelay_);
    return;
  }
  for (const StripEffect &effect : kStripEffects)
    if (effect.method == fxMethod_) effect.run(window, from, fxColRowThick_, fxDelay_);
}

void TImageView::PlayTransition() {
  if (transitionBitmap_.Empty()) return;
  QCoreApplication::processEvents();
  platform::BusyCursor busy;
  struct Cleanup {
    TImageView *view;
    ~Cleanup() {
      view->transitionBitmap_.Clear();
      view->transitionSurface_ = nullptr;
    }
  } cleanup{this};

  const std::optional<imaging::TBitmap> stretched = ControlSizedTransitionBitmap();
  const imaging::TBitmap &source = stretched ? *stretched : transitionBitmap_;

  // The effect draws on the window piece by piece; the window shows the surface meanwhile.
  QImage surface = grab().toImage().convertToFormat(QImage::Format_RGB32);
  transitionSurface_ = &surface;
  {
    platform::DcHandle window(CreateDCForWindow(this, &surface));
    RunTransitionEffect(window.get(), source.Handle());
  }
  transitionSurface_ = nullptr;
  // The picture keeps the whole bitmap: the control-sized copy only served the effect,
  // and keeping it would leave a picture shrunk to the control behind the display.
  picture_.AssignBitmap(transitionBitmap_);
}

}  // namespace imagecomp
