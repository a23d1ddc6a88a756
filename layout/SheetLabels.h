#pragma once
// What printing may add to a poster of several sheets, each off unless asked for: a number
// on every sheet, in small print where it disappears once the poster is assembled, and an
// assembly map as an extra first page. The papers the PDF printer can take are named here
// too, so that the command line and the format dialog offer the same ones.
#include <QRect>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

#include "SheetLayout.h"
#include "print/Printer.h"

namespace platform {
class Canvas;
}

namespace layout {

// The named papers, in millimetres, portrait.
struct NamedPaper {
  const char *name;
  double widthMm, heightMm;
};
std::span<const NamedPaper> NamedPapers();
// "A4", "letter" (any case) or a custom "300x400mm" (10 to 10000 mm a side); nothing for
// any other text.
std::optional<QSizeF> PaperSizeOf(const QString &text);
// "A4 portrait", "Letter paysage", or "300 × 400 mm" for a paper without a name; the
// paper's measures are taken as they lie, so a landscape A4 reads "A4 paysage".
QString PaperDescription(int language, double widthMm, double heightMm);

// "4 — colonne 2, rangée 2" / "4 — column 2, row 2".
QString SheetLabelText(int language, int64_t number, int64_t column, int64_t row);

// Where a sheet's number goes on its page, in dots from the printable area's corner. The
// places are tried in this order, and the first one that holds the text is taken (the
// whole text first, then the number alone):
//   1. the glue strip along the bottom edge (covered by the sheet below once glued),
//   2. the glue strip along the right edge, the text turned a quarter,
//   3. the printable area left below the sheet's part (trimmed away with the margin),
//   4. the printable area left right of the part, turned a quarter.
// A sheet whose part fills its printable area and that carries no glue strip has no place
// that disappears: it gets no number, and the assembly map is what tells it.
struct SheetLabelPlace {
  enum Where { Nowhere, BottomStrip, RightStrip, BelowPart, RightOfPart } where = Nowhere;
  QRect box;            // the dots the text covers on the page, turned or not
  bool turned = false;  // the text runs upwards, along a right-hand strip
  bool numberOnly = false;
};
SheetLabelPlace SheetLabelPlaceOf(const platform::PrinterPageMetrics &page, const SheetGrid &grid,
                                  int64_t column, int64_t row, QSize fullText, QSize numberText,
                                  int gap);

// The visible part of a sheet once the poster is assembled: its own part less the glue
// strips that the next sheets cover. Nothing drawn for the numbers ever lands inside it.
QRect VisiblePartOf(const platform::PrinterPageMetrics &page, const SheetGrid &grid, int64_t column,
                    int64_t row);

// The small print's height: 2,5 mm at the page's resolution, at least 6 dots.
int SmallPrintDots(const platform::PrinterPageMetrics &page);

// Draws the sheet's number on its page, where SheetLabelPlaceOf puts it.
void DrawSheetLabel(platform::Canvas &canvas, const platform::PrinterPageMetrics &page,
                    const SheetGrid &grid, int64_t column, int64_t row, int language);

// The assembly map on a page of its own: the poster's size, the paper and the sheet
// count at the top, then the poster's outline cut into the sheets' visible parts, each
// carrying its number in its place.
struct AssemblyMapFacts {
  double posterWidthMm = 0, posterHeightMm = 0;
  int language = 0;
};
void DrawAssemblyMap(platform::Canvas &canvas, const platform::PrinterPageMetrics &page,
                     const SheetGrid &grid, const AssemblyMapFacts &facts);

}  // namespace layout
