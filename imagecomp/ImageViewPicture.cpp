// The component's picture: a bitmap, a metafile or an icon, announcing every change.
#include "ImageView.h"

#include <QPainter>
#include <algorithm>

namespace imagecomp {

bool TPicture::HasContent() const {
  switch (kind_) {
    case Kind::Bitmap:
      return !bitmap_.Empty();
    case Kind::Metafile:
    case Kind::Icon:
      return !graphic_.IsEmpty();
    case Kind::None:
      break;
  }
  return false;
}

int TPicture::Width() const {
  if (kind_ == Kind::Bitmap) return bitmap_.Width();
  return kind_ == Kind::None ? 0 : graphic_.Width();
}

int TPicture::Height() const {
  if (kind_ == Kind::Bitmap) return bitmap_.Height();
  return kind_ == Kind::None ? 0 : graphic_.Height();
}

QImage TPicture::ToImage() const {
  if (!HasContent()) return {};
  if (kind_ == Kind::Bitmap) return bitmap_.ToImage();
  QImage image(std::max(1, Width()), std::max(1, Height()), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  graphic_.Draw(painter, image.rect());
  return image;
}

void TPicture::Clear() {
  kind_ = Kind::None;
  bitmap_.Clear();
  graphic_.Clear();
  Changed();
}

void TPicture::Assign(const TPicture &other) {
  if (this == &other) return;
  kind_ = other.kind_;
  bitmap_ = other.bitmap_;
  graphic_ = other.graphic_;
  Changed();
}

void TPicture::AssignBitmap(const imaging::TBitmap &bitmap) {
  imaging::TBitmap copy(bitmap);
  TakeBitmap(std::move(copy));
}

void TPicture::TakeBitmap(imaging::TBitmap &&bitmap) {
  kind_ = Kind::Bitmap;
  bitmap_ = std::move(bitmap);
  graphic_.Clear();
  Changed();
}

imaging::TBitmap TPicture::ExchangeBitmap(imaging::TBitmap &&bitmap) {
  imaging::TBitmap previous = std::move(bitmap_);
  TakeBitmap(std::move(bitmap));
  return previous;
}

void TPicture::AssignImage(const QImage &image) {
  if (image.isNull()) {
    Clear();
    return;
  }
  imaging::TBitmap bitmap;
  bitmap.SetImage(image);
  TakeBitmap(std::move(bitmap));
}

void TPicture::LoadFromFile(const QString &name) {
  platform::Picture loaded;
  loaded.LoadFromFile(name);
  const bool icon = loaded.GetKind() == platform::Picture::Kind::Icon;
  graphic_ = std::move(loaded);
  bitmap_.Clear();
  kind_ = icon ? Kind::Icon : Kind::Metafile;
  Changed();
}

}  // namespace imagecomp
