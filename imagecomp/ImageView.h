#pragma once
// The image component: the control that turns a file name into a picture, shows it
// stretched, fitted, zoomed with scroll bars, plain, centred or tiled, lets the mouse grab
// the picture or draw a proportional rubber band, writes it back as TIFF, takes pictures
// from the scanner and the clipboard, and carries the text messages, transitions and the
// annotation layer of the imaging library.
//
// Pictures are read through the imaging libraries' readers (metafiles and icons through
// the platform's picture classes) and drawn through the platform's device contexts, so
// every rectangle below is the one a Windows device context would get.
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "Bitmap.h"
#include "FileWrappers.h"
#include "MessageFiles.h"
#include "gdi/Picture.h"

class QScrollBar;
class QFrame;

namespace platform {
struct PictureFormat;
}

namespace imagecomp {

// The component's settings use the imaging layer's own kinds.
using imaging::lAutoMatic;
using imaging::lColor16;
using imaging::lColor256;
using imaging::lColorTrue;
using imaging::lColorVga;
using imaging::lMonoChrome;
using imaging::pcd_BASE;
using imaging::pcd_BASE16;
using imaging::pcd_BASE4;
using imaging::sAutoMatic;
using imaging::sColor16;
using imaging::sColor256;
using imaging::sColorTrue;
using imaging::sColorVga;
using imaging::sDark;
using imaging::sFAXCCITT3;
using imaging::sFAXCCITT4;
using imaging::sJpegGray;
using imaging::sLight;
using imaging::sLightest;
using imaging::sLZW;
using imaging::sMonoChrome;
using imaging::sNONE;
using imaging::sPACKBITS;
using imaging::TBlitMode;
using imaging::TLoadResolution;
using imaging::TPCDMode;
using imaging::TSaveResolution;
using imaging::TTiffCompression;

enum TBorderStyle { bsNone, bsSingle };  // no frame, or a one-pixel frame in the text colour
enum TMouseButton { mbLeft, mbRight, mbMiddle };  // the button a mouse event is about
// The transition effect that brings a new picture in (FXNone: it simply replaces the old one).
enum TFXMethod { FXNone, FXHorizontal, FXVertical, FXDiagonal, FXDiagonalSquares, FXRectangles };
enum TSortDither { sd_BAYER, sd_BURKES, sd_FLOYD, sd_GRAYSCALE };  // how colour reductions dither
// How a black-and-white picture is copied onto another (a set: see TBWImageFlagSet).
enum TBWImageFlags : unsigned {
  C_DEL = 1,
  C_AND = 2,
  C_OR = 4,
  C_ANTIALIAS = 8,
  C_ANTIALIAS256 = 16
};
using TBWImageFlagSet = unsigned;           // a set of TBWImageFlags
using TShiftState = Qt::KeyboardModifiers;  // the modifier keys held during an event

// The component's picture: nothing, a bitmap (a bitmap handle with its palette, possibly
// empty after a failed read), a metafile or an icon. A PDF page or an SVG drawing counts
// as a metafile: a vector picture the platform draws into its rectangle. Every change is
// announced through OnChange, whatever made it.
class TPicture {
 public:
  enum class Kind { None, Bitmap, Metafile, Icon };

  Kind GraphicKind() const { return kind_; }
  // Whether there is a graphic at all (an empty bitmap counts).
  bool HasGraphic() const { return kind_ != Kind::None; }
  bool IsBitmap() const { return kind_ == Kind::Bitmap; }
  bool IsMetafile() const { return kind_ == Kind::Metafile; }
  // A bitmap with a handle, or a metafile or icon that was loaded.
  bool HasContent() const;
  int Width() const;
  int Height() const;
  const imaging::TBitmap &Bitmap() const { return bitmap_; }
  const platform::Picture &Graphic() const { return graphic_; }
  // The picture's pixels: the bitmap's, or a metafile or icon drawn at its size on white.
  // Null when there is no content.
  QImage ToImage() const;

  void Clear();
  void Assign(const TPicture &other);
  void AssignBitmap(const imaging::TBitmap &bitmap);
  void TakeBitmap(imaging::TBitmap &&bitmap);
  // Takes `bitmap` and gives back the bitmap it replaces (empty when there was none).
  imaging::TBitmap ExchangeBitmap(imaging::TBitmap &&bitmap);
  void AssignImage(const QImage &image);  // a null image clears
  // A metafile (or PDF page, SVG drawing) or an icon, by extension; the platform's failure
  // reaches the caller.
  void LoadFromFile(const QString &name);

