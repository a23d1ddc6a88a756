/* The Windows objects that cross the boundary between the program and the two imaging
   libraries: movable global memory blocks, bitmaps, palettes, device contexts, modules
   and their string tables, initialisation files. Plain C, so the libraries may be written
   in C or C++; the program and both libraries link to the platform library that
   implements it. Only the platform knows that QImage, QPainter and dlopen lie beneath.

   Texts are zero-terminated UTF-8; paths use '/' (a '\\' is taken as '/').
   Every function is safe to call with a null or stale handle: it fails the Windows way
   (0, NULL or FALSE) instead of crashing. */
#ifndef MURALIX_PLATFORM_WIN32_WINAPI_H
#define MURALIX_PLATFORM_WIN32_WINAPI_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define MX_PLATFORM_API __attribute__((visibility("default")))
#else
#define MX_PLATFORM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Scalar types ------------------------------------------------------------------ */

typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int32_t INT;
typedef size_t SIZE_T;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef uint32_t COLORREF; /* 0x00BBGGRR */
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define RGB(r, g, b) \
  ((COLORREF)(((BYTE)(r)) | (((WORD)(BYTE)(g)) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)((c)&0xFF))
#define GetGValue(c) ((BYTE)(((c) >> 8) & 0xFF))
#define GetBValue(c) ((BYTE)(((c) >> 16) & 0xFF))

/* Handle types, spelt as the Windows SDK spells them in STRICT mode: HANDLE and HGLOBAL
   untyped, the GDI and window objects distinct pointers to incomplete structs, so that a
   bitmap cannot be passed where a palette is expected. The imaging libraries' own header
   declares the same names under the same guard, so both headers can meet in one file.
   HGDIOBJ is untyped: every GDI handle converts to it. */
#ifndef MX_WIN32_HANDLE_TYPES
#define MX_WIN32_HANDLE_TYPES
typedef void *HANDLE;
typedef HANDLE HGLOBAL;
typedef struct HWND__ *HWND;
typedef struct HDC__ *HDC;
typedef struct HBITMAP__ *HBITMAP;
typedef struct HPALETTE__ *HPALETTE;
#endif
typedef struct HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HPEN__ *HPEN;
typedef struct HBRUSH__ *HBRUSH;
typedef struct HRGN__ *HRGN;
typedef void *HGDIOBJ;
typedef void (*FARPROC)(void);

/* ---- Structures, laid out as on Windows (no padding in any of them) ---------------- */

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize; /* 40 */
  LONG biWidth;
  LONG biHeight; /* > 0 bottom-up rows, < 0 top-down */
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression; /* BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS */
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO;

typedef struct tagBITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits; /* a DIB section's pixels, NULL for a device-dependent bitmap */
} BITMAP;

typedef struct tagDIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
} DIBSECTION;

typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY;

