// How a DC draws (its modes, raster operations and line mixes) and what it draws with
// them: pens, brushes, rectangles, lines, regions and text.
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "GdiObjects.h"
#include "WinQt.h"

using namespace win32::gdi;

namespace {

constexpr int kR2Nop = 11;  // the destination is left alone

// Sets up `painter` to mix a pen or brush of `color` into the pixels under it by a line
// mix mode (R2_BLACK .. R2_WHITE); the modes that ignore the pen change `color`. False
// when the device cannot mix that way (a printer or PDF engine has no raster operations).
bool ApplyRop2(QPainter &painter, int mode, QColor &color) {
  const QPaintEngine *engine = painter.paintEngine();
  if (mode == R2_BLACK || mode == R2_WHITE || mode == R2_COPYPEN) {
    if (mode != R2_COPYPEN) color = mode == R2_BLACK ? Qt::black : Qt::white;
    if (engine && engine->hasFeature(QPaintEngine::PorterDuff))
      painter.setCompositionMode(QPainter::CompositionMode_Source);
    return true;
  }
  if (engine && !engine->hasFeature(QPaintEngine::RasterOpModes)) return false;
  // P is the pen, D the destination.
  switch (mode) {
    case 2:  // ~(P | D)
      painter.setCompositionMode(QPainter::RasterOp_NotSourceAndNotDestination);
      return true;
    case 3:  // ~P & D
      painter.setCompositionMode(QPainter::RasterOp_NotSourceAndDestination);
      return true;
    case 4:  // ~P
      painter.setCompositionMode(QPainter::RasterOp_NotSource);
      return true;
    case 5:  // P & ~D
      painter.setCompositionMode(QPainter::RasterOp_SourceAndNotDestination);
      return true;
    case R2_NOT:
      painter.setCompositionMode(QPainter::RasterOp_NotDestination);
      return true;
    case R2_XORPEN:
      painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      return true;
    case 8:  // ~(P & D)
      painter.setCompositionMode(QPainter::RasterOp_NotSourceOrNotDestination);
      return true;
    case 9:  // P & D
      painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
      return true;
    case 10:  // ~(P ^ D)
      painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
      return true;
    case 12:  // ~P | D
      painter.setCompositionMode(QPainter::RasterOp_NotSourceOrDestination);
      return true;
    case 14:  // P | ~D
      painter.setCompositionMode(QPainter::RasterOp_SourceOrNotDestination);
      return true;
    case 15:  // P | D
      painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
      return true;
    default:
      return false;
  }
}

// Mixes `color` into exactly the pixels of `rects` by the line mix `mode`.
bool MixRects(QPainter &painter, std::span<const QRect> rects, int mode, QColor color) {
  if (mode == kR2Nop) return true;
  if (!ApplyRop2(painter, mode, color)) return false;
  for (const QRect &rect : rects) painter.fillRect(rect, color);
  return true;
}

// The part of a DC's coordinates that lands on its pixels; empty for a screen DC.
QRect DrawableArea(const DcObject *dc) {
  switch (dc->kind) {
    case DcKind::Memory:
      return dc->bitmap ? QRect(0, 0, dc->bitmap->width, dc->bitmap->height) : QRect();
    case DcKind::Image:
      return dc->image ? dc->image->rect() : QRect();
    case DcKind::Painter: {
      const QPaintDevice *device = dc->painter ? dc->painter->device() : nullptr;
      if (device == nullptr) return {};
      bool invertible = false;
      const QTransform toLogical = dc->painter->combinedTransform().inverted(&invertible);
      if (!invertible) return {};
      return toLogical.mapRect(QRect(0, 0, device->width(), device->height()))
          .adjusted(-1, -1, 1, 1);
    }
    case DcKind::Screen:
      return {};
  }
  return {};
}

// GDI keeps coordinates within 27 bits; so do we, which keeps the line arithmetic exact.
QPoint GdiPoint(int64_t x, int64_t y) {
  constexpr int64_t kLimit = int64_t(1) << 27;
  return QPoint(int(std::clamp(x, -kLimit, kLimit - 1)), int(std::clamp(y, -kLimit, kLimit - 1)));
}

// n / d rounded half away from zero, for d > 0.
int64_t RoundedQuotient(int64_t n, int64_t d) {
  return n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d));
}

