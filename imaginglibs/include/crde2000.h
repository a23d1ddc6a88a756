/* CRDE2000.DLL: picture file codecs, file information, scanner source selection and
   acquisition, colour depth conversions and the annotation layer.

   Conventions of every entry:
   - name: zero-terminated path in the locale's 8-bit encoding.
   - bits: requested colour depth 0 (the file's own), 1, 4, 8 or 24; four readers also
     take MX_PROGRAM_ROWS (see the readers).
   - dither: 0 or 1; when a depth is lowered, 1 diffuses the error (Floyd-Steinberg).
   - DIB: a movable global memory block (platform GlobalAlloc) holding a packed bottom-up
     device-independent bitmap: 40-byte BITMAPINFOHEADER, colour table of 4-byte entries
     (blue, green, red, 0), rows padded to 4 bytes. A DIB handed out belongs to the caller,
     who frees it; a DIB handed in is only read.
   - user, cb: progress context and callback (may be 0); a callback returning 0 stops the
     entry, which then fails with MX_ERR_CANCELLED.
   - z: trailing 16-bit 0, ignored.
   - Results: > 0 success (>= 0 where stated). A failure is a negative code; as an unsigned
     16-bit number it is the id of its text in this library's string table (-1 is 65535),
     read with MxLoadString.
   No entry lets a C++ exception or a codec's long jump escape, and none aborts the process
   on a broken or hostile file. */
#ifndef MURALIX_CRDE2000_H
#define MURALIX_CRDE2000_H

#include "imaging_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The depth that asks a reader for the program's own layout (see the readers). */
enum { MX_PROGRAM_ROWS = 32 };

/* Failure codes; each names a string of the table (id = 65536 + code). */
enum {
  MX_OK = 1,
  MX_ERR_GENERAL = -1,          /* 65535 "The imaging library failed" */
  MX_ERR_CANNOT_OPEN = -2,      /* 65534 "Cannot open file" */
  MX_ERR_PREMATURE_EOF = -3,    /* 65533 "Premature end of file" */
  MX_ERR_NOT_JPEG = -4,         /* 65532 "Not a JPEG file" */
  MX_ERR_NOT_BMP = -5,          /* 65531 "Not a BMP file" */
  MX_ERR_NOT_PNG = -6,          /* 65530 "Not a PNG file" */
  MX_ERR_NOT_GIF = -7,          /* 65529 "Not a GIF file" */
  MX_ERR_NOT_TIFF = -8,         /* 65528 "Not a TIFF file" */
  MX_ERR_NOT_PCX = -9,          /* 65527 "Not a PCX file" */
  MX_ERR_NOT_TGA = -10,         /* 65526 "Not a TGA file" */
  MX_ERR_NOT_EPS = -11,         /* 65525 "Not an EPS file" */
  MX_ERR_NOT_PCD = -12,         /* 65524 "Not a Photo CD file" */
  MX_ERR_NOT_DXF = -13,         /* 65523 "Not a DXF file" */
  MX_ERR_TOO_LARGE = -14,       /* 65522 "Image too large" */
  MX_ERR_NO_MEMORY = -15,       /* 65521 "Not enough memory" */
  MX_ERR_CORRUPT = -16,         /* 65520 "Corrupt image data" */
  MX_ERR_UNSUPPORTED = -17,     /* 65519 "Unsupported kind of image in this format" */
  MX_ERR_BAD_DEPTH = -18,       /* 65518 "Unsupported colour depth" */
  MX_ERR_CANCELLED = -19,       /* 65517 "Cancelled" */
  MX_ERR_NO_PAGE = -20,         /* 65516 "No such page in the file" */
  MX_ERR_CANNOT_CREATE = -21,   /* 65515 "Cannot create file" */
  MX_ERR_WRITE = -22,           /* 65514 "Cannot write file" */
  MX_ERR_BAD_COMPRESSION = -23, /* 65513 "Unsupported TIFF compression" */
  MX_ERR_BAD_DIB = -24,         /* 65512 "Invalid DIB" */
  MX_ERR_NO_SCANNER = -25,      /* 65511 "No scanner found" */
  MX_ERR_SCANNER = -26,         /* 65510 "Scanner failure" */
  MX_ERR_SCANNER_BUSY = -27,    /* 65509 "The scanner is busy" */
  MX_ERR_EPS_FAILED = -28,      /* 65508 "The PostScript interpreter could not render the file" */
  MX_ERR_EPS_TIMEOUT = -29,     /* 65507 "Rendering the PostScript file took too long" */
  MX_ERR_NO_GHOSTSCRIPT = -30,  /* 65506 "The PostScript interpreter (gs) is not installed" */
  MX_ERR_NOT_AVAILABLE = -31,   /* 65505 "Function not available in this library" */
  MX_ERR_BAD_ARGUMENT = -32,    /* 65504 "Invalid argument" */
  MX_ERR_INTERNAL = -33,        /* 65503 "Internal error in the imaging library" */
  MX_ERR_UNKNOWN_FORMAT = -34,  /* 65502 "Unknown file format" */
  MX_ERR_ANNOTATION = -35,      /* 65501 "Invalid annotation file" */
  MX_ERR_PCD_RESOLUTION = -36,  /* 65500 "Photo CD resolution not available" */
  MX_ERR_EMPTY_DRAWING = -37,   /* 65499 "The drawing is empty" */
  MX_ERR_NOT_HEIF = -38,        /* 65498 "Not a HEIC or AVIF file" */
  MX_ERR_NOT_WEBP = -39,        /* 65497 "Not a WebP file" */
  MX_ERR_NO_HEIF_DECODER = -40  /* 65496 "No decoder for this kind of HEIF picture is installed" */
};

