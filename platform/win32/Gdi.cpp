// Bitmaps, palettes, pens, brushes and device contexts over QImage and QPainter.
//
// A device-dependent bitmap keeps its pixels in a QImage (RGB32, or Mono for one bit)
// and reports the depth it was made at; a DIB section keeps the caller's packed-DIB
// memory and is decoded and re-encoded around each drawing call, row range by row range.
// Every handle is checked against the live set, so stale handles fail as on Windows.
#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QThread>
#include <QTransform>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "DibImage.h"
#include "GlobalMemory.h"
#include "WinQt.h"

namespace {

enum class Kind { Bitmap, Palette, Pen, Brush, Region };

struct GdiObject {
  explicit GdiObject(Kind k) : kind(k) {}
  virtual ~GdiObject() = default;
  Kind kind;
  bool stock = false;
  int selections = 0;  // DCs this object is selected into
};

struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(Kind::Bitmap) {}
  ~BitmapObject() override {
    if (!sharedBits) std::free(dibBits);
  }
  int width = 0;
  int height = 0;
  int bitCount = 32;
  // Device-dependent bitmap
  QImage image;
  // DIB section
  bool dibSection = false;
  BITMAPINFOHEADER header{};
  QList<QRgb> colors;  // colour table, or the three masks of BI_BITFIELDS
  uint8_t *dibBits = nullptr;
  size_t dibBytes = 0;
  std::shared_ptr<uint8_t> sharedBits;  // a section made on a global block
};

struct PaletteObject : GdiObject {
  PaletteObject() : GdiObject(Kind::Palette) {}
  std::vector<PALETTEENTRY> entries;
  QList<QRgb> Colors() const {
    QList<QRgb> colors;
    for (const auto &e : entries) colors.append(qRgb(e.peRed, e.peGreen, e.peBlue));
    return colors;
  }
};

struct PenObject : GdiObject {
  PenObject() : GdiObject(Kind::Pen) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};

struct BrushObject : GdiObject {
  BrushObject() : GdiObject(Kind::Brush) {}
  bool hollow = false;
  COLORREF color = 0;
};

struct RegionObject : GdiObject {
  RegionObject() : GdiObject(Kind::Region) {}
  QRegion region;
};

enum class DcKind { Screen, Memory, Painter, Image };

struct DcObject {
  DcKind kind = DcKind::Screen;
  BitmapObject *bitmap = nullptr;  // memory DC
  std::unique_ptr<BitmapObject> defaultBitmap;
  PaletteObject *palette = nullptr;
  PenObject *pen = nullptr;
  BrushObject *brush = nullptr;
  QPainter *painter = nullptr;
  QImage *image = nullptr;
  // A window DC draws on `image` and repaints the window after each drawing call.
  bool windowDc = false;
  QPointer<QWidget> window;
  int stretchMode = BLACKONWHITE;
  int rop2 = R2_COPYPEN;
  int bkMode = OPAQUE;
  COLORREF bkColor = RGB(255, 255, 255);
  COLORREF textColor = 0;
  POINT position{0, 0};
};

// Every GDI call comes from the GUI thread (the program starts no other), so the tables
// take no lock.
struct Gdi {
  std::unordered_set<GdiObject *> objects;
  std::unordered_set<DcObject *> dcs;
  int screenBits = 0;  // override; 0: the real screen
  int screenPalette = 0;
  PaletteObject *defaultPalette = nullptr;
  GdiObject *stock[16] = {};
  std::unordered_map<HWND, QPainter *> windowPainters;
};

Gdi &TheGdi() {
  static Gdi *gdi = new Gdi;  // never destroyed: objects may be freed during exit
  return *gdi;
}

QColor ToColor(COLORREF c) {
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

template <class T>
T *LiveObject(HGDIOBJ handle, Kind kind) {
  Gdi &gdi = TheGdi();
  auto *object = static_cast<GdiObject *>(handle);
  if (object == nullptr || !gdi.objects.count(object) || object->kind != kind) return nullptr;
  return static_cast<T *>(object);
}

BitmapObject *LiveBitmap(HGDIOBJ h) {
  return LiveObject<BitmapObject>(h, Kind::Bitmap);
}
PaletteObject *LivePalette(HGDIOBJ h) {
  return LiveObject<PaletteObject>(h, Kind::Palette);
}
RegionObject *LiveRegion(HGDIOBJ h) {
  return LiveObject<RegionObject>(h, Kind::Region);
}
BrushObject *LiveBrush(HGDIOBJ h) {
  return LiveObject<BrushObject>(h, Kind::Brush);
}

DcObject *LiveDc(HDC handle) {
  auto *dc = reinterpret_cast<DcObject *>(handle);
  return (dc && TheGdi().dcs.count(dc)) ? dc : nullptr;
}

template <class T>
T *Register(std::unique_ptr<T> object) {
  T *raw = object.release();
  TheGdi().objects.insert(raw);
  return raw;
}

int ScreenBits() {
  const Gdi &gdi = TheGdi();
  return gdi.screenBits ? gdi.screenBits : 32;
}
int ScreenPaletteSize() {
  return TheGdi().screenBits ? TheGdi().screenPalette : 0;
}

PaletteObject *DefaultPalette() {
  Gdi &gdi = TheGdi();
  if (gdi.defaultPalette == nullptr) {
    auto palette = std::make_unique<PaletteObject>();
    for (QRgb c : win32::SystemPaletteColors(20))
      palette->entries.push_back({BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)), 0});
    palette->stock = true;
    gdi.defaultPalette = Register(std::move(palette));
  }
  return gdi.defaultPalette;
}

GdiObject *StockObject(int index) {
  Gdi &gdi = TheGdi();
  if (index < 0 || index >= 16) return nullptr;
  if (index == DEFAULT_PALETTE) return DefaultPalette();
  if (gdi.stock[index]) return gdi.stock[index];
  GdiObject *made = nullptr;
  switch (index) {
    case WHITE_BRUSH:
    case BLACK_BRUSH:
    case NULL_BRUSH: {
      auto brush = std::make_unique<BrushObject>();
      brush->hollow = index == NULL_BRUSH;
      brush->color = index == BLACK_BRUSH ? RGB(0, 0, 0) : RGB(255, 255, 255);
      made = Register(std::move(brush));
      break;
    }
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN: {
      auto pen = std::make_unique<PenObject>();
      pen->style = index == NULL_PEN ? PS_NULL : PS_SOLID;
      pen->color = index == WHITE_PEN ? RGB(255, 255, 255) : RGB(0, 0, 0);
      made = Register(std::move(pen));
      break;
    }
    default:
      return nullptr;
  }
  made->stock = true;
  gdi.stock[index] = made;
  return made;
}

std::unique_ptr<BitmapObject> MakeDdb(int width, int height, int bitCount) {
  auto bitmap = std::make_unique<BitmapObject>();
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bitCount = bitCount;
  if (bitCount == 1) {
    bitmap->image = QImage(width, height, QImage::Format_Mono);
    if (bitmap->image.isNull()) return nullptr;
    bitmap->image.setColorTable(win32::StandardColorTable(1));
    bitmap->image.fill(0);
  } else {
    bitmap->image = QImage(width, height, QImage::Format_RGB32);
    if (bitmap->image.isNull()) return nullptr;
    bitmap->image.fill(Qt::black);
  }
  return bitmap;
}

// The pixels of rows [top, top + rows) of a bitmap, top-down.
QImage BitmapRows(const BitmapObject &bitmap, int top, int rows) {
  top = std::clamp(top, 0, bitmap.height);
  rows = std::clamp(rows, 0, bitmap.height - top);
  if (rows == 0) return {};
  if (!bitmap.dibSection) {
    if (top == 0 && rows == bitmap.height) return bitmap.image;
    return bitmap.image.copy(0, top, bitmap.width, rows);
  }
  const size_t rowBytes = win32::DibRowBytes(bitmap.width, bitmap.bitCount);
  const bool topDown = bitmap.header.biHeight < 0;
  // Stored bottom-up, the first row we want lies `rows` rows above the bottom of the range.
  const size_t firstStored = topDown ? size_t(top) : size_t(bitmap.height - top - rows);
  BITMAPINFOHEADER header = bitmap.header;
  header.biHeight = topDown ? -rows : rows;
  return win32::DecodeDib(header, bitmap.colors, bitmap.dibBits + firstStored * rowBytes,
                          size_t(rows) * rowBytes);
}

