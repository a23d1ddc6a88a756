#include "ImageView.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include "core/Errors.h"
#include "ui/Cursors.h"

namespace imagecomp {

TImageView::TImageView(QWidget *owner) : QWidget(owner) {}

void TImageView::SetImageName(const QString &name) {
  imageName_ = name;
  platform::BusyCursor busy;
  QImageReader reader(name);
  reader.setDecideFormatFromContent(true);
  QImage image = reader.read();
  if (image.isNull()) {
    SetPicture(QImage());
    InfoFormat = QStringLiteral("ERR");
    InfoWidth = InfoHeight = -1;
    throw platform::Failure(
        QStringLiteral("Impossible de lire l'image %1 : %2").arg(name, reader.errorString()));
  }
  InfoFormat = QString::fromLatin1(reader.format()).toUpper();
  InfoWidth = image.width();
  InfoHeight = image.height();
  SetPicture(image.convertToFormat(QImage::Format_RGB32));
  emit OnFinishedLoadSave(this);
}

void TImageView::SetPicture(const QImage &picture) {
  picture_ = picture;
  if (AutoSize && !picture_.isNull()) resize(picture_.size());
  update();
  emit OnPictureChanged(this);
}

void TImageView::SetStretch(bool stretch) {
  stretch_ = stretch;
  update();
}

void TImageView::SaveTiffFile() {
  platform::BusyCursor busy;
  QImageWriter writer(DefSaveFilename, "tiff");
  writer.setCompression(TifSaveCompress == sLZW ? 1 : 0);
  if (picture_.isNull() || !writer.write(picture_))
    throw platform::Failure(platform::CannotCreateText(DefSaveFilename));
  emit OnFinishedLoadSave(this);
}

void TImageView::SelectScanner(QWidget *) {}

void TImageView::AcquireFromScanner(QWidget *) {}

void TImageView::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  if (picture_.isNull()) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(stretch_ ? rect() : picture_.rect(), picture_);
}

}  // namespace imagecomp