typedef struct tagLOGPALETTE {
  WORD palVersion; /* 0x300 */
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

typedef struct tagRECT {
  LONG left, top, right, bottom;
} RECT;

typedef struct tagPOINT {
  LONG x, y;
} POINT;

/* ---- Global memory -----------------------------------------------------------------
   Blocks never move in memory, but they keep Windows' lock count: GlobalLock adds one
   and returns the pixels' address, GlobalUnlock takes one off and returns whether the
   block is still locked. GlobalFree frees a block whatever its lock count and returns
   NULL, or the handle itself when it was not a live block. Every block is zero-filled. */

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GMEM_LOCKCOUNT 0x00FF
#define GMEM_INVALID_HANDLE 0x8000

MX_PLATFORM_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
MX_PLATFORM_API HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
MX_PLATFORM_API LPVOID GlobalLock(HGLOBAL block);
MX_PLATFORM_API BOOL GlobalUnlock(HGLOBAL block);
MX_PLATFORM_API HGLOBAL GlobalFree(HGLOBAL block);
MX_PLATFORM_API SIZE_T GlobalSize(HGLOBAL block);
/* The block whose memory starts at `pointer` (as GlobalLock returned it), or NULL. */
MX_PLATFORM_API HGLOBAL GlobalHandle(LPCVOID pointer);
/* Lock count in the low byte (GMEM_LOCKCOUNT); GMEM_INVALID_HANDLE for a dead handle. */
MX_PLATFORM_API UINT GlobalFlags(HGLOBAL block);
/* The full lock count (not cut to a byte); -1 for a dead handle. */
MX_PLATFORM_API int GlobalLockCount(HGLOBAL block);
/* Number of live blocks, for leak checks in tests. */
MX_PLATFORM_API SIZE_T GlobalLiveBlocks(void);
/* Test hook: GlobalAlloc fails for requests above `bytes` (0 lifts the limit). */
MX_PLATFORM_API void MxSetGlobalAllocLimit(SIZE_T bytes);

/* ---- GDI objects ------------------------------------------------------------------- */

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3

#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define CBM_INIT 0x04

#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define NOTSRCCOPY 0x00330008
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

#define TRANSPARENT 1
#define OPAQUE 2

/* GetDeviceCaps indexes */
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define COLORRES 108
#define RC_PALETTE 0x0100

#define OBJ_PAL 5
#define OBJ_DC 3
#define OBJ_MEMDC 10
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define DEFAULT_PALETTE 15

#define PC_RESERVED 0x01
#define PC_EXPLICIT 0x02
#define PC_NOCOLLAPSE 0x04

/* Device contexts. A memory DC starts with a 1 x 1 monochrome bitmap selected, as on
   Windows (so CreateCompatibleBitmap on a fresh memory DC gives a monochrome bitmap).
   GetDC(NULL) and GetDC(window) give a screen DC: it answers GetDeviceCaps and owns no
   pixels (drawing on it does nothing). Drawing goes to the bitmap selected in a memory
   DC, or to the painter or image of a DC made by the Qt-side functions of WinQt.h. */
MX_PLATFORM_API HDC GetDC(HWND window);
MX_PLATFORM_API int ReleaseDC(HWND window, HDC dc);
MX_PLATFORM_API HDC CreateCompatibleDC(HDC dc);
MX_PLATFORM_API BOOL DeleteDC(HDC dc);
MX_PLATFORM_API int GetDeviceCaps(HDC dc, int index);
MX_PLATFORM_API HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
MX_PLATFORM_API HGDIOBJ GetCurrentObject(HDC dc, UINT type);
MX_PLATFORM_API BOOL DeleteObject(HGDIOBJ object);
/* BITMAP or DIBSECTION for a bitmap (by `size`), a WORD entry count for a palette. */
MX_PLATFORM_API int GetObject(HGDIOBJ object, int size, LPVOID out);
MX_PLATFORM_API DWORD GetObjectType(HGDIOBJ object);
MX_PLATFORM_API HGDIOBJ GetStockObject(int index);
MX_PLATFORM_API int SetStretchBltMode(HDC dc, int mode);
MX_PLATFORM_API int GetStretchBltMode(HDC dc);
MX_PLATFORM_API int SetBkMode(HDC dc, int mode);
MX_PLATFORM_API COLORREF SetBkColor(HDC dc, COLORREF color);
MX_PLATFORM_API COLORREF SetTextColor(HDC dc, COLORREF color);

/* Bitmaps: device-dependent bitmaps at the depth of a DC, and DIB sections whose pixel
   memory the caller reads and writes in packed-DIB layout. */
MX_PLATFORM_API HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
MX_PLATFORM_API HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                                     LPCVOID bits);
/* With `section` a global memory block (standing in for a file mapping), the pixels are
   the block's memory from `offset` (a multiple of 4) on, shared, not copied: the memory
   lives on until both the block is freed and the bitmap deleted. */
MX_PLATFORM_API HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, LPVOID *bits,
                                         HANDLE section, DWORD offset);
