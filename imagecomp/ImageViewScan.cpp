// Taking a picture from the scanner.
#include "ImageView.h"

#include "Binding.h"
#include "ui/Cursors.h"
#include "win32/WinQt.h"

namespace imagecomp {

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

}  // namespace imagecomp