  std::function<void()> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  Kind kind_ = Kind::None;
  imaging::TBitmap bitmap_;
  platform::Picture graphic_;
};

// The image component: a control holding one picture (see the top of this file).
class TImageView : public QWidget {
 public:
  explicit TImageView(QWidget *owner = nullptr);
  ~TImageView() override;

  // After the owner has set the properties (the end of form loading): the scroll bars get
  // their ranges and the annotation layer is set up.
  void Loaded();
  bool IsLoaded() const { return isLoaded_; }

  // ---- Loading and writing ----------------------------------------------------------
  // Assigning a name loads the picture. A missing file gives an empty picture silently;
  // a reader's failure goes to OnLibError, or clears the picture when there is no handler;
  // a failure to read the file's description reaches the caller when there is no handler.
  QString ImageName() const { return imageName_; }
  void SetImageName(const QString &name);
  bool ReadImageInfo(const QString &name);
  // Writes the picture as TIFF to `fileName` (when not empty, it becomes DefSaveFilename).
  // Never raises: failures go to OnLibError when there is one.
  void SaveTiffFile(const QString &fileName = QString());
  // After a load that left no picture: "Image illisible : <path> : <reason>", the reason
  // being the failure of this load (never an earlier one's).
  QString LoadFailureText(const QString &path) const;

  const TPicture &Picture() const { return picture_; }
  void SetPicture(const TPicture &picture) { picture_.Assign(picture); }
  // Convenience for callers holding pixels: the picture becomes a bitmap of `image`.
  void SetPictureImage(const QImage &image) { picture_.AssignImage(image); }

  // ---- Scanner, clipboard, transitions, messages --------------------------------------
  void AcquireFromScanner(QWidget *owner);
  bool SelectScanner(QWidget *owner);
  // Whether any scanner answers, without showing anything; when none does, the binding
  // state holds the library's reason.
  bool ScannerAvailable() const;
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void PlayTransition();
  void StopMessages(bool clearPicture);
  bool TickerActive() const { return tickerActive_; }
  bool CreditsActive() const { return creditsActive_; }
  QPoint MessagePosition() const { return {messageX_, messageY_}; }
  QString CurrentMessageLine() const { return currentLine_; }
  QSize MessageTextSize() const { return {textWidth_, textHeight_}; }

  // The annotation file for the current image: AnnoFileName, else the image name with
  // ".ant" in place of its extension, else "default.ant".
  QString AnnotationFileName() const;

  // ---- View state ---------------------------------------------------------------------
  int ScrollX() const { return scrollX_; }
  int ScrollY() const { return scrollY_; }
  double ZoomFactor() const { return zoomFactor_; }
  // Zooms the view (screen pixels per picture pixel), keeping the scroll position.
  void SetZoomFactor(double zoom);
  int CenterOffsetX() const { return centerOffsetX_; }
  int CenterOffsetY() const { return centerOffsetY_; }
  // Zoom that shows the whole bitmap in the control.
  void ComputeFitZoom();
  void LayoutScrollbars();

  // The scroll bars and the square between them; child controls laid out by LayoutScrollbars.
  QScrollBar *VertBar = nullptr;
  QScrollBar *HorzBar = nullptr;
  QFrame *CornerPanel = nullptr;

  // ---- Properties -----------------------------------------------------------------------
  // Properties marked "stored only" are kept and read back for the forms that set them, but
  // change nothing the component does.

