#pragma once
// The two calls through which every bitmap reaches a printer: fetching a bitmap's
// device-independent header and pixel rows in its own colour depth, and stretching such
// rows onto a device. They stand in for GetDIBits and StretchDIBits over Qt images, and
// code and decode their rows with the same DIB coding as the Windows-shaped calls over
// handles (win32/DibImage). The rows are kept top-down (a negative header height, as the
// format allows) so that the device can read them in place without another copy of a
// large sheet.
#include <QImage>
#include <QList>
#include <QRgb>
#include <cstdint>
#include <vector>

namespace platform {

class Canvas;

// A bitmap's device-independent header: size, depth and colour table.
struct DibHeader {
  int width = 0;
  int height = 0;      // negative: rows stored top-down
  int bitCount = 0;    // 1, 4, 8, 16 (5-5-5), 24 or 32
  QList<QRgb> colors;  // colour table for 1, 4 and 8 bits
  int64_t BytesPerRow() const;
};

// Sizes of the header's colour table (entries) and of the pixel data (bytes) for
// `bitmap` at `bitCount` bits per pixel (0: the bitmap's own depth).
struct DibSizes {
  int colorEntries = 0;
  int64_t imageBytes = 0;
  int bitCount = 0;
};
DibSizes QueryDibSizes(const QImage &bitmap, int bitCount);

// Fills `header` and the zero-filled `bits` (of the size QueryDibSizes gave) with the
// bitmap's pixels, through its own palette. Returns the number of rows copied.
int GetDIBits(const QImage &bitmap, const DibSizes &sizes, DibHeader &header,
              std::vector<uint8_t> &bits);

// Stretches the source rectangle of the rows onto the canvas's device; colours are RGB
// values and the copy is plain (SRCCOPY). Returns the number of rows drawn, 0 on failure.
int StretchDIBits(Canvas &canvas, int x, int y, int width, int height, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, const std::vector<uint8_t> &bits,
                  const DibHeader &header);

// The rows seen as an image (without copying when Qt has the layout); for tests and
// for StretchDIBits.
QImage ImageOfDib(const std::vector<uint8_t> &bits, const DibHeader &header);

}  // namespace platform
