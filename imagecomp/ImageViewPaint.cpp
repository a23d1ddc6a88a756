// Painting the picture, the text overlay, the rubber band and the border.
#include "ImageView.h"

#include <QFrame>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "Binding.h"
#include "ImageViewGeometry.h"
#include "ImageViewPrivate.h"
#include "core/Errors.h"
#include "core/PictureFormats.h"
#include "win32/Handles.h"
#include "win32/WinQt.h"

namespace imagecomp {

void TImageView::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  if (transitionSurface_ != nullptr) {
    // A transition is drawing on the window: show how far it has come.
    painter.drawImage(0, 0, *transitionSurface_);
    return;
  }
  const HWND window = HwndOfWidget(this);
  MxSetWindowPainter(window, &painter);
  platform::DcHandle canvas(CreateDCForPainter(&painter));
  struct Unregister {
    HWND window;
    ~Unregister() { MxSetWindowPainter(window, nullptr); }
  } unregister{window};
  // What erasing the background does for a control that is not opaque.
  if (!testAttribute(Qt::WA_OpaquePaintEvent)) painter.fillRect(rect(), color_);
  Paint(canvas.get(), painter);
}

namespace {
// A bitmap selected into a memory context for one drawing, with its palette selected into
// both contexts and realised on the canvas; everything is put back at the end.
class BitmapSource {
 public:
  BitmapSource(HDC canvas, const imaging::TBitmap &bitmap)
      : canvas_(canvas), memory_(CreateCompatibleDC(canvas)) {
    if (!memory_)
      throw platform::Failure(QStringLiteral("Out of resources. Close some windows and try again"));
    oldBitmap_ = SelectObject(memory_.get(), bitmap.Handle());
    if (bitmap.Palette() != nullptr) {
      oldMemoryPalette_ = SelectPalette(memory_.get(), bitmap.Palette(), FALSE);
      oldCanvasPalette_ = SelectPalette(canvas, bitmap.Palette(), FALSE);
      RealizePalette(canvas);
    }
  }
  ~BitmapSource() {
    if (oldCanvasPalette_) SelectPalette(canvas_, oldCanvasPalette_, FALSE);
    if (oldMemoryPalette_) SelectPalette(memory_.get(), oldMemoryPalette_, FALSE);
    if (oldBitmap_) SelectObject(memory_.get(), oldBitmap_);
  }
  BitmapSource(const BitmapSource &) = delete;
  BitmapSource &operator=(const BitmapSource &) = delete;
  HDC Dc() const { return memory_.get(); }

 private:
  HDC canvas_;
  platform::DcHandle memory_;
  HGDIOBJ oldBitmap_ = nullptr;
  HPALETTE oldMemoryPalette_ = nullptr;
  HPALETTE oldCanvasPalette_ = nullptr;
};
}  // namespace

void TImageView::Paint(HDC canvas, QPainter &painter) {
  if (platform::IsPlatformOnlyFormat(platform::PictureFormatNamed(InfoFormat))) {
    DrawGraphic(painter);
    return;
  }
  if (tileWindow_) {
    DrawTiled(canvas);
    return;
  }
  std::optional<QRect> paintRect;
  if (picture_.HasGraphic() && picture_.IsBitmap())
    paintRect = DrawBitmap(canvas);
  else if (!picture_.HasGraphic())
    painter.fillRect(rect(), color_);
  if (paintRect && OnPaintArea)
    OnPaintArea(this, paintRect->left(), paintRect->top(), paintRect->width(), paintRect->height());
  if (tickerActive_ || creditsActive_) painter.drawImage(messageX_, messageY_, messageBitmap_);
  if (!text_.isEmpty()) DrawTextOverlay(painter);
  if (BandActive()) DrawBand(canvas);
  if (borderStyle_ == bsSingle) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  if (OnPaint) OnPaint(this);
}