MX_PLATFORM_API HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER *header, DWORD init,
                                       LPCVOID bits, const BITMAPINFO *info, UINT usage);
/* With `bits` NULL and info->bmiHeader.biBitCount 0: fills the header only. Otherwise
   converts rows [start, start + lines) to the depth asked in info (the colour table
   goes to info->bmiColors, which must have room for it) and returns the rows written. */
MX_PLATFORM_API int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits,
                              BITMAPINFO *info, UINT usage);
MX_PLATFORM_API int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPCVOID bits,
                              const BITMAPINFO *info, UINT usage);
MX_PLATFORM_API BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source,
                            int sourceX, int sourceY, DWORD rop);
MX_PLATFORM_API BOOL StretchBlt(HDC target, int x, int y, int width, int height, HDC source,
                                int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                                DWORD rop);
MX_PLATFORM_API int StretchDIBits(HDC target, int x, int y, int width, int height, int sourceX,
                                  int sourceY, int sourceWidth, int sourceHeight, LPCVOID bits,
                                  const BITMAPINFO *info, UINT usage, DWORD rop);
MX_PLATFORM_API BOOL PatBlt(HDC target, int x, int y, int width, int height, DWORD rop);
/* Fills with a solid colour (stands in for FillRect with a solid brush). */
MX_PLATFORM_API BOOL FillSolidRect(HDC target, const RECT *rect, COLORREF color);

/* Pens, brushes and the few drawing calls the annotation layer needs. They draw on the
   DC's surface with its selected pen (outline) and brush (fill; NULL_BRUSH fills
   nothing), and TextOut writes with the text colour, on the background colour when the
   background mode is OPAQUE. */
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_NULL 5
#define WHITE_BRUSH 0
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
MX_PLATFORM_API HPEN CreatePen(int style, int width, COLORREF color);
MX_PLATFORM_API HBRUSH CreateSolidBrush(COLORREF color);
MX_PLATFORM_API BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
MX_PLATFORM_API BOOL MoveToEx(HDC dc, int x, int y, POINT *previous);
MX_PLATFORM_API BOOL LineTo(HDC dc, int x, int y);
MX_PLATFORM_API BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int length);
MX_PLATFORM_API BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length);

/* Line mixes: how the pen of LineTo and Rectangle, and the brush of Rectangle and FillRgn,
   meet the pixels already there. Every mode from 1 to 16 is accepted; a DC starts with R2_COPYPEN.
   A line of a one-pixel pen covers its start point and not its end point, so a closed path drawn
   with R2_NOT inverts each of its pixels once, and drawing it again puts them back. */
#define R2_BLACK 1
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_COPYPEN 13
#define R2_WHITE 16
MX_PLATFORM_API int SetROP2(HDC dc, int mode); /* the previous mode, 0 on failure */
MX_PLATFORM_API int GetROP2(HDC dc);

/* Regions: sets of pixels. CreateRectRgn covers columns left .. right - 1 and rows
   top .. bottom - 1. CombineRgn writes into an existing `destination` (which may also be
   a source) and returns the kind of the result, 0 on failure; RGN_COPY ignores source2.
   DeleteObject frees a region. */
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
MX_PLATFORM_API HRGN CreateRectRgn(int left, int top, int right, int bottom);
MX_PLATFORM_API int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode);
/* Fills exactly the region's pixels with a solid brush, mixed by the DC's SetROP2 mode
   (NULL_BRUSH fills nothing). */
MX_PLATFORM_API BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);

/* Palettes. The system palette is the standard static one: 20 reserved colours, the
   first ten and the last ten of SIZEPALETTE entries; GetSystemPaletteEntries gives 0
   entries on a screen without a palette (SIZEPALETTE 0, true colour). */
MX_PLATFORM_API HPALETTE CreatePalette(const LOGPALETTE *palette);
MX_PLATFORM_API UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count,
                                       PALETTEENTRY *entries); /* entries NULL: the count */