// Writes rows [top, top + image.height()) of a bitmap from `image`.
void StoreBitmapRows(BitmapObject &bitmap, int top, const QImage &image) {
  if (image.isNull()) return;
  const int rows = std::min(image.height(), bitmap.height - top);
  if (rows <= 0 || top < 0) return;
  if (!bitmap.dibSection) {
    if (bitmap.bitCount == 1) {
      const QImage mono = image.convertToFormat(QImage::Format_Mono, win32::StandardColorTable(1),
                                                Qt::ThresholdDither);
      for (int y = 0; y < rows; ++y)
        std::memcpy(bitmap.image.scanLine(top + y), mono.constScanLine(y),
                    size_t(std::min(mono.bytesPerLine(), bitmap.image.bytesPerLine())));
    } else {
      QPainter painter(&bitmap.image);
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.drawImage(0, top, image, 0, 0, bitmap.width, rows);
    }
    return;
  }
  const size_t rowBytes = win32::DibRowBytes(bitmap.width, bitmap.bitCount);
  const bool topDown = bitmap.header.biHeight < 0;
  const size_t firstStored = topDown ? size_t(top) : size_t(bitmap.height - top - rows);
  QList<QRgb> colors = bitmap.colors;
  if (bitmap.bitCount <= 8 && colors.isEmpty()) colors = win32::StandardColorTable(bitmap.bitCount);
  win32::EncodeDib(image.copy(0, 0, bitmap.width, rows), bitmap.bitCount, colors, !topDown,
                   bitmap.dibBits + firstStored * rowBytes, size_t(rows) * rowBytes);
}

// A place to draw on for one call: the DC's painter, its image, or a working copy of
// the rows of the selected bitmap that the call touches, written back at the end.
class Surface {
 public:
  Surface(DcObject *dc, QRect area) : dc_(dc) {
    if (dc == nullptr) return;
    switch (dc->kind) {
      case DcKind::Screen:
        return;
      case DcKind::Painter:
        painter_ = dc->painter;
        if (painter_ && painter_->isActive())
          painter_->save();
        else
          painter_ = nullptr;
        return;
      case DcKind::Image:
        if (dc->image && !dc->image->isNull()) {
          if (dc->image->format() == QImage::Format_Indexed8 ||
              dc->image->format() == QImage::Format_Mono ||
              dc->image->format() == QImage::Format_MonoLSB)
            *dc->image = dc->image->convertToFormat(QImage::Format_RGB32);
          own_.emplace(dc->image);
          painter_ = &*own_;
        }
        return;
      case DcKind::Memory: {
        bitmap_ = dc->bitmap;
        if (bitmap_ == nullptr) return;
        const QRect rows = area.intersected(QRect(0, 0, bitmap_->width, bitmap_->height));
        if (rows.isEmpty()) return;
        top_ = rows.top();
        offset_ = QPoint(0, -top_);
        if (!bitmap_->dibSection && bitmap_->bitCount != 1) {
          // Draw straight into the device-dependent bitmap's own pixels.
          own_.emplace(&bitmap_->image);
          offset_ = QPoint();
          bitmap_ = nullptr;
        } else {
          work_ =
              BitmapRows(*bitmap_, rows.top(), rows.height()).convertToFormat(QImage::Format_RGB32);
          own_.emplace(&work_);
        }
        painter_ = &*own_;
        painter_->translate(offset_);
        return;
      }
    }
  }
  ~Surface() {
    if (dc_ && dc_->kind == DcKind::Painter && painter_) painter_->restore();
    if (own_) own_->end();
    if (bitmap_ && !work_.isNull()) StoreBitmapRows(*bitmap_, top_, work_);
  }
  QPainter *Painter() const { return painter_; }

 private:
  DcObject *dc_;
  QPainter *painter_ = nullptr;
  std::optional<QPainter> own_;
  BitmapObject *bitmap_ = nullptr;
  QImage work_;
  int top_ = 0;
  QPoint offset_;
};

// Drawing on a window DC shows at once, as drawing on a window does. Declared first in
// each drawing call, it repaints once the call has drawn and its surface is written back;
// armed only for a live window DC, and silent once the window is gone.
class RepaintAfter {
 public:
  RepaintAfter() = default;
  RepaintAfter(const RepaintAfter &) = delete;
  RepaintAfter &operator=(const RepaintAfter &) = delete;
  void Arm(const DcObject *dc) {
    if (dc && dc->windowDc) window_ = dc->window;
  }
  ~RepaintAfter() {
    QWidget *window = window_.data();
    if (window == nullptr) return;
    if (QThread::currentThread() == window->thread())
      window->repaint();
    else  // a widget paints on its own thread only
      QMetaObject::invokeMethod(
          window, [window] { window->update(); }, Qt::QueuedConnection);
  }

 private:
  QPointer<QWidget> window_;
};

constexpr int kR2Nop = 11;  // the destination is left alone

// Sets up `painter` to mix a pen or brush of `color` into the pixels under it by a line
// mix mode (R2_BLACK .. R2_WHITE); the modes that ignore the pen change `color`. False
// when the device cannot mix that way (a printer or PDF engine has no raster operations).
bool ApplyRop2(QPainter &painter, int mode, QColor &color) {
  const QPaintEngine *engine = painter.paintEngine();
  if (mode == R2_BLACK || mode == R2_WHITE || mode == R2_COPYPEN) {
    if (mode != R2_COPYPEN) color = mode == R2_BLACK ? Qt::black : Qt::white;
    if (engine && engine->hasFeature(QPaintEngine::PorterDuff))
      painter.setCompositionMode(QPainter::CompositionMode_Source);
    return true;
  }
  if (engine && !engine->hasFeature(QPaintEngine::RasterOpModes)) return false;
  // P is the pen, D the destination.
  switch (mode) {
    case 2:  // ~(P | D)
      painter.setCompositionMode(QPainter::RasterOp_NotSourceAndNotDestination);
      return true;
    case 3:  // ~P & D
      painter.setCompositionMode(QPainter::RasterOp_NotSourceAndDestination);
      return true;
    case 4:  // ~P
      painter.setCompositionMode(QPainter::RasterOp_NotSource);
      return true;
    case 5:  // P & ~D
      painter.setCompositionMode(QPainter::RasterOp_SourceAndNotDestination);
      return true;
    case R2_NOT:
      painter.setCompositionMode(QPainter::RasterOp_NotDestination);
      return true;
    case R2_XORPEN:
      painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      return true;
    case 8:  // ~(P & D)
      painter.setCompositionMode(QPainter::RasterOp_NotSourceOrNotDestination);
      return true;
    case 9:  // P & D
      painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
      return true;
    case 10:  // ~(P ^ D)
      painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
      return true;
    case 12:  // ~P | D
      painter.setCompositionMode(QPainter::RasterOp_NotSourceOrDestination);
      return true;
    case 14:  // P | ~D
      painter.setCompositionMode(QPainter::RasterOp_SourceOrNotDestination);
      return true;
    case 15:  // P | D
      painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
      return true;
    default:
      return false;
  }
}

// Mixes `color` into exactly the pixels of `rects` by the line mix `mode`.
bool MixRects(QPainter &painter, std::span<const QRect> rects, int mode, QColor color) {
  if (mode == kR2Nop) return true;
  if (!ApplyRop2(painter, mode, color)) return false;
  for (const QRect &rect : rects) painter.fillRect(rect, color);
  return true;
}

// The part of a DC's coordinates that lands on its pixels; empty for a screen DC.
QRect DrawableArea(const DcObject *dc) {
  switch (dc->kind) {
    case DcKind::Memory:
      return dc->bitmap ? QRect(0, 0, dc->bitmap->width, dc->bitmap->height) : QRect();
    case DcKind::Image:
      return dc->image ? dc->image->rect() : QRect();
    case DcKind::Painter: {
      const QPaintDevice *device = dc->painter ? dc->painter->device() : nullptr;
      if (device == nullptr) return {};
      bool invertible = false;
      const QTransform toLogical = dc->painter->combinedTransform().inverted(&invertible);
      if (!invertible) return {};
      return toLogical.mapRect(QRect(0, 0, device->width(), device->height()))
          .adjusted(-1, -1, 1, 1);
    }
    case DcKind::Screen:
      return {};
  }
  return {};
}

// GDI keeps coordinates within 27 bits; so do we, which keeps the line arithmetic exact.
QPoint GdiPoint(int64_t x, int64_t y) {
  constexpr int64_t kLimit = int64_t(1) << 27;
  return QPoint(int(std::clamp(x, -kLimit, kLimit - 1)), int(std::clamp(y, -kLimit, kLimit - 1)));
}

// n / d rounded half away from zero, for d > 0.
int64_t RoundedQuotient(int64_t n, int64_t d) {
  return n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d));
}