  // The cursor number the grab hand is registered under (shown while dragging the picture).
  int16_t GrabHandCursor() const { return grabHandCursor_; }
  void SetGrabHandCursor(int16_t number);
  // The control takes the picture's size whenever the picture changes.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  // A picture smaller than the control is shown in its middle.
  bool Center() const { return center_; }
  void SetCenter(bool value) { ChangeAndInvalidate(center_, value); }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value) { ChangeAndInvalidate(borderStyle_, value); }
  // The annotation file (AnnotationFileName) is read after each load.
  bool AutoLoadAnno() const { return autoLoadAnno_; }
  void SetAutoLoadAnno(bool value) { autoLoadAnno_ = value; }
  // The annotations are written before another picture is loaded and when the control goes.
  bool AutoSaveAnno() const { return autoSaveAnno_; }
  void SetAutoSaveAnno(bool value) { autoSaveAnno_ = value; }
  // The annotation file to use instead of the one named after the picture.
  QString AnnoFileName() const { return annoFileName_; }
  void SetAnnoFileName(const QString &value) { annoFileName_ = value; }
  // The mouse edits the annotations instead of grabbing the picture or drawing a band.
  bool EditAnnotat() const { return editAnnotat_; }
  void SetEditAnnotat(bool value);
  // Zoom and scroll position apply, with scroll bars when the picture overflows.
  bool Scrolling() const { return scrolling_; }
  void SetScrolling(bool value);
  // The scroll bars are shown when the picture overflows (the picture keeps room for them).
  bool ShowScrollbars() const { return showScrollbars_; }
  void SetShowScrollbars(bool value);
  // Stored only: how black-and-white pictures are copied.
  TBWImageFlagSet B_W_CopyFlags() const { return bwCopyFlags_; }
  void SetB_W_CopyFlags(TBWImageFlagSet value) { bwCopyFlags_ = value; }
  // Each replaced bitmap goes to the imaging library's four-deep undo history.
  bool KeepUndo() const { return keepUndo_; }
  void SetKeepUndo(bool value) { keepUndo_ = value; }
  // Stored only: the dithering of colour reductions.
  TSortDither ReduceDither() const { return reduceDither_; }
  void SetReduceDither(TSortDither value) { reduceDither_ = value; }
  // Stored only: the colour uncovered by a rotation.
  QColor RotateBackColor() const { return rotateBackColor_; }
  void SetRotateBackColor(const QColor &value) { rotateBackColor_ = value; }
  // The transition played when a loaded picture replaces the shown one.
  TFXMethod FXMethod() const { return fxMethod_; }
  void SetFXMethod(TFXMethod value) { fxMethod_ = value; }
  int FXDelay() const { return fxDelay_; }  // the transition's speed, passed to the effect
  void SetFXDelay(int value) { fxDelay_ = value; }
  // The width of the transition's strips and squares, in pixels.
  int FXColRowThick() const { return fxColRowThick_; }
  void SetFXColRowThick(int value) { fxColRowThick_ = value; }
  // The background: around the picture, and where there is none.
  QColor Color() const { return color_; }
  void SetColor(const QColor &value) { ChangeAndInvalidate(color_, value); }
  // The file SaveTiffFile writes when given no name.
  QString DefSaveFilename() const { return defSaveFilename_; }
  void SetDefSaveFilename(const QString &value) { defSaveFilename_ = value; }
  // Which of a Photo CD file's resolutions is read.
  TPCDMode PCDMode() const { return pcdMode_; }
  void SetPCDMode(TPCDMode value) { pcdMode_ = value; }
  // Pictures read at fewer colours than they have are dithered.
  bool ImageDither() const { return imageDither_; }
  void SetImageDither(bool value) { imageDither_ = value; }
  // The colour depth pictures are read at (lAutoMatic: the display's).
  TLoadResolution ImageReadRes() const { return imageReadRes_; }
  void SetImageReadRes(TLoadResolution value) { imageReadRes_ = value; }
  // How a one-bit picture is shrunk: sLight drops pixels, sDark keeps black, sLightest white.
  TBlitMode BlitMode() const { return blitMode_; }
  void SetBlitMode(TBlitMode value);
  // The colour depth SaveTiffFile writes at.
  TSaveResolution ImageWriteRes() const { return imageWriteRes_; }
  void SetImageWriteRes(TSaveResolution value) { imageWriteRes_ = value; }
  // The compression SaveTiffFile writes with.
  TTiffCompression TifSaveCompress() const { return tifSaveCompress_; }
  void SetTifSaveCompress(TTiffCompression value) { tifSaveCompress_ = value; }
  // The page of a TIFF file that is read, and the page annotations belong to.
  int16_t TiffPage() const { return tiffPage_; }
  void SetTiffPage(int16_t value) { tiffPage_ = value; }
  // SaveTiffFile adds a page to the file instead of replacing it.
  bool TiffAppend() const { return tiffAppend_; }
  void SetTiffAppend(bool value) { tiffAppend_ = value; }
  // Stored only: the quality and smoothing of JPEG writing.
  uint8_t JPegSaveQuality() const { return jpegSaveQuality_; }
  void SetJPegSaveQuality(int value);  // 1..100; anything else stores 25
  uint8_t JPegSaveSmooth() const { return jpegSaveSmooth_; }
  void SetJPegSaveSmooth(int value);  // 1..100; anything else stores 5
  // The button that draws the rubber band when AllowRubberBand is set.
  TMouseButton RubberBandBtn() const { return rubberBandBtn_; }
  void SetRubberBandBtn(TMouseButton value) { rubberBandBtn_ = value; }
  // The scroll bars' thickness, in pixels.
  int ScrollbarWidth() const { return scrollbarWidth_; }
  void SetScrollbarWidth(int value);
  // Stored only: PNG writing interlaced.
  bool PNGInterLaced() const { return pngInterlaced_; }
  void SetPNGInterLaced(bool value) { pngInterlaced_ = value; }
  // Stored only.
  bool P_Begin_End_Doc() const { return beginEndDoc_; }
  void SetP_Begin_End_Doc(bool value) { beginEndDoc_ = value; }
  // The picture fills the control, losing its proportions (turns StretchRatio off).
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  // The picture is zoomed to fit the control with its proportions (turns Stretch off).
  bool StretchRatio() const { return stretchRatio_; }
  void SetStretchRatio(bool value);
  // A text written over the picture at TextLeft, TextTop, turned by TextRotate degrees,
  // in the control's font, with an optional shadow and background.
  QString Text() const { return text_; }
  void SetText(const QString &value) { ChangeAndInvalidate(text_, value); }
  bool TextShadow() const { return textShadow_; }
  void SetTextShadow(bool value) { ChangeAndInvalidate(textShadow_, value); }
  QColor TextShadowColor = Qt::black;
  int TextLeft() const { return textLeft_; }
  void SetTextLeft(int value) { ChangeAndInvalidate(textLeft_, value); }
  int TextTop() const { return textTop_; }
  void SetTextTop(int value) { ChangeAndInvalidate(textTop_, value); }
  int TextRotate() const { return textRotate_; }
  void SetTextRotate(int value) { ChangeAndInvalidate(textRotate_, value); }
  bool TextTransParent() const { return textTransparent_; }
  void SetTextTransParent(bool value) { ChangeAndInvalidate(textTransparent_, value); }
  // The control takes the focus from the Tab key (and its scroll bars with it).
  bool TabStop() const;
  void SetTabStop(bool value);
  // The bitmap is repeated over the whole control.
  bool TileWindow() const { return tileWindow_; }
  void SetTileWindow(bool value) { ChangeAndInvalidate(tileWindow_, value); }
  // A mouse drag draws a rubber band of the control's proportions instead of grabbing.
  bool AllowRubberBand() const { return allowRubberBand_; }
  void SetAllowRubberBand(bool value) { allowRubberBand_ = value; }
  double Version() const { return version_; }  // the binding's LibraryVersion at construction
  // Stored only.
  int ZoomBy() const { return zoomBy_; }
  void SetZoomBy(int value) { zoomBy_ = value; }