MX_PLATFORM_API UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count,
                                       const PALETTEENTRY *entries);
MX_PLATFORM_API UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);
MX_PLATFORM_API HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background);
MX_PLATFORM_API UINT RealizePalette(HDC dc);
MX_PLATFORM_API UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY *entries);

/* Test hooks: the screen's BITSPIXEL and SIZEPALETTE (0 for true colour). A depth of 0
   puts back the real screen (32 bits, no palette). For a 256-colour display with the
   standard static system palette: MxSetScreenOverride(8, 256). */
MX_PLATFORM_API void MxSetScreenOverride(int bitsPixel, int sizePalette);

/* ---- Windows ------------------------------------------------------------------------
   A HWND is a Qt widget (see WinQt.h). These answer what the libraries ask of windows. */
MX_PLATFORM_API HWND GetFocus(void);
MX_PLATFORM_API HWND GetActiveWindow(void);
MX_PLATFORM_API BOOL IsWindow(HWND window);
MX_PLATFORM_API BOOL GetClientRect(HWND window, RECT *rect);
MX_PLATFORM_API LRESULT SendMessage(HWND window, UINT message, WPARAM w, LPARAM l);
MX_PLATFORM_API BOOL PostMessage(HWND window, UINT message, WPARAM w, LPARAM l);
MX_PLATFORM_API BOOL InvalidateRect(HWND window, const RECT *rect, BOOL erase);
#define WM_USER 0x0400
/* The messages the program's windows exchange with the imaging libraries, and the packing
   of two 16-bit values (a mouse position: x low, y high) into one parameter. Each name
   is guarded, so a file that also includes another header naming it compiles cleanly. */
#ifndef WM_COMMAND
#define WM_COMMAND 0x0111
#endif
#ifndef WM_MOUSEMOVE
#define WM_MOUSEMOVE 0x0200
#endif
#ifndef WM_LBUTTONDOWN
#define WM_LBUTTONDOWN 0x0201
#endif
#ifndef WM_LBUTTONUP
#define WM_LBUTTONUP 0x0202
#endif
#ifndef WM_RBUTTONDOWN
#define WM_RBUTTONDOWN 0x0204
#endif
#ifndef WM_RBUTTONUP
#define WM_RBUTTONUP 0x0205
#endif
#ifndef WM_CUT
#define WM_CUT 0x0300
#endif
#ifndef WM_COPY
#define WM_COPY 0x0301
#endif
#ifndef WM_PASTE
#define WM_PASTE 0x0302
#endif
#ifndef LOWORD
#define LOWORD(l) ((WORD)(((DWORD)(l)) & 0xFFFF))
#endif
#ifndef HIWORD
#define HIWORD(l) ((WORD)((((DWORD)(l)) >> 16) & 0xFFFF))
#endif
#ifndef MAKELONG
#define MAKELONG(lo, hi) \
  ((LONG)(((WORD)(((DWORD)(lo)) & 0xFFFF)) | (((DWORD)((WORD)(((DWORD)(hi)) & 0xFFFF))) << 16)))
#endif
#ifndef MAKELPARAM
#define MAKELPARAM(lo, hi) ((LPARAM)(DWORD)MAKELONG(lo, hi))
#endif
MX_PLATFORM_API void Sleep(DWORD milliseconds);

/* ---- Clipboard ----------------------------------------------------------------------
   Pictures as CF_DIB blocks. SetClipboardData(CF_DIB, block) takes the block (the caller
   must not free it) and offers the picture to other programs; GetClipboardData(CF_DIB)
   gives a block the clipboard keeps owning (read it, do not free it). Only between
   OpenClipboard and CloseClipboard. */