// The pixels of a one-pixel line inside `area`, as runs of pixels. The start point is
// drawn and the end point is not, as GDI draws lines: the lines of a closed path then
// cover each of its pixels once, which an inverting pen needs to come back to the start.
std::vector<QRect> LinePixels(QPoint from, QPoint to, const QRect &area) {
  std::vector<QRect> runs;
  const int64_t dx = int64_t(to.x()) - from.x(), dy = int64_t(to.y()) - from.y();
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const int64_t steps = xMajor ? std::abs(dx) : std::abs(dy);
  if (steps == 0 || area.isEmpty()) return runs;
  // Walk only the steps whose major coordinate lies in the area: a line that runs far
  // outside the pixels costs nothing.
  const int64_t start = xMajor ? from.x() : from.y();
  const int64_t direction = (xMajor ? dx : dy) > 0 ? 1 : -1;
  const int64_t low = xMajor ? area.left() : area.top();
  const int64_t high = xMajor ? area.right() : area.bottom();
  const int64_t first = std::max<int64_t>(direction > 0 ? low - start : start - high, 0);
  const int64_t last = std::min<int64_t>(direction > 0 ? high - start : start - low, steps - 1);
  for (int64_t i = first; i <= last; ++i) {
    const int64_t minor = RoundedQuotient(i * (xMajor ? dy : dx), steps);
    const int x = int(xMajor ? from.x() + direction * i : from.x() + minor);
    const int y = int(xMajor ? from.y() + minor : from.y() + direction * i);
    if (!area.contains(x, y)) continue;
    if (!runs.empty()) {
      QRect &run = runs.back();
      if (run.height() == 1 && run.top() == y && (x == run.right() + 1 || x == run.left() - 1)) {
        run.setLeft(std::min(run.left(), x));
        run.setRight(std::max(run.right(), x));
        continue;
      }
      if (run.width() == 1 && run.left() == x && (y == run.bottom() + 1 || y == run.top() - 1)) {
        run.setTop(std::min(run.top(), y));
        run.setBottom(std::max(run.bottom(), y));
        continue;
      }
    }
    runs.emplace_back(x, y, 1, 1);
  }
  return runs;
}

// One pixel per block of source pixels for a shrinking copy in BLACKONWHITE (each channel
// keeps the darkest value of its block) or WHITEONBLACK (the lightest) mode, so that a
// thin line of a monochrome picture survives the shrinking. `rect` lies inside `source`
// (32 bits per pixel) and is at least `width` x `height`.
template <bool kDarkest>
QImage CombineBlocks(const QImage &source, const QRect &rect, int width, int height) {
  QImage out(width, height, QImage::Format_RGB32);
  if (out.isNull()) return out;
  std::vector<int> columns(size_t(width) + 1);
  for (int i = 0; i <= width; ++i)
    columns[size_t(i)] = rect.left() + int(int64_t(i) * rect.width() / width);
  const uint8_t initial = kDarkest ? 0xFF : 0x00;
  const auto blocks = size_t(width);
  std::vector<uint8_t> red(blocks), green(blocks), blue(blocks);
  for (int j = 0; j < height; ++j) {
    std::fill(red.begin(), red.end(), initial);
    std::fill(green.begin(), green.end(), initial);
    std::fill(blue.begin(), blue.end(), initial);
    const int top = rect.top() + int(int64_t(j) * rect.height() / height);
    const int bottom = rect.top() + int(int64_t(j + 1) * rect.height() / height);
    for (int y = top; y < bottom; ++y) {
      const auto *row = reinterpret_cast<const QRgb *>(source.constScanLine(y));
      for (int i = 0; i < width; ++i) {
        uint8_t r = red[size_t(i)], g = green[size_t(i)], b = blue[size_t(i)];
        for (int x = columns[size_t(i)], end = columns[size_t(i) + 1]; x < end; ++x) {
          const QRgb p = row[x];
          const auto pr = uint8_t(p >> 16), pg = uint8_t(p >> 8), pb = uint8_t(p);
          if (kDarkest) {
            r = pr < r ? pr : r;
            g = pg < g ? pg : g;
            b = pb < b ? pb : b;
          } else {
            r = pr > r ? pr : r;
            g = pg > g ? pg : g;
            b = pb > b ? pb : b;
          }
        }
        red[size_t(i)] = r;
        green[size_t(i)] = g;
        blue[size_t(i)] = b;
      }
    }
    auto *line = reinterpret_cast<QRgb *>(out.scanLine(j));
    for (int i = 0; i < width; ++i)
      line[i] = qRgb(red[size_t(i)], green[size_t(i)], blue[size_t(i)]);
  }
  return out;
}

// The source rectangle shrunk to `size` by the DC's BLACKONWHITE or WHITEONBLACK rule;
// null when the rectangle reaches outside the pixels (then the copy picks pixels instead).
QImage CombinedPixels(const QImage &pixels, const QRect &rect, QSize size, bool darkest) {
  if (!pixels.rect().contains(rect) || size.isEmpty()) return {};
  const QImage::Format format = pixels.format();
  const bool wide = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32;
  // Read in place when the pixels are already 32-bit, else convert only the rectangle.
  const QImage source = wide ? pixels : pixels.copy(rect).convertToFormat(QImage::Format_RGB32);
  const QRect within = wide ? rect : QRect(QPoint(0, 0), rect.size());
  if (source.isNull()) return {};
  return darkest ? CombineBlocks<true>(source, within, size.width(), size.height())
                 : CombineBlocks<false>(source, within, size.width(), size.height());
}

bool ApplyRop(QPainter &painter, DWORD rop) {
  const QPaintEngine *engine = painter.paintEngine();
  if (rop == SRCCOPY) {
    // A printer or PDF engine has no Porter-Duff modes; an opaque picture drawn over is
    // the same copy there.
    if (engine && engine->hasFeature(QPaintEngine::PorterDuff))
      painter.setCompositionMode(QPainter::CompositionMode_Source);
    return true;
  }
  if (engine && !engine->hasFeature(QPaintEngine::RasterOpModes)) return false;
  switch (rop) {
    case SRCPAINT:
      painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
      return true;
    case SRCAND:
      painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
      return true;
    case SRCINVERT:
      painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      return true;
    case NOTSRCCOPY:
      painter.setCompositionMode(QPainter::RasterOp_NotSource);
      return true;
    default:
      return false;
  }
}

// The rows [top, top + rows) of a DIB section where they lie, without a copy, in the order
// they are stored; null when Qt cannot read them in place. *upsideDown tells that the first
// image row is the last of the range (rows stored bottom-up, as most DIBs are).
QImage StoredRows(const BitmapObject &bitmap, int top, int rows, bool *upsideDown) {
  const bool topDown = bitmap.header.biHeight < 0;
  const size_t rowBytes = win32::DibRowBytes(bitmap.width, bitmap.bitCount);
  const size_t firstStored = topDown ? size_t(top) : size_t(bitmap.height - top - rows);
  BITMAPINFOHEADER header = bitmap.header;
  header.biHeight = -rows;  // the stored order, read as it lies
  if (header.biCompression != BI_RGB ||
      (bitmap.bitCount != 24 && bitmap.bitCount != 8 && bitmap.bitCount != 1))
    return {};
  *upsideDown = !topDown;
  return win32::ViewDib(header, bitmap.colors, bitmap.dibBits + firstStored * rowBytes,
                        size_t(rows) * rowBytes);
}

// The pixels a source DC offers around `rect` (its coordinates); *firstRow is the source
// row of the image's first row, or, with *upsideDown, of its last row.
QImage SourcePixels(DcObject *dc, QRect rect, int *firstRow, bool *upsideDown) {
  *firstRow = 0;
  *upsideDown = false;
  if (dc == nullptr) return {};
  switch (dc->kind) {
    case DcKind::Memory:
      if (!dc->bitmap) return {};
      if (!dc->bitmap->dibSection) return dc->bitmap->image;
      {
        const QRect rows = rect.intersected(QRect(0, 0, dc->bitmap->width, dc->bitmap->height));
        if (rows.isEmpty()) return {};
        *firstRow = rows.top();
        // A large picture is read where it lies: decoding every row a view touches would
        // copy the whole picture on each paint of a fitted view.
        QImage view = StoredRows(*dc->bitmap, rows.top(), rows.height(), upsideDown);
        if (!view.isNull()) return view;
        *upsideDown = false;
        return BitmapRows(*dc->bitmap, rows.top(), rows.height());
      }
    case DcKind::Image:
      return dc->image ? *dc->image : QImage();
    case DcKind::Painter:
      if (dc->painter && dc->painter->device() &&
          dc->painter->device()->devType() == QInternal::Image)
        return *static_cast<QImage *>(dc->painter->device());
      return {};
    case DcKind::Screen:
      return {};
  }
  return {};
}

