#include "ImageView.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>

#include "Binding.h"
#include "DibBlock.h"
#include "Transitions.h"
#include "core/Errors.h"
#include "core/Paths.h"
#include "core/PictureFormats.h"
#include "core/TextFile.h"
#include "ui/Cursors.h"
#include "ui/MessageBoxes.h"
#include "win32/Handles.h"
#include "win32/WinQt.h"

namespace imagecomp {

// ---- TPicture -------------------------------------------------------------------------

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

// ---- Construction ---------------------------------------------------------------------

namespace {

QString UpperExtension(const QString &name) {
  return platform::ExtractFileExt(name).toUpper();
}

COLORREF ToColorRef(const QColor &color) {
  return RGB(color.red(), color.green(), color.blue());
}

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

constexpr UINT kTickerStepMessage = WM_USER + 1;
constexpr UINT kCreditsStepMessage = WM_USER + 2;
constexpr UINT kAnnotationClickMessage = WM_USER + 0x201;

TMouseButton ButtonOf(Qt::MouseButton button) {
  if (button == Qt::RightButton) return mbRight;
  if (button == Qt::MiddleButton) return mbMiddle;
  return mbLeft;
}

}  // namespace

TImageView::TImageView(QWidget *owner) : QWidget(owner) {
  setFocusPolicy(Qt::StrongFocus);  // a tab stop
  setMouseTracking(true);
  setGeometry(0, 0, 105, 105);
  rotateBackColor_ = palette().color(QPalette::Button);
  color_ = palette().color(QPalette::Button);
  version_ = imaging::Binding().LibraryVersion;
  picture_.OnChange = [this] { PictureChanged(); };
  platform::RegisterCursor(grabHandCursor_,
                           platform::LoadCursorResource(QStringLiteral("GRABHAND")));

  VertBar = new QScrollBar(Qt::Vertical, this);
  HorzBar = new QScrollBar(Qt::Horizontal, this);
  CornerPanel = new QFrame(this);
  for (QWidget *child : {static_cast<QWidget *>(VertBar), static_cast<QWidget *>(HorzBar),
                         static_cast<QWidget *>(CornerPanel)}) {
    child->setGeometry(0, 0, 0, 0);
    child->setFocusPolicy(Qt::NoFocus);
    child->hide();
  }
  VertBar->setAccessibleName(QStringLiteral("Défilement vertical"));
  HorzBar->setAccessibleName(QStringLiteral("Défilement horizontal"));
  CornerPanel->setAutoFillBackground(true);
  connect(VertBar, &QScrollBar::valueChanged, this,
          [this](int position) { ScrollBarMoved(VertBar, position); });
  connect(HorzBar, &QScrollBar::valueChanged, this,
          [this](int position) { ScrollBarMoved(HorzBar, position); });
}

TImageView::~TImageView() {
  picture_.OnChange = nullptr;
  if (!annotationReady_) return;
  // Nothing may leave a destructor; the annotation layer's failures end here.
  try {
    if (autoSaveAnno_) SaveAnnotations(AnnotationFileName());
    imaging::BindAnnotationEntry<decltype(DestroyAnnotation)>("DestroyAnnotation")(this);
  } catch (const std::exception &) {
  }
}

void TImageView::Loaded() {
  if (isLoaded_) return;
  isLoaded_ = true;
  for (QScrollBar *bar : {VertBar, HorzBar}) {
    const bool wasLayingOut = std::exchange(layingOut_, true);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setSingleStep(5);
    bar->setPageStep(25);
    layingOut_ = wasLayingOut;
  }
  CornerPanel->setFrameShape(QFrame::NoFrame);
  LayoutScrollbars();
  InitAnnotationLayer();
}

// ---- Loading --------------------------------------------------------------------------

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
    return true;
  }
  const QFileInfo file(name);
  if (platform::IsPlatformOnlyFormat(platform::PictureFormatOfExtension(ext)) || ext == u".SCM" ||
      ext == u".CMS") {
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
  InfoFileSize = int32_t(std::min<qint64>(file.size(), INT32_MAX));
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
    // A missing file (or the forms' "file not found") leaves no picture, silently; the
    // reason stays for a caller that says why there is none.
    imaging::Binding().LastErrorCode = -1;
    imaging::Binding().LastErrorText = QFileInfo::exists(name)
                                           ? QStringLiteral("ce n'est pas un fichier ordinaire")
                                           : platform::SystemErrorText(ENOENT);
    picture_.Clear();
    loadingImage_ = false;
    return;
  }
  platform::BusyCursor busy;
  if (autoSaveAnno_) SaveAnnotations(previousAnnotations);
  if (annotationReady_)
    imaging::BindAnnotationEntry<decltype(ClearAnnotation)>("ClearAnnotation")(this);
  ReportProgress(0);
  int depth = ReadDepth();
  const int dither = imageDither_ ? 1 : 0;
  void *user = this;

  if (platform::IsPlatformOnlyFormat(platform::PictureFormatOfExtension(ext))) {
    // The platform's picture classes; their failure reaches the caller.
    StopMessages(false);
    PushUndo();
    picture_.LoadFromFile(name);
    ReadImageInfo(name);
    loadingImage_ = false;
    return;
  }

  if (ext == u".SCM" || ext == u".CMS") {
    try {
      PushUndo();
      StopMessages(true);
      if (ext == u".SCM")
        LoadTickerFile(name);
      else
        LoadCreditsFile(name);
      ReadImageInfo(name);
      loadingImage_ = false;
      return;
    } catch (const std::exception &) {
      picture_.Clear();
    }
    FinishLoad();
    return;
  }

  if (ext == u".THB" || ext == u".THJ" || ext == u".RES") {
    imaging::TBitmap bitmap;
    try {
      StopMessages(false);
      bool read = false;
      if (ext == u".RES") {
        read = imaging::LoadResourceBitmap(QString(), imaging::BareFileName(name),
                                           HwndOfWidget(this), bitmap);
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
                   ? imaging::ReadBmpBitmap(name, depth, dither, user, ProgressRelay, bitmap)
                   : imaging::ReadJpegBitmap(name, depth, dither, user, ProgressRelay, bitmap);
      }
      if (!read) ReportLibError();
      ReplaceWith(bitmap);
      ReadImageInfo(name);
      loadingImage_ = false;
      return;
    } catch (const std::exception &) {
      picture_.Clear();
    }
    FinishLoad();
    return;
  }

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
    // The reader of the format key, called as its entry's parameter list asks; a key
    // without one (such as "ERR") reads nothing.
    const platform::PictureFormat *format = platform::PictureFormatNamed(key);
    const auto read = [&]() -> bool {
      using platform::ReaderCall;
      switch (format->readerCall) {
        case ReaderCall::Palette:
          return imaging::ReadPaletteEntryBitmap(format->readerEntry, name, depth, dither, user,
                                                 ProgressRelay, bitmap);
        case ReaderCall::Plain:
          return imaging::ReadPlainEntryBitmap(format->readerEntry, name, depth, dither, user,
                                               ProgressRelay, bitmap);
        case ReaderCall::Jpeg:
          return imaging::ReadJpegBitmap(name, depth, dither, user, ProgressRelay, bitmap);
        case ReaderCall::Gif:
          return imaging::ReadGifBitmap(name, depth, dither, user, ProgressRelay, bitmap);
        case ReaderCall::Tiff:
          return imaging::ReadTiffBitmap(name, depth, dither, tiffPage_, user, ProgressRelay,
                                         bitmap);
        case ReaderCall::PhotoCd:
          return imaging::ReadPcdBitmap(name, depth, dither, pcdMode_, user, ProgressRelay, bitmap);
        case ReaderCall::Dxf:
          return imaging::ReadDxfBitmap(name, depth, dither, bitmap, user, ProgressRelay);
        case ReaderCall::NoReader:
          break;
      }
      return false;
    };
    if (format != nullptr && format->readerEntry != nullptr) {
      if (!read()) ReportLibError();
      if (key == u"TIF") ReadImageInfo(name);
      ReplaceWith(bitmap);
      if (key != u"TIF") ReadImageInfo(name);
    }
  } catch (const std::exception &) {
    picture_.Clear();  // a reader's failure without a handler: no picture
  }
  FinishLoad();
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