#define CF_TEXT 1
#define CF_DIB 8
MX_PLATFORM_API BOOL OpenClipboard(HWND owner);
MX_PLATFORM_API BOOL CloseClipboard(void);
MX_PLATFORM_API BOOL EmptyClipboard(void);
MX_PLATFORM_API HANDLE SetClipboardData(UINT format, HANDLE data);
MX_PLATFORM_API HANDLE GetClipboardData(UINT format);
MX_PLATFORM_API BOOL IsClipboardFormatAvailable(UINT format);

/* ---- Modules ------------------------------------------------------------------------
   LoadLibrary opens a shared object with dlopen. A name with a folder is opened there. A
   bare name is searched, as Windows does, in the application's folder, the system
   folder, the Windows folder, the current folder, then the folders of PATH; ".DLL" is
   added when the name has no extension, and the file name's case is not significant.
   The Linux library path is never searched for a bare name. Each LoadLibrary must be
   matched by one FreeLibrary. GetModuleHandle(NULL) is the program itself. */
MX_PLATFORM_API HMODULE LoadLibrary(LPCSTR name);
MX_PLATFORM_API BOOL FreeLibrary(HMODULE module);
MX_PLATFORM_API FARPROC GetProcAddress(HMODULE module, LPCSTR name);
MX_PLATFORM_API HMODULE GetModuleHandle(LPCSTR name);
MX_PLATFORM_API DWORD GetModuleFileName(HMODULE module, LPSTR buffer, DWORD size);
/* Test hook: the folder taken as the application's folder by the library search and by
   MxApplicationFolder (NULL puts back the program's own folder). */
MX_PLATFORM_API void MxSetApplicationFolder(LPCSTR folder);
/* The application's folder, ending with '/'. */
MX_PLATFORM_API DWORD MxApplicationFolder(LPSTR buffer, DWORD size);

/* String tables. A module's string table is read through the function it exports with
   C linkage under the name MX_LOAD_STRING_SYMBOL, of type MX_LOAD_STRING_FN: it copies
   the text of `id` (at most size - 1 bytes, then a terminating 0) and returns the bytes
   copied, 0 for an id without text. LoadString calls it for a loaded library; for the
   program itself (GetModuleHandle(NULL)) it calls the function that the program
   registered with MxRegisterStringLoader. A module without such a function has no
   strings: LoadString gives 0 and an empty buffer. */
typedef int (*MX_LOAD_STRING_FN)(uint32_t id, char *buffer, int size);
#define MX_LOAD_STRING_SYMBOL "MxLoadString"
MX_PLATFORM_API int LoadString(HINSTANCE module, UINT id, LPSTR buffer, int size);
MX_PLATFORM_API void MxRegisterStringLoader(MX_LOAD_STRING_FN loader);

/* ---- Folders and initialisation files ----------------------------------------------
   The Windows folder is the settings folder ($XDG_CONFIG_HOME, or ~/.config); the system
   folder is its "system" subfolder. Results carry no trailing '/'. */
MX_PLATFORM_API UINT GetWindowsDirectory(LPSTR buffer, UINT size);
MX_PLATFORM_API UINT GetSystemDirectory(LPSTR buffer, UINT size);
/* Looks for `fileName` (+ `extension` when it has none) in each folder of the ';'-
   separated `path` in turn (NULL: the Windows search order). Returns the length of the
   full path written to buffer, 0 when not found. */
MX_PLATFORM_API DWORD SearchPath(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD size,
                                 LPSTR buffer, LPSTR *filePart);
/* INI files: a name without folder lies in the Windows folder. */
MX_PLATFORM_API DWORD GetPrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buffer,
                                              DWORD size, LPCSTR fileName);
MX_PLATFORM_API BOOL WritePrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR value,
                                               LPCSTR fileName);
MX_PLATFORM_API UINT GetPrivateProfileInt(LPCSTR section, LPCSTR key, INT def, LPCSTR fileName);

#ifdef __cplusplus
}
#endif

#endif /* MURALIX_PLATFORM_WIN32_WINAPI_H */
