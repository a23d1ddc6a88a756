#pragma once
// The C++ side of the Windows objects: how Qt code hands its painters, images and widgets
// to the Windows-shaped API of WinApi.h, and reads bitmaps and palettes back as Qt values.
#include <QEvent>
#include <QImage>
#include <QList>
#include <QRgb>
#include <cstddef>

#include "WinApi.h"

class QPainter;
class QWidget;

// A device context that draws with `painter` (which must outlive the DC). Its depth is
// the painter's device depth, its size the device's. Free it with DeleteDC; the painter
// is left as it was found. This is what a canvas over QPainter hands to BitBlt,
// StretchBlt and StretchDIBits.
HDC CreateDCForPainter(QPainter *painter);
// While a widget paints, it registers its painter here (nullptr when done): GetDC of its
// window then gives a DC that draws with that painter, as a window DC draws on the window.
// Outside painting, GetDC(window) gives an information-only screen DC.
void MxSetWindowPainter(HWND window, QPainter *painter);

// A device context that draws onto `image` (which must outlive the DC).
HDC CreateDCForImage(QImage *image);

// A window DC for effects drawn outside painting: it draws onto `surface` (which must
// outlive the DC) like CreateDCForImage, and repaints `window` after every drawing call,
// so that a picture built piece by piece is seen step by step. The window shows the
// surface in its own paint code. Once the window is gone, the DC still draws on the
// surface and repaints nothing. Free it with DeleteDC.
HDC CreateDCForWindow(QWidget *window, QImage *surface);

// A device-dependent bitmap holding a copy of `image` (32 bits, or 1 bit for a mono
// image). The caller owns it.
HBITMAP CreateBitmapFromImage(const QImage &image);
// A 32-bit device-dependent bitmap whose pixels are the top-down rows that `block` holds
// from `offset` on (4 bytes a pixel: blue, green, red, 255), without a copy; the caller
// owns it. The block may be freed right after: the bitmap, and every image of it, keeps
// the block's memory. ImageOfBitmap then gives an image sharing these pixels (no copy),
// and a change drawn on the bitmap while such an image lives is copied first. Null when
// the block does not hold that many rows.
HBITMAP CreateBitmapOnBlock(HGLOBAL block, size_t offset, int width, int height);
// The pixels of a bitmap (a DDB or a DIB section) as an image; null for a dead handle.
// Palette-based bitmaps come back as Format_Indexed8 or Format_Mono with their colours.
QImage ImageOfBitmap(HBITMAP bitmap);
// Replaces the pixels of a bitmap with `image` (same size), converting to its depth.
bool SetBitmapImage(HBITMAP bitmap, const QImage &image);

// The colours of a palette, in order; empty for a dead handle.
QList<QRgb> PaletteColors(HPALETTE palette);
HPALETTE CreatePaletteFromColors(const QList<QRgb> &colors);

// The pixels of a packed DIB (header, colour table, rows) as an image: 1, 4, 8, 16, 24
// and 32 bits, run-length encoded 4 and 8 bits included. Null when the header is not
// sound or `available` bytes do not hold what it announces.
QImage ImageFromPackedDib(const void *packedDib, size_t available);

// Windows are widgets.
inline HWND HwndOfWidget(QWidget *widget) {
  return reinterpret_cast<HWND>(widget);
}
QWidget *WidgetOfHwnd(HWND window);  // null when the widget no longer exists

// A message sent with SendMessage or PostMessage reaches the widget as this event.
class WinMessageEvent : public QEvent {
 public:
  static QEvent::Type EventType();
  WinMessageEvent(UINT message, WPARAM w, LPARAM l)
      : QEvent(EventType()), Message(message), WParam(w), LParam(l) {}
  UINT Message;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result = 0;
};