// ---- Scanner and clipboard --------------------------------------------------------------

void TImageView::AcquireFromScanner(QWidget *owner) {
  ReportProgress(0);
  const int depth = ReadDepth();
  const int dither = imageDither_ ? 1 : 0;
  StopMessages(false);
  imaging::TBitmap bitmap;
  try {
    platform::BusyCursor busy;
    if (!imaging::AcquireScannerBitmap(HwndOfWidget(owner), depth, dither, bitmap, this,
                                       ProgressRelay))
      ReportLibError();
  } catch (const std::exception &) {
    picture_.Clear();
    return;
  }
  // A cancelled scan brings no bitmap: the picture stays as it was.
  if (bitmap.Empty())
    PushUndo();
  else
    ReplaceBitmap(std::move(bitmap));
}

bool TImageView::ScannerAvailable() const {
  return imaging::ScannerCount() > 0;
}

bool TImageView::SelectScanner(QWidget *owner) {
  return imaging::SelectScannerSource(HwndOfWidget(owner));
}

void TImageView::CopyToClipboard() {
  if (!picture_.IsBitmap() || picture_.Bitmap().Empty()) return;
  HGLOBAL dib = nullptr;
  if (!imaging::BitmapToDib(&picture_.Bitmap(), dib) || dib == nullptr) return;
  platform::GlobalBlock block(dib);
  imaging::UnlockDibFully(dib);
  if (!OpenClipboard(HwndOfWidget(this))) return;
  EmptyClipboard();
  if (SetClipboardData(CF_DIB, dib) != nullptr) block.release();  // the clipboard owns it now
  CloseClipboard();
}

void TImageView::CutToClipboard() {
  if (!picture_.HasGraphic()) return;
  CopyToClipboard();
  PushUndo();
  picture_.Clear();
}