// The pixels of a one-pixel line inside `area`, as runs of pixels. The start point is
// drawn and the end point is not, as GDI draws lines: the lines of a closed path then
// cover each of its pixels once, which an inverting pen needs to come back to the start.
std::vector<QRect> LinePixels(QPoint from, QPoint to, const QRect &area) {
  std::vector<QRect> runs;
  const int64_t dx = int64_t(to.x()) - from.x(), dy = int64_t(to.y()) - from.y();
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const int64_t steps = xMajor ? std::abs(dx) : std::abs(dy);
  if (steps == 0 || area.isEmpty()) return runs;
  // Walk only the steps whose major coordinate lies in the area: a line that runs far
  // outside the pixels costs nothing.
  const int64_t start = xMajor ? from.x() : from.y();
  const int64_t direction = (xMajor ? dx : dy) > 0 ? 1 : -1;
  const int64_t low = xMajor ? area.left() : area.top();
  const int64_t high = xMajor ? area.right() : area.bottom();
  const int64_t first = std::max<int64_t>(direction > 0 ? low - start : start - high, 0);
  const int64_t last = std::min<int64_t>(direction > 0 ? high - start : start - low, steps - 1);
  for (int64_t i = first; i <= last; ++i) {
    const int64_t minor = RoundedQuotient(i * (xMajor ? dy : dx), steps);
    const int x = int(xMajor ? from.x() + direction * i : from.x() + minor);
    const int y = int(xMajor ? from.y() + minor : from.y() + direction * i);
    if (!area.contains(x, y)) continue;
    if (!runs.empty()) {
      QRect &run = runs.back();
      if (run.height() == 1 && run.top() == y && (x == run.right() + 1 || x == run.left() - 1)) {
        run.setLeft(std::min(run.left(), x));
        run.setRight(std::max(run.right(), x));
        continue;
      }
      if (run.width() == 1 && run.left() == x && (y == run.bottom() + 1 || y == run.top() - 1)) {
        run.setTop(std::min(run.top(), y));
        run.setBottom(std::max(run.bottom(), y));
        continue;
      }
    }
    runs.emplace_back(x, y, 1, 1);
  }
  return runs;
}

BOOL FillArea(DcObject *dc, QRect rect, QColor color, bool invert = false) {
  if (dc == nullptr) return FALSE;
  if (dc->kind == DcKind::Screen) return TRUE;
  Surface surface(dc, rect.normalized());
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return TRUE;
  if (invert) {
    painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter->fillRect(rect.normalized(), Qt::white);
  } else {
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->fillRect(rect.normalized(), color);
  }
  return TRUE;
}

}  // namespace

namespace win32::gdi {

bool ApplyRop(QPainter &painter, DWORD rop) {
  const QPaintEngine *engine = painter.paintEngine();
  if (rop == SRCCOPY) {
    // A printer or PDF engine has no Porter-Duff modes; an opaque picture drawn over is
    // the same copy there.
    if (engine && engine->hasFeature(QPaintEngine::PorterDuff))
      painter.setCompositionMode(QPainter::CompositionMode_Source);
    return true;
  }
  if (engine && !engine->hasFeature(QPaintEngine::RasterOpModes)) return false;
  switch (rop) {
    case SRCPAINT:
      painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
      return true;
    case SRCAND:
      painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
      return true;
    case SRCINVERT:
      painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      return true;
    case NOTSRCCOPY:
      painter.setCompositionMode(QPainter::RasterOp_NotSource);
      return true;
    default:
      return false;
  }
}

}  // namespace win32::gdi

extern "C" {

int SetStretchBltMode(HDC handle, int mode) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return std::exchange(dc->stretchMode, mode);
}

int GetStretchBltMode(HDC handle) {
  DcObject *dc = LiveDc(handle);
  return dc ? dc->stretchMode : 0;
}

int SetBkMode(HDC handle, int mode) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return 0;
  return std::exchange(dc->bkMode, mode);
}

COLORREF SetBkColor(HDC handle, COLORREF color) {
  DcObject *dc = LiveDc(handle);
  return dc ? std::exchange(dc->bkColor, color) : 0xFFFFFFFFu;
}

