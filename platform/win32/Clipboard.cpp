// The clipboard the Windows way, for pictures: CF_DIB blocks go in and come out, and the
// system clipboard carries the picture as an image for other programs.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <cstring>

#include "DibImage.h"
#include "WinApi.h"
#include "WinQt.h"

namespace {

struct ClipboardState {
  bool open = false;
  HGLOBAL dib = nullptr;  // the block the clipboard owns, when it came from us
  qint64 cacheKey = 0;    // the clipboard image the block stands for
};

ClipboardState &State() {
  static ClipboardState state;
  return state;
}

QClipboard *System() {
  return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
             ? QGuiApplication::clipboard()
             : nullptr;
}

void DropBlock() {
  ClipboardState &state = State();
  if (state.dib) {
    while (GlobalUnlock(state.dib)) {
    }
    GlobalFree(state.dib);
  }
  state.dib = nullptr;
  state.cacheKey = 0;
}

// A packed 24-bit DIB of `image`, for a picture another program put on the clipboard.
HGLOBAL DibOfImage(const QImage &image) {
  const size_t rowBytes = win32::DibRowBytes(image.width(), 24);
  const size_t bytes = win32::DibImageBytes(image.width(), image.height(), 24);
  if (bytes == 0) return nullptr;
  HGLOBAL block = GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + bytes);
  auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(block));
  if (header == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  *header = {sizeof(BITMAPINFOHEADER),
             image.width(),
             image.height(),
             1,
             24,
             BI_RGB,
             DWORD(bytes),
             2835,
             2835,
             0,
             0};
  win32::EncodeDib(image, 24, {}, true, header + 1, rowBytes * size_t(image.height()));
  GlobalUnlock(block);
  return block;
}

}  // namespace

extern "C" {

BOOL OpenClipboard(HWND) {
  if (State().open || System() == nullptr) return FALSE;
  State().open = true;
  return TRUE;
}

BOOL CloseClipboard(void) {
  if (!State().open) return FALSE;
  State().open = false;
  return TRUE;
}

BOOL EmptyClipboard(void) {
  if (!State().open) return FALSE;
  DropBlock();
  System()->clear();
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  if (!State().open || format != CF_DIB || data == nullptr) return nullptr;
  auto block = static_cast<HGLOBAL>(data);
  void *pointer = GlobalLock(block);
  const QImage image = ImageFromPackedDib(pointer, GlobalSize(block));
  GlobalUnlock(block);
  if (image.isNull()) return nullptr;
  DropBlock();
  System()->setImage(image);
  State().dib = block;  // the clipboard takes the block
  State().cacheKey = System()->image().cacheKey();
  return block;
}

HANDLE GetClipboardData(UINT format) {
  if (!State().open || format != CF_DIB) return nullptr;
  const QImage image = System()->image();
  if (image.isNull()) return nullptr;
  // Our own block while the clipboard still holds our picture, else one made from the image.
  if (State().dib && State().cacheKey == image.cacheKey()) return State().dib;
  DropBlock();
  State().dib = DibOfImage(image.convertToFormat(QImage::Format_RGB32));
  State().cacheKey = image.cacheKey();
  return State().dib;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  QClipboard *clipboard = System();
  if (clipboard == nullptr) return FALSE;
  const QMimeData *mime = clipboard->mimeData();
  if (mime == nullptr) return FALSE;
  if (format == CF_DIB) return mime->hasImage() ? TRUE : FALSE;
  if (format == CF_TEXT) return mime->hasText() ? TRUE : FALSE;
  return FALSE;
}

}  // extern "C"