bool DrawPixels(DcObject *target, QRect to, const QImage &pixels, QRectF from, DWORD rop,
                bool mirrorX = false, bool mirrorY = false) {
  if (target == nullptr) return false;
  if (target->kind == DcKind::Screen) return true;  // nothing to draw on, as a hidden window
  Surface surface(target, to);
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return target->kind == DcKind::Memory && target->bitmap == nullptr;
  if (!ApplyRop(*painter, rop)) return false;
  painter->setRenderHint(QPainter::SmoothPixmapTransform, target->stretchMode == HALFTONE);
  const QRect sourceRect = from.toAlignedRect();
  const bool combines = target->stretchMode == BLACKONWHITE || target->stretchMode == WHITEONBLACK;
  if (combines && (to.width() < sourceRect.width() || to.height() < sourceRect.height())) {
    // Shrinking keeps every source pixel's say; a direction that grows picks pixels.
    const QSize size(std::min(to.width(), sourceRect.width()),
                     std::min(to.height(), sourceRect.height()));
    QImage combined = CombinedPixels(pixels, sourceRect, size, target->stretchMode == BLACKONWHITE);
    if (!combined.isNull()) {
      if (mirrorX || mirrorY) combined = combined.mirrored(mirrorX, mirrorY);
      painter->drawImage(QRectF(to), combined, QRectF(combined.rect()));
      return true;
    }
  }
  const QRect fromPixels = from.toAlignedRect();
  if ((mirrorX || mirrorY) && pixels.rect().contains(fromPixels) &&
      qint64(fromPixels.width()) * fromPixels.height() <= qint64(to.width()) * to.height()) {
    // A source no larger than the target is turned over first: the copy is small and the
    // pixels are picked as for a source that needs no turning.
    const QImage part = pixels.copy(fromPixels).mirrored(mirrorX, mirrorY);
    painter->drawImage(QRectF(to), part, QRectF(part.rect()));
    return true;
  }
  if (mirrorX || mirrorY) {
    // A larger source is mirrored by the painter, never copied to be turned over.
    painter->save();
    QTransform mirror;
    mirror.translate(mirrorX ? to.left() + to.right() + 1 : 0,
                     mirrorY ? to.top() + to.bottom() + 1 : 0);
    mirror.scale(mirrorX ? -1 : 1, mirrorY ? -1 : 1);
    painter->setTransform(mirror, true);
    painter->drawImage(QRectF(to), pixels, from);
    painter->restore();
    return true;
  }
  const QRectF dest = to;
  painter->drawImage(dest, pixels, from);
  return true;
}

QRect TargetRect(int x, int y, int width, int height) {
  return QRect(width < 0 ? x + width : x, height < 0 ? y + height : y, std::abs(width),
               std::abs(height));
}

BOOL FillArea(DcObject *dc, QRect rect, QColor color, bool invert = false) {
  if (dc == nullptr) return FALSE;
  if (dc->kind == DcKind::Screen) return TRUE;
  Surface surface(dc, rect.normalized());
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return TRUE;
  if (invert) {
    painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter->fillRect(rect.normalized(), Qt::white);
  } else {
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->fillRect(rect.normalized(), color);
  }
  return TRUE;
}

int DcPaletteSize(DcObject *dc) {
  (void)dc;
  return ScreenPaletteSize();
}

QPaintDevice *DeviceOf(DcObject *dc) {
  if (dc == nullptr) return nullptr;
  if (dc->kind == DcKind::Painter && dc->painter) return dc->painter->device();
  if (dc->kind == DcKind::Image) return dc->image;
  return nullptr;
}

QList<QRgb> InfoColors(const BITMAPINFO *info, UINT usage, DcObject *dc) {
  QList<QRgb> colors;
  const BITMAPINFOHEADER &h = info->bmiHeader;
  const int entries = win32::DibColorEntries(h);
  const auto *table = reinterpret_cast<const uint8_t *>(info) + h.biSize;
  for (int i = 0; i < entries; ++i) {
    if (h.biCompression == BI_BITFIELDS) {
      DWORD mask;
      std::memcpy(&mask, table + 4 * i, 4);
      colors.append(mask);
    } else if (usage == DIB_PAL_COLORS) {
      WORD index;
      std::memcpy(&index, table + 2 * i, 2);
      PaletteObject *palette = (dc && dc->palette) ? dc->palette : DefaultPalette();
      colors.append(index < palette->entries.size() ? palette->Colors()[index] : qRgb(0, 0, 0));
    } else {
      RGBQUAD q;
      std::memcpy(&q, table + 4 * i, 4);
      colors.append(qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
    }
  }
  return colors;
}

}  // namespace

// ---- Qt side ------------------------------------------------------------------------

HDC CreateDCForPainter(QPainter *painter) {
  if (painter == nullptr) return nullptr;
  auto *dc = new DcObject;
  dc->kind = DcKind::Painter;
  dc->painter = painter;
  dc->stretchMode = BLACKONWHITE;
  TheGdi().dcs.insert(dc);
  return reinterpret_cast<HDC>(dc);
}

HDC CreateDCForImage(QImage *image) {
  if (image == nullptr) return nullptr;
  auto *dc = new DcObject;
  dc->kind = DcKind::Image;
  dc->image = image;
  TheGdi().dcs.insert(dc);
  return reinterpret_cast<HDC>(dc);
}

HDC CreateDCForWindow(QWidget *window, QImage *surface) {
  if (window == nullptr || surface == nullptr) return nullptr;
  auto *dc = new DcObject;
  dc->kind = DcKind::Image;
  dc->image = surface;
  dc->windowDc = true;
  dc->window = window;
  TheGdi().dcs.insert(dc);
  return reinterpret_cast<HDC>(dc);
}

HBITMAP CreateBitmapFromImage(const QImage &image) {
  if (image.isNull()) return nullptr;
  const bool mono = image.depth() == 1;
  auto bitmap = MakeDdb(image.width(), image.height(), mono ? 1 : 32);
  if (!bitmap) return nullptr;
  StoreBitmapRows(*bitmap, 0, image);
  return reinterpret_cast<HBITMAP>(static_cast<GdiObject *>(Register(std::move(bitmap))));
}

QImage ImageOfBitmap(HBITMAP handle) {
  BitmapObject *bitmap = LiveBitmap(handle);
  if (bitmap == nullptr) return {};
  return BitmapRows(*bitmap, 0, bitmap->height);
}

bool SetBitmapImage(HBITMAP handle, const QImage &image) {
  BitmapObject *bitmap = LiveBitmap(handle);
  if (bitmap == nullptr || image.size() != QSize(bitmap->width, bitmap->height)) return false;
  StoreBitmapRows(*bitmap, 0, image);
  return true;
}

QList<QRgb> PaletteColors(HPALETTE handle) {
  PaletteObject *palette = LivePalette(handle);
  return palette ? palette->Colors() : QList<QRgb>();
}

HPALETTE CreatePaletteFromColors(const QList<QRgb> &colors) {
  if (colors.isEmpty() || colors.size() > 65535) return nullptr;
  std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * size_t(colors.size()));
  auto *log = reinterpret_cast<LOGPALETTE *>(buffer.data());
  log->palVersion = 0x300;
  log->palNumEntries = WORD(colors.size());
  for (int i = 0; i < colors.size(); ++i)
    log->palPalEntry[i] = {BYTE(qRed(colors[i])), BYTE(qGreen(colors[i])), BYTE(qBlue(colors[i])),
                           0};
  return CreatePalette(log);
}

QWidget *WidgetOfHwnd(HWND window) {
  if (window == nullptr) return nullptr;
  for (QWidget *widget : QApplication::allWidgets())
    if (HwndOfWidget(widget) == window) return widget;
  return nullptr;
}

QEvent::Type WinMessageEvent::EventType() {
  static const auto type = QEvent::Type(QEvent::registerEventType());
  return type;
}

void MxSetWindowPainter(HWND window, QPainter *painter) {
  if (painter)
    TheGdi().windowPainters[window] = painter;
  else
    TheGdi().windowPainters.erase(window);
}

// ---- C side -------------------------------------------------------------------------