  // ---- Image info (filled by ReadImageInfo) --------------------------------------------
  QString InfoFormat;
  int32_t InfoWidth = 0;
  int32_t InfoHeight = 0;
  int16_t InfoBitsPerPixel = 0;
  int16_t InfoExtra1 = 0;
  int16_t InfoExtra2 = 0;
  int32_t InfoFileSize = 0;
  QString InfoCompression;
  int16_t InfoPageCount = 0;

  // ---- Events; each receives the sender first -----------------------------------------
  std::function<void(TImageView *)> OnPictureChanged;  // after every change of the picture
  std::function<void(TImageView *)> OnPaint;           // at the end of every paint
  // The area the picture was drawn in (for a metafile: left, top, right, bottom).
  std::function<void(TImageView *, int x, int y, int xx, int yy)> OnPaintArea;
  // A reader's or writer's progress; setting `cancel` stops it.
  std::function<void(TImageView *, int16_t progress, const QString &message, bool &cancel)>
      OnProgress;
  // A failure of the imaging library; without a handler the failure is raised.
  std::function<void(TImageView *, int16_t code, const QString &text, const char *textZ)>
      OnLibError;
  std::function<void(TImageView *)> OnFinishedLoadSave;  // at the end of a load or a save
  // The rubber band just drawn: the button, the keys held, its start and end corners.
  std::function<void(TImageView *, TMouseButton, TShiftState, int x, int y, int xx, int yy)>
      OnRubberband;
  // The annotation layer's events: an edit finished, an object clicked, an object of the
  // program's own kind to draw on the window or into the bitmap, before and after each one.
  std::function<void(TImageView *)> OnAnnoDone;
  std::function<void(TImageView *, long object, bool selecting)> OnAnnoClick;
  std::function<void(TImageView *, HDC dc, const QString &name, int x, int y, int xx, int yy)>
      OnCustomAnnotationDraw;
  std::function<void(TImageView *, HBITMAP bitmap, const QString &name, int x, int y, int xx,
                     int yy)>
      OnCustomAnnotationHardDraw;
  std::function<void(TImageView *, int passCode, bool &canDraw, const QString &name)>
      OnBeforeAnnotationDraw;
  std::function<void(TImageView *, const QString &name)> OnAfterAnnotationDraw;
  // The control's own mouse, key and click events, raised before the component's handling.
  std::function<void(TImageView *)> OnClick;
  std::function<void(TImageView *)> OnDblClick;
  std::function<void(TImageView *, TMouseButton, TShiftState, int x, int y)> OnMouseDown;
  std::function<void(TImageView *, TShiftState, int x, int y)> OnMouseMove;
  std::function<void(TImageView *, TMouseButton, TShiftState, int x, int y)> OnMouseUp;
  std::function<void(TImageView *, int &key, TShiftState)> OnKeyDown;
  std::function<void(TImageView *, char &key)> OnKeyPress;
  std::function<void(TImageView *, int &key, TShiftState)> OnKeyUp;

