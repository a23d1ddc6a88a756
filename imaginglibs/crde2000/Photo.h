#pragma once
// What the readers of photographs share: the stored orientation (EXIF 1 to 8) turned into an
// upright picture, and colours described by an embedded profile brought to sRGB.
#include <cstddef>
#include <cstdint>

#include "Dib.h"

namespace mx {

// The orientation an EXIF block gives (1 to 8); 1 when there is none or it cannot be read.
// `data` may start with the "Exif\0\0" header of a JPEG APP1 segment.
int ExifOrientation(const uint8_t *data, size_t size);

// Orientations 5 to 8 exchange width and height.
inline bool SwapsSides(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

// The picture turned and mirrored as `orientation` says, so that it stands upright: 2
// mirrors left to right, 3 turns half a turn, 4 mirrors top to bottom, 5 transposes, 6 turns
// a quarter clockwise, 7 transposes the other way, 8 turns a quarter anticlockwise. 1 and
// unknown values give the picture back as it is.
Dib Upright(Dib picture, int orientation);

// Converts the picture from the colours an ICC profile describes to sRGB, in place. Only
// RGB profiles on colour pictures (24 bits, or the colour table of indexed ones) are
// applied; other profiles, and profiles that cannot be read, leave the picture as it is.
void ProfileToSrgb(Dib &picture, const void *icc, size_t size);

// The same for colours given by their primaries and white point (CIE xy) and a transfer
// curve numbered as in video signalling (1, 6, 14, 15 the television curve, 4 gamma 2.2,
// 5 gamma 2.8, 8 linear, 13 sRGB). Primaries equal to sRGB's with the sRGB or television
// curve, and curves not listed, leave the picture as it is.
struct Chromaticities {
  double redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;
};
void PrimariesToSrgb(Dib &picture, const Chromaticities &c, int transfer);

}  // namespace mx
