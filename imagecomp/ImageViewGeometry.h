#pragma once
// Where the image component's picture shows in the control: plain numbers in, rectangles
// out, so every display mode can be checked without painting. Rectangles are Qt's
// (left, top, width, height); the painter hands them to StretchBlt and BitBlt unchanged.
#include <QPoint>
#include <QRect>

namespace imagecomp {

// The view settings and sizes that decide where a bitmap is drawn.
struct BitmapViewState {
  int controlWidth = 0, controlHeight = 0;
  int bitmapWidth = 0, bitmapHeight = 0;
  bool stretch = false;          // Stretch: the bitmap fills the control, proportions lost
  bool stretchRatio = false;     // StretchRatio: zoomed by `zoom`, set to fit by the component
  bool scrolling = true;         // Scrolling: zoom and scroll position apply
  bool center = false;           // Center: a picture smaller than the control sits in its middle
  double zoom = 1.0;             // screen pixels per picture pixel
  int scrollX = 0, scrollY = 0;  // the picture pixel shown at the control's top-left corner
  int barAllowance = 0;  // room kept right and bottom for the scroll bars (0 when they are hidden)
};

enum class BitmapViewMode {
  Stretched,  // the whole bitmap scaled to the whole control
  Plain,      // the bitmap at its own size, at the top-left corner or centred
  Zoomed,     // the bitmap zoomed; the part that fits is shown from the scroll position
};

struct BitmapPlacement {
  BitmapViewMode mode = BitmapViewMode::Plain;
  QRect source;     // the picture pixels copied
  QRect target;     // the control pixels they are copied to
  QRect paintArea;  // the area the component announces through OnPaintArea
  // Zoomed only: the room kept for the scroll bars when the picture overflows the control,
  // and where a centred picture starts (both 0 in the other modes).
  int allowance = 0;
  QPoint centerOffset;
};

BitmapPlacement PlaceBitmap(const BitmapViewState &view);

// One scroll bar, for one side of the picture: `pictureSize` picture pixels zoomed by `zoom`
// in `controlSize` control pixels, the bar `barWidth` thick, scrolled to picture pixel
// `scroll`. The range runs from 0 to `maximum` in screen pixels; `value` is the scroll
// position in screen pixels, held to the range.
struct ScrollBarSetting {
  int maximum = 0, value = 0;
};
ScrollBarSetting ScrollBarFor(int pictureSize, double zoom, int controlSize, int barWidth,
                              int scroll);

// A metafile or icon of pictureWidth x pictureHeight: the whole control when stretched,
// else its own size at the top-left corner or centred.
QRect GraphicTarget(int controlWidth, int controlHeight, int pictureWidth, int pictureHeight,
                    bool stretch, bool center);

// The bitmap scaled to fit the control with its proportions, centred (the frame a transition
// ends on when the picture is fitted).
QRect FittedTarget(int controlWidth, int controlHeight, int bitmapWidth, int bitmapHeight);

}  // namespace imagecomp