/* ---- String table -------------------------------------------------------------------
   Copies the text of string `id` into buf (at most size - 1 bytes, then a terminating 0) and
   returns the number of bytes copied without the 0; returns 0 (buf[0] = 0 when size > 0)
   for an id without text. Texts are ASCII. This is how the platform's LoadString reads a
   loaded library's string table. */
MX_EXPORT int MxLoadString(uint32_t id, char *buf, int size);

/* ---- Limits -------------------------------------------------------------------------
   Largest picture a reader accepts, in pixels (width x height announced by the header);
   larger ones fail with MX_ERR_TOO_LARGE before anything large is allocated. Default 2^28,
   or the environment variable MURALIX_MAX_PIXELS when set. 0 restores the default. */
MX_EXPORT void MxSetPixelLimit(uint64_t pixels);
MX_EXPORT uint64_t MxGetPixelLimit(void);

/* ---- Readers: file -> new DIB -------------------------------------------------------
   palette: the shared palette (always 0, ignored). one: constant 1, zero: constant 0.

   The program's own layout: rdjpgfiledib, rdpngfiledib, readtiffiledib, rdheiffiledib and
   rdwebpfiledib also take bits = MX_PROGRAM_ROWS (32). The DIB they then hand out holds
   32 bits a pixel (blue, green, red, then 255 in every pixel's fourth byte), BI_RGB, its
   rows top-down (biHeight = -height), padded to nothing (4 bytes a pixel), in a block the
   caller owns as any other DIB. Colour JPEG, truecolour PNG (alpha laid over white),
   colour TIFF, WebP and HEIF pictures are decoded straight into these rows, colour profile
   and orientation applied as for 24 bits, with the same colours; other kinds (grey or CMYK
   JPEG, indexed or grey PNG, indexed or grey TIFF) are read as usual and converted once at
   the end. Every other reader refuses 32 with MX_ERR_BAD_DEPTH, as before. */
MX_EXPORT int16_t rdjpgfiledib(const char *name, int32_t bits, int32_t one, int16_t dither,
                               HGLOBAL *dib, HPALETTE palette, void *user, MxProgressFn cb,
                               int16_t z);
MX_EXPORT int16_t rdbmpfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                               HPALETTE palette, void *user, MxProgressFn cb, int16_t z);
MX_EXPORT int16_t rdpngfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                               HPALETTE palette, void *user, MxProgressFn cb, int16_t z);
MX_EXPORT int16_t rdpcxfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                               HPALETTE palette, void *user, MxProgressFn cb, int16_t z);
/* transparent: out, the transparent colour index of the first frame or -1 (may be 0). */
MX_EXPORT int16_t rdgiffiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                               HPALETTE palette, int32_t *transparent, void *user, MxProgressFn cb,
                               int16_t z);
/* page: TIFF page counted from 1 (0 also means the first page). */
MX_EXPORT int16_t readtiffiledib(const char *name, int32_t bits, int16_t dither, uint16_t page,
                                 HGLOBAL *dib, void *user, MxProgressFn cb, int16_t z);
/* resolution: 0 Base/16 (192 x 128), 1 Base/4 (384 x 256), 2 Base (768 x 512). */
MX_EXPORT int16_t readpcdfiledib(const char *name, int32_t bits, int16_t dither,
                                 uint16_t resolution, HGLOBAL *dib, void *user, MxProgressFn cb,
                                 int16_t z);
