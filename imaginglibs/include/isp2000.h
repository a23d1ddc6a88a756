/* ISP2000.DLL: colour reduction and transition effects. Conventions as in crde2000.h. */
#ifndef MURALIX_ISP2000_H
#define MURALIX_ISP2000_H

#include "imaging_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Lowers a DIB to bits 1, 4 or 8 (8: adaptive palette by median cut; 4 and 1: the standard
   16-colour and black-and-white palettes; 1 from grey levels), with Floyd-Steinberg error
   diffusion when dither is 1. The input DIB is kept; the result is a new DIB owned by the
   caller, 0 on failure (also when the callback asked to stop). zero1..zero3: constant 0. */
MX_EXPORT HGLOBAL ReduceDib(HGLOBAL dib, int32_t bits, uint16_t dither, uint16_t zero1,
                            int32_t zero2, uint16_t zero3, void *user, MxProgressFn cb);

/* Transitions: paint `source` onto `target` piece by piece, sleeping `delay` milliseconds
   between steps. thickness: height of the bands (rows), width of the columns or side of the
   squares, in pixels (values below 1 count as 1). Non-zero on success, 0 when a handle is
   invalid. */
MX_EXPORT int32_t FXSkipHorizontal(HDC target, HBITMAP source, int32_t thickness, int32_t delay);
MX_EXPORT int32_t FXSkipVertical(HDC target, HBITMAP source, int32_t thickness, int32_t delay);
MX_EXPORT int32_t FXSkipDiagonals(HDC target, HBITMAP source, int32_t thickness, int32_t delay);
MX_EXPORT int32_t FXSkipDiagonalSquares(HDC target, HBITMAP source, int32_t thickness,
                                        int32_t delay);
/* Concentric rectangles from the outside in. */
MX_EXPORT int32_t FXSkipRectangles(HDC target, HBITMAP source, int32_t delay);

/* Same contract as in crde2000.h (this library's failures are only results of 0). */
MX_EXPORT int MxLoadString(uint32_t id, char *buf, int size);

#ifdef __cplusplus
}
#endif

#endif