void TImageView::PasteFromClipboard() {
  const int depth = ReadDepth();
  if (!IsClipboardFormatAvailable(CF_DIB)) return;
  tickerActive_ = creditsActive_ = false;
  PushUndo();
  if (!OpenClipboard(HwndOfWidget(this))) return;
  imaging::TBitmap bitmap;
  int result = 0;
  try {
    HGLOBAL dib = GetClipboardData(CF_DIB);
    if (dib != nullptr) result = imaging::DibToBitmap(dib, depth, 0, bitmap, nullptr, nullptr);
  } catch (const std::exception &) {
    result = 0;
  }
  CloseClipboard();
  // A clipboard picture that cannot be read leaves the picture as it was.
  if (result != 0 && !bitmap.Empty()) picture_.TakeBitmap(std::move(bitmap));
  if (stretchRatio_) ComputeFitZoom();
}

// ---- Transitions --------------------------------------------------------------------------

void TImageView::PlayTransition() {
  if (transitionBitmap_.Empty()) return;
  QCoreApplication::processEvents();
  platform::BusyCursor busy;
  imaging::TBitmap stretched;
  struct Cleanup {
    TImageView *view;
    ~Cleanup() {
      view->transitionBitmap_.Clear();
      view->transitionSurface_ = nullptr;
    }
  } cleanup{this};

  const int W = width(), H = height();
  const int BW = transitionBitmap_.Width(), BH = transitionBitmap_.Height();
  const imaging::TBitmap *source = &transitionBitmap_;
  if ((stretch_ || stretchRatio_) && W > 0 && H > 0 && BW > 0 && BH > 0) {
    HDC screen = GetDC(nullptr);
    stretched.SetHandle(CreateCompatibleBitmap(screen, W, H));
    ReleaseDC(nullptr, screen);
    const QList<QRgb> colors = PaletteColors(transitionBitmap_.Palette());
    if (!colors.isEmpty()) stretched.SetPalette(CreatePaletteFromColors(colors));
    platform::DcHandle target(CreateCompatibleDC(nullptr));
    platform::DcHandle from(CreateCompatibleDC(nullptr));
    platform::SelectGuard intoTarget(target.get(), stretched.Handle());
    platform::SelectGuard intoSource(from.get(), transitionBitmap_.Handle());
    SetStretchBltMode(target.get(), COLORONCOLOR);
    if (stretch_) {
      StretchBlt(target.get(), 0, 0, W, H, from.get(), 0, 0, BW, BH, SRCCOPY);
    } else {
      const double z = std::min(double(W) / BW, double(H) / BH);
      const int ZW = int(BW * z), ZH = int(BH * z);
      const int left = (W - ZW) / 2, top = (H - ZH) / 2;
      platform::UniqueHandle<HRGN, &DeleteObject> image(
          CreateRectRgn(left, top, left + ZW, top + ZH));
      platform::UniqueHandle<HRGN, &DeleteObject> area(CreateRectRgn(0, 0, W, H));
      CombineRgn(image.get(), image.get(), area.get(), RGN_XOR);
      platform::UniqueHandle<HBRUSH, &DeleteObject> brush(CreateSolidBrush(ToColorRef(color_)));
      FillRgn(target.get(), image.get(), brush.get());
      StretchBlt(target.get(), left, top, ZW, ZH, from.get(), 0, 0, BW, BH, SRCCOPY);
    }
    source = &stretched;
  }

  // The effect draws on the window piece by piece; the window shows the surface meanwhile.
  QImage surface = grab().toImage().convertToFormat(QImage::Format_RGB32);
  transitionSurface_ = &surface;
  {
    platform::DcHandle window(CreateDCForWindow(this, &surface));
    const HBITMAP from = source->Handle();
    switch (fxMethod_) {
      case FXHorizontal:
        imaging::SkipHorizontal(window.get(), from, fxColRowThick_, fxDelay_);
        break;
      case FXVertical:
        imaging::SkipVertical(window.get(), from, fxColRowThick_, fxDelay_);
        break;
      case FXDiagonal:
        imaging::SkipDiagonals(window.get(), from, fxColRowThick_, fxDelay_);
        break;
      case FXDiagonalSquares:
        imaging::SkipDiagonalSquares(window.get(), from, fxColRowThick_, fxDelay_);
        break;
      case FXRectangles:
        imaging::SkipRectangles(window.get(), from, fxDelay_);
        break;
      case FXNone:
        break;
    }
  }
  transitionSurface_ = nullptr;
  // The picture keeps the whole bitmap: the control-sized copy only served the effect,
  // and keeping it would leave a picture shrunk to the control behind the display.
  picture_.AssignBitmap(transitionBitmap_);
}

// ---- Text messages ------------------------------------------------------------------------

using imaging::FromColorRef;

