#include "Picture.h"
#include <QPainter>
#include <QImageReader>
#include "core/Errors.h"
namespace platform {
void Picture::LoadFromFile(const QString &path) {
  QImage image(path);
  if (image.isNull()) throw Failure(QStringLiteral("Image illisible : %1").arg(path));
  AssignBitmap(image);
}
void Picture::Draw(QPainter &painter, const QRect &target) const { if (!bitmap_.isNull()) painter.drawImage(target, bitmap_); }
}