extern "C" {

void MxSetScreenOverride(int bitsPixel, int sizePalette) {
  TheGdi().screenBits = bitsPixel > 0 ? bitsPixel : 0;
  TheGdi().screenPalette = bitsPixel > 0 ? std::max(sizePalette, 0) : 0;
}

HDC GetDC(HWND window) {
  auto *dc = new DcObject;
  dc->kind = DcKind::Screen;
  // While the window paints, its DC draws with the window's painter.
  auto painter = window ? TheGdi().windowPainters.find(window) : TheGdi().windowPainters.end();
  if (painter != TheGdi().windowPainters.end()) {
    dc->kind = DcKind::Painter;
    dc->painter = painter->second;
  }
  TheGdi().dcs.insert(dc);
  return reinterpret_cast<HDC>(dc);
}

int ReleaseDC(HWND, HDC dc) {
  return DeleteDC(dc);
}

HDC CreateCompatibleDC(HDC) {
  auto *dc = new DcObject;
  dc->kind = DcKind::Memory;
  // A fresh memory DC holds a 1 x 1 monochrome bitmap, as on Windows.
  dc->defaultBitmap = MakeDdb(1, 1, 1);
  dc->bitmap = dc->defaultBitmap.get();
  TheGdi().dcs.insert(dc);
  return reinterpret_cast<HDC>(dc);
}

BOOL DeleteDC(HDC handle) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return FALSE;
  for (GdiObject *object :
       {static_cast<GdiObject *>(dc->bitmap), static_cast<GdiObject *>(dc->palette),
        static_cast<GdiObject *>(dc->pen), static_cast<GdiObject *>(dc->brush)})
    if (object && object != dc->defaultBitmap.get() && TheGdi().objects.count(object))
      --object->selections;
  TheGdi().dcs.erase(dc);
  delete dc;
  return TRUE;
}

int GetDeviceCaps(HDC handle, int index) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return 0;
  QPaintDevice *device = DeviceOf(dc);
  QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                        ? QGuiApplication::primaryScreen()
                        : nullptr;
  switch (index) {
    case BITSPIXEL:
      if (device) return device->depth() >= 24 ? 32 : device->depth();
      return ScreenBits();
    case PLANES:
      return 1;
    case SIZEPALETTE:
      return device ? 0 : DcPaletteSize(dc);
    case NUMRESERVED:
      return (!device && DcPaletteSize(dc) >= 20) ? 20 : 0;
    case NUMCOLORS:
      if (device) return -1;
      return ScreenBits() <= 8 ? (DcPaletteSize(dc) >= 20 ? 20 : 1 << ScreenBits()) : -1;
    case COLORRES:
      return device ? 24 : (DcPaletteSize(dc) ? 18 : 24);
    case RASTERCAPS:
      return (!device && DcPaletteSize(dc)) ? RC_PALETTE : 0;
    case HORZRES:
      if (device) return device->width();
      return screen ? screen->geometry().width() : 1024;
    case VERTRES:
      if (device) return device->height();
      return screen ? screen->geometry().height() : 768;
    case LOGPIXELSX:
      return device ? device->logicalDpiX() : 96;
    case LOGPIXELSY:
      return device ? device->logicalDpiY() : 96;
    default:
      return 0;
  }
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  DcObject *dc = LiveDc(handle);
  auto *o = static_cast<GdiObject *>(object);
  if (dc == nullptr || o == nullptr || !TheGdi().objects.count(o)) {
    // The DC's own default bitmap may be selected back in.
    if (dc && o == dc->defaultBitmap.get() && o) {
      BitmapObject *previous = dc->bitmap;
      if (previous && previous != dc->defaultBitmap.get()) --previous->selections;
      dc->bitmap = dc->defaultBitmap.get();
      return previous;
    }
    return nullptr;
  }
  auto swap = [&](auto *&slot, auto *value) -> HGDIOBJ {
    auto *previous = slot;
    if (previous && TheGdi().objects.count(previous)) --previous->selections;
    slot = value;
    ++value->selections;
    return previous;
  };
  switch (o->kind) {
    case Kind::Bitmap: {
      if (dc->kind != DcKind::Memory) return nullptr;
      auto *bitmap = static_cast<BitmapObject *>(o);
      // A bitmap lives in one memory DC at a time.
      if (bitmap->selections > 0 && dc->bitmap != bitmap) return nullptr;
      BitmapObject *previous = dc->bitmap;
      if (previous && previous != dc->defaultBitmap.get()) --previous->selections;
      dc->bitmap = bitmap;
      ++bitmap->selections;
      return previous;
    }
    case Kind::Palette:
      return nullptr;  // palettes go through SelectPalette
    case Kind::Pen: {
      HGDIOBJ previous = swap(dc->pen, static_cast<PenObject *>(o));
      return previous ? previous : StockObject(BLACK_PEN);
    }
    case Kind::Brush: {
      HGDIOBJ previous = swap(dc->brush, static_cast<BrushObject *>(o));
      return previous ? previous : StockObject(WHITE_BRUSH);
    }
    case Kind::Region:
      return nullptr;  // DCs have no clipping region
  }
  return nullptr;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return nullptr;
  if (type == OBJ_BITMAP) return dc->bitmap;
  if (type == OBJ_PAL) return dc->palette ? dc->palette : DefaultPalette();
  return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
  auto *o = static_cast<GdiObject *>(object);
  if (o == nullptr || !TheGdi().objects.count(o)) return FALSE;
  if (o->stock) return TRUE;
  // As on Windows, an object still selected into a DC is not deleted.
  if (o->selections > 0) return FALSE;
  TheGdi().objects.erase(o);
  delete o;
  return TRUE;
}

int GetObject(HGDIOBJ object, int size, LPVOID out) {
  auto *o = static_cast<GdiObject *>(object);
  if (o == nullptr || !TheGdi().objects.count(o)) return 0;
  if (o->kind == Kind::Palette) {
    const auto count = WORD(static_cast<PaletteObject *>(o)->entries.size());
    if (out == nullptr) return int(sizeof(WORD));
    if (size < int(sizeof(WORD))) return 0;
    std::memcpy(out, &count, sizeof count);
    return int(sizeof(WORD));
  }
  if (o->kind != Kind::Bitmap) return 0;
  auto *bitmap = static_cast<BitmapObject *>(o);
  BITMAP bm{};
  bm.bmType = 0;
  bm.bmWidth = bitmap->width;
  bm.bmHeight = bitmap->height;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = WORD(bitmap->bitCount);
  bm.bmWidthBytes = LONG(((int64_t(bitmap->width) * bitmap->bitCount + 15) / 16) * 2);
  bm.bmBits = bitmap->dibSection ? bitmap->dibBits : nullptr;
  if (out == nullptr) return bitmap->dibSection ? int(sizeof(DIBSECTION)) : int(sizeof(BITMAP));
  if (size >= int(sizeof(DIBSECTION)) && bitmap->dibSection) {
    DIBSECTION ds{};
    ds.dsBm = bm;
    ds.dsBm.bmWidthBytes = LONG(win32::DibRowBytes(bitmap->width, bitmap->bitCount));
    ds.dsBmih = bitmap->header;
    if (bitmap->header.biCompression == BI_BITFIELDS)
      for (int i = 0; i < 3; ++i) ds.dsBitfields[i] = bitmap->colors.value(i);
    std::memcpy(out, &ds, sizeof ds);
    return int(sizeof ds);
  }
  if (size < int(sizeof(BITMAP))) return 0;
  std::memcpy(out, &bm, sizeof bm);
  return int(sizeof bm);
}

DWORD GetObjectType(HGDIOBJ object) {
  if (LiveDc(static_cast<HDC>(object))) {
    return reinterpret_cast<DcObject *>(object)->kind == DcKind::Memory ? OBJ_MEMDC : OBJ_DC;
  }
  auto *o = static_cast<GdiObject *>(object);
  if (o == nullptr || !TheGdi().objects.count(o)) return 0;
  switch (o->kind) {
    case Kind::Bitmap:
      return OBJ_BITMAP;
    case Kind::Palette:
      return OBJ_PAL;
    case Kind::Pen:
      return 1;
    case Kind::Brush:
      return 2;
    case Kind::Region:
      return OBJ_REGION;
  }
  return 0;
}

HGDIOBJ GetStockObject(int index) {
  return StockObject(index);
}

int SetStretchBltMode(HDC handle, int mode) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return std::exchange(dc->stretchMode, mode);
}

int GetStretchBltMode(HDC handle) {
  DcObject *dc = LiveDc(handle);
  return dc ? dc->stretchMode : 0;
}

int SetBkMode(HDC handle, int mode) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return 0;
  return std::exchange(dc->bkMode, mode);
}

COLORREF SetBkColor(HDC handle, COLORREF color) {
  DcObject *dc = LiveDc(handle);
  return dc ? std::exchange(dc->bkColor, color) : 0xFFFFFFFFu;
}

