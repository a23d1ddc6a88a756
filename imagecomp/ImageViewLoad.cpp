// Reading a picture by its file type, its description, and writing it back as TIFF.
#include "ImageView.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <memory>

#include "Binding.h"
#include "DibBlock.h"
#include "Transitions.h"
#include "core/Errors.h"
#include "core/Paths.h"
#include "core/PictureFormats.h"
#include "core/TextFile.h"
#include "ui/Cursors.h"
#include "win32/Handles.h"
#include "win32/WinQt.h"

namespace imagecomp {

namespace {

QString UpperExtension(const QString &name) {
  return platform::ExtractFileExt(name).toUpper();
}

}  // namespace

int16_t TImageView::ProgressRelay(int16_t progress, void *user) {
  auto *self = static_cast<TImageView *>(user);
  return self ? self->ReportProgress(progress) : 1;
}

int16_t TImageView::ReportProgress(int16_t progress) {
  if (!OnProgress) return 1;
  bool cancel = false;
  OnProgress(this, progress, imaging::Binding().ProgressCaption.toLower(), cancel);
  return cancel ? 0 : 1;
}

int TImageView::ReadDepth() const {
  switch (imageReadRes_) {
    case lColorVga:
      return 0;
    case lMonoChrome:
      return 1;
    case lColor16:
      return 4;
    case lColor256:
      return 8;
    case lColorTrue:
      return 24;
    case lAutoMatic:
      break;
  }
  return imaging::DisplayDepth();
}

void TImageView::ReportLibError() {
  const imaging::TBindingState &state = imaging::Binding();
  if (OnLibError) {
    const QByteArray text = state.LastErrorText.toUtf8();
    OnLibError(this, state.LastErrorCode, state.LastErrorText, text.constData());
    return;
  }
  throw imaging::ErrorInvalid(state.LastErrorText);
}

void TImageView::PushUndo() {
  if (keepUndo_) imaging::PushUndoBitmap(picture_.Bitmap());
}

bool TImageView::ReadImageInfo(const QString &name) {
  const QString ext = UpperExtension(name).left(4);
  if (ext == u".RES") {
    DescribeResourcePicture();
    return true;
  }
  if (platform::IsPlatformOnlyFormat(platform::PictureFormatOfExtension(ext)) || ext == u".SCM" ||
      ext == u".CMS")
    return DescribeOwnFile(name, ext);
  return DescribeLibraryFile(name, ext);
}

// A resource picture has no file: its size is the DIB block it would make.
void TImageView::DescribeResourcePicture() {
  InfoFormat = QStringLiteral("RES");
  InfoWidth = picture_.Width();
  InfoHeight = picture_.Height();
  InfoBitsPerPixel = InfoExtra1 = InfoExtra2 = 0;
  InfoCompression = QStringLiteral("BMP");
  HGLOBAL dib = nullptr;
  InfoFileSize = 0;
  if (picture_.IsBitmap() && imaging::BitmapToDib(&picture_.Bitmap(), dib) && dib) {
    platform::GlobalBlock block(dib);
    imaging::TDibBlock container;
    container.OwnsMemory = false;
    container.SetDib(static_cast<BITMAPINFOHEADER *>(GlobalLock(dib)));
    InfoFileSize = int32_t(container.TotalSize());  // header, colours and pixels
    container.SetDib(nullptr);
    GlobalUnlock(dib);
  }
}

// A file the component reads without the library (platform pictures, message files): its
// extension names the format, the picture already loaded gives the size.
bool TImageView::DescribeOwnFile(const QString &name, const QString &ext) {
  const QFileInfo file(name);
  if (!file.isFile()) {
    InfoFormat = InfoCompression = QStringLiteral("ERR");
    InfoWidth = InfoHeight = InfoFileSize = -1;
    InfoBitsPerPixel = InfoExtra1 = InfoExtra2 = -1;
    return false;
  }
  InfoFormat = InfoCompression = ext.mid(1);
  InfoWidth = picture_.Width();
  InfoHeight = picture_.Height();
  InfoBitsPerPixel = InfoExtra1 = InfoExtra2 = 0;
  InfoFileSize = int32_t(std::min<qint64>(file.size(), INT32_MAX));
  return true;
}

// Any other file: the library reads its description (TIFF and DXF through their own entries).
bool TImageView::DescribeLibraryFile(const QString &name, const QString &ext) {
  InfoFileSize = int32_t(std::min<qint64>(QFileInfo(name).size(), INT32_MAX));
  InfoPageCount = 0;
  int width = 0, height = 0, bits = 0;
  if (ext == u".TIF") {
    InfoFormat = QStringLiteral("TIF");
    InfoExtra1 = InfoExtra2 = 0;
    int pages = 0;
    imaging::ReadTiffInfo(name, tiffPage_, width, height, InfoCompression, pages, bits);
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

namespace {
// A picture of fewer bits than `threshold` is read at a low depth: 1 bit when it is black
// and white, 4 bits when it has 2 or 3 (its 4 or 8 colours would turn black and white at 1).
int DepthForFewColours(int bitsPerPixel, int threshold, int depth) {
  if (bitsPerPixel >= threshold) return depth;
  return bitsPerPixel <= 1 ? 1 : 4;
}

// The format key of an extension the imaging library reads; other extensions are read by
// the format the library recognises in the file's content.
QString FormatKeyOf(const QString &ext) {
  const platform::PictureFormat *format = platform::PictureFormatOfExtension(ext);
  if (format == nullptr || format->readerEntry == nullptr) return {};
  return QString::fromLatin1(format->name);
}
}  // namespace

void TImageView::ReplaceBitmap(imaging::TBitmap &&bitmap) {
  // The replaced bitmap is moved into the history, not copied: a large picture would
  // otherwise cost a copy of itself at every change.
  imaging::TBitmap previous = picture_.ExchangeBitmap(std::move(bitmap));
  if (keepUndo_) imaging::PushUndoBitmap(std::move(previous));
}

void TImageView::ReplaceWith(imaging::TBitmap &bitmap) {
  if (fxMethod_ != FXNone) {
    PushUndo();
    transitionBitmap_ = bitmap;
    PlayTransition();
  } else {
    ReplaceBitmap(std::move(bitmap));
  }
  bitmap.Clear();
}

void TImageView::FinishLoad() {
  loadingImage_ = false;
  if (autoLoadAnno_) {
    const QString annotations = AnnotationFileName();
    if (QFileInfo(annotations).isFile()) {
      const QByteArray path = annotations.toUtf8();
      imaging::BindAnnotationEntry<decltype(LoadAnnotation)>("LoadAnnotation")(this, tiffPage_,
                                                                               path.constData());
    }
  }
  if (OnFinishedLoadSave) OnFinishedLoadSave(this);
}

void TImageView::SetImageName(const QString &name) {
  const QString previousAnnotations = AnnotationFileName();
  imageName_ = name;
  loadingImage_ = true;
  // A failure of this load must not be told with the text of an earlier one.
  imaging::Binding().LastErrorCode = 0;
  imaging::Binding().LastErrorText.clear();
  const QString ext = UpperExtension(name);
  if (ext != u".RES" && !QFileInfo(name).isFile()) {
    ForgetMissingFile(name);
    return;
  }
  platform::BusyCursor busy;
  if (autoSaveAnno_) SaveAnnotations(previousAnnotations);
  if (annotationReady_)
    imaging::BindAnnotationEntry<decltype(ClearAnnotation)>("ClearAnnotation")(this);
  ReportProgress(0);
  if (platform::IsPlatformOnlyFormat(platform::PictureFormatOfExtension(ext)))
    LoadPlatformPicture(name);
  else if (ext == u".SCM" || ext == u".CMS")
    LoadMessageFile(name, ext);
  else if (ext == u".THB" || ext == u".THJ" || ext == u".RES")
    LoadThumbnailOrResource(name, ext);
  else
    LoadLibraryPicture(name, ext);
}

void TImageView::ForgetMissingFile(const QString &name) {
  // A missing file (or the forms' "file not found") leaves no picture, silently; the
  // reason stays for a caller that says why there is none.
  imaging::Binding().LastErrorCode = -1;
  imaging::Binding().LastErrorText = QFileInfo::exists(name)
                                         ? QStringLiteral("ce n'est pas un fichier ordinaire")
                                         : platform::SystemErrorText(ENOENT);
  picture_.Clear();
  loadingImage_ = false;
}

// The guarded loads end in one of two ways, as they always have: a file read in full ends
// without FinishLoad (no annotations loaded, no OnFinishedLoadSave); a failure leaves no
// picture and goes through FinishLoad.
void TImageView::LoadGuarded(const QString &name, const std::function<void()> &read) {
  try {
    read();
    ReadImageInfo(name);
    loadingImage_ = false;
    return;
  } catch (const std::exception &) {
    picture_.Clear();
  }
  FinishLoad();
}

void TImageView::LoadPlatformPicture(const QString &name) {
  // The platform's picture classes; their failure reaches the caller.
  StopMessages(false);
  PushUndo();
  picture_.LoadFromFile(name);
  ReadImageInfo(name);
  loadingImage_ = false;
}

void TImageView::LoadMessageFile(const QString &name, const QString &ext) {
  LoadGuarded(name, [&] {
    PushUndo();
    StopMessages(true);
    if (ext == u".SCM")
      LoadTickerFile(name);
    else
      LoadCreditsFile(name);
  });
}

void TImageView::LoadThumbnailOrResource(const QString &name, const QString &ext) {
  int depth = ReadDepth();
  const int dither = imageDither_ ? 1 : 0;
  imaging::TBitmap bitmap;
  LoadGuarded(name, [&] {
    StopMessages(false);
    bool read = false;
    if (ext == u".RES") {
      read = imaging::LoadResourceBitmap(QString(), imaging::BareFileName(name), HwndOfWidget(this),
                                         bitmap);
      if (!read) {
        // The resource loader reports nothing itself; say which picture is missing.
        imaging::Binding().LastErrorCode = -1;
        imaging::Binding().LastErrorText =
            QStringLiteral("%1 introuvable").arg(imaging::BareFileName(name));
      }
    } else {
      ReadImageInfo(name);
      depth = DepthForFewColours(InfoBitsPerPixel, 4, depth);
      read = ext == u".THB"
                 ? imaging::ReadBmpBitmap(name, depth, dither, this, ProgressRelay, bitmap)
                 : imaging::ReadJpegBitmap(name, depth, dither, this, ProgressRelay, bitmap);
    }
    if (!read) ReportLibError();
    ReplaceWith(bitmap);
  });
}

void TImageView::LoadLibraryPicture(const QString &name, const QString &ext) {
  int depth = ReadDepth();
  // Outside the guard: without an error handler its failure reaches the caller.
  ReadImageInfo(name);
  QString key = FormatKeyOf(ext);
  if (key.isEmpty()) key = InfoFormat == u"TIFF" ? QStringLiteral("TIF") : InfoFormat;
  if (key == u"TIF" && tiffPage_ > InfoPageCount) tiffPage_ = InfoPageCount;
  try {
    StopMessages(false);
    imaging::TBitmap bitmap;
    const int threshold = key == u"GIF" ? 3 : 4;
    depth = DepthForFewColours(InfoBitsPerPixel, threshold, depth);
    // A key without a reader (such as "ERR") reads nothing.
    const platform::PictureFormat *format = platform::PictureFormatNamed(key);
    if (format != nullptr && format->readerEntry != nullptr) {
      if (!ReadWithReaderOf(*format, name, depth, bitmap)) ReportLibError();
      if (key == u"TIF") ReadImageInfo(name);
      ReplaceWith(bitmap);
      if (key != u"TIF") ReadImageInfo(name);
    }
  } catch (const std::exception &) {
    picture_.Clear();  // a reader's failure without a handler: no picture
  }
  FinishLoad();
}

// The format's reader, called as its entry's parameter list asks.
bool TImageView::ReadWithReaderOf(const platform::PictureFormat &format, const QString &name,
                                  int depth, imaging::TBitmap &bitmap) {
  const int dither = imageDither_ ? 1 : 0;
  void *user = this;
  using platform::ReaderCall;
  switch (format.readerCall) {
    case ReaderCall::Palette:
      return imaging::ReadPaletteEntryBitmap(format.readerEntry, name, depth, dither, user,
                                             ProgressRelay, bitmap);
    case ReaderCall::Plain:
      return imaging::ReadPlainEntryBitmap(format.readerEntry, name, depth, dither, user,
                                           ProgressRelay, bitmap);
    case ReaderCall::Jpeg:
      return imaging::ReadJpegBitmap(name, depth, dither, user, ProgressRelay, bitmap);
    case ReaderCall::Gif:
      return imaging::ReadGifBitmap(name, depth, dither, user, ProgressRelay, bitmap);
    case ReaderCall::Tiff:
      return imaging::ReadTiffBitmap(name, depth, dither, tiffPage_, user, ProgressRelay, bitmap);
    case ReaderCall::PhotoCd:
      return imaging::ReadPcdBitmap(name, depth, dither, pcdMode_, user, ProgressRelay, bitmap);
    case ReaderCall::Dxf:
      return imaging::ReadDxfBitmap(name, depth, dither, bitmap, user, ProgressRelay);
    case ReaderCall::NoReader:
      break;
  }
  return false;
}

QString UnreadablePictureText(const QString &path, const QString &reason) {
  const QString why = reason.trimmed();
  return QStringLiteral("Image illisible : %1 : %2")
      .arg(path, why.isEmpty() ? QStringLiteral("format inconnu ou fichier endommagé") : why);
}

QString TImageView::LoadFailureText(const QString &path) const {
  return UnreadablePictureText(path, imaging::Binding().LastErrorText);
}

void TImageView::SaveTiffFile(const QString &fileName) {
  if (!fileName.isEmpty()) defSaveFilename_ = fileName;
  platform::BusyCursor busy;
  ReportProgress(0);
  try {
    const int depth = imaging::SaveDepthFor(imageWriteRes_);
    const int compression = imaging::TiffCompressionCode(tifSaveCompress_);
    // A file written anew goes to a temporary file beside it, renamed into place once
    // complete: a failed write must not destroy or truncate the file saved last time.
    // Appending a page works on the file itself.
    std::unique_ptr<platform::AtomicFileWriter> replacement;
    if (!tiffAppend_) replacement = std::make_unique<platform::AtomicFileWriter>(defSaveFilename_);
    imaging::Binding().LastErrorCode = 0;
    imaging::Binding().LastErrorText.clear();
    if (!imaging::WriteTiffBitmap(
            replacement ? replacement->TemporaryPath() : defSaveFilename_, compression, tiffAppend_,
            depth, picture_.IsBitmap() ? &picture_.Bitmap() : nullptr, this, ProgressRelay))
      ReportLibError();
    else if (replacement)
      replacement->Commit();
  } catch (const std::exception &failure) {
    // Never raises: a failure the writer raised (such as an empty picture) goes to the
    // error handler too, so a caller that listens is never told nothing of it.
    if (OnLibError) {
      const QString text = platform::TextOf(failure);
      const QByteArray textZ = text.toUtf8();
      OnLibError(this, -1, text, textZ.constData());
    }
  }
  if (OnFinishedLoadSave) OnFinishedLoadSave(this);
}

}  // namespace imagecomp