void TImageView::RenderMessage(const QString &text, int width, int height) {
  const QFont font = messageFont_.ToQFont();
  messageBitmap_ = QImage(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
  messageBitmap_.fill(backgroundColor_);
  QPainter painter(&messageBitmap_);
  painter.setFont(font);
  painter.setPen(FromColorRef(messageFont_.Color));
  painter.drawText(QPoint(0, QFontMetrics(font).ascent()), text);
}

void TImageView::StopMessages(bool clearPicture) {
  if (tickerActive_ || creditsActive_) color_ = savedColor_;
  tickerActive_ = creditsActive_ = false;
  if (clearPicture) picture_.Clear();
  update();
}

void TImageView::LoadTickerFile(const QString &name) {
  picture_.Clear();
  areaWidth_ = width();
  areaHeight_ = height();
  int speed = 0, background = 0;
  QString text;
  imaging::ParseTickerFile(name, messageFont_, speed, background, text);
  speed_ = speed;
  backgroundColor_ = FromColorRef(background);
  const QFont font = messageFont_.ToQFont();
  const QFontMetrics metrics(font);
  textWidth_ = metrics.horizontalAdvance(text);
  textHeight_ = metrics.height();
  currentLine_ = text;
  messageX_ = areaWidth_;
  messageXEnd_ = areaWidth_ + textWidth_;
  messageY_ = (areaHeight_ - textHeight_) / 2;
  RenderMessage(text, textWidth_, textHeight_);
  savedColor_ = color_;
  color_ = backgroundColor_;
  tickerActive_ = true;
  update();
}

void TImageView::LoadCreditsFile(const QString &name) {
  picture_.Clear();
  int speed = 0, background = 0;
  QStringList lines;
  imaging::ParseCreditsFile(name, messageFont_, speed, background, lines);
  speed_ = speed;
  backgroundColor_ = FromColorRef(background);
  messageLines_ = lines;
  currentLineIndex_ = 0;
  if (!messageLines_.isEmpty()) {
    savedColor_ = color_;
    PrepareCreditsLine(messageLines_.first());
    creditsActive_ = true;
  }
}

void TImageView::PrepareCreditsLine(const QString &line) {
  if (line.isEmpty()) return;
  if (creditsActive_) PushUndo();
  QString text = line;
  if (!text.startsWith(u' ')) text.prepend(QStringLiteral("  "));
  if (!text.endsWith(u' ')) text.append(u' ');
  currentLine_ = text;
  areaWidth_ = width();
  areaHeight_ = height();
  const QFont font = messageFont_.ToQFont();
  const QFontMetrics metrics(font);
  int labelWidth = metrics.horizontalAdvance(text);
  // The widening makes room for the padding; a line of two characters or fewer after
  // padding (two spaces, say) has nothing to widen by, and would divide by zero.
  if (text.size() > 2) labelWidth += labelWidth / int(text.size() - 2);
  textHeight_ = metrics.height();
  textWidth_ = labelWidth;
  messageX_ = (areaWidth_ - textWidth_) / 2;
  messageY_ = areaHeight_;
  messageYEnd_ = areaHeight_ + textHeight_;
  if (!creditsActive_) savedColor_ = color_;
  color_ = backgroundColor_;
  RenderMessage(text, textWidth_, textHeight_ + 5);
  creditsActive_ = true;
  update();
}

bool TImageView::TickAllowsStep() {
  ++tickCounter_;
  if (speed_ >= tickCounter_) return false;
  tickCounter_ = 0;
  return true;
}

void TImageView::TickerStep() {
  if (!tickerActive_ || !TickAllowsStep()) return;
  --messageX_;
  --messageXEnd_;
  if (messageXEnd_ < 0) {
    messageX_ = areaWidth_;
    messageXEnd_ = areaWidth_ + textWidth_;
  }
  repaint();
}

void TImageView::CreditsStep() {
  if (!creditsActive_ || !TickAllowsStep()) return;
  --messageY_;
  --messageYEnd_;
  if (messageY_ < -textHeight_ - 5) {
    if (!messageLines_.isEmpty()) {
      if (currentLineIndex_ >= messageLines_.size()) currentLineIndex_ = 0;
      currentLineIndex_ = (currentLineIndex_ + 1) % int(messageLines_.size());
      PrepareCreditsLine(messageLines_[currentLineIndex_]);
    } else {
      messageY_ = areaHeight_;
      messageYEnd_ = areaHeight_ + textHeight_;
    }
  }
  repaint();
}

// ---- Annotation layer ---------------------------------------------------------------------

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

bool TImageView::event(QEvent *event) {
  if (event->type() != WinMessageEvent::EventType()) return QWidget::event(event);
  auto *message = static_cast<WinMessageEvent *>(event);
  switch (message->Message) {
    case kTickerStepMessage:
      TickerStep();
      break;
    case kCreditsStepMessage:
      CreditsStep();
      break;
    case kAnnotationClickMessage:
      if (OnAnnoClick) OnAnnoClick(this, long(message->LParam), message->WParam == 1);
      break;
    case WM_CUT:
      CutToClipboard();
      break;
    case WM_COPY:
      CopyToClipboard();
      break;
    case WM_PASTE:
      PasteFromClipboard();
      break;
    case WM_COMMAND:
      if (editAnnotat_ && annotationReady_)
        imaging::BindAnnotationEntry<decltype(MenuMsg)>("MenuMsg")(
            this, int32_t(LOWORD(message->WParam)));
      break;
    default:
      return QWidget::event(event);
  }
  return true;
}

// ---- Display ------------------------------------------------------------------------------

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
  const double BW = picture_.Width(), BH = picture_.Height();
  const auto place = [&](QScrollBar *bar, double size, int extent, int scroll) {
    const int maximum = std::max(0, int(std::trunc(size * Z - extent + SB)));
    bar->setRange(0, maximum);
    bar->setValue(maximum == 0 ? 0 : std::min(int(std::trunc(scroll * Z)), maximum));
  };
  place(HorzBar, BW, W, scrollX_);
  place(VertBar, BH, H, scrollY_);
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

void TImageView::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  if (transitionSurface_ != nullptr) {
    // A transition is drawing on the window: show how far it has come.
    painter.drawImage(0, 0, *transitionSurface_);
    return;
  }
  const HWND window = HwndOfWidget(this);
  MxSetWindowPainter(window, &painter);
  platform::DcHandle canvas(CreateDCForPainter(&painter));
  struct Unregister {
    HWND window;
    ~Unregister() { MxSetWindowPainter(window, nullptr); }
  } unregister{window};
  // What erasing the background does for a control that is not opaque.
  if (!testAttribute(Qt::WA_OpaquePaintEvent)) painter.fillRect(rect(), color_);
  Paint(canvas.get(), painter);
}

