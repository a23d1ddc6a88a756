#include "ImageViewGeometry.h"

#include <algorithm>
#include <cmath>

namespace imagecomp {

namespace {

BitmapPlacement StretchedPlacement(const BitmapViewState &v) {
  BitmapPlacement p;
  p.mode = BitmapViewMode::Stretched;
  p.source = QRect(0, 0, v.bitmapWidth, v.bitmapHeight);
  p.target = QRect(0, 0, v.controlWidth, v.controlHeight);
  // The stretched view has always announced the bitmap's own size, not the control's.
  p.paintArea = p.source;
  return p;
}

BitmapPlacement PlainPlacement(const BitmapViewState &v) {
  BitmapPlacement p;
  p.mode = BitmapViewMode::Plain;
  p.source = QRect(0, 0, v.bitmapWidth, v.bitmapHeight);
  p.target = p.source;
  if (v.center)
    p.target.translate((v.controlWidth - v.bitmapWidth) / 2,
                       (v.controlHeight - v.bitmapHeight) / 2);
  p.paintArea = p.target;
  return p;
}

// Zoomed sizes and the visible part are truncated to whole pixels, as the copy takes them.
BitmapPlacement ZoomedPlacement(const BitmapViewState &v) {
  BitmapPlacement p;
  p.mode = BitmapViewMode::Zoomed;
  const int W = v.controlWidth, H = v.controlHeight;
  const int BW = v.bitmapWidth, BH = v.bitmapHeight;
  const double Z = v.zoom;
  const int ZW = int(std::trunc(BW * Z)), ZH = int(std::trunc(BH * Z));
  const int centreX = v.center ? (W - ZW) / 2 : 0;
  const int centreY = v.center ? (H - ZH) / 2 : 0;
  if (W >= ZW && H >= ZH) {  // the whole picture fits
    p.source = QRect(0, 0, BW, BH);
    p.target = QRect(centreX, centreY, ZW, ZH);
    p.centerOffset = QPoint(centreX, centreY);
  } else {
    const int A = p.allowance = v.barAllowance;
    const int visibleW = int(std::trunc((W - A) / Z)), visibleH = int(std::trunc((H - A) / Z));
    if (W >= ZW) {  // only the height overflows
      p.source = QRect(v.scrollX, v.scrollY, BW, visibleH);
      p.target = QRect(centreX, 0, ZW, H - A);
      p.centerOffset = QPoint(centreX, 0);
    } else if (H >= ZH) {  // only the width overflows
      p.source = QRect(v.scrollX, v.scrollY, visibleW, BH);
      p.target = QRect(0, centreY, W - A, ZH);
      p.centerOffset = QPoint(0, centreY);
    } else {
      p.source = QRect(v.scrollX, v.scrollY, visibleW, visibleH);
      p.target = QRect(0, 0, W - A, H - A);
    }
  }
  p.paintArea = p.target;
  return p;
}

}  // namespace

BitmapPlacement PlaceBitmap(const BitmapViewState &view) {
  if (view.stretch) return StretchedPlacement(view);
  if (!view.stretchRatio && !view.scrolling) return PlainPlacement(view);
  return ZoomedPlacement(view);
}

ScrollBarSetting ScrollBarFor(int pictureSize, double zoom, int controlSize, int barWidth,
                              int scroll) {
  ScrollBarSetting bar;
  bar.maximum = std::max(0, int(std::trunc(pictureSize * zoom - controlSize + barWidth)));
  bar.value = bar.maximum == 0 ? 0 : std::min(int(std::trunc(scroll * zoom)), bar.maximum);
  return bar;
}

QRect GraphicTarget(int controlWidth, int controlHeight, int pictureWidth, int pictureHeight,
                    bool stretch, bool center) {
  if (stretch) return QRect(0, 0, controlWidth, controlHeight);
  QRect target(0, 0, pictureWidth, pictureHeight);
  if (center) target.moveTo((controlWidth - pictureWidth) / 2, (controlHeight - pictureHeight) / 2);
  return target;
}

QRect FittedTarget(int controlWidth, int controlHeight, int bitmapWidth, int bitmapHeight) {
  const double z =
      std::min(double(controlWidth) / bitmapWidth, double(controlHeight) / bitmapHeight);
  const int width = int(bitmapWidth * z), height = int(bitmapHeight * z);
  return QRect((controlWidth - width) / 2, (controlHeight - height) / 2, width, height);
}

}  // namespace imagecomp
