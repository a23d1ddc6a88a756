#pragma once
#include <QImage>
#include <QRect>
#include <QString>
#include <memory>
class QPainter;
namespace platform {
class Picture {
 public:
  enum class Kind { Empty, Bitmap, Metafile, Icon };
  void LoadFromFile(const QString &path);
  void AssignBitmap(const QImage &bitmap) { bitmap_ = bitmap.copy(); kind_ = bitmap.isNull() ? Kind::Empty : Kind::Bitmap; }
  void Clear() { bitmap_ = QImage(); kind_ = Kind::Empty; }
  Kind GetKind() const { return kind_; }
  bool IsEmpty() const { return kind_ == Kind::Empty; }
  int Width() const { return bitmap_.width(); }
  int Height() const { return bitmap_.height(); }
  const QImage &Bitmap() const { return bitmap_; }
  void Draw(QPainter &painter, const QRect &target) const;
 private:
  Kind kind_ = Kind::Empty;
  QImage bitmap_;
};
}
