#pragma once
// A drawing surface with the geometry of the Windows device contexts the program was
// designed on: Rectangle(l, t, r, b) covers columns l .. r-1 and rows t .. b-1 with the
// outline inside, pens are solid or dotted, brushes solid or clear. The layout's pixel
// arithmetic is only right when the surface honours exactly these rules, so rectangles
// are filled as integer pixel runs rather than stroked by QPainter.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <memory>

namespace platform {

class Picture;

enum class PenStyle { Solid, Dot };
enum class BrushStyle { Solid, Clear };

// The line a canvas draws with.
struct Pen {
  QColor color = Qt::black;
  int width = 1;
  PenStyle style = PenStyle::Solid;
};

// The fill a canvas paints with.
struct Brush {
  QColor color = Qt::white;
  BrushStyle style = BrushStyle::Solid;
};

// The drawing surface itself, over a bitmap or a painter.
class Canvas {
 public:
  // A canvas on a bitmap; the bitmap must outlive the canvas.
  explicit Canvas(QImage &bitmap);
  // A canvas on a device that someone else paints (a printer page). `raster` tells
  // whether the device is a pixel image (stretches are then done pixel-exactly here).
  Canvas(QPainter &painter, int dotsPerInch, bool raster, bool printer);
  ~Canvas();
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;

  Pen pen;
  Brush brush;

  // Fills with the brush and outlines with the pen, inside the rectangle.
  void Rectangle(int left, int top, int right, int bottom);
  // Plain block copy from a bitmap canvas; parts outside the source stay untouched.
  void CopyRect(const QRect &dest, const Canvas &source, const QRect &sourceRect);
  // The picture stretched into `rect` (a metafile is played into it).
  void StretchDraw(const QRect &rect, const Picture &picture);
  // The picture at its own size.
  void Draw(int x, int y, const Picture &picture);
  // An image stretched into `dest`: exact nearest-pixel stretch on raster devices,
  // the device's own scaling elsewhere (a PDF keeps the pixels and scales them itself).
  void StretchImage(const QRect &dest, const QImage &image);

  bool IsPrinter() const { return printer_; }
  bool IsRaster() const { return raster_; }
  int DotsPerInch() const { return dpi_; }
  // The bitmap under a bitmap canvas, nullptr on other devices.
  const QImage *Bitmap() const { return bitmap_; }
  QPainter &Painter() { return *painter_; }

 private:
  void FillRun(int left, int top, int width, int height, const QColor &color);
  void DottedOutline(int left, int top, int right, int bottom);
  void EndPainting();

  QImage *bitmap_ = nullptr;
  std::unique_ptr<QPainter> ownPainter_;
  QPainter *painter_ = nullptr;
  int dpi_ = 96;
  bool raster_ = true;
  bool printer_ = false;
};

}  // namespace platform