namespace {
// A bitmap selected into a memory context for one drawing, with its palette selected into
// both contexts and realised on the canvas; everything is put back at the end.
class BitmapSource {
 public:
  BitmapSource(HDC canvas, const imaging::TBitmap &bitmap)
      : canvas_(canvas), memory_(CreateCompatibleDC(canvas)) {
    if (!memory_)
      throw platform::Failure(QStringLiteral("Out of resources. Close some windows and try again"));
    oldBitmap_ = SelectObject(memory_.get(), bitmap.Handle());
    if (bitmap.Palette() != nullptr) {
      oldMemoryPalette_ = SelectPalette(memory_.get(), bitmap.Palette(), FALSE);
      oldCanvasPalette_ = SelectPalette(canvas, bitmap.Palette(), FALSE);
      RealizePalette(canvas);
    }
  }
  ~BitmapSource() {
    if (oldCanvasPalette_) SelectPalette(canvas_, oldCanvasPalette_, FALSE);
    if (oldMemoryPalette_) SelectPalette(memory_.get(), oldMemoryPalette_, FALSE);
    if (oldBitmap_) SelectObject(memory_.get(), oldBitmap_);
  }
  BitmapSource(const BitmapSource &) = delete;
  BitmapSource &operator=(const BitmapSource &) = delete;
  HDC Dc() const { return memory_.get(); }

 private:
  HDC canvas_;
  platform::DcHandle memory_;
  HGDIOBJ oldBitmap_ = nullptr;
  HPALETTE oldMemoryPalette_ = nullptr;
  HPALETTE oldCanvasPalette_ = nullptr;
};
}  // namespace

