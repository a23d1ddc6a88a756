#pragma once
// The GDI's handle table, shared by the files that implement its calls (device contexts
// and objects, bitmaps, drawing, palettes). Only those files include this header.
//
// A device-dependent bitmap keeps its pixels in a QImage (RGB32, or Mono for one bit)
// and reports the depth it was made at; a DIB section keeps the caller's packed-DIB
// memory and is decoded and re-encoded around each drawing call, row range by row range.
// Every handle is checked against the live set, so stale handles fail as on Windows.
#include <QColor>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "WinApi.h"

namespace win32::gdi {

// The kinds of GDI object a handle may name.
enum class Kind { Bitmap, Palette, Pen, Brush, Region };

// What every GDI handle points to: its kind, and whether it is stock or selected.
struct GdiObject {
  explicit GdiObject(Kind k) : kind(k) {}
  virtual ~GdiObject() = default;
  Kind kind;
  bool stock = false;
  int selections = 0;  // DCs this object is selected into
};

// A bitmap: a device-dependent one in `image`, or a DIB section on the caller's memory.
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

// A logical palette.
struct PaletteObject : GdiObject {
  PaletteObject() : GdiObject(Kind::Palette) {}
  std::vector<PALETTEENTRY> entries;
  QList<QRgb> Colors() const {
    QList<QRgb> colors;
    for (const auto &e : entries) colors.append(qRgb(e.peRed, e.peGreen, e.peBlue));
    return colors;
  }
};

// A pen: style, width and colour.
struct PenObject : GdiObject {
  PenObject() : GdiObject(Kind::Pen) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};

// A solid or hollow brush.
struct BrushObject : GdiObject {
  BrushObject() : GdiObject(Kind::Brush) {}
  bool hollow = false;
  COLORREF color = 0;
};

// A region: a set of rectangles.
struct RegionObject : GdiObject {
  RegionObject() : GdiObject(Kind::Region) {}
  QRegion region;
};

// What a DC draws on: nothing (the screen), a memory bitmap, a painter or an image.
enum class DcKind { Screen, Memory, Painter, Image };

// A device context: what it draws on, the objects selected into it, and its modes.
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

Gdi &TheGdi();

inline QColor ToColor(COLORREF c) {
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

template <class T>
inline T *LiveObject(HGDIOBJ handle, Kind kind) {
  Gdi &gdi = TheGdi();
  auto *object = static_cast<GdiObject *>(handle);
  if (object == nullptr || !gdi.objects.count(object) || object->kind != kind) return nullptr;
  return static_cast<T *>(object);
}

inline BitmapObject *LiveBitmap(HGDIOBJ h) {
  return LiveObject<BitmapObject>(h, Kind::Bitmap);
}
inline PaletteObject *LivePalette(HGDIOBJ h) {
  return LiveObject<PaletteObject>(h, Kind::Palette);
}
inline RegionObject *LiveRegion(HGDIOBJ h) {
  return LiveObject<RegionObject>(h, Kind::Region);
}
inline BrushObject *LiveBrush(HGDIOBJ h) {
  return LiveObject<BrushObject>(h, Kind::Brush);
}

// The live DC of `handle`, or null for a stale or foreign handle.
DcObject *LiveDc(HDC handle);

// Adds a new object to the live set and hands it over to the table.
template <class T>
inline T *Register(std::unique_ptr<T> object) {
  T *raw = object.release();
  TheGdi().objects.insert(raw);
  return raw;
}

// The screen's depth and palette size (as overridden by MxSetScreenOverride).
int ScreenBits();
int ScreenPaletteSize();
PaletteObject *DefaultPalette();
// The stock object of GetStockObject's `index`, made on first use; null for others.
GdiObject *StockObject(int index);
// A device-dependent bitmap, black (or 0 for one bit); null when too large.
std::unique_ptr<BitmapObject> MakeDdb(int width, int height, int bitCount);
// The pixels of rows [top, top + rows) of a bitmap, top-down.
QImage BitmapRows(const BitmapObject &bitmap, int top, int rows);
// Writes rows [top, top + image.height()) of a bitmap from `image`.
void StoreBitmapRows(BitmapObject &bitmap, int top, const QImage &image);
// The Qt device a DC draws on, or null for a screen or memory DC.
QPaintDevice *DeviceOf(DcObject *dc);
// Sets up `painter` to combine copied pixels with those under them by the raster
// operation `rop`; false when the device cannot combine them that way.
bool ApplyRop(QPainter &painter, DWORD rop);

// A place to draw on for one call: the DC's painter, its image, or a working copy of
// the rows of the selected bitmap that the call touches, written back at the end.
class Surface {
 public:
  Surface(DcObject *dc, QRect area);
  ~Surface();
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
  ~RepaintAfter();

 private:
  QPointer<QWidget> window_;
};

}  // namespace win32::gdi
