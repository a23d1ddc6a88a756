#pragma once
// Conversions between packed-DIB pixel rows and QImage, used by every GDI call that
// takes or gives DIB pixels. Internal to the platform library.
#include <QImage>
#include <QList>
#include <QRgb>
#include <cstddef>
#include <cstdint>

#include "WinApi.h"

namespace win32 {

// Bytes of one row of `width` pixels at `bitCount`, padded to 4 bytes; 0 on overflow.
size_t DibRowBytes(int64_t width, int bitCount);
// Bytes of all rows; 0 on overflow or a size beyond what the program accepts.
size_t DibImageBytes(int64_t width, int64_t height, int bitCount);
// Colour-table entries a header announces: biClrUsed, or 2^bits up to 8 bits, else 0.
// For BI_BITFIELDS the three masks are counted as 3 entries.
int DibColorEntries(const BITMAPINFOHEADER &header);

// The standard colour tables: black and white, the 16 VGA colours, and the 256-colour
// default (the 20 static system colours, a 6x6x6 cube, greys).
QList<QRgb> StandardColorTable(int bitCount);
// The static system palette of a screen with `size` palette entries (0: none).
QList<QRgb> SystemPaletteColors(int size);

// Decodes `rows` rows of a DIB whose header and colour table are given; `bits` holds
// `available` bytes. The result is top-down: Mono and Indexed8 with their colour tables
// up to 8 bits, RGB32 above. Null when the data does not hold what the header says.
QImage DecodeDib(const BITMAPINFOHEADER &header, const QList<QRgb> &colors, const void *bits,
                 size_t available);
// The same pixels as DecodeDib, without a copy when Qt can read the rows where they lie:
// top-down BI_RGB rows of 1, 8 or 24 bits, and of 32 bits when every pixel's unused fourth
// byte is 255. Such an image refers to `bits`, which must outlive it and its copies.
QImage ViewDib(const BITMAPINFOHEADER &header, const QList<QRgb> &colors, const void *bits,
               size_t available);

// Writes `image` as DIB rows of `bitCount` (1, 4, 8, 16, 24 or 32) in `order` (bottom-up
// when `bottomUp`) into `bits` (room for image.height() rows). Up to 8 bits each pixel
// takes the nearest colour of `colors`, or keeps its own index when `image` is indexed and
// its colours begin `colors`. The unused fourth byte of 32-bit pixels is `reserved`: 0 as
// Windows writes it, 255 where the rows are to be read in place as a Qt image.
bool EncodeDib(const QImage &image, int bitCount, const QList<QRgb> &colors, bool bottomUp,
               void *bits, size_t available, uint8_t reserved = 0);

// The nearest entry of `colors` to `color`, in RGB distance.
int NearestColorIndex(const QList<QRgb> &colors, QRgb color);

}  // namespace win32