COLORREF SetTextColor(HDC handle, COLORREF color) {
  DcObject *dc = LiveDc(handle);
  return dc ? std::exchange(dc->textColor, color) : 0xFFFFFFFFu;
}

BOOL PatBlt(HDC target, int x, int y, int width, int height, DWORD rop) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(target);
  if (dc == nullptr) return FALSE;
  repaint.Arm(dc);
  const QRect rect(x, y, width, height);
  switch (rop) {
    case BLACKNESS:
      return FillArea(dc, rect, Qt::black);
    case WHITENESS:
      return FillArea(dc, rect, Qt::white);
    case 0x00550009:  // DSTINVERT
      return FillArea(dc, rect, Qt::white, true);
    case 0x00F00021: {  // PATCOPY
      const BrushObject *brush =
          dc->brush ? dc->brush : static_cast<BrushObject *>(StockObject(WHITE_BRUSH));
      return brush->hollow ? TRUE : FillArea(dc, rect, ToColor(brush->color));
    }
    default:
      return FALSE;
  }
}

BOOL FillSolidRect(HDC target, const RECT *rect, COLORREF color) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(target);
  if (dc == nullptr || rect == nullptr) return FALSE;
  repaint.Arm(dc);
  return FillArea(dc,
                  QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1)),
                  ToColor(color));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  auto pen = std::make_unique<PenObject>();
  pen->style = style;
  pen->width = std::max(width, 1);
  pen->color = color;
  return reinterpret_cast<HPEN>(static_cast<GdiObject *>(Register(std::move(pen))));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto brush = std::make_unique<BrushObject>();
  brush->color = color;
  return reinterpret_cast<HBRUSH>(static_cast<GdiObject *>(Register(std::move(brush))));
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return FALSE;
  repaint.Arm(dc);
  const QRect rect(QPoint(left, top), QPoint(right - 1, bottom - 1));
  Surface surface(dc, rect.normalized().adjusted(-8, -8, 8, 8));
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return TRUE;
  const PenObject *pen = dc->pen ? dc->pen : static_cast<PenObject *>(StockObject(BLACK_PEN));
  const BrushObject *brush =
      dc->brush ? dc->brush : static_cast<BrushObject *>(StockObject(WHITE_BRUSH));
  QPen qpen(ToColor(pen->color), pen->width);
  qpen.setStyle(pen->style == PS_DASH  ? Qt::DashLine
                : pen->style == PS_DOT ? Qt::DotLine
                                       : Qt::SolidLine);
  qpen.setJoinStyle(Qt::MiterJoin);
  if (dc->rop2 != R2_COPYPEN) {
    // Mixed with what lies under it (a rubber band drawn twice disappears), the fill and
    // the outline must not overlap: the outline lies inside the rectangle, the fill
    // inside the outline.
    const QRect box = QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                            QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
    if (box.isEmpty()) return TRUE;
    const int edge = pen->style == PS_NULL ? 0 : pen->width;
    const QRect inside = box.adjusted(edge, edge, -edge, -edge);
    bool drawn = true;
    if (!brush->hollow && inside.isValid())
      drawn = MixRects(*painter, std::span(&inside, 1), dc->rop2, ToColor(brush->color));
    if (pen->style == PS_SOLID) {
      const QRegion outline = QRegion(box).subtracted(QRegion(inside));
      drawn = MixRects(*painter, std::span(outline.begin(), outline.end()), dc->rop2,
                       ToColor(pen->color)) &&
              drawn;
    } else if (pen->style != PS_NULL && dc->rop2 != kR2Nop) {
      QColor color = qpen.color();
      drawn = ApplyRop2(*painter, dc->rop2, color) && drawn;
      qpen.setColor(color);
      painter->setPen(qpen);
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(box.adjusted(0, 0, -1, -1));
    }
    return drawn ? TRUE : FALSE;
  }
  if (!brush->hollow) painter->fillRect(rect, ToColor(brush->color));
  if (pen->style != PS_NULL) {
    painter->setPen(qpen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1).normalized().adjusted(0, 0, 0, 0));
  }
  return TRUE;
}