  // The rubber band while it is drawn (control coordinates), for painting and tests.
  bool BandActive() const { return leftBand_ || rightBand_; }
  QRect BandRect() const {
    return QRect(QPoint(bandStartX_, bandStartY_), QPoint(bandEndX_, bandEndY_));
  }
  bool Grabbing() const { return grabbing_; }

 protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void keyReleaseEvent(QKeyEvent *event) override;
  bool event(QEvent *event) override;

 private:
  // Loading
  void ReportLibError();
  int ReadDepth() const;
  // The steps of ReadImageInfo, by where the description comes from.
  void DescribeResourcePicture();
  bool DescribeOwnFile(const QString &name, const QString &ext);
  bool DescribeLibraryFile(const QString &name, const QString &ext);
  static int16_t ProgressRelay(int16_t progress, void *user);
  int16_t ReportProgress(int16_t progress);
  void ReplaceWith(imaging::TBitmap &bitmap);
  void FinishLoad();
  // The steps of SetImageName, one for each way a file is read.
  void ForgetMissingFile(const QString &name);
  void LoadPlatformPicture(const QString &name);
  void LoadGuarded(const QString &name, const std::function<void()> &read);
  void LoadMessageFile(const QString &name, const QString &ext);
  void LoadThumbnailOrResource(const QString &name, const QString &ext);
  void LoadLibraryPicture(const QString &name, const QString &ext);
  bool ReadWithReaderOf(const platform::PictureFormat &format, const QString &name, int depth,
                        imaging::TBitmap &bitmap);
  void PushUndo();
  // The picture becomes `bitmap`; the bitmap it replaces goes to the undo history.
  void ReplaceBitmap(imaging::TBitmap &&bitmap);
  void LoadTickerFile(const QString &name);
  void LoadCreditsFile(const QString &name);
  void PrepareCreditsLine(const QString &line);
  // The message bitmap: `text` in the message font on the background colour.
  void RenderMessage(const QString &text, int width, int height);
  bool TickAllowsStep();
  std::optional<imaging::TBitmap> ControlSizedTransitionBitmap() const;
  void RunTransitionEffect(HDC window, HBITMAP from);
  void TickerStep();
  void CreditsStep();

  // Display
  void PictureChanged();
  void Paint(HDC canvas, QPainter &painter);
  // Draws the bitmap in the current view mode; returns the area OnPaintArea announces.
  QRect DrawBitmap(HDC canvas);
  void DrawGraphic(QPainter &painter);
  void DrawTiled(HDC canvas);
  // Fills the control around the picture, leaving `allowance` pixels right and bottom.
  void FillOutside(HDC canvas, const QRect &picture, int allowance);
  void DrawTextOverlay(QPainter &painter);
  void DrawBand(HDC canvas);
  void BoundsChanged();
  void ScrollBarMoved(QScrollBar *bar, int position);
  bool ImageLargerThanControl(int width, int height) const;