QRect TImageView::DrawBitmap(HDC canvas) {
  const imaging::TBitmap &bitmap = picture_.Bitmap();
  const BitmapPlacement place =
      PlaceBitmap({.controlWidth = width(),
                   .controlHeight = height(),
                   .bitmapWidth = bitmap.Width(),
                   .bitmapHeight = bitmap.Height(),
                   .stretch = stretch_,
                   .stretchRatio = stretchRatio_,
                   .scrolling = scrolling_,
                   .center = center_,
                   .zoom = zoomFactor_,
                   .scrollX = scrollX_,
                   .scrollY = scrollY_,
                   .barAllowance = showScrollbars_ ? scrollbarWidth_ : 0});
  const QRect &from = place.source, &to = place.target;
  switch (place.mode) {
    case BitmapViewMode::Stretched: {
      BitmapSource source(canvas, bitmap);
      imaging::ApplyBlitMode(InfoBitsPerPixel, blitMode_, canvas);
      if (!bitmap.Empty())
        StretchBlt(canvas, to.left(), to.top(), to.width(), to.height(), source.Dc(), from.left(),
                   from.top(), from.width(), from.height(), SRCCOPY);
      LayoutScrollbars();
      break;
    }
    case BitmapViewMode::Plain: {
      {
        BitmapSource source(canvas, bitmap);
        if (!bitmap.Empty())
          BitBlt(canvas, to.left(), to.top(), to.width(), to.height(), source.Dc(), 0, 0, SRCCOPY);
      }
      FillOutside(canvas, to, 0);
      break;
    }
    case BitmapViewMode::Zoomed: {
      centerOffsetX_ = place.centerOffset.x();
      centerOffsetY_ = place.centerOffset.y();
      BitmapSource source(canvas, bitmap);
      imaging::ApplyBlitMode(InfoBitsPerPixel, blitMode_, canvas);
      FillOutside(canvas, to, place.allowance);
      if (!bitmap.Empty())
        StretchBlt(canvas, to.left(), to.top(), to.width(), to.height(), source.Dc(), from.left(),
                   from.top(), from.width(), from.height(), SRCCOPY);
      LayoutScrollbars();
      DrawAnnotations(place.allowance);
      for (QWidget *child : {static_cast<QWidget *>(VertBar), static_cast<QWidget *>(HorzBar),
                             static_cast<QWidget *>(CornerPanel)})
        if (child->width() > 1) child->update();
      break;
    }
  }
  return place.paintArea;
}

void TImageView::DrawGraphic(QPainter &painter) {
  const QRect target =
      GraphicTarget(width(), height(), picture_.Width(), picture_.Height(), stretch_, center_);
  if (picture_.IsBitmap()) {
    // A bitmap pasted or scanned after a metafile was loaded: drawn into the same place.
    if (picture_.HasContent()) painter.drawImage(target, picture_.ToImage());
  } else if (picture_.HasContent()) {
    picture_.Graphic().Draw(painter, target);
  }
  if (!text_.isEmpty()) DrawTextOverlay(painter);
  // Unlike the bitmap views, a metafile announces its area by its right and bottom edges.
  if (OnPaintArea)
    OnPaintArea(this, target.left(), target.top(), target.left() + target.width(),
                target.top() + target.height());
  if (OnPaint) OnPaint(this);
}

void TImageView::DrawTiled(HDC canvas) {
  if (!picture_.IsBitmap()) return;
  const imaging::TBitmap &bitmap = picture_.Bitmap();
  BitmapSource source(canvas, bitmap);
  const int BW = bitmap.Width(), BH = bitmap.Height();
  if (BW <= 0 || BH <= 0) return;
  for (int y = 0; y < height(); y += BH)
    for (int x = 0; x < width(); x += BW) BitBlt(canvas, x, y, BW, BH, source.Dc(), 0, 0, SRCCOPY);
}

void FillAround(HDC canvas, const QRect &picture, const QRect &area, const QColor &color) {
  using Region = platform::UniqueHandle<HRGN, &DeleteObject>;
  Region image(CreateRectRgn(picture.left(), picture.top(), picture.left() + picture.width(),
                             picture.top() + picture.height()));
  Region visible(CreateRectRgn(area.left(), area.top(), area.left() + area.width(),
                               area.top() + area.height()));
  Region outside(CreateRectRgn(0, 0, 0, 0));
  CombineRgn(outside.get(), image.get(), visible.get(), RGN_XOR);
  platform::UniqueHandle<HBRUSH, &DeleteObject> brush(CreateSolidBrush(ToColorRef(color)));
  FillRgn(canvas, outside.get(), brush.get());
}

void TImageView::FillOutside(HDC canvas, const QRect &picture, int allowance) {
  FillAround(canvas, picture, QRect(0, 0, width() - allowance, height() - allowance), color_);
}

void TImageView::DrawTextOverlay(QPainter &painter) {
  imaging::TFont font;
  const QFont own = this->font();
  font.Name = own.family();
  font.Height = own.pixelSize() > 0 ? -own.pixelSize() : 0;
  font.Size = own.pointSize() > 0 ? own.pointSize() : 10;
  font.Bold = own.bold();
  font.Italic = own.italic();
  font.Underline = own.underline();
  font.StrikeOut = own.strikeOut();
  const QColor ink = palette().color(QPalette::WindowText);
  font.Color = int(ToColorRef(ink));
  painter.setBackground(color_);
  imaging::DrawShadowText(textLeft_, textTop_, textRotate_, &font, &painter, textShadow_,
                          textTransparent_, int(ToColorRef(TextShadowColor)), text_);
}

void TImageView::DrawBand(HDC canvas) {
  const int previous = SetROP2(canvas, R2_NOT);
  MoveToEx(canvas, bandStartX_, bandStartY_, nullptr);
  LineTo(canvas, bandStartX_, bandEndY_);
  LineTo(canvas, bandEndX_, bandEndY_);
  LineTo(canvas, bandEndX_, bandStartY_);
  LineTo(canvas, bandStartX_, bandStartY_);
  SetROP2(canvas, previous);
}

void TImageView::SetBlitMode(TBlitMode value) {
  blitMode_ = value;
  repaint();
}

}  // namespace imagecomp