COLORREF SetTextColor(HDC handle, COLORREF color) {
  DcObject *dc = LiveDc(handle);
  return dc ? std::exchange(dc->textColor, color) : 0xFFFFFFFFu;
}

HBITMAP CreateCompatibleBitmap(HDC handle, int width, int height) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr || width <= 0 || height <= 0) return nullptr;
  if (win32::DibImageBytes(width, height, 32) == 0) return nullptr;
  int bits = ScreenBits();
  if (dc->kind == DcKind::Memory && dc->bitmap) bits = dc->bitmap->bitCount;
  if (QPaintDevice *device = DeviceOf(dc)) bits = device->depth() == 1 ? 1 : 32;
  auto bitmap = MakeDdb(width, height, bits);
  return bitmap ? reinterpret_cast<HBITMAP>(static_cast<GdiObject *>(Register(std::move(bitmap))))
                : nullptr;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, LPCVOID bits) {
  if (width <= 0 || height <= 0 || planes != 1) return nullptr;
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 &&
      bitsPerPixel != 24 && bitsPerPixel != 32)
    return nullptr;
  if (win32::DibImageBytes(width, height, 32) == 0) return nullptr;
  auto bitmap = MakeDdb(width, height, int(bitsPerPixel));
  if (!bitmap) return nullptr;
  if (bits) {
    // Device bitmap rows are top-down and padded to 16 bits.
    const size_t rowBytes = size_t(((int64_t(width) * bitsPerPixel + 15) / 16) * 2);
    QImage rows;
    if (bitsPerPixel == 1) {
      rows = QImage(static_cast<const uchar *>(bits), width, height, qsizetype(rowBytes),
                    QImage::Format_Mono);
      rows.setColorTable(win32::StandardColorTable(1));
    } else if (bitsPerPixel == 32) {
      rows = QImage(static_cast<const uchar *>(bits), width, height, qsizetype(rowBytes),
                    QImage::Format_RGB32);
    } else if (bitsPerPixel == 24) {
      rows = QImage(static_cast<const uchar *>(bits), width, height, qsizetype(rowBytes),
                    QImage::Format_BGR888);
    }
    if (!rows.isNull()) StoreBitmapRows(*bitmap, 0, rows.copy());
  }
  return reinterpret_cast<HBITMAP>(static_cast<GdiObject *>(Register(std::move(bitmap))));
}

HBITMAP CreateDIBSection(HDC handle, const BITMAPINFO *info, UINT usage, LPVOID *bits,
                         HANDLE section, DWORD offset) {
  if (bits) *bits = nullptr;
  if (info == nullptr || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return nullptr;
  const BITMAPINFOHEADER &h = info->bmiHeader;
  const int bitCount = h.biBitCount;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return nullptr;
  if (h.biCompression != BI_RGB &&
      !(h.biCompression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32)))
    return nullptr;
  const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  const size_t bytes = win32::DibImageBytes(h.biWidth, height, bitCount);
  if (bytes == 0) return nullptr;
  auto bitmap = std::make_unique<BitmapObject>();
  bitmap->dibSection = true;
  bitmap->width = h.biWidth;
  bitmap->height = height;
  bitmap->bitCount = bitCount;
  bitmap->header = h;
  bitmap->header.biSize = sizeof(BITMAPINFOHEADER);
  bitmap->header.biSizeImage = DWORD(bytes);
  bitmap->colors = InfoColors(info, usage, LiveDc(handle));
  if (bitCount <= 8) {
    bitmap->header.biClrUsed = DWORD(bitmap->colors.size());
    while (bitmap->colors.size() < (1 << bitCount)) bitmap->colors.append(qRgb(0, 0, 0));
  }
  if (section != nullptr) {
    // The pixels stay in the block, from `offset` on, as they stay in a file mapping.
    size_t blockSize = 0;
    bitmap->sharedBits = win32::ShareBlockMemory(static_cast<HGLOBAL>(section), &blockSize);
    if (!bitmap->sharedBits || (offset % 4) != 0 || offset > blockSize ||
        blockSize - offset < bytes)
      return nullptr;
    bitmap->dibBits = bitmap->sharedBits.get() + offset;
  } else {
    bitmap->dibBits = static_cast<uint8_t *>(std::calloc(1, bytes));
  }
  if (bitmap->dibBits == nullptr) return nullptr;
  bitmap->dibBytes = bytes;
  if (bits) *bits = bitmap->dibBits;
  return reinterpret_cast<HBITMAP>(static_cast<GdiObject *>(Register(std::move(bitmap))));
}

int SetDIBits(HDC handle, HBITMAP target, UINT start, UINT lines, LPCVOID bits,
              const BITMAPINFO *info, UINT usage) {
  BitmapObject *bitmap = LiveBitmap(target);
  if (bitmap == nullptr || info == nullptr || bits == nullptr || lines == 0) return 0;
  const BITMAPINFOHEADER &h = info->bmiHeader;
  const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (h.biWidth <= 0 || height <= 0 || start >= UINT(height)) return 0;
  lines = std::min<UINT>(lines, UINT(height) - start);
  BITMAPINFOHEADER part = h;
  part.biHeight = h.biHeight < 0 ? -LONG(lines) : LONG(lines);
  const size_t rowBytes = win32::DibRowBytes(h.biWidth, h.biBitCount);
  size_t available = rowBytes * lines;
  const uint8_t *from = static_cast<const uint8_t *>(bits);
  if (h.biCompression == BI_RLE4 || h.biCompression == BI_RLE8) {
    if (start != 0 || lines != UINT(height)) return 0;
    available = h.biSizeImage;
  }
  const QImage rows =
      win32::DecodeDib(part, InfoColors(info, usage, LiveDc(handle)), from, available);
  if (rows.isNull()) return 0;
  // Scan lines count from the bottom of a bottom-up DIB.
  const int top = h.biHeight < 0 ? int(start) : height - int(start) - int(lines);
  const int targetTop = top - (height - bitmap->height);
  QImage fitted = rows.convertToFormat(QImage::Format_RGB32);
  if (targetTop < 0)
    fitted = fitted.copy(0, -targetTop, fitted.width(), fitted.height() + targetTop);
  if (fitted.width() != bitmap->width) fitted = fitted.copy(0, 0, bitmap->width, fitted.height());
  StoreBitmapRows(*bitmap, std::max(targetTop, 0), fitted);
  return int(lines);
}

HBITMAP CreateDIBitmap(HDC handle, const BITMAPINFOHEADER *header, DWORD init, LPCVOID bits,
                       const BITMAPINFO *info, UINT usage) {
  if (header == nullptr) return nullptr;
  const int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  HBITMAP bitmap = CreateCompatibleBitmap(handle, header->biWidth, height);
  if (bitmap && (init & CBM_INIT) && bits && info)
    SetDIBits(handle, bitmap, 0, UINT(height), bits, info, usage);
  return bitmap;
}

int GetDIBits(HDC handle, HBITMAP source, UINT start, UINT lines, LPVOID bits, BITMAPINFO *info,
              UINT usage) {
  BitmapObject *bitmap = LiveBitmap(source);
  DcObject *dc = LiveDc(handle);
  if (bitmap == nullptr || info == nullptr || dc == nullptr) return 0;
  if (info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  BITMAPINFOHEADER &h = info->bmiHeader;
  if (bits == nullptr && h.biBitCount == 0) {
    h.biWidth = bitmap->width;
    h.biHeight = bitmap->height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bitmap->bitCount);
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(win32::DibImageBytes(bitmap->width, bitmap->height, bitmap->bitCount));
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return bitmap->height;
  }
  const int bitCount = h.biBitCount;
  if (h.biCompression != BI_RGB) return 0;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return 0;
  // The colour table: a DIB section's own at its own depth, else the DC's palette, else
  // the standard table of that depth.
  QList<QRgb> colors;
  if (bitCount <= 8) {
    if (bitmap->dibSection && bitmap->bitCount == bitCount) {
      colors = bitmap->colors;
    } else if (dc->palette && dc->palette != DefaultPalette()) {
      colors = dc->palette->Colors().mid(0, 1 << bitCount);
    } else {
      colors = win32::StandardColorTable(bitCount);
    }
    while (colors.size() < (1 << bitCount)) colors.append(qRgb(0, 0, 0));
    auto *table = reinterpret_cast<RGBQUAD *>(reinterpret_cast<uint8_t *>(info) + h.biSize);
    if (usage == DIB_RGB_COLORS)
      for (int i = 0; i < colors.size(); ++i)
        table[i] = {BYTE(qBlue(colors[i])), BYTE(qGreen(colors[i])), BYTE(qRed(colors[i])), 0};
  }
  h.biWidth = bitmap->width;
  const bool topDown = h.biHeight < 0;
  h.biHeight = topDown ? -bitmap->height : bitmap->height;
  h.biPlanes = 1;
  h.biSizeImage = DWORD(win32::DibImageBytes(bitmap->width, bitmap->height, bitCount));
  h.biClrUsed = 0;
  if (bits == nullptr) return bitmap->height;
  if (start >= UINT(bitmap->height)) return 0;
  lines = std::min<UINT>(lines, UINT(bitmap->height) - start);
  if (lines == 0) return 0;
  const size_t rowBytes = win32::DibRowBytes(bitmap->width, bitCount);
  const int top = topDown ? int(start) : bitmap->height - int(start) - int(lines);
  if (bitmap->dibSection && bitmap->bitCount == bitCount &&
      bitmap->header.biCompression == BI_RGB && (bitmap->header.biHeight < 0) == topDown) {
    // Same layout: the rows are copied as they are.
    const size_t firstStored = topDown ? size_t(top) : size_t(start);
    std::memcpy(bits, bitmap->dibBits + firstStored * rowBytes, rowBytes * lines);
    return int(lines);
  }
  const QImage rows = BitmapRows(*bitmap, top, int(lines));
  return win32::EncodeDib(rows, bitCount, colors, !topDown, bits, rowBytes * lines) ? int(lines)
                                                                                    : 0;
}

BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
  if (rop == BLACKNESS || rop == WHITENESS) return PatBlt(target, x, y, width, height, rop);
  return StretchBlt(target, x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

BOOL StretchBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX,
                int sourceY, int sourceWidth, int sourceHeight, DWORD rop) {
  RepaintAfter repaint;
  DcObject *to = LiveDc(target);
  DcObject *from = LiveDc(source);
  if (to == nullptr || from == nullptr) return FALSE;
  repaint.Arm(to);
  if (width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0) return TRUE;
  const QRect sourceRect = QRect(sourceX, sourceY, sourceWidth, sourceHeight).normalized();
  int firstRow = 0;
  bool upsideDown = false;
  const QImage pixels = SourcePixels(from, sourceRect, &firstRow, &upsideDown);
  if (pixels.isNull()) return from->kind == DcKind::Screen ? TRUE : FALSE;
  // Rows lying upside down are the same rectangle counted from the other end, drawn mirrored.
  const int fromTop = upsideDown ? firstRow + pixels.height() - sourceRect.bottom() - 1
                                 : sourceRect.top() - firstRow;
  const QRectF fromRect(sourceRect.left(), fromTop, sourceRect.width(), sourceRect.height());
  // Negative sizes mirror; a mirrored source is the same as a mirrored target.
  const QRect toRect = TargetRect(x, y, width, height);
  return DrawPixels(to, toRect, pixels, fromRect, rop, (sourceWidth < 0) != (width < 0),
                    ((sourceHeight < 0) != (height < 0)) != upsideDown)
             ? TRUE
             : FALSE;
}

int StretchDIBits(HDC target, int x, int y, int width, int height, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, LPCVOID bits, const BITMAPINFO *info,
                  UINT usage, DWORD rop) {
  RepaintAfter repaint;
  DcObject *to = LiveDc(target);
  if (to == nullptr || info == nullptr || bits == nullptr) return 0;
  repaint.Arm(to);
  const BITMAPINFOHEADER &h = info->bmiHeader;
  const int height0 = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  size_t available = win32::DibImageBytes(h.biWidth, height0, h.biBitCount);
  if (h.biCompression == BI_RLE4 || h.biCompression == BI_RLE8) available = h.biSizeImage;
  const QImage pixels = win32::ViewDib(h, InfoColors(info, usage, to), bits, available);
  if (pixels.isNull()) return 0;
  // DIB source coordinates count rows from the bottom of a bottom-up DIB.
  const int top = h.biHeight < 0 ? sourceY : height0 - sourceY - sourceHeight;
  if (!DrawPixels(to, TargetRect(x, y, width, height), pixels,
                  QRectF(sourceX, top, sourceWidth, sourceHeight).normalized(), rop,
                  (sourceWidth < 0) != (width < 0), (sourceHeight < 0) != (height < 0)))
    return 0;
  return height0;
}

BOOL PatBlt(HDC target, int x, int y, int width, int height, DWORD rop) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(target);
  if (dc == nullptr) return FALSE;
  repaint.Arm(dc);
  const QRect rect(x, y, width, height);
  switch (rop) {
    case BLACKNESS:
      return FillArea(dc, rect, Qt::black);
    case WHITENESS:
      return FillArea(dc, rect, Qt::white);
    case 0x00550009:  // DSTINVERT
      return FillArea(dc, rect, Qt::white, true);
    case 0x00F00021: {  // PATCOPY
      const BrushObject *brush =
          dc->brush ? dc->brush : static_cast<BrushObject *>(StockObject(WHITE_BRUSH));
      return brush->hollow ? TRUE : FillArea(dc, rect, ToColor(brush->color));
    }
    default:
      return FALSE;
  }
}

BOOL FillSolidRect(HDC target, const RECT *rect, COLORREF color) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(target);
  if (dc == nullptr || rect == nullptr) return FALSE;
  repaint.Arm(dc);
  return FillArea(dc,
                  QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1)),
                  ToColor(color));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  auto pen = std::make_unique<PenObject>();
  pen->style = style;
  pen->width = std::max(width, 1);
  pen->color = color;
  return reinterpret_cast<HPEN>(static_cast<GdiObject *>(Register(std::move(pen))));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto brush = std::make_unique<BrushObject>();
  brush->color = color;
  return reinterpret_cast<HBRUSH>(static_cast<GdiObject *>(Register(std::move(brush))));
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return FALSE;
  repaint.Arm(dc);
  const QRect rect(QPoint(left, top), QPoint(right - 1, bottom - 1));
  Surface surface(dc, rect.normalized().adjusted(-8, -8, 8, 8));
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return TRUE;
  const PenObject *pen = dc->pen ? dc->pen : static_cast<PenObject *>(StockObject(BLACK_PEN));
  const BrushObject *brush =
      dc->brush ? dc->brush : static_cast<BrushObject *>(StockObject(WHITE_BRUSH));
  QPen qpen(ToColor(pen->color), pen->width);
  qpen.setStyle(pen->style == PS_DASH  ? Qt::DashLine
                : pen->style == PS_DOT ? Qt::DotLine
                                       : Qt::SolidLine);
  qpen.setJoinStyle(Qt::MiterJoin);
  if (dc->rop2 != R2_COPYPEN) {
    // Mixed with what lies under it (a rubber band drawn twice disappears), the fill and
    // the outline must not overlap: the outline lies inside the rectangle, the fill
    // inside the outline.
    const QRect box = QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                            QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
    if (box.isEmpty()) return TRUE;
    const int edge = pen->style == PS_NULL ? 0 : pen->width;
    const QRect inside = box.adjusted(edge, edge, -edge, -edge);
    bool drawn = true;
    if (!brush->hollow && inside.isValid())
      drawn = MixRects(*painter, std::span(&inside, 1), dc->rop2, ToColor(brush->color));
    if (pen->style == PS_SOLID) {
      const QRegion outline = QRegion(box).subtracted(QRegion(inside));
      drawn = MixRects(*painter, std::span(outline.begin(), outline.end()), dc->rop2,
                       ToColor(pen->color)) &&
              drawn;
    } else if (pen->style != PS_NULL && dc->rop2 != kR2Nop) {
      QColor color = qpen.color();
      drawn = ApplyRop2(*painter, dc->rop2, color) && drawn;
      qpen.setColor(color);
      painter->setPen(qpen);
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(box.adjusted(0, 0, -1, -1));
    }
    return drawn ? TRUE : FALSE;
  }
  if (!brush->hollow) painter->fillRect(rect, ToColor(brush->color));
  if (pen->style != PS_NULL) {
    painter->setPen(qpen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1).normalized().adjusted(0, 0, 0, 0));
  }
  return TRUE;
}

BOOL MoveToEx(HDC handle, int x, int y, POINT *previous) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return FALSE;
  if (previous) *previous = dc->position;
  dc->position = {x, y};
  return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return FALSE;
  repaint.Arm(dc);
  const QPoint from = GdiPoint(dc->position.x, dc->position.y);
  const QPoint to = GdiPoint(x, y);
  dc->position = {x, y};
  const PenObject *pen = dc->pen ? dc->pen : static_cast<PenObject *>(StockObject(BLACK_PEN));
  if (pen->style == PS_NULL || dc->rop2 == kR2Nop) return TRUE;
  Surface surface(dc, QRect(from, to).normalized().adjusted(-8, -8, 8, 8));
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return TRUE;
  QColor color = ToColor(pen->color);
  if (pen->width <= 1)
    return MixRects(*painter, LinePixels(from, to, DrawableArea(dc)), dc->rop2, color) ? TRUE
                                                                                       : FALSE;
  if (!ApplyRop2(*painter, dc->rop2, color)) return FALSE;
  painter->setPen(QPen(color, pen->width));
  painter->drawLine(from, to);
  return TRUE;
}

