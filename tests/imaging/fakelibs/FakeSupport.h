#pragma once
// Shared by the two stand-in libraries the binding tests load: they record what they were
// called with and build small DIB blocks, so each rule of the binding can be checked
// without the real codecs.
#include <QImage>
#include <cstring>

#include "win32/WinApi.h"
#include "win32/WinQt.h"

namespace fake {

// A packed DIB block of `image` at 1, 4, 8 or 24 bits (indexed images keep their table).
inline HGLOBAL MakeDib(const QImage &image, int bits) {
  QList<QRgb> colors;
  QImage source = image;
  if (bits <= 8) {
    source = image.format() == QImage::Format_Indexed8
                 ? image
                 : image.convertToFormat(QImage::Format_Indexed8);
    colors = source.colorTable();
    while (colors.size() < (1 << bits)) colors.append(qRgb(0, 0, 0));
    colors = colors.mid(0, 1 << bits);
  }
  const int rowBytes = ((image.width() * bits + 31) / 32) * 4;
  const size_t size = 40 + 4 * size_t(colors.size()) + size_t(rowBytes) * size_t(image.height());
  HGLOBAL block = GlobalAlloc(GHND, size);
  auto *h = static_cast<BITMAPINFOHEADER *>(GlobalLock(block));
  h->biSize = 40;
  h->biWidth = image.width();
  h->biHeight = image.height();
  h->biPlanes = 1;
  h->biBitCount = WORD(bits);
  h->biSizeImage = DWORD(rowBytes * image.height());
  h->biClrUsed = DWORD(colors.size());
  auto *table = reinterpret_cast<RGBQUAD *>(reinterpret_cast<uint8_t *>(h) + 40);
  for (int i = 0; i < colors.size(); ++i)
    table[i] = {BYTE(qBlue(colors[i])), BYTE(qGreen(colors[i])), BYTE(qRed(colors[i])), 0};
  auto *bitsOut = reinterpret_cast<uint8_t *>(table + colors.size());
  for (int y = 0; y < image.height(); ++y) {
    uint8_t *row = bitsOut + size_t(image.height() - 1 - y) * size_t(rowBytes);
    for (int x = 0; x < image.width(); ++x) {
      if (bits == 24) {
        const QRgb p = image.pixel(x, y);
        row[3 * x] = BYTE(qBlue(p));
        row[3 * x + 1] = BYTE(qGreen(p));
        row[3 * x + 2] = BYTE(qRed(p));
      } else {
        const int index = source.pixelIndex(x, y) & ((1 << bits) - 1);
        if (bits == 8) row[x] = BYTE(index);
        if (bits == 4) row[x / 2] |= BYTE(index << ((x & 1) ? 0 : 4));
        if (bits == 1 && index) row[x / 8] |= BYTE(0x80 >> (x % 8));
      }
    }
  }
  GlobalUnlock(block);
  return block;
}

inline QImage ImageOfDib(HGLOBAL dib) {
  void *p = GlobalLock(dib);
  QImage image = ImageFromPackedDib(p, GlobalSize(dib));
  GlobalUnlock(dib);
  return image;
}

}  // namespace fake
