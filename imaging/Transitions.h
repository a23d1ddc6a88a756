#pragma once
// Showing a new picture piece by piece through the effects library, and the four-deep
// history of the bitmaps the image component replaced.
#include <array>

#include "Bitmap.h"

namespace imaging {

bool SkipHorizontal(HDC target, HBITMAP source, int thickness, int delay);
bool SkipVertical(HDC target, HBITMAP source, int thickness, int delay);
bool SkipDiagonals(HDC target, HBITMAP source, int thickness, int delay);
bool SkipDiagonalSquares(HDC target, HBITMAP source, int thickness, int delay);
bool SkipRectangles(HDC target, HBITMAP source, int delay);

// The newest bitmap first; the oldest falls out. A bitmap its owner no longer needs is
// moved in rather than copied.
void PushUndoBitmap(const TBitmap &bitmap);
void PushUndoBitmap(TBitmap &&bitmap);
// The history (four bitmaps, newest first), and whether a push has happened.
const std::array<TBitmap, 4> *UndoHistory();
bool UndoPushed();
// Frees the history (at the end of the program).
void ClearUndoHistory();

}  // namespace imaging
