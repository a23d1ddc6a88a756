#pragma once
// The image component: a control that turns a file name into a picture, keeps a
// description of the file, and writes the picture back as TIFF.
//
// Pictures are read through the imaging libraries' readers (metafiles and icons through the
// platform's picture classes) and written as TIFF by the library's writer. The display
// with zoom and scrolling, the scanner, messages, transitions and annotations come with
// the component's own work; the properties and calls the main window relies on are here.
#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

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

  // Assigning a name loads the picture. A missing file gives an empty picture silently;
  // a reader's failure goes to OnLibError, or clears the picture when there is no handler;
  // a failure to read the file's description reaches the caller when there is no handler.
  void SetImageName(const QString &name);
  // Fills the image info from the file; false (after OnLibError) when it cannot.
  bool ReadImageInfo(const QString &name);

  // Events; each receives the sender first.
  std::function<void(TImageView *, int16_t code, const QString &text)> OnLibError;
  std::function<void(TImageView *, int16_t progress, const QString &message, bool &cancel)>
      OnProgress;
  QString ImageName() const { return imageName_; }

  const QImage &Picture() const { return picture_; }
  void SetPicture(const QImage &picture);

  // Writes the picture as TIFF to `fileName` (when not empty, it becomes DefSaveFilename)
  // with TifSaveCompress. Never raises: failures go to OnLibError.
  void SaveTiffFile(const QString &fileName = QString());

  // The scanner: selection of the source and acquisition with `owner` as the parent of
  // the scanner's windows. Without scanner support no picture comes.
  void SelectScanner(QWidget *owner);
  void AcquireFromScanner(QWidget *owner);

  // Stretch the picture over the whole control.
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);

  bool AutoSize = false;
  bool ImageDither = false;
  imaging::TPCDMode PCDMode = imaging::pcd_BASE4;
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
  int16_t InfoBitsPerPixel = 0;
  int16_t InfoExtra1 = 0;
  int16_t InfoExtra2 = 0;
  int32_t InfoFileSize = 0;
  QString InfoCompression;
  int16_t InfoPageCount = 0;

 signals:
  void OnPictureChanged(QObject *sender);
  void OnFinishedLoadSave(QObject *sender);

 protected:
  void paintEvent(QPaintEvent *event) override;

 private:
  void ReportLibError();
  int ReadDepth() const;
  static int16_t ProgressRelay(int16_t progress, void *user);

  QString imageName_;
  bool stretch_ = false;
  QImage picture_;
};

}  // namespace imagecomp