BOOL MoveToEx(HDC handle, int x, int y, POINT *previous) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return FALSE;
  if (previous) *previous = dc->position;
  dc->position = {x, y};
  return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return FALSE;
  repaint.Arm(dc);
  const QPoint from = GdiPoint(dc->position.x, dc->position.y);
  const QPoint to = GdiPoint(x, y);
  dc->position = {x, y};
  const PenObject *pen = dc->pen ? dc->pen : static_cast<PenObject *>(StockObject(BLACK_PEN));
  if (pen->style == PS_NULL || dc->rop2 == kR2Nop) return TRUE;
  Surface surface(dc, QRect(from, to).normalized().adjusted(-8, -8, 8, 8));
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return TRUE;
  QColor color = ToColor(pen->color);
  if (pen->width <= 1)
    return MixRects(*painter, LinePixels(from, to, DrawableArea(dc)), dc->rop2, color) ? TRUE
                                                                                       : FALSE;
  if (!ApplyRop2(*painter, dc->rop2, color)) return FALSE;
  painter->setPen(QPen(color, pen->width));
  painter->drawLine(from, to);
  return TRUE;
}

int SetROP2(HDC handle, int mode) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr || mode < R2_BLACK || mode > R2_WHITE) return 0;
  return std::exchange(dc->rop2, mode);
}

int GetROP2(HDC handle) {
  DcObject *dc = LiveDc(handle);
  return dc ? dc->rop2 : 0;
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto region = std::make_unique<RegionObject>();
  const QPoint a = GdiPoint(std::min(left, right), std::min(top, bottom));
  const QPoint b = GdiPoint(std::max(left, right), std::max(top, bottom));
  if (b.x() > a.x() && b.y() > a.y())
    region->region = QRegion(a.x(), a.y(), b.x() - a.x(), b.y() - a.y());
  return reinterpret_cast<HRGN>(static_cast<GdiObject *>(Register(std::move(region))));
}

int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
  RegionObject *target = LiveRegion(destination);
  const RegionObject *first = LiveRegion(source1);
  const RegionObject *second = LiveRegion(source2);
  if (target == nullptr || first == nullptr) return 0;
  if (mode != RGN_COPY && second == nullptr) return 0;
  switch (mode) {
    case RGN_AND:
      target->region = first->region.intersected(second->region);
      break;
    case RGN_OR:
      target->region = first->region.united(second->region);
      break;
    case RGN_XOR:
      target->region = first->region.xored(second->region);
      break;
    case RGN_DIFF:
      target->region = first->region.subtracted(second->region);
      break;
    case RGN_COPY:
      target->region = first->region;
      break;
    default:
      return 0;
  }
  if (target->region.isEmpty()) return NULLREGION;
  return target->region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

BOOL FillRgn(HDC handle, HRGN regionHandle, HBRUSH brushHandle) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(handle);
  const RegionObject *region = LiveRegion(regionHandle);
  const BrushObject *brush = LiveBrush(brushHandle);
  if (dc == nullptr || region == nullptr || brush == nullptr) return FALSE;
  repaint.Arm(dc);
  if (brush->hollow || region->region.isEmpty()) return TRUE;
  Surface surface(dc, region->region.boundingRect());
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return TRUE;
  // The brush meets the pixels by the DC's mix mode, a plain copy unless it was changed.
  const QRegion &pixels = region->region;
  return MixRects(*painter, std::span(pixels.begin(), pixels.end()), dc->rop2,
                  ToColor(brush->color))
             ? TRUE
             : FALSE;
}

BOOL TextOutA(HDC handle, int x, int y, LPCSTR text, int length) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr || text == nullptr || length < 0) return FALSE;
  repaint.Arm(dc);
  const QString string = QString::fromUtf8(text, length);
  QFont font;
  const QFontMetrics metrics(font);
  const QRect box(x, y, metrics.horizontalAdvance(string), metrics.height());
  Surface surface(dc, box.adjusted(-2, -2, 2, 2));
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return TRUE;
  painter->setFont(font);
  if (dc->bkMode == OPAQUE) painter->fillRect(box, ToColor(dc->bkColor));
  painter->setPen(ToColor(dc->textColor));
  painter->drawText(QPoint(x, y + metrics.ascent()), string);
  return TRUE;
}

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int length) {
  return TextOutA(dc, x, y, text, length);
}

}  // extern "C"