void TImageView::Paint(HDC canvas, QPainter &painter) {
  if (platform::IsPlatformOnlyFormat(platform::PictureFormatNamed(InfoFormat))) {
    DrawGraphic(painter);
    return;
  }
  if (tileWindow_) {
    DrawTiled(canvas);
    return;
  }
  const int W = width(), H = height();
  std::optional<QRect> paintRect;
  if (picture_.HasGraphic() && picture_.IsBitmap()) {
    const imaging::TBitmap &bitmap = picture_.Bitmap();
    const int BW = bitmap.Width(), BH = bitmap.Height();
    if (stretch_) {
      BitmapSource source(canvas, bitmap);
      imaging::ApplyBlitMode(InfoBitsPerPixel, blitMode_, canvas);
      if (!bitmap.Empty()) StretchBlt(canvas, 0, 0, W, H, source.Dc(), 0, 0, BW, BH, SRCCOPY);
      paintRect = QRect(0, 0, BW, BH);
      LayoutScrollbars();
    } else if (!stretchRatio_ && !scrolling_) {
      QRect target(0, 0, picture_.Width(), picture_.Height());
      if (center_) target.translate((W - target.width()) / 2, (H - target.height()) / 2);
      {
        BitmapSource source(canvas, bitmap);
        if (!bitmap.Empty())
          BitBlt(canvas, target.left(), target.top(), BW, BH, source.Dc(), 0, 0, SRCCOPY);
      }
      paintRect = QRect(target.left(), target.top(), BW, BH);
      FillOutside(canvas, *paintRect, false);
    } else {
      centerOffsetX_ = centerOffsetY_ = 0;
      BitmapSource source(canvas, bitmap);
      const double Z = zoomFactor_;
      const int ZW = int(std::trunc(BW * Z)), ZH = int(std::trunc(BH * Z));
      int allowance = 0;
      QRect from, to;
      if (W >= ZW && H >= ZH) {
        from = QRect(0, 0, BW, BH);
        to = QRect(0, 0, ZW, ZH);
        if (center_) {
          centerOffsetX_ = (W - ZW) / 2;
          centerOffsetY_ = (H - ZH) / 2;
          to.translate(centerOffsetX_, centerOffsetY_);
        }
      } else {
        allowance = showScrollbars_ ? scrollbarWidth_ : 0;
        const int A = allowance;
        if (W >= ZW) {  // only the height overflows
          from = QRect(scrollX_, scrollY_, BW, int(std::trunc((H - A) / Z)));
          to = QRect(0, 0, ZW, H - A);
          if (center_) {
            centerOffsetX_ = (W - ZW) / 2;
            to.translate(centerOffsetX_, 0);
          }
        } else if (H >= ZH) {  // only the width overflows
          from = QRect(scrollX_, scrollY_, int(std::trunc((W - A) / Z)), BH);
          to = QRect(0, 0, W - A, ZH);
          if (center_) {
            centerOffsetY_ = (H - ZH) / 2;
            to.translate(0, centerOffsetY_);
          }
        } else {
          from =
              QRect(scrollX_, scrollY_, int(std::trunc((W - A) / Z)), int(std::trunc((H - A) / Z)));
          to = QRect(0, 0, W - A, H - A);
        }
      }
      imaging::ApplyBlitMode(InfoBitsPerPixel, blitMode_, canvas);
      FillOutside(canvas, to, allowance != 0);
      if (!bitmap.Empty())
        StretchBlt(canvas, to.left(), to.top(), to.width(), to.height(), source.Dc(), from.left(),
                   from.top(), from.width(), from.height(), SRCCOPY);
      LayoutScrollbars();
      DrawAnnotations(allowance);
      for (QWidget *child : {static_cast<QWidget *>(VertBar), static_cast<QWidget *>(HorzBar),
                             static_cast<QWidget *>(CornerPanel)})
        if (child->width() > 1) child->update();
      paintRect = to;
    }
  } else if (!picture_.HasGraphic()) {
    painter.fillRect(rect(), color_);
  }
  if (paintRect && OnPaintArea)
    OnPaintArea(this, paintRect->left(), paintRect->top(), paintRect->width(), paintRect->height());
  if (tickerActive_ || creditsActive_) painter.drawImage(messageX_, messageY_, messageBitmap_);
  if (!text_.isEmpty()) DrawTextOverlay(painter);
  if (BandActive()) DrawBand(canvas);
  if (borderStyle_ == bsSingle) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  if (OnPaint) OnPaint(this);
}

void TImageView::DrawGraphic(QPainter &painter) {
  const int W = width(), H = height();
  const int PW = picture_.Width(), PH = picture_.Height();
  QRect target(0, 0, PW, PH);
  if (stretch_)
    target = rect();
  else if (center_)
    target.moveTo((W - PW) / 2, (H - PH) / 2);
  if (picture_.IsBitmap()) {
    // A bitmap pasted or scanned after a metafile was loaded: drawn into the same place.
    if (picture_.HasContent()) painter.drawImage(target, picture_.ToImage());
  } else if (picture_.HasContent()) {
    picture_.Graphic().Draw(painter, target);
  }
  if (!text_.isEmpty()) DrawTextOverlay(painter);
  if (OnPaintArea)
    OnPaintArea(this, target.left(), target.top(), target.left() + target.width(),
                target.top() + target.height());
  if (OnPaint) OnPaint(this);
}

void TImageView::DrawTiled(HDC canvas) {
  if (!picture_.IsBitmap()) return;
  const imaging::TBitmap &bitmap = picture_.Bitmap();
  BitmapSource source(canvas, bitmap);
  const int BW = bitmap.Width(), BH = bitmap.Height();
  if (BW <= 0 || BH <= 0) return;
  for (int y = 0; y < height(); y += BH)
    for (int x = 0; x < width(); x += BW) BitBlt(canvas, x, y, BW, BH, source.Dc(), 0, 0, SRCCOPY);
}

void TImageView::FillOutside(HDC canvas, const QRect &rect, bool allowance) {
  const int A = allowance ? scrollbarWidth_ : 0;
  using Region = platform::UniqueHandle<HRGN, &DeleteObject>;
  Region image(CreateRectRgn(rect.left(), rect.top(), rect.left() + rect.width(),
                             rect.top() + rect.height()));
  Region visible(CreateRectRgn(0, 0, width() - A, height() - A));
  Region outside(CreateRectRgn(0, 0, 0, 0));
  CombineRgn(outside.get(), image.get(), visible.get(), RGN_XOR);
  platform::UniqueHandle<HBRUSH, &DeleteObject> brush(CreateSolidBrush(ToColorRef(color_)));
  FillRgn(canvas, outside.get(), brush.get());
}

void TImageView::DrawTextOverlay(QPainter &painter) {
  imaging::TFont font;
  const QFont own = this->font();
  font.Name = own.family();
  font.Height = own.pixelSize() > 0 ? -own.pixelSize() : 0;
  font.Size = own.pointSize() > 0 ? own.pointSize() : 10;
  font.Bold = own.bold();
  font.Italic = own.italic();
  font.Underline = own.underline();
  font.StrikeOut = own.strikeOut();
  const QColor ink = palette().color(QPalette::WindowText);
  font.Color = int(ToColorRef(ink));
  painter.setBackground(color_);
  imaging::DrawShadowText(textLeft_, textTop_, textRotate_, &font, &painter, textShadow_,
                          textTransparent_, int(ToColorRef(TextShadowColor)), text_);
}

