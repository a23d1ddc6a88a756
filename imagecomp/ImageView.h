#pragma once
// The image component: a control that turns a file name into a picture, keeps a
// description of the file, and writes the picture back as TIFF.
//
// This first version reads pictures through Qt's image readers. The imaging libraries'
// readers, the display with zoom and scrolling, and the scanner come with the component's
// own work; the properties and calls the main window relies on are already here.
#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "FileWrappers.h"

namespace imagecomp {

// The component's settings use the imaging layer's own kinds.
using imaging::lAutoMatic;
using imaging::sAutoMatic;
using imaging::sLZW;
using imaging::sNONE;
using imaging::TLoadResolution;
using imaging::TSaveResolution;
using imaging::TTiffCompression;

class TImageView : public QWidget {
  Q_OBJECT
 public:
  explicit TImageView(QWidget *owner = nullptr);

  // Assigning a name loads the picture; a failure is raised as platform::Failure and
  // leaves an empty picture.
  void SetImageName(const QString &name);
  QString ImageName() const { return imageName_; }

  const QImage &Picture() const { return picture_; }
  void SetPicture(const QImage &picture);

  // Writes the picture as TIFF to DefSaveFilename with TifSaveCompress.
  void SaveTiffFile();

  // The scanner: selection of the source and acquisition with `owner` as the parent of
  // the scanner's windows. Without scanner support no picture comes.
  void SelectScanner(QWidget *owner);
  void AcquireFromScanner(QWidget *owner);

  // Stretch the picture over the whole control.
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);

  bool AutoSize = false;
  TLoadResolution ImageReadRes = lAutoMatic;
  TSaveResolution ImageWriteRes = sAutoMatic;
  TTiffCompression TifSaveCompress = sNONE;
  int16_t TiffPage = 0;
  bool TiffAppend = false;
  uint8_t JPegSaveQuality = 25;
  uint8_t JPegSaveSmooth = 5;
  int ZoomBy = 10;
  QString DefSaveFilename;

  // The image info.
  QString InfoFormat;
  int32_t InfoWidth = 0;
  int32_t InfoHeight = 0;

 signals:
  void OnPictureChanged(QObject *sender);
  void OnFinishedLoadSave(QObject *sender);

 protected:
  void paintEvent(QPaintEvent *event) override;

 private:
  QString imageName_;
  bool stretch_ = false;
  QImage picture_;
};

}  // namespace imagecomp
