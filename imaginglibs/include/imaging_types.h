/* The plain C types that cross the boundary of the two imaging libraries.
   Handles are spelt exactly as the Windows SDK spells them in its STRICT mode (HANDLE is a
   void pointer, HGLOBAL a HANDLE, the GDI objects distinct pointers to incomplete structs),
   so this header and the platform layer's own declarations of the same names coexist in one
   translation unit: C and C++ both accept a repeated identical typedef. */
#ifndef MURALIX_IMAGING_TYPES_H
#define MURALIX_IMAGING_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef MX_WIN32_HANDLE_TYPES
#define MX_WIN32_HANDLE_TYPES
typedef void *HANDLE;
typedef HANDLE HGLOBAL;
typedef struct HWND__ *HWND;
typedef struct HDC__ *HDC;
typedef struct HBITMAP__ *HBITMAP;
typedef struct HPALETTE__ *HPALETTE;
#endif

/* Progress callback of every long entry: `progress` runs from 0 to 100 (per cent of the work
   done); `user` is the caller's context, passed back unchanged. Returning 0 asks the library
   to stop: the entry then fails with MX_ERR_CANCELLED. */
typedef int16_t (*MxProgressFn)(int16_t progress, void *user);

#if defined(_WIN32)
#define MX_EXPORT __declspec(dllexport)
#else
#define MX_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
}
#endif

#endif