MX_EXPORT int16_t readtgafiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                                 void *user, MxProgressFn cb, int16_t z);
/* HEIC (HEVC) and AVIF (AV1) pictures: the primary picture, turned and mirrored as the file
   says. */
MX_EXPORT int16_t rdheiffiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                                HPALETTE palette, void *user, MxProgressFn cb, int16_t z);
/* WebP pictures, lossy or lossless; of an animation, the first frame. */
MX_EXPORT int16_t rdwebpfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                                HPALETTE palette, void *user, MxProgressFn cb, int16_t z);
/* Rasterised at 72 dots per inch by the PostScript interpreter in a separate process. */
MX_EXPORT int16_t readepsfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib,
                                 void *user, MxProgressFn cb, int16_t z);
/* The drawing is scaled to fit 1024 x 1024 pixels keeping its proportions, drawn black on
   white (colours of the entities where given). *bitmap: new device bitmap owned by the
   caller; *palette: in 0, out a new palette for depths up to 8 bits, else 0. */
MX_EXPORT int16_t readdxftoddb(const char *name, int32_t bits, int16_t dither, HBITMAP *bitmap,
                               HPALETTE *palette, void *user, MxProgressFn cb, int16_t z);

/* ---- Information --------------------------------------------------------------------
   fileinfo recognises the format by content. type: 6-byte buffer, receives "BMP", "JPEG",
   "PNG", "GIF", "TIF", "PCX", "TGA", "EPS", "PCD", "DXF", "HEIC", "AVIF" or "WEBP" ("" when
   unknown). width, height: the picture as shown, after the turn its orientation asks for
   (JPEG and TIFF orientation, HEIF rotation). pages: number
   of pages or frames (1 for single-picture formats). dpi: horizontal resolution in dots per
   inch, 0 when the file does not say. compression: 26-byte buffer, e.g. "NONE", "JPEG",
   "DEFLATE", "LZW", "RLE", "PACKBITS", "CCITT3", "FAXCCITT3", "FAXCCITT4", "HEVC", "AV1",
   "VP8", "VP8L", "ANIMATION". Numbers above
   65535 are reported as 65535. */
MX_EXPORT int16_t fileinfo(const char *name, char *type, uint16_t *width, uint16_t *height,
                           uint16_t *bitsPerPixel, uint16_t *pages, uint16_t *dpi,
                           char *compression, int16_t z);
/* TIFF page information (page counted from 1, 0 also the first); success >= 0. width and height
   are the upright size (orientations 5 to 8 exchange them). compression: the
   TIFF compression tag (1, 2, 3, 4, 5, 7, 32773, ...); ignored: always 0; pageCount: number of
   pages in the file, reported also when the page asked for does not exist. */
MX_EXPORT int16_t getinfo(const char *name, uint16_t page, int32_t *width, int32_t *height,
                          uint16_t *compression, int32_t *ignored, int32_t *pageCount,
                          uint16_t *bitsPerPixel);
/* DXF drawing information: the size readdxftoddb produces and its depth (24); zeros when
   the file is not a readable drawing. */
MX_EXPORT void getdxfinfo(const char *name, uint16_t *width, uint16_t *height,
                          uint16_t *bitsPerPixel);

/* ---- TIFF writer --------------------------------------------------------------------
   compression: 1 none, 2 CCITT modified Huffman, 3 fax group 3, 4 fax group 4 (2 to 4 always
   write black and white: other depths are lowered to 1 bit with error diffusion), 5 LZW,
   32773 PackBits; any other code fails with MX_ERR_BAD_COMPRESSION. bits: depth to write
   (0 keeps the DIB's own, 16 and 32 bits become 24; lowered with error diffusion, raised
   exactly). append: 1 adds a page to an existing TIFF file (or creates it), 0 replaces the
   file. A failed write leaves no partial new file behind. */
MX_EXPORT int16_t writetiffiledib(const char *name, uint16_t compression, uint16_t bits,
                                  int16_t append, HGLOBAL dib, void *user, MxProgressFn cb,
                                  int16_t z);

/* ---- Scanner ------------------------------------------------------------------------
   selectsource shows the list of scanners and remembers the choice in "imtwain.ini",
   section "Imaging Twain" of the configuration folder; >= 0 when a scanner was chosen.
   aquiredibimage scans the chosen scanner (or the first) in colour at its default
   resolution; >= 0 on success, with *dib 0 when the scan was cancelled. A scanner that
   stops with a failure gives MX_ERR_SCANNER, whose text then carries the scanner's own
   reason (until the next failure of a scanner). scannercount gives how many scanners
   answer (0 for none) without showing anything. aquiredibimage also takes bits =
   MX_PROGRAM_ROWS, as the readers do: a colour scan is then written straight into the
   program's rows, a grey or line-art one widened into them at the end. */