  // Stores a setting that shows, and repaints when it changed.
  template <class T>
  void ChangeAndInvalidate(T &setting, const T &value) {
    if (setting == value) return;
    setting = value;
    update();
  }

  // Mouse
  void GrabStep(int x, int y);
  void BandStep(int x, int y);

  // Annotation layer
  void InitAnnotationLayer();
  void SaveAnnotations(const QString &fileName);
  void DrawAnnotations(int allowance);
  void AnnotationMouse(uint32_t message, int x, int y);

  QString imageName_;
  bool loadingImage_ = false;
  bool isLoaded_ = false;
  bool annotationReady_ = false;
  bool annotationFailureShown_ = false;
  TPicture picture_;

  // View
  int scrollX_ = 0, scrollY_ = 0;
  double zoomFactor_ = 1.0;
  int savedScrollX_ = 0, savedScrollY_ = 0;
  double savedZoomFactor_ = 1.0;
  int centerOffsetX_ = 0, centerOffsetY_ = 0;
  bool layingOut_ = false;
  QImage *transitionSurface_ = nullptr;

  // Mouse
  bool leftBand_ = false, rightBand_ = false;
  int bandStartX_ = 0, bandStartY_ = 0, bandEndX_ = 0, bandEndY_ = 0;
  bool grabbing_ = false;
  int grabLastX_ = 0, grabLastY_ = 0;
  std::optional<QCursor> savedCursor_;

  // Messages and transitions
  bool tickerActive_ = false, creditsActive_ = false;
  imaging::TFont messageFont_;
  QImage messageBitmap_;
  QStringList messageLines_;
  int currentLineIndex_ = 0;
  QString currentLine_;
  QColor backgroundColor_;
  int speed_ = 0;
  int tickCounter_ = 0;
  QColor savedColor_;
  int messageX_ = 0, messageXEnd_ = 0, messageY_ = 0, messageYEnd_ = 0;
  int areaWidth_ = 0, areaHeight_ = 0;
  int textWidth_ = 0, textHeight_ = 0;
  imaging::TBitmap transitionBitmap_;

  // Properties
  int16_t grabHandCursor_ = 5;
  bool autoSize_ = false;
  bool center_ = false;
  TBorderStyle borderStyle_ = bsNone;
  bool autoLoadAnno_ = false;
  bool autoSaveAnno_ = false;
  QString annoFileName_;
  bool editAnnotat_ = false;
  bool scrolling_ = true;
  bool showScrollbars_ = true;
  TBWImageFlagSet bwCopyFlags_ = C_DEL;
  bool keepUndo_ = true;
  TSortDither reduceDither_ = sd_BAYER;
  QColor rotateBackColor_;
  TFXMethod fxMethod_ = FXNone;
  int fxDelay_ = 25;
  int fxColRowThick_ = 4;
  QColor color_;
  QString defSaveFilename_;
  TPCDMode pcdMode_ = pcd_BASE4;
  bool imageDither_ = false;
  TLoadResolution imageReadRes_ = lAutoMatic;
  TBlitMode blitMode_ = sLight;
  TSaveResolution imageWriteRes_ = sAutoMatic;
  TTiffCompression tifSaveCompress_ = sNONE;
  int16_t tiffPage_ = 0;
  bool tiffAppend_ = false;
  uint8_t jpegSaveQuality_ = 25;
  uint8_t jpegSaveSmooth_ = 0;
  TMouseButton rubberBandBtn_ = mbLeft;
  int scrollbarWidth_ = 12;
  bool pngInterlaced_ = false;
  bool beginEndDoc_ = true;
  bool stretch_ = false;
  bool stretchRatio_ = false;
  QString text_;
  bool textShadow_ = false;
  int textLeft_ = 0, textTop_ = 0, textRotate_ = 0;
  bool textTransparent_ = true;
  bool tileWindow_ = false;
  bool allowRubberBand_ = false;
  double version_ = 0;
  int zoomBy_ = 10;
};

// "Image illisible : <path> : <reason>", with a reason of its own when none is known.
QString UnreadablePictureText(const QString &path, const QString &reason);

}  // namespace imagecomp
