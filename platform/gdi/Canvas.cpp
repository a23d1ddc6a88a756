#include "Canvas.h"

#include <algorithm>
#include <utility>

#include "Picture.h"

namespace platform {

Canvas::Canvas(QImage &bitmap) : bitmap_(&bitmap) {
  ownPainter_ = std::make_unique<QPainter>(&bitmap);
  painter_ = ownPainter_.get();
  painter_->setRenderHint(QPainter::Antialiasing, false);
  dpi_ = bitmap.dotsPerMeterX() > 0 ? static_cast<int>(bitmap.dotsPerMeterX() * 0.0254 + 0.5) : 96;
}

Canvas::Canvas(QPainter &painter, int dotsPerInch, bool raster, bool printer)
    : painter_(&painter), dpi_(dotsPerInch), raster_(raster), printer_(printer) {
  painter_->setRenderHint(QPainter::Antialiasing, false);
}

Canvas::~Canvas() {
  EndPainting();
}

void Canvas::EndPainting() {
  if (ownPainter_ && ownPainter_->isActive()) ownPainter_->end();
}

void Canvas::FillRun(int left, int top, int width, int height, const QColor &color) {
  if (width <= 0 || height <= 0) return;
  painter_->fillRect(QRect(left, top, width, height), color);
}

void Canvas::Rectangle(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const int w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return;
  if (brush.style == BrushStyle::Solid) FillRun(left, top, w, h, brush.color);
  // Styled pens are one pixel wide, as on the devices the program was designed for.
  if (pen.style == PenStyle::Dot) {
    DottedOutline(left, top, right, bottom);
    return;
  }
  const int pw = std::max(1, pen.width);
  if (2 * pw >= w || 2 * pw >= h) {
    FillRun(left, top, w, h, pen.color);
    return;
  }
  FillRun(left, top, w, pw, pen.color);
  FillRun(left, bottom - pw, w, pw, pen.color);
  FillRun(left, top + pw, pw, h - 2 * pw, pen.color);
  FillRun(right - pw, top + pw, pw, h - 2 * pw, pen.color);
}

// Dots and gaps of equal length, about a thirty-second of an inch, so a cutting line is
// visible on paper whatever the resolution; the pattern runs on around the corners.
void Canvas::DottedOutline(int left, int top, int right, int bottom) {
  const int dot = std::max(1, dpi_ / 32);
  int phase = 0;  // position in the on/off cycle of 2 * dot
  auto run = [&](int x, int y, int dx, int dy, int length) {
    int done = 0;
    while (done < length) {
      const bool on = phase < dot;
      const int step = std::min(length - done, on ? dot - phase : 2 * dot - phase);
      if (on) {
        const int sx = dx >= 0 ? x + dx * done : x + dx * (done + step - 1);
        const int sy = dy >= 0 ? y + dy * done : y + dy * (done + step - 1);
        FillRun(sx, sy, dx != 0 ? step : 1, dy != 0 ? step : 1, pen.color);
      }
      done += step;
      phase = (phase + step) % (2 * dot);
    }
  };
  const int w = right - left, h = bottom - top;
  if (h == 1) return run(left, top, 1, 0, w);
  if (w == 1) return run(left, top, 0, 1, h);
  run(left, top, 1, 0, w - 1);               // top, left to right
  run(right - 1, top, 0, 1, h - 1);          // right, downwards
  run(right - 1, bottom - 1, -1, 0, w - 1);  // bottom, right to left
  run(left, bottom - 1, 0, -1, h - 1);       // left, upwards
}

void Canvas::CopyRect(const QRect &dest, const Canvas &source, const QRect &sourceRect) {
  if (!source.bitmap_ || dest.isEmpty() || sourceRect.isEmpty()) return;
  const QImage &from = *source.bitmap_;
  if (dest.size() == sourceRect.size()) {
    const QRect clipped = sourceRect.intersected(from.rect());
    if (clipped.isEmpty()) return;
    const QPoint to = dest.topLeft() + (clipped.topLeft() - sourceRect.topLeft());
    painter_->drawImage(to, from, clipped);
  } else {
    StretchImage(dest, from.copy(sourceRect));
  }
}

void Canvas::StretchImage(const QRect &dest, const QImage &image) {
  if (dest.isEmpty() || image.isNull()) return;
  if (raster_ && dest.size() != image.size()) {
    // Nearest pixel, computed once here: exact and repeatable, unlike a painter's
    // transformed blit whose sampling depends on the paint engine.
    painter_->drawImage(dest.topLeft(),
                        image.scaled(dest.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
  } else {
    painter_->drawImage(dest, image);
  }
}

void Canvas::StretchDraw(const QRect &rect, const Picture &picture) {
  picture.Draw(*painter_, rect, raster_);
}

void Canvas::Draw(int x, int y, const Picture &picture) {
  picture.Draw(*painter_, QRect(x, y, picture.Width(), picture.Height()), raster_);
}

}  // namespace platform
