// The component itself: construction, setting up after the owner's properties, the
// platform's messages it answers, and the plain properties. Its other concerns have files
// of their own (ImageViewLoad, ImageViewPaint, ImageViewScroll, ImageViewInput, ...).
#include "ImageView.h"

#include <QFrame>
#include <QScrollBar>
#include <utility>

#include "Binding.h"
#include "ui/Cursors.h"
#include "win32/WinQt.h"

namespace imagecomp {

namespace {

// The messages the component posts to itself and the annotation layer sends it.
constexpr UINT kTickerStepMessage = WM_USER + 1;           // a ticker step: one pixel left
constexpr UINT kCreditsStepMessage = WM_USER + 2;          // a credits step: one pixel up
constexpr UINT kAnnotationClickMessage = WM_USER + 0x201;  // an annotation was clicked

constexpr int kDesignSize = 105;  // the control's width and height before its owner sizes it
// The scroll bars' settings until the first layout gives them the picture's range.
constexpr int kInitialBarRange = 100, kInitialBarStep = 5, kInitialBarPage = 25;
// What the JPEG settings store for a value outside 1..100.
constexpr int kJpegQualityOutOfRange = 25, kJpegSmoothOutOfRange = 5;

}  // namespace

TImageView::TImageView(QWidget *owner) : QWidget(owner) {
  setFocusPolicy(Qt::StrongFocus);  // a tab stop
  setMouseTracking(true);
  setGeometry(0, 0, kDesignSize, kDesignSize);
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
    bar->setRange(0, kInitialBarRange);
    bar->setValue(0);
    bar->setSingleStep(kInitialBarStep);
    bar->setPageStep(kInitialBarPage);
    layingOut_ = wasLayingOut;
  }
  CornerPanel->setFrameShape(QFrame::NoFrame);
  LayoutScrollbars();
  InitAnnotationLayer();
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

bool TImageView::TabStop() const {
  return focusPolicy() & Qt::TabFocus;
}

void TImageView::SetTabStop(bool value) {
  setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TImageView::SetJPegSaveQuality(int value) {
  jpegSaveQuality_ = uint8_t(value >= 1 && value <= 100 ? value : kJpegQualityOutOfRange);
}

void TImageView::SetJPegSaveSmooth(int value) {
  jpegSaveSmooth_ = uint8_t(value >= 1 && value <= 100 ? value : kJpegSmoothOutOfRange);
}

void TImageView::SetGrabHandCursor(int16_t number) {
  if (number == grabHandCursor_) return;
  grabHandCursor_ = number;
  platform::RegisterCursor(number, platform::LoadCursorResource(QStringLiteral("GRABHAND")));
}

}  // namespace imagecomp
