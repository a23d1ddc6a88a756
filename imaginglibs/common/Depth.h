#pragma once
// Colour depth changes between the depths the libraries hand out (1, 4, 8, 24 bits).
#include <vector>

#include "Core.h"
#include "Dib.h"

namespace mx {

// A copy of `source` at `bits` (1, 4, 8 or 24). Raising is exact. Lowering keeps the
// colours exactly when the picture has no more distinct colours than the depth holds;
// otherwise 8 bits get an adaptive palette (median cut), 4 bits the standard 16 colours
// and 1 bit black and white from the grey level, with Floyd-Steinberg error diffusion when
// `dither` is set and the nearest colour otherwise.
Dib ConvertDepth(const Surface &source, int bits, bool dither, Progress *progress = nullptr);

// The picture at the requested depth: itself for 0 or its own depth, else a converted copy.
Dib AdaptDepth(Dib picture, int bits, bool dither, Progress *progress = nullptr);

// The picture in the program's own layout (Dib::CreateProgramRows): itself when it is in
// it already, else a copy with every pixel's colour, exactly as 24 bits would give it.
Dib ToProgramRows(Dib picture, Progress *progress = nullptr);

// The standard 16 colours (black, the eight dark ones, light grey, grey, the bright ones,
// white) in their usual order.
const std::vector<RGBQUAD> &StandardSixteenColors();

// An adaptive palette of at most `count` colours for the picture, by median cut.
std::vector<RGBQUAD> MedianCutPalette(const Surface &source, int count);

}  // namespace mx