MX_EXPORT int16_t selectsource(HWND owner, int16_t z);
MX_EXPORT int16_t scannercount(int16_t z);
MX_EXPORT int16_t aquiredibimage(HWND owner, int32_t bits, uint16_t dither, uint16_t zero,
                                 HGLOBAL *dib, HPALETTE palette, void *user, MxProgressFn cb,
                                 int16_t z);

/* ---- Depth conversions: new DIB (owned by the caller), 0 on failure; input kept ------- */
MX_EXPORT HGLOBAL DIB1to4(HGLOBAL dib);
MX_EXPORT HGLOBAL DIB1To8(HGLOBAL dib);
MX_EXPORT HGLOBAL DIB1To24(HGLOBAL dib);
MX_EXPORT HGLOBAL DIB4To8(HGLOBAL dib);
MX_EXPORT HGLOBAL DIB4To24(HGLOBAL dib);
MX_EXPORT HGLOBAL DIB8To24(HGLOBAL dib);
MX_EXPORT HGLOBAL DIB16To24(HGLOBAL dib);
MX_EXPORT HGLOBAL DIB32To24(HGLOBAL dib);
/* dib: locked pointer to a packed DIB (also run-length encoded, compression 1 or 2).
   Outputs a new device bitmap and palette (0 when the DIB has no colour table), both owned
   by the caller; both 0 on failure. */
MX_EXPORT void DibtoDdb(const void *dib, HBITMAP *bitmap, HPALETTE *palette);

/* ---- Annotation layer ---------------------------------------------------------------
   One set of annotation objects (rectangles and texts) per component. The callbacks receive
   the component first and return 1 when given one. */
typedef int32_t (*MxAnnoDoneFn)(void *component);
typedef int32_t (*MxAnnoCustomDrawFn)(void *component, HDC dc, const char *name, int32_t x,
                                      int32_t y, int32_t xx, int32_t yy);
typedef int32_t (*MxAnnoCustomHardDrawFn)(void *component, HBITMAP bitmap, const char *name,
                                          int32_t x, int32_t y, int32_t xx, int32_t yy);
typedef int32_t (*MxAnnoBeforeDrawFn)(void *component, int32_t passCode, int32_t canDraw,
                                      const char *name);
typedef int32_t (*MxAnnoAfterDrawFn)(void *component, const char *name);

/* owner: the component; window: its window; settingsPath: "im_anno.ini" path (may be 0). */
MX_EXPORT int32_t InitAnnotation(void *owner, HWND window, void *component, MxAnnoDoneFn done,
                                 MxAnnoCustomDrawFn customDraw,
                                 MxAnnoCustomHardDrawFn customHardDraw,
                                 MxAnnoBeforeDrawFn beforeDraw, MxAnnoAfterDrawFn afterDraw,
                                 const char *settingsPath);
MX_EXPORT int32_t DestroyAnnotation(void *component);
MX_EXPORT int32_t ClearAnnotation(void *component);
/* Draws the objects on the component's window, in picture coordinates mapped by the view:
   screen = (picture * zoom) - scroll + centre offset. */
MX_EXPORT int32_t DrawAnnotation(void *component, int32_t scrollX, int32_t scrollY, double zoom,
                                 int32_t centerOffsetX, int32_t centerOffsetY,
                                 int32_t scrollBarAllowance, int32_t zero);
/* message: WM_LBUTTONDOWN 0x201, WM_LBUTTONUP 0x202, WM_MOUSEMOVE 0x200; position: x in the
   low, y in the high 16 bits (window coordinates). A press, drag and release creates a
   rectangle object. */
MX_EXPORT int32_t MouseMon(void *component, uint32_t message, int32_t zero, int32_t position);
MX_EXPORT int32_t MenuMsg(void *component, int32_t command);
MX_EXPORT int32_t RubberBandOFF(void *component);
/* Annotation files (".ant"): a small text format, one object per line, per page. */
MX_EXPORT int32_t LoadAnnotation(void *component, int32_t page, const char *fileName);
MX_EXPORT int32_t SaveAnnotation(void *component, int32_t page, const char *fileName);

#ifdef __cplusplus
}
#endif

#endif
