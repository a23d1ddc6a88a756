// The imaging library's annotation layer over the picture.
#include "ImageView.h"

#include <QFileInfo>
#include <algorithm>

#include "Binding.h"
#include "ui/MessageBoxes.h"
#include "win32/WinQt.h"

namespace imagecomp {

namespace {

// The annotation layer reports back through these, with the component it was given.
int32_t AnnoDone(void *component) {
  auto *view = static_cast<TImageView *>(component);
  if (view == nullptr) return 0;
  if (view->OnAnnoDone) view->OnAnnoDone(view);
  return 1;
}
int32_t AnnoCustomDraw(void *component, HDC dc, const char *name, int32_t x, int32_t y, int32_t xx,
                       int32_t yy) {
  auto *view = static_cast<TImageView *>(component);
  if (view == nullptr) return 0;
  if (view->OnCustomAnnotationDraw)
    view->OnCustomAnnotationDraw(view, dc, QString::fromUtf8(name), x, y, xx, yy);
  return 1;
}
int32_t AnnoCustomHardDraw(void *component, HBITMAP bitmap, const char *name, int32_t x, int32_t y,
                           int32_t xx, int32_t yy) {
  auto *view = static_cast<TImageView *>(component);
  if (view == nullptr) return 0;
  if (view->OnCustomAnnotationHardDraw)
    view->OnCustomAnnotationHardDraw(view, bitmap, QString::fromUtf8(name), x, y, xx, yy);
  return 1;
}
int32_t AnnoBeforeDraw(void *component, int32_t passCode, int32_t canDraw, const char *name) {
  auto *view = static_cast<TImageView *>(component);
  if (view == nullptr) return 0;
  bool can = canDraw == 1;
  if (view->OnBeforeAnnotationDraw)
    view->OnBeforeAnnotationDraw(view, passCode, can, QString::fromUtf8(name));
  return can ? 1 : 0;
}
int32_t AnnoAfterDraw(void *component, const char *name) {
  auto *view = static_cast<TImageView *>(component);
  if (view == nullptr) return 0;
  if (view->OnAfterAnnotationDraw) view->OnAfterAnnotationDraw(view, QString::fromUtf8(name));
  return 1;
}

}  // namespace

QString TImageView::AnnotationFileName() const {
  if (!annoFileName_.isEmpty()) return annoFileName_;
  if (imageName_.isEmpty()) return QStringLiteral("default.ant");
  // The first dot of the file's own name: a dotted folder name (".config", "photos.2024")
  // must not cut the path short and make every picture in it share one annotation file.
  const int nameStart =
      int(std::max(imageName_.lastIndexOf(u'/'), imageName_.lastIndexOf(u'\\'))) + 1;
  const int dot = int(imageName_.indexOf(u'.', nameStart));
  return (dot < 0 ? imageName_ : imageName_.left(dot)) + QStringLiteral(".ant");
}

void TImageView::InitAnnotationLayer() {
  const QByteArray settings = imaging::AnnotationSettingsPath().toUtf8();
  try {
    imaging::BindAnnotationEntry<decltype(InitAnnotation)>("InitAnnotation")(
        this, HwndOfWidget(this), this, AnnoDone, AnnoCustomDraw, AnnoCustomHardDraw,
        AnnoBeforeDraw, AnnoAfterDraw, settings.constData());
    annotationReady_ = true;
  } catch (const imaging::ErrorInvalid &failure) {
    // The picture works without the annotation layer; say once why it is missing.
    annotationFailureShown_ = true;
    platform::ShowStandardError(failure.Text(), window());
  }
}

void TImageView::SaveAnnotations(const QString &fileName) {
  if (!annotationReady_) return;
  const QByteArray path = fileName.toUtf8();
  imaging::BindAnnotationEntry<decltype(SaveAnnotation)>("SaveAnnotation")(this, tiffPage_,
                                                                           path.constData());
}

void TImageView::DrawAnnotations(int allowance) {
  if (!annotationReady_) return;
  try {
    imaging::BindAnnotationEntry<decltype(DrawAnnotation)>("DrawAnnotation")(
        this, scrollX_, scrollY_, zoomFactor_, centerOffsetX_, centerOffsetY_, allowance, 0);
  } catch (const imaging::ErrorInvalid &failure) {
    // A paint cannot stop; an error box on every paint would lock the user out.
    if (!std::exchange(annotationFailureShown_, true))
      platform::ShowStandardError(failure.Text(), window());
  }
}

void TImageView::AnnotationMouse(uint32_t message, int x, int y) {
  if (!annotationReady_) return;
  const int32_t position = int32_t(uint32_t(uint16_t(x)) | (uint32_t(uint16_t(y)) << 16));
  imaging::BindAnnotationEntry<decltype(MouseMon)>("MouseMon")(this, message, 0, position);
  update();
}

void TImageView::SetEditAnnotat(bool value) {
  if (value == editAnnotat_) return;
  editAnnotat_ = value;
  if (!value && annotationReady_)
    imaging::BindAnnotationEntry<decltype(RubberBandOFF)>("RubberBandOFF")(this);
  update();
}

}  // namespace imagecomp
