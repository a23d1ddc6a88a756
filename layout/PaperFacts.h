#pragma once
// What the format dialog and the main window tell about the poster on paper besides its
// sheet count: the picture's resolution once printed at the poster's size, and whether the
// paper's other orientation would take fewer sheets. Both are information only: they
// change nothing that is drawn or printed.
#include <QString>
#include <cstdint>

#include "print/Printer.h"

class QAbstractButton;
class QLabel;

namespace layout {

class PosterWindow;

// Below this many pixels per inch the picture's pixels can be seen on the paper from up
// close.
constexpr int kLowResolution = 100;

// The picture's resolution on paper, in pixels per inch.
struct PaperResolution {
  bool known = false;   // false for no picture or a poster without width or height
  bool vector = false;  // drawn as vectors: as sharp as the printer prints
  int64_t ppi = 0;
  bool Low() const { return known && !vector && ppi < kLowResolution; }
};

// The resolution of a picture of pictureWidth x pictureHeight pixels printed on a poster
// of posterWidthMm x posterHeightMm. The picture covers the whole poster, or with the
// ratio lock the largest part of it that keeps its proportions; the figure is the smaller
// of the two directions' pixels per inch over that covered size, the coarser one being
// what the eye sees first (with the ratio lock both are the same).
PaperResolution ResolutionOnPaper(int pictureWidth, int pictureHeight, double posterWidthMm,
                                  double posterHeightMm, bool keepRatio, bool vector);
// The host's picture on a poster of that size, with the document's ratio lock.
PaperResolution ResolutionOnPaper(PosterWindow &host, double posterWidthMm, double posterHeightMm);

// "Résolution : 49 ppp", "Résolution : vectoriel"; empty when the resolution is unknown.
QString ResolutionText(int language, const PaperResolution &resolution);
// "l'image sera visiblement pixelisée de près"
QString LowResolutionTip(int language);
// The label's text, its warning colour and its explanation when the resolution is low,
// and an accessible name that reads both.
void ShowResolution(QLabel *label, int language, const PaperResolution &resolution);

// The sheets the poster takes on the paper turned the other way, when that is fewer than
// in the current orientation; 0 when it is not.
int64_t FewerSheetsTurned(const platform::PrinterPageMetrics &current,
                          const platform::PrinterPageMetrics &turned, int widthPx, int heightPx,
                          int pixelsPerInch);
// "4 feuilles en paysage" / "1 feuille en portrait"; `landscape` is the orientation that
// would take them; `twoLines` breaks it before "en".
QString FewerSheetsText(int language, int64_t sheets, bool landscape, bool twoLines = false);
// Shows the hint on `button` for a poster of widthPx x heightPx on the printer's page,
// or hides the button when the other orientation takes as many sheets or more (or the
// printer cannot be read: the sheet count reports that).
void ShowFewerSheetsHint(QAbstractButton *button, int language, int widthPx, int heightPx,
                         int pixelsPerInch);

}  // namespace layout
