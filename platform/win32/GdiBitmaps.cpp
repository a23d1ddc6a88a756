// Bitmaps and DIB sections, and the copies between DCs: BitBlt, StretchBlt, StretchDIBits
// and the DIB readers and writers.
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cstring>
#include <vector>

#include "DibImage.h"
#include "GdiObjects.h"
#include "GlobalMemory.h"
#include "PixelMemory.h"
#include "WinQt.h"

using namespace win32::gdi;

namespace {

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

HBITMAP CreateBitmapFromImage(const QImage &image) {
  if (image.isNull()) return nullptr;
  const bool mono = image.depth() == 1;
  auto bitmap = MakeDdb(image.width(), image.height(), mono ? 1 : 32);
  if (!bitmap) return nullptr;
  StoreBitmapRows(*bitmap, 0, image);
  return reinterpret_cast<HBITMAP>(static_cast<GdiObject *>(Register(std::move(bitmap))));
}

HBITMAP CreateBitmapOnBlock(HGLOBAL block, size_t offset, int width, int height) {
  size_t blockSize = 0;
  std::shared_ptr<uint8_t> memory = win32::ShareBlockMemory(block, &blockSize);
  const size_t bytes = win32::DibImageBytes(width, height, 32);
  if (!memory || width <= 0 || height <= 0 || bytes == 0 || (offset % 4) != 0 ||
      offset > blockSize || blockSize - offset < bytes)
    return nullptr;
  auto bitmap = std::make_unique<BitmapObject>();
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bitCount = 32;
  uint8_t *first = memory.get() + offset;
  bitmap->image = win32::ImageOnMemory(std::move(memory), first, width, height,
                                       qsizetype(size_t(width) * 4), QImage::Format_RGB32);
  if (bitmap->image.isNull()) return nullptr;
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

extern "C" {

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
    bitmap->sharedBits = win32::AllocatePixelMemory(bytes);
    bitmap->dibBits = bitmap->sharedBits.get();
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

}  // extern "C"
