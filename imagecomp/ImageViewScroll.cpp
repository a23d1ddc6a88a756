// Zoom, scroll position and scroll bars, and the settings that change them.
#include "ImageView.h"

#include <QFrame>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ImageViewGeometry.h"

namespace imagecomp {

void TImageView::PictureChanged() {
  const int PW = picture_.Width(), PH = picture_.Height();
  if (autoSize_ && PW > 0 && PH > 0) setGeometry(x(), y(), PW, PH);
  setAttribute(Qt::WA_OpaquePaintEvent,
               picture_.IsBitmap() && PW == width() && PH == height() && PW > 0);
  if (loadingImage_) {
    zoomFactor_ = 1.0;
    scrollX_ = scrollY_ = 0;
    savedScrollX_ = savedScrollY_ = 0;
    savedZoomFactor_ = 1.0;
    if (stretchRatio_) ComputeFitZoom();
  }
  if (OnPictureChanged) OnPictureChanged(this);
  update();
}

void TImageView::ComputeFitZoom() {
  if (!picture_.IsBitmap() || picture_.Bitmap().Empty()) return;
  const double BW = picture_.Bitmap().Width(), BH = picture_.Bitmap().Height();
  if (BW <= 0 || BH <= 0) return;
  zoomFactor_ = std::min(width() / BW, height() / BH);
}

void TImageView::SetZoomFactor(double zoom) {
  if (!(zoom > 0) || !std::isfinite(zoom)) return;
  zoomFactor_ = zoom;
  LayoutScrollbars();
  update();
}

void TImageView::LayoutScrollbars() {
  const int W = width(), H = height(), SB = scrollbarWidth_;
  const double Z = zoomFactor_;
  const int PW = picture_.Width(), PH = picture_.Height();
  const bool needed = scrolling_ && showScrollbars_ && picture_.HasContent() && !stretch_ &&
                      !stretchRatio_ &&
                      (W < int(std::trunc(PW * Z)) || H < int(std::trunc(PH * Z)));
  const bool wasLayingOut = std::exchange(layingOut_, true);
  if (!needed) {
    for (QWidget *child : {static_cast<QWidget *>(VertBar), static_cast<QWidget *>(HorzBar),
                           static_cast<QWidget *>(CornerPanel)}) {
      child->hide();
      child->setFocusPolicy(Qt::NoFocus);
    }
    layingOut_ = wasLayingOut;
    return;
  }
  const Qt::FocusPolicy policy = TabStop() ? Qt::TabFocus : Qt::NoFocus;
  VertBar->setFocusPolicy(policy);
  HorzBar->setFocusPolicy(policy);
  VertBar->setGeometry(W - SB, 1, SB, H - SB - 1);
  HorzBar->setGeometry(1, H - SB, W - SB - 1, SB);
  CornerPanel->setGeometry(W - SB, H - SB, SB, SB);
  for (QWidget *child : {static_cast<QWidget *>(VertBar), static_cast<QWidget *>(HorzBar),
                         static_cast<QWidget *>(CornerPanel)})
    child->show();
  const auto place = [&](QScrollBar *bar, int size, int extent, int scroll) {
    const ScrollBarSetting setting = ScrollBarFor(size, Z, extent, SB, scroll);
    bar->setRange(0, setting.maximum);
    bar->setValue(setting.value);
  };
  place(HorzBar, PW, W, scrollX_);
  place(VertBar, PH, H, scrollY_);
  layingOut_ = wasLayingOut;
}

void TImageView::ScrollBarMoved(QScrollBar *bar, int position) {
  if (layingOut_) return;
  if (bar == VertBar)
    scrollY_ = int(std::trunc(position / zoomFactor_));
  else
    scrollX_ = int(std::trunc(position / zoomFactor_));
  repaint();
}

void TImageView::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  BoundsChanged();
}

void TImageView::BoundsChanged() {
  if (!isLoaded_) return;
  LayoutScrollbars();
  if (stretchRatio_ && picture_.IsBitmap() && !picture_.Bitmap().Empty()) ComputeFitZoom();
}

void TImageView::SetStretch(bool value) {
  if (value == stretch_) return;
  stretch_ = value;
  update();
  if (value) SetStretchRatio(false);
}

void TImageView::SetStretchRatio(bool value) {
  if (picture_.IsBitmap() && value != stretchRatio_) {
    if (value && !picture_.Bitmap().Empty()) {
      savedScrollX_ = scrollX_;
      savedScrollY_ = scrollY_;
      savedZoomFactor_ = zoomFactor_;
      scrollX_ = scrollY_ = 0;
      ComputeFitZoom();
    } else {
      scrollX_ = savedScrollX_;
      scrollY_ = savedScrollY_;
      zoomFactor_ = savedZoomFactor_;
    }
  }
  if (value != stretchRatio_) {
    stretchRatio_ = value;
    if (value) SetStretch(false);
  }
  update();
}

void TImageView::SetAutoSize(bool value) {
  autoSize_ = value;
  PictureChanged();
}

void TImageView::SetScrolling(bool value) {
  scrolling_ = value;
  LayoutScrollbars();
  VertBar->setEnabled(value);
  HorzBar->setEnabled(value);
  CornerPanel->setEnabled(value);
  PictureChanged();
}

void TImageView::SetShowScrollbars(bool value) {
  if (picture_.IsMetafile()) return;
  if (!value && picture_.IsBitmap()) {
    const double Z = zoomFactor_;
    const int W = width(), H = height();
    const int BW = picture_.Width(), BH = picture_.Height();
    if (W < BW * Z) {
      const int excess = int(std::trunc(W - (BW - scrollX_) * Z));
      if (excess > 0) scrollX_ = int(std::trunc(scrollX_ - excess / Z)) - 1;
    }
    if (H < BH * Z) {
      const int excess = int(std::trunc(H - (BH - scrollY_) * Z));
      if (excess > 0) scrollY_ = int(std::trunc(scrollY_ - excess / Z)) - 1;
    }
  }
  showScrollbars_ = value;
  LayoutScrollbars();
  PictureChanged();
}

void TImageView::SetScrollbarWidth(int value) {
  if (value == scrollbarWidth_) return;
  scrollbarWidth_ = value;
  repaint();
}

}  // namespace imagecomp
