#include "ImageView.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>

#include "Binding.h"
#include "core/Errors.h"
#include "core/Paths.h"
#include "gdi/Picture.h"
#include "ui/Cursors.h"

namespace imagecomp {

TImageView::TImageView(QWidget *owner) : QWidget(owner) {}

namespace {
// The format key of an extension; other extensions are read by the format the library
// recognises in the file's content.
QString FormatKeyOf(const QString &ext) {
  static const std::pair<const char *, const char *> kKeys[] = {
      {".BMP", "BMP"},   {".PNG", "PNG"},  {".GIF", "GIF"}, {".TIF", "TIF"},  {".TIFF", "TIF"},
      {".TGA", "TGA"},   {".PCX", "PCX"},  {".EPS", "EPS"}, {".PCD", "PCD"},  {".DXF", "DXF"},
      {".JPEG", "JPEG"}, {".JPG", "JPEG"}, {".THB", "BMP"}, {".THJ", "JPEG"},
  };
  for (const auto &[e, key] : kKeys)
    if (ext == QLatin1String(e)) return QString::fromLatin1(key);
  return {};
}
}  // namespace

int16_t TImageView::ProgressRelay(int16_t progress, void *user) {
  auto *self = static_cast<TImageView *>(user);
  if (!self || !self->OnProgress) return 1;
  bool cancel = false;
  self->OnProgress(self, progress, imaging::Binding().ProgressCaption.toLower(), cancel);
  return cancel ? 0 : 1;
}

int TImageView::ReadDepth() const {
  switch (ImageReadRes) {
    case imaging::lColorVga:
      return 0;
    case imaging::lMonoChrome:
      return 1;
    case imaging::lColor16:
      return 4;
    case imaging::lColor256:
      return 8;
    case imaging::lColorTrue:
      return 24;
    default:
      return imaging::DisplayDepth();
  }
}

void TImageView::ReportLibError() {
  const imaging::TBindingState &state = imaging::Binding();
  if (OnLibError) {
    OnLibError(this, state.LastErrorCode, state.LastErrorText);
    return;
  }
  throw imaging::ErrorInvalid(state.LastErrorText);
}

bool TImageView::ReadImageInfo(const QString &name) {
  const QString ext = platform::ExtractFileExt(name).toUpper().left(4);
  const QFileInfo file(name);
  if (ext == u".WMF" || ext == u".ICO") {
    if (!file.exists()) {
      InfoFormat = InfoCompression = QStringLiteral("ERR");
      InfoWidth = InfoHeight = InfoFileSize = -1;
      InfoBitsPerPixel = InfoExtra1 = InfoExtra2 = -1;
      return false;
    }
    InfoFormat = InfoCompression = ext.mid(1);
    InfoWidth = picture_.width();
    InfoHeight = picture_.height();
    InfoBitsPerPixel = InfoExtra1 = InfoExtra2 = 0;
    InfoFileSize = int32_t(file.size());
    return true;
  }
  InfoFileSize = int32_t(file.size());
  InfoPageCount = 0;
  int width = 0, height = 0, bits = 0;
  if (ext == u".TIF") {
    InfoFormat = QStringLiteral("TIF");
    InfoExtra1 = InfoExtra2 = 0;
    int pages = 0;
    imaging::ReadTiffInfo(name, TiffPage, width, height, InfoCompression, pages, bits);
    InfoPageCount = int16_t(pages);
  } else if (ext == u".DXF") {
    InfoFormat = InfoCompression = QStringLiteral("DXF");
    InfoExtra1 = InfoExtra2 = 0;
    imaging::ReadDxfInfo(name, width, height, bits);
  } else {
    int extra1 = 0, extra2 = 0;
    if (!imaging::ReadFileInfo(name, InfoFormat, width, height, bits, extra1, extra2,
                               InfoCompression)) {
      ReportLibError();
      return false;
    }
    InfoExtra1 = int16_t(extra1);
    InfoExtra2 = int16_t(extra2);
  }
  InfoWidth = width;
  InfoHeight = height;
  InfoBitsPerPixel = int16_t(bits);
  return true;
}

void TImageView::SetImageName(const QString &name) {
  imageName_ = name;
  const QString ext = platform::ExtractFileExt(name).toUpper();
  if (!QFileInfo(name).isFile()) {
    SetPicture(QImage());  // a missing file (or "file not found") leaves no picture, silently
    return;
  }
  platform::BusyCursor busy;
  ProgressRelay(0, this);
  int depth = ReadDepth();
  const int dither = ImageDither ? 1 : 0;

  if (ext == u".WMF" || ext == u".ICO") {
    // The platform's picture classes; their failure reaches the caller.
    platform::Picture graphic;
    graphic.LoadFromFile(name);
    QImage image(std::max(1, graphic.Width()), std::max(1, graphic.Height()),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    graphic.Draw(painter, image.rect());
    painter.end();
    SetPicture(image);
    ReadImageInfo(name);
    return;
  }

  // Outside the guard: without an error handler its failure reaches the caller.
  ReadImageInfo(name);
  QString key = FormatKeyOf(ext);
  if (key.isEmpty()) key = InfoFormat == u"TIFF" ? QStringLiteral("TIF") : InfoFormat;
  if (key == u"TIF" && InfoPageCount > 0 && TiffPage > InfoPageCount) TiffPage = InfoPageCount;
  try {
    imaging::TBitmap bitmap;
    const int threshold = key == u"GIF" ? 3 : 4;
    if (InfoBitsPerPixel < threshold) depth = 1;
    // The reader of each format key; a key without one (such as "ERR") reads nothing.
    using Reader = std::function<bool()>;
    void *user = this;
    const auto plain = [&](auto reader) -> Reader {
      return [&, reader] { return reader(name, depth, dither, user, ProgressRelay, bitmap); };
    };
    const std::pair<const char16_t *, Reader> readers[] = {
        {u"BMP", plain(imaging::ReadBmpBitmap)},
        {u"PNG", plain(imaging::ReadPngBitmap)},
        {u"GIF", plain(imaging::ReadGifBitmap)},
        {u"TGA", plain(imaging::ReadTgaBitmap)},
        {u"PCX", plain(imaging::ReadPcxBitmap)},
        {u"EPS", plain(imaging::ReadEpsBitmap)},
        {u"JPEG", plain(imaging::ReadJpegBitmap)},
        {u"TIF",
         [&] {
           return imaging::ReadTiffBitmap(name, depth, dither, TiffPage, user, ProgressRelay,
                                          bitmap);
         }},
        {u"PCD",
         [&] {
           return imaging::ReadPcdBitmap(name, depth, dither, PCDMode, user, ProgressRelay, bitmap);
         }},
        {u"DXF",
         [&] { return imaging::ReadDxfBitmap(name, depth, dither, bitmap, user, ProgressRelay); }},
    };
    bool read = false, known = false;
    for (const auto &[readerKey, reader] : readers) {
      if (key != QStringView(readerKey)) continue;
      known = true;
      read = reader();
    }
    if (known) {
      if (!read) ReportLibError();
      if (key == u"TIF") ReadImageInfo(name);
      SetPicture(bitmap.ToImage());
      if (key != u"TIF") ReadImageInfo(name);
    }
  } catch (const std::exception &) {
    SetPicture(QImage());  // a reader's failure without a handler: no picture
  }
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

void TImageView::SaveTiffFile(const QString &fileName) {
  if (!fileName.isEmpty()) DefSaveFilename = fileName;
  platform::BusyCursor busy;
  ProgressRelay(0, this);
  try {
    imaging::TBitmap bitmap;
    if (!picture_.isNull()) bitmap.SetImage(picture_);
    const int depth = imaging::SaveDepthFor(ImageWriteRes);
    const int compression = imaging::TiffCompressionCode(TifSaveCompress);
    if (!imaging::WriteTiffBitmap(DefSaveFilename, compression, TiffAppend, depth,
                                  picture_.isNull() ? nullptr : &bitmap, this, ProgressRelay))
      ReportLibError();
  } catch (const std::exception &) {
    // Never raises; without an error handler the failure is dropped.
  }
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
