#pragma once
// The two text message file formats the image component shows (".SCM" ticker messages,
// ".CMS" credits), and the few drawing routines the component uses.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include "Bitmap.h"
#include "FileWrappers.h"
#include "win32/WinApi.h"

class QPainter;

namespace imaging {

// A font as the message files describe it: colour (0x00BBGGRR), height in pixels (negative:
// character height), name, size in points, style.
struct TFont {
  int Color = 0;
  int Height = -13;
  QString Name = QStringLiteral("SYSTEM");
  int Size = 10;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  QFont ToQFont() const;
};

// A colour as the message files write it (0x00BBGGRR).
QColor FromColorRef(int color);

// Reads a ticker file; false when it does not exist. A value that is not an integer
// raises ConvertError.
bool ParseTickerFile(const QString &name, TFont &font, int &speed, int &backgroundColor,
                     QString &message);
// Reads a credits file into `lines`; false when it does not exist. Fewer than 8 lines
// raise a Failure (the list has no such line).
bool ParseCreditsFile(const QString &name, TFont &font, int &speed, int &backgroundColor,
                      QStringList &lines);

// Loads the bitmap resource `resourceName` (a whole number names a numbered resource) of
// the program (empty module name). The program's bitmap resources are the ".bmp" files of
// the Qt search path "bitmaps" (":/bitmaps" unless a test sets another).
bool LoadResourceBitmap(const QString &moduleName, const QString &resourceName, HWND window,
                        TBitmap &bitmap);

// Text at (x, y) turned by `angle` degrees, with a shadow 2 pixels down and right first.
void DrawShadowText(int x, int y, int angle, const TFont *font, QPainter *canvas, bool shadow,
                    bool transparent, int shadowColor, const QString &text);

// The stretch mode for drawing a bitmap of `bitsPerPixel` in `mode` on `canvas`.
void ApplyBlitMode(int bitsPerPixel, TBlitMode mode, HDC canvas);

}  // namespace imaging
