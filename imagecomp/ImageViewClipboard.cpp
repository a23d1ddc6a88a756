// Copying, cutting and pasting the picture as a CF_DIB block on the system clipboard.
#include "ImageView.h"

#include "Binding.h"
#include "DibBlock.h"
#include "win32/Handles.h"
#include "win32/WinQt.h"

namespace imagecomp {

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

}  // namespace imagecomp
