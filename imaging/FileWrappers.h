#pragma once
// Every entry of the imaging libraries that the program calls, wrapped: input checked, a
// progress caption published, the call made through the binding's guard, a failure code
// turned into the library's text. The image component reaches the libraries only here and
// through the DIB conversions.
#include <QString>
#include <QStringList>
#include <cstdint>

#include "Bitmap.h"
#include "crde2000.h"

class QFont;
class QPainter;
class QColor;

namespace imaging {

enum TLoadResolution { lColorVga, lMonoChrome, lColor16, lColor256, lColorTrue, lAutoMatic };
enum TSaveResolution {
  sColorVga,
  sMonoChrome,
  sColor16,
  sColor256,
  sColorTrue,
  sJpegGray,
  sAutoMatic
};
enum TTiffCompression { sNONE, sCCITT, sFAXCCITT3, sFAXCCITT4, sLZW, sPACKBITS };
enum TPCDMode { pcd_BASE16, pcd_BASE4, pcd_BASE };
enum TBlitMode { sLight, sDark, sLightest };

// DIB readers: on success `dib` is a new block the caller owns.
bool ReadJpegDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                 HGLOBAL &dib);
bool ReadBmpDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                HGLOBAL &dib);
bool ReadPngDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                HGLOBAL &dib);
bool ReadGifDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                HGLOBAL &dib);
bool ReadPcxDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                HGLOBAL &dib);
bool ReadTgaDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                HGLOBAL &dib);
bool ReadEpsDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                HGLOBAL &dib);
bool ReadHeifDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                 HGLOBAL &dib);  // HEIC and AVIF
bool ReadWebpDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                 HGLOBAL &dib);
bool ReadTiffDib(const QString &name, int bits, int dither, int page, void *user,
                 MxProgressFn callback, HGLOBAL &dib);
bool ReadPcdDib(const QString &name, int bits, int dither, TPCDMode resolution, void *user,
                MxProgressFn callback, HGLOBAL &dib);
// The DIB reader of the entry named `entry`, for the entries that share rdpngfiledib's
// parameter list (BMP, PNG, PCX) and for those that share readtgafiledib's (TGA, EPS):
// a format whose entry takes one of these lists needs no wrapper of its own.
bool ReadPaletteEntryDib(const char *entry, const QString &name, int bits, int dither, void *user,
                         MxProgressFn callback, HGLOBAL &dib);
bool ReadPlainEntryDib(const char *entry, const QString &name, int bits, int dither, void *user,
                       MxProgressFn callback, HGLOBAL &dib);

// Bitmap readers: the DIB reader, then the DIB into `bitmap` at the same depth.
bool ReadJpegBitmap(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                    TBitmap &bitmap);
bool ReadBmpBitmap(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                   TBitmap &bitmap);
bool ReadPngBitmap(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                   TBitmap &bitmap);
bool ReadGifBitmap(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                   TBitmap &bitmap);
bool ReadPcxBitmap(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                   TBitmap &bitmap);
bool ReadTgaBitmap(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                   TBitmap &bitmap);
bool ReadEpsBitmap(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                   TBitmap &bitmap);
bool ReadPaletteEntryBitmap(const char *entry, const QString &name, int bits, int dither,
                            void *user, MxProgressFn callback, TBitmap &bitmap);
bool ReadPlainEntryBitmap(const char *entry, const QString &name, int bits, int dither, void *user,
                          MxProgressFn callback, TBitmap &bitmap);
bool ReadHeifBitmap(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                    TBitmap &bitmap);
bool ReadWebpBitmap(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                    TBitmap &bitmap);
bool ReadTiffBitmap(const QString &name, int bits, int dither, int page, void *user,
                    MxProgressFn callback, TBitmap &bitmap);
bool ReadPcdBitmap(const QString &name, int bits, int dither, TPCDMode resolution, void *user,
                   MxProgressFn callback, TBitmap &bitmap);
bool ReadDxfBitmap(const QString &name, int bits, int dither, TBitmap &bitmap, void *user,
                   MxProgressFn callback);

bool ReadFileInfo(const QString &name, QString &type, int &width, int &height, int &bitsPerPixel,
                  int &extra1, int &extra2, QString &compression);
bool ReadTiffInfo(const QString &name, int page, int &width, int &height, QString &compression,
                  int &pageCount, int &bitsPerPixel);
bool ReadDxfInfo(const QString &name, int &width, int &height, int &bitsPerPixel);

bool WriteTiffDib(const QString &name, int compression, bool append, int bits, HGLOBAL dib,
                  void *user, MxProgressFn callback);
bool WriteTiffBitmap(const QString &name, int compression, bool append, int bits,
                     const TBitmap *bitmap, void *user, MxProgressFn callback);

bool SelectScannerSource(HWND owner);
// How many scanners answer; 0 for none and -1 for a failure, both with the library's text
// in the binding state.
int ScannerCount();
bool AcquireScannerDib(HWND owner, int bits, int dither, void *user, MxProgressFn callback,
                       HGLOBAL &dib);
bool AcquireScannerBitmap(HWND owner, int bits, int dither, TBitmap &bitmap, void *user,
                          MxProgressFn callback);

// False for a file shorter than 30 bytes or not a regular file, with the reason as the
// binding's last error text; raises the file-open error for a file that cannot be opened.
bool CheckMinFileSize(const QString &name);
int SaveDepthFor(TSaveResolution resolution);
// The depth of the screen: up to 4 bits gives 4, 5 to 15 gives 8, 16 and more 24.
int DisplayDepth(HDC dc = nullptr);
int TiffCompressionCode(TTiffCompression compression);
QString TiffCompressionName(int code);

QString FileNamePart(const QString &path);
QString BareFileName(const QString &path);

// The annotation settings file: the Windows folder followed by "/im_anno.ini".
QString AnnotationSettingsPath();

}  // namespace imaging
