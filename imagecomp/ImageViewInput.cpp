// Mouse and keyboard: grabbing the picture, the rubber band, the clipboard keys.
#include "ImageView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <cmath>

#include "ui/Cursors.h"
#include "win32/WinQt.h"

namespace imagecomp {

namespace {

// The characters Ctrl+C, Ctrl+V and Ctrl+X type.
constexpr char kCopyCharacter = 3, kPasteCharacter = 22, kCutCharacter = 24;

TMouseButton ButtonOf(Qt::MouseButton button) {
  if (button == Qt::RightButton) return mbRight;
  if (button == Qt::MiddleButton) return mbMiddle;
  return mbLeft;
}

}  // namespace

bool TImageView::ImageLargerThanControl(int width, int height) const {
  return this->width() < int(std::trunc(width * zoomFactor_)) ||
         this->height() < int(std::trunc(height * zoomFactor_));
}

void TImageView::mousePressEvent(QMouseEvent *event) {
  // A click gives the focus to a control that takes it, as a left press does on Windows.
  if (event->button() == Qt::LeftButton && TabStop() && isEnabled()) setFocus(Qt::MouseFocusReason);
  const TMouseButton button = ButtonOf(event->button());
  const int X = event->position().toPoint().x(), Y = event->position().toPoint().y();
  if (OnMouseDown) OnMouseDown(this, button, event->modifiers(), X, Y);
  if (picture_.IsMetafile()) return;
  if (editAnnotat_) {
    AnnotationMouse(button == mbRight ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, X, Y);
    return;
  }
  leftBand_ = rightBand_ = false;
  if (allowRubberBand_) {
    if (button == mbRight && rubberBandBtn_ == mbRight) rightBand_ = true;
    if (button == mbLeft && rubberBandBtn_ == mbLeft) leftBand_ = true;
    bandStartX_ = bandEndX_ = X;
    bandStartY_ = bandEndY_ = Y;
    return;
  }
  if (button != mbLeft) return;
  grabLastX_ = X;
  grabLastY_ = Y;
  if (picture_.HasGraphic() && !stretch_ && picture_.IsBitmap() && !picture_.Bitmap().Empty() &&
      ImageLargerThanControl(picture_.Width(), picture_.Height())) {
    grabbing_ = true;
    savedCursor_ = cursor();
    setCursor(platform::CursorNumber(grabHandCursor_));
  }
}

void TImageView::mouseMoveEvent(QMouseEvent *event) {
  const int X = event->position().toPoint().x(), Y = event->position().toPoint().y();
  if (OnMouseMove) OnMouseMove(this, event->modifiers(), X, Y);
  if (picture_.IsMetafile()) return;
  if (editAnnotat_) {
    AnnotationMouse(WM_MOUSEMOVE, X, Y);
    return;
  }
  if (allowRubberBand_) {
    if (BandActive()) BandStep(X, Y);
    return;
  }
  if (grabbing_) GrabStep(X, Y);
}

void TImageView::BandStep(int X, int Y) {
  const double W = width(), H = height();
  if (W <= 0) return;
  const double dx = X - bandStartX_, dy = Y - bandStartY_;
  const double d = std::sqrt(dx * dx + dy * dy);
  const double g = H / W;
  const double h = std::fabs(d / std::sqrt(g * g + 1));
  const double v = g * h;
  double horizontal = h, vertical = v;
  if (dx >= 0 && dy >= 0) {
  } else if (dx < 0 && dy >= 0) {
    horizontal = -h;
  } else if (dx <= 0 && dy < 0) {
    horizontal = -h;
    vertical = -v;
  } else {
    vertical = -v;
  }
  bandEndX_ = int(std::trunc(bandStartX_ + horizontal));
  bandEndY_ = int(std::trunc(bandStartY_ + vertical));
  repaint();
}

void TImageView::GrabStep(int X, int Y) {
  const double Z = zoomFactor_;
  const int W = width(), H = height();
  const int BW = picture_.Bitmap().Width(), BH = picture_.Bitmap().Height();
  const int A =
      !stretch_ && !stretchRatio_ && scrolling_ && ImageLargerThanControl(BW, BH) && showScrollbars_
          ? scrollbarWidth_
          : 0;
  int sx = int(std::trunc((grabLastX_ - X) / Z));
  int sy = int(std::trunc((grabLastY_ - Y) / Z));
  if (X != grabLastX_ && sx == 0) sx = grabLastX_ > X ? 1 : -1;
  if (Y != grabLastY_ && sy == 0) sy = grabLastY_ > Y ? 1 : -1;
  grabLastX_ = X;
  grabLastY_ = Y;
  const auto follow = [&](int &scroll, int step, int extent, int size) {
    if (scroll + step < 0 || extent > size * Z)
      scroll = 0;
    else if (extent - A > (size - step - scroll) * Z)
      scroll = size - int(std::trunc((extent - A) / Z));
    else
      scroll += step;
  };
  follow(scrollX_, sx, W, BW);
  follow(scrollY_, sy, H, BH);
  repaint();
}

void TImageView::mouseReleaseEvent(QMouseEvent *event) {
  const TMouseButton button = ButtonOf(event->button());
  const int X = event->position().toPoint().x(), Y = event->position().toPoint().y();
  if (OnMouseUp) OnMouseUp(this, button, event->modifiers(), X, Y);
  if (button == mbLeft && OnClick && rect().contains(X, Y)) OnClick(this);
  if (picture_.IsMetafile()) return;
  if (editAnnotat_) {
    AnnotationMouse(button == mbLeft ? WM_LBUTTONUP : WM_RBUTTONUP, X, Y);
    return;
  }
  if (allowRubberBand_) {
    if ((button == mbRight && rightBand_) || (button == mbLeft && leftBand_)) {
      (button == mbRight ? rightBand_ : leftBand_) = false;
      repaint();  // the band goes
      if (OnRubberband)
        OnRubberband(this, button, event->modifiers(), bandStartX_, bandStartY_, bandEndX_,
                     bandEndY_);
    }
    return;
  }
  if (button != mbLeft) return;
  leftBand_ = false;
  grabLastX_ = X;
  grabLastY_ = Y;
  if (grabbing_) {
    grabbing_ = false;
    if (savedCursor_) setCursor(*savedCursor_);
    savedCursor_.reset();
  }
}

void TImageView::mouseDoubleClickEvent(QMouseEvent *event) {
  QWidget::mouseDoubleClickEvent(event);
  if (OnDblClick) OnDblClick(this);
}

void TImageView::keyPressEvent(QKeyEvent *event) {
  int key = event->key();
  const TShiftState shift = event->modifiers();
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (key == Qt::Key_Insert && (shift & Qt::ShiftModifier)) {
    PasteFromClipboard();
  } else if (key == Qt::Key_Insert && (shift & Qt::ControlModifier)) {
    CopyToClipboard();
  } else if (key == Qt::Key_Delete && (shift & Qt::ShiftModifier)) {
    CutToClipboard();
  }
  // The character the key types: control letters give 1 to 26, as on Windows.
  char character = 0;
  const QString text = event->text();
  if ((shift & Qt::ControlModifier) && !(shift & Qt::AltModifier) && event->key() >= Qt::Key_A &&
      event->key() <= Qt::Key_Z)
    character = char(event->key() - Qt::Key_A + 1);
  else if (!text.isEmpty() && text[0].unicode() < 128)
    character = char(text[0].unicode());
  if (character == 0) return;
  if (OnKeyPress) OnKeyPress(this, character);
  if (character == kCopyCharacter)
    CopyToClipboard();
  else if (character == kPasteCharacter)
    PasteFromClipboard();
  else if (character == kCutCharacter)
    CutToClipboard();
}

void TImageView::keyReleaseEvent(QKeyEvent *event) {
  int key = event->key();
  if (OnKeyUp) OnKeyUp(this, key, event->modifiers());
}

}  // namespace imagecomp
