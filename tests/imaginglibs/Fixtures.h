#pragma once
// Pictures for the tests, generated here: with Qt's writers, with the codec libraries, or
// with small writers of the formats no library writes.
#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

// A true-colour picture with thousands of colours (gradients and a xor pattern).
QImage Pattern(int width, int height);
// An indexed picture using `colors` distinct colours (2 to 256), in blocks.
QImage Indexed(int width, int height, int colors);
// A grey ramp, 256 levels.
QImage GreyRamp(int width, int height);

// BMP of any depth 1, 4, 8, 16 (5-5-5), 24, 32; optionally top-down or run-length coded
// (8 and 4 bits).
QByteArray BmpBytes(const QImage &image, int bits, bool topDown = false, bool rle = false);
// GIF of an indexed picture through giflib; `transparent` >= 0 marks that index transparent.
bool WriteGif(const QString &path, const QImage &indexed, bool interlaced = false,
              int transparent = -1);
// PCX: 1 bit, 4 bits in four planes, 8 bits with its table, 24 bits in three planes.
QByteArray PcxBytes(const QImage &image, int bits);
// TGA: type 1 (colour-mapped), 2 (true colour at 16, 24 or 32 bits), 3 (grey); +8 for
// run-length coding; rows bottom-up unless topDown; with the version 2 footer unless told.
QByteArray TgaBytes(const QImage &image, int type, int bits = 24, bool topDown = false,
                    bool footer = true);
// A Photo CD file whose three resolutions each show four quadrants (top-left, top-right,
// bottom-left, bottom-right) of the given PhotoYCC values.
struct Ycc {
  uint8_t y, c1, c2;
};
QByteArray PcdBytes(const Ycc quadrants[4], int orientation = 0);
// A small EPS: left half red, right half blue, `width` x `height` points.
QByteArray EpsBytes(int width, int height);
// A DXF drawing with a line, a circle, an arc and a text, spanning (0, 0) to (200, 100).
QByteArray DxfBytes();

// Interlaced PNG through libpng.
bool WriteInterlacedPng(const QString &path, const QImage &image);
// PNG with a palette at `bitDepth` 1, 2, 4 or 8 bits through libpng (Qt writes 8 bits or
// 1 bit only); the indexed picture must use no more than 2^bitDepth colours.
bool WritePalettePng(const QString &path, const QImage &indexed, int bitDepth);

// A metafile record: its function number and its parameter words.
struct WmfRecord {
  uint16_t function;
  std::vector<int> words;  // each written as a 16-bit word
};
// A metafile: the placeable header when `inch` is not 0 (`box` in units of 1/inch), the
// standard header, the records and the end-of-file record.
QByteArray WmfBytes(const std::vector<WmfRecord> &records, int inch = 0, QRect box = {});

// A vector poster design of `width` x `height` (points for the PDF, user units for the
// SVG): a red rectangle over the top-left quarter, a blue disc in the bottom-right quarter
// and a green diagonal from the bottom-left corner, so every sheet edge cuts a sloped,
// antialiased line. The PDF is written by Qt's PDF writer, page after page (each further
// page plain grey); the SVG is plain text.
QByteArray PdfBytes(int width, int height, int pages = 1);
QByteArray SvgBytes(int width, int height);