void TImageView::DrawBand(HDC canvas) {
  const int previous = SetROP2(canvas, R2_NOT);
  MoveToEx(canvas, bandStartX_, bandStartY_, nullptr);
  LineTo(canvas, bandStartX_, bandEndY_);
  LineTo(canvas, bandEndX_, bandEndY_);
  LineTo(canvas, bandEndX_, bandStartY_);
  LineTo(canvas, bandStartX_, bandStartY_);
  SetROP2(canvas, previous);
}

// ---- Setters with display effect ----------------------------------------------------------

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

void TImageView::SetCenter(bool value) {
  ChangeAndInvalidate(center_, value);
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

void TImageView::SetBlitMode(TBlitMode value) {
  blitMode_ = value;
  repaint();
}

void TImageView::SetColor(const QColor &value) {
  ChangeAndInvalidate(color_, value);
}
void TImageView::SetTileWindow(bool value) {
  ChangeAndInvalidate(tileWindow_, value);
}
void TImageView::SetText(const QString &value) {
  ChangeAndInvalidate(text_, value);
}
void TImageView::SetTextShadow(bool value) {
  ChangeAndInvalidate(textShadow_, value);
}
void TImageView::SetTextLeft(int value) {
  ChangeAndInvalidate(textLeft_, value);
}
void TImageView::SetTextTop(int value) {
  ChangeAndInvalidate(textTop_, value);
}
void TImageView::SetTextRotate(int value) {
  ChangeAndInvalidate(textRotate_, value);
}
void TImageView::SetTextTransParent(bool value) {
  ChangeAndInvalidate(textTransparent_, value);
}
void TImageView::SetBorderStyle(TBorderStyle value) {
  ChangeAndInvalidate(borderStyle_, value);
}
bool TImageView::TabStop() const {
  return focusPolicy() & Qt::TabFocus;
}

void TImageView::SetTabStop(bool value) {
  setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TImageView::SetJPegSaveQuality(int value) {
  jpegSaveQuality_ = uint8_t(value >= 1 && value <= 100 ? value : 25);
}

void TImageView::SetJPegSaveSmooth(int value) {
  jpegSaveSmooth_ = uint8_t(value >= 1 && value <= 100 ? value : 5);
}

void TImageView::SetGrabHandCursor(int16_t number) {
  if (number == grabHandCursor_) return;
  grabHandCursor_ = number;
  platform::RegisterCursor(number, platform::LoadCursorResource(QStringLiteral("GRABHAND")));
}

// ---- Mouse and keyboard -------------------------------------------------------------------

bool TImageView::ImageLargerThanControl(int width, int height) const {
  return this->width() < int(std::trunc(width * zoomFactor_)) ||
         this->height() < int(std::trunc(height * zoomFactor_));
}

void TImageView::mousePressEvent(QMouseEvent *event) {
  // A click gives the focus to a control that takes it, as a left press does on Windows.
  if (event->button() == Qt::LeftButton && TabStop() && isEnabled()) setFocus(Qt::MouseFocusReason);
  const TMouseButton button = ButtonOf(event->button());
  const int X = event->position().toPoint().x(), Y = event->position().toPoint().y();
  if (OnMouseDown) OnMouseDown(this, button, event->modifiers(), X, Y);
  if (picture_.IsMetafile()) return;
  if (editAnnotat_) {
    AnnotationMouse(button == mbRight ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, X, Y);
    return;
  }
  leftBand_ = rightBand_ = false;
  if (allowRubberBand_) {
    if (button == mbRight && rubberBandBtn_ == mbRight) rightBand_ = true;
    if (button == mbLeft && rubberBandBtn_ == mbLeft) leftBand_ = true;
    bandStartX_ = bandEndX_ = X;
    bandStartY_ = bandEndY_ = Y;
    return;
  }
  if (button != mbLeft) return;
  grabLastX_ = X;
  grabLastY_ = Y;
  if (picture_.HasGraphic() && !stretch_ && picture_.IsBitmap() && !picture_.Bitmap().Empty() &&
      ImageLargerThanControl(picture_.Width(), picture_.Height())) {
    grabbing_ = true;
    savedCursor_ = cursor();
    setCursor(platform::CursorNumber(grabHandCursor_));
  }
}

void TImageView::mouseMoveEvent(QMouseEvent *event) {
  const int X = event->position().toPoint().x(), Y = event->position().toPoint().y();
  if (OnMouseMove) OnMouseMove(this, event->modifiers(), X, Y);
  if (picture_.IsMetafile()) return;
  if (editAnnotat_) {
    AnnotationMouse(WM_MOUSEMOVE, X, Y);
    return;
  }
  if (allowRubberBand_) {
    if (BandActive()) BandStep(X, Y);
    return;
  }
  if (grabbing_) GrabStep(X, Y);
}

void TImageView::BandStep(int X, int Y) {
  const double W = width(), H = height();
  if (W <= 0) return;
  const double dx = X - bandStartX_, dy = Y - bandStartY_;
  const double d = std::sqrt(dx * dx + dy * dy);
  const double g = H / W;
  const double h = std::fabs(d / std::sqrt(g * g + 1));
  const double v = g * h;
  double horizontal = h, vertical = v;
  if (dx >= 0 && dy >= 0) {
  } else if (dx < 0 && dy >= 0) {
    horizontal = -h;
  } else if (dx <= 0 && dy < 0) {
    horizontal = -h;
    vertical = -v;
  } else {
    vertical = -v;
  }
  bandEndX_ = int(std::trunc(bandStartX_ + horizontal));
  bandEndY_ = int(std::trunc(bandStartY_ + vertical));
  repaint();
}

void TImageView::GrabStep(int X, int Y) {
  const double Z = zoomFactor_;
  const int W = width(), H = height();
  const int BW = picture_.Bitmap().Width(), BH = picture_.Bitmap().Height();
  const int A =
      !stretch_ && !stretchRatio_ && scrolling_ && ImageLargerThanControl(BW, BH) && showScrollbars_
          ? scrollbarWidth_
          : 0;
  int sx = int(std::trunc((grabLastX_ - X) / Z));
  int sy = int(std::trunc((grabLastY_ - Y) / Z));
  if (X != grabLastX_ && sx == 0) sx = grabLastX_ > X ? 1 : -1;
  if (Y != grabLastY_ && sy == 0) sy = grabLastY_ > Y ? 1 : -1;
  grabLastX_ = X;
  grabLastY_ = Y;
  const auto follow = [&](int &scroll, int step, int extent, int size) {
    if (scroll + step < 0 || extent > size * Z)
      scroll = 0;
    else if (extent - A > (size - step - scroll) * Z)
      scroll = size - int(std::trunc((extent - A) / Z));
    else
      scroll += step;
  };
  follow(scrollX_, sx, W, BW);
  follow(scrollY_, sy, H, BH);
  repaint();
}

void TImageView::mouseReleaseEvent(QMouseEvent *event) {
  const TMouseButton button = ButtonOf(event->button());
  const int X = event->position().toPoint().x(), Y = event->position().toPoint().y();
  if (OnMouseUp) OnMouseUp(this, button, event->modifiers(), X, Y);
  if (button == mbLeft && OnClick && rect().contains(X, Y)) OnClick(this);
  if (picture_.IsMetafile()) return;
  if (editAnnotat_) {
    AnnotationMouse(button == mbLeft ? WM_LBUTTONUP : WM_RBUTTONUP, X, Y);
    return;
  }
  if (allowRubberBand_) {
    if ((button == mbRight && rightBand_) || (button == mbLeft && leftBand_)) {
      (button == mbRight ? rightBand_ : leftBand_) = false;
      repaint();  // the band goes
      if (OnRubberband)
        OnRubberband(this, button, event->modifiers(), bandStartX_, bandStartY_, bandEndX_,
                     bandEndY_);
    }
    return;
  }
  if (button != mbLeft) return;
  leftBand_ = false;
  grabLastX_ = X;
  grabLastY_ = Y;
  if (grabbing_) {
    grabbing_ = false;
    if (savedCursor_) setCursor(*savedCursor_);
    savedCursor_.reset();
  }
}

void TImageView::mouseDoubleClickEvent(QMouseEvent *event) {
  QWidget::mouseDoubleClickEvent(event);
  if (OnDblClick) OnDblClick(this);
}

void TImageView::keyPressEvent(QKeyEvent *event) {
  int key = event->key();
  const TShiftState shift = event->modifiers();
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (key == Qt::Key_Insert && (shift & Qt::ShiftModifier)) {
    PasteFromClipboard();
  } else if (key == Qt::Key_Insert && (shift & Qt::ControlModifier)) {
    CopyToClipboard();
  } else if (key == Qt::Key_Delete && (shift & Qt::ShiftModifier)) {
    CutToClipboard();
  }
  // The character the key types: control letters give 1 to 26, as on Windows.
  char character = 0;
  const QString text = event->text();
  if ((shift & Qt::ControlModifier) && !(shift & Qt::AltModifier) && event->key() >= Qt::Key_A &&
      event->key() <= Qt::Key_Z)
    character = char(event->key() - Qt::Key_A + 1);
  else if (!text.isEmpty() && text[0].unicode() < 128)
    character = char(text[0].unicode());
  if (character == 0) return;
  if (OnKeyPress) OnKeyPress(this, character);
  if (character == 3)
    CopyToClipboard();
  else if (character == 22)
    PasteFromClipboard();
  else if (character == 24)
    CutToClipboard();
}

void TImageView::keyReleaseEvent(QKeyEvent *event) {
  int key = event->key();
  if (OnKeyUp) OnKeyUp(this, key, event->modifiers());
}

}  // namespace imagecomp
