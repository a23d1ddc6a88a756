// Device contexts and the objects selected into them: the handle table, stock objects,
// DC state, and the DCs that Qt code makes over its painters, images and windows.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <cstring>

#include "DibImage.h"
#include "GdiObjects.h"
#include "PixelMemory.h"
#include "WinQt.h"

namespace win32::gdi {

Gdi &TheGdi() {
  static Gdi *gdi = new Gdi;  // never destroyed: objects may be freed during exit
  return *gdi;
}

DcObject *LiveDc(HDC handle) {
  auto *dc = reinterpret_cast<DcObject *>(handle);
  return (dc && TheGdi().dcs.count(dc)) ? dc : nullptr;
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
    bitmap->image = win32::NewPixelImage(width, height, QImage::Format_RGB32);
    if (bitmap->image.isNull()) return nullptr;
    bitmap->image.fill(Qt::black);
  }
  return bitmap;
}

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

QPaintDevice *DeviceOf(DcObject *dc) {
  if (dc == nullptr) return nullptr;
  if (dc->kind == DcKind::Painter && dc->painter) return dc->painter->device();
  if (dc->kind == DcKind::Image) return dc->image;
  return nullptr;
}

Surface::Surface(DcObject *dc, QRect area) : dc_(dc) {
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

Surface::~Surface() {
  if (dc_ && dc_->kind == DcKind::Painter && painter_) painter_->restore();
  if (own_) own_->end();
  if (bitmap_ && !work_.isNull()) StoreBitmapRows(*bitmap_, top_, work_);
}

RepaintAfter::~RepaintAfter() {
  QWidget *window = window_.data();
  if (window == nullptr) return;
  if (QThread::currentThread() == window->thread())
    window->repaint();
  else  // a widget paints on its own thread only
    QMetaObject::invokeMethod(
        window, [window] { window->update(); }, Qt::QueuedConnection);
}

}  // namespace win32::gdi

using namespace win32::gdi;

namespace {

int DcPaletteSize(DcObject *dc) {
  (void)dc;
  return ScreenPaletteSize();
}

}  // namespace

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

void MxSetWindowPainter(HWND window, QPainter *painter) {
  if (painter)
    TheGdi().windowPainters[window] = painter;
  else
    TheGdi().windowPainters.erase(window);
}

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

}  // extern "C"
