#include "ImageControl.h"

#include <QPainter>

namespace platform {

ImageControl::ImageControl(QWidget *parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ImageControl::SetPicture(const Picture &picture) {
  picture_ = picture;
  update();
}

void ImageControl::SetPicture(Picture &&picture) {
  picture_ = std::move(picture);
  update();
}

void ImageControl::SetStretch(bool stretch) {
  if (stretch_ == stretch) return;
  stretch_ = stretch;
  update();
}

void ImageControl::paintEvent(QPaintEvent *) {
  if (picture_.IsEmpty()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, stretch_);
  const QRect target = stretch_ ? rect() : QRect(0, 0, picture_.Width(), picture_.Height());
  picture_.Draw(painter, target);
}

}  // namespace platform
