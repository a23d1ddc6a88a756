#pragma once
// Helpers the image component's source files share; not part of the component's interface.
#include <QColor>
#include <QRect>

#include "win32/WinApi.h"

namespace imagecomp {

inline COLORREF ToColorRef(const QColor &color) {
  return RGB(color.red(), color.green(), color.blue());
}

// Fills with `color` what lies in exactly one of `picture` and `area` (their regions'
// exclusive-or): around the picture inside the area.
void FillAround(HDC canvas, const QRect &picture, const QRect &area, const QColor &color);

}  // namespace imagecomp