int SetROP2(HDC handle, int mode) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr || mode < R2_BLACK || mode > R2_WHITE) return 0;
  return std::exchange(dc->rop2, mode);
}

int GetROP2(HDC handle) {
  DcObject *dc = LiveDc(handle);
  return dc ? dc->rop2 : 0;
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto region = std::make_unique<RegionObject>();
  const QPoint a = GdiPoint(std::min(left, right), std::min(top, bottom));
  const QPoint b = GdiPoint(std::max(left, right), std::max(top, bottom));
  if (b.x() > a.x() && b.y() > a.y())
    region->region = QRegion(a.x(), a.y(), b.x() - a.x(), b.y() - a.y());
  return reinterpret_cast<HRGN>(static_cast<GdiObject *>(Register(std::move(region))));
}

int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
  RegionObject *target = LiveRegion(destination);
  const RegionObject *first = LiveRegion(source1);
  const RegionObject *second = LiveRegion(source2);
  if (target == nullptr || first == nullptr) return 0;
  if (mode != RGN_COPY && second == nullptr) return 0;
  switch (mode) {
    case RGN_AND:
      target->region = first->region.intersected(second->region);
      break;
    case RGN_OR:
      target->region = first->region.united(second->region);
      break;
    case RGN_XOR:
      target->region = first->region.xored(second->region);
      break;
    case RGN_DIFF:
      target->region = first->region.subtracted(second->region);
      break;
    case RGN_COPY:
      target->region = first->region;
      break;
    default:
      return 0;
  }
  if (target->region.isEmpty()) return NULLREGION;
  return target->region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

BOOL FillRgn(HDC handle, HRGN regionHandle, HBRUSH brushHandle) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(handle);
  const RegionObject *region = LiveRegion(regionHandle);
  const BrushObject *brush = LiveBrush(brushHandle);
  if (dc == nullptr || region == nullptr || brush == nullptr) return FALSE;
  repaint.Arm(dc);
  if (brush->hollow || region->region.isEmpty()) return TRUE;
  Surface surface(dc, region->region.boundingRect());
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return TRUE;
  // The brush meets the pixels by the DC's mix mode, a plain copy unless it was changed.
  const QRegion &pixels = region->region;
  return MixRects(*painter, std::span(pixels.begin(), pixels.end()), dc->rop2,
                  ToColor(brush->color))
             ? TRUE
             : FALSE;
}

BOOL TextOutA(HDC handle, int x, int y, LPCSTR text, int length) {
  RepaintAfter repaint;
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr || text == nullptr || length < 0) return FALSE;
  repaint.Arm(dc);
  const QString string = QString::fromUtf8(text, length);
  QFont font;
  const QFontMetrics metrics(font);
  const QRect box(x, y, metrics.horizontalAdvance(string), metrics.height());
  Surface surface(dc, box.adjusted(-2, -2, 2, 2));
  QPainter *painter = surface.Painter();
  if (painter == nullptr) return TRUE;
  painter->setFont(font);
  if (dc->bkMode == OPAQUE) painter->fillRect(box, ToColor(dc->bkColor));
  painter->setPen(ToColor(dc->textColor));
  painter->drawText(QPoint(x, y + metrics.ascent()), string);
  return TRUE;
}

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int length) {
  return TextOutA(dc, x, y, text, length);
}

HPALETTE CreatePalette(const LOGPALETTE *log) {
  if (log == nullptr || log->palNumEntries == 0) return nullptr;
  auto palette = std::make_unique<PaletteObject>();
  palette->entries.assign(log->palPalEntry, log->palPalEntry + log->palNumEntries);
  return reinterpret_cast<HPALETTE>(static_cast<GdiObject *>(Register(std::move(palette))));
}

UINT GetPaletteEntries(HPALETTE handle, UINT start, UINT count, PALETTEENTRY *entries) {
  PaletteObject *palette = LivePalette(handle);
  if (palette == nullptr) return 0;
  const UINT size = UINT(palette->entries.size());
  if (entries == nullptr) return size;
  if (start >= size) return 0;
  count = std::min(count, size - start);
  std::copy_n(palette->entries.begin() + start, count, entries);
  return count;
}

UINT SetPaletteEntries(HPALETTE handle, UINT start, UINT count, const PALETTEENTRY *entries) {
  PaletteObject *palette = LivePalette(handle);
  if (palette == nullptr || entries == nullptr || palette->stock) return 0;
  const UINT size = UINT(palette->entries.size());
  if (start >= size) return 0;
  count = std::min(count, size - start);
  std::copy_n(entries, count, palette->entries.begin() + start);
  return count;
}

UINT GetNearestPaletteIndex(HPALETTE handle, COLORREF color) {
  PaletteObject *palette = LivePalette(handle);
  if (palette == nullptr) return 0xFFFFFFFFu;
  return UINT(win32::NearestColorIndex(palette->Colors(),
                                       qRgb(GetRValue(color), GetGValue(color), GetBValue(color))));
}

HPALETTE SelectPalette(HDC handle, HPALETTE handlePalette, BOOL) {
  DcObject *dc = LiveDc(handle);
  PaletteObject *palette = LivePalette(handlePalette);
  if (dc == nullptr || palette == nullptr) return nullptr;
  PaletteObject *previous = dc->palette ? dc->palette : DefaultPalette();
  if (dc->palette && TheGdi().objects.count(dc->palette)) --dc->palette->selections;
  dc->palette = palette;
  if (!palette->stock) ++palette->selections;
  return reinterpret_cast<HPALETTE>(static_cast<GdiObject *>(previous));
}

UINT RealizePalette(HDC handle) {
  DcObject *dc = LiveDc(handle);
  if (dc == nullptr) return 0xFFFFFFFFu;
  if (dc->palette == nullptr || ScreenPaletteSize() == 0) return 0;
  // The entries that fit between the static colours of the system palette.
  const int free = std::max(ScreenPaletteSize() - 20, 0);
  return UINT(std::min<size_t>(dc->palette->entries.size(), size_t(free)));
}

UINT GetSystemPaletteEntries(HDC handle, UINT start, UINT count, PALETTEENTRY *entries) {
  if (LiveDc(handle) == nullptr) return 0;
  const QList<QRgb> colors = win32::SystemPaletteColors(ScreenPaletteSize());
  const UINT size = UINT(colors.size());
  if (entries == nullptr) return size;
  if (start >= size) return 0;
  count = std::min(count, size - start);
  for (UINT i = 0; i < count; ++i) {
    const QRgb c = colors[int(start + i)];
    entries[i] = {BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)), 0};
  }
  return count;
}

// ---- Windows --------------------------------------------------------------------------

HWND GetFocus(void) {
  return HwndOfWidget(QApplication::focusWidget());
}
HWND GetActiveWindow(void) {
  return HwndOfWidget(QApplication::activeWindow());
}
BOOL IsWindow(HWND window) {
  return WidgetOfHwnd(window) != nullptr;
}

BOOL GetClientRect(HWND window, RECT *rect) {
  QWidget *widget = WidgetOfHwnd(window);
  if (widget == nullptr || rect == nullptr) return FALSE;
  *rect = {0, 0, widget->width(), widget->height()};
  return TRUE;
}

LRESULT SendMessage(HWND window, UINT message, WPARAM w, LPARAM l) {
  QWidget *widget = WidgetOfHwnd(window);
  if (widget == nullptr) return 0;
  WinMessageEvent event(message, w, l);
  QCoreApplication::sendEvent(widget, &event);
  return event.Result;
}

BOOL PostMessage(HWND window, UINT message, WPARAM w, LPARAM l) {
  QWidget *widget = WidgetOfHwnd(window);
  if (widget == nullptr) return FALSE;
  QCoreApplication::postEvent(widget, new WinMessageEvent(message, w, l));
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT *rect, BOOL) {
  QWidget *widget = WidgetOfHwnd(window);
  if (widget == nullptr) return FALSE;
  if (rect)
    widget->update(QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1)));
  else
    widget->update();
  return TRUE;
}

void Sleep(DWORD milliseconds) {
  QThread::msleep(milliseconds);
}

}  // extern "C"
