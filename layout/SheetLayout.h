#pragma once
// The sheet grid of a poster on the current printer page, the preview of the sheets,
// and the main window's drawing operations that printing shares.
#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>

#include "print/Printer.h"

class QLabel;

namespace platform {
class Canvas;
class ImageControl;
class Picture;
}  // namespace platform

namespace layout {

class PosterWindow;

// How a poster of WidthPx x HeightPx screen pixels falls on the printer's pages.
struct SheetGrid {
  int64_t posterWidthDots = 0, posterHeightDots = 0;  // W and H
  bool singleSheet = true;
  // 64 bits: a poster far larger than any paper must give its true count, not a wrapped one.
  int64_t columns = 1, rows = 1;
  // The glue overlap, in dots across and down: neighbouring sheets repeat that strip of
  // the poster. The strip lies on the right edge of every sheet but the last column's and
  // on the bottom edge of every sheet but the last row's; the next sheet, trimmed at its
  // own outline, is glued over it. Sheets therefore step by the printable size less the
  // overlap. 0 cuts the sheets edge to edge.
  int64_t overlapX = 0, overlapY = 0;
  int64_t stepX = 0, stepY = 0;
  // An overlap not smaller than the printable area's side: the grid is then cut edge to
  // edge, and printing refuses it (OverlapTooLargeText).
  bool overlapRefused = false;
  int64_t SheetCount() const { return columns * rows; }
  // Sheets count column by column from 1.
  int64_t SheetNumber(int64_t column, int64_t row) const { return (column - 1) * rows + row; }
};

SheetGrid SheetGridFor(const platform::PrinterPageMetrics &page, int widthPx, int heightPx,
                       int pixelsPerInch, int overlapMm = 0);

// The same with the overlap given in dots across and down.
SheetGrid SheetGridForDots(const platform::PrinterPageMetrics &page, int widthPx, int heightPx,
                           int pixelsPerInch, int64_t overlapX, int64_t overlapY);

// Whole millimetres in dots at `dpi`.
int64_t MillimetresToDots(int mm, int dpi);

// "Le recouvrement de N mm doit être plus petit que le côté imprimable d'une feuille (M mm)."
QString OverlapTooLargeText(int language, int overlapMm, const platform::PrinterPageMetrics &page);

// The poster dots that the sheet in `column` and `row` (from 1) carries, in poster dots,
// its glue strip included.
struct SheetPart {
  int64_t x0, y0, x1, y1;
};
SheetPart SheetPartOf(const platform::PrinterPageMetrics &page, const SheetGrid &grid,
                      int64_t column, int64_t row);

// The sheet preview as numbers: where the sheets of a grid fall in a preview square of
// squareWidth x squareHeight pixels. Sheets keep the paper's proportions; several fill
// the square from its top-left corner, a single one is centred across it.
struct PreviewGrid {
  double scale = 0;                     // preview pixels per printer dot
  int sheetWidth = 0, sheetHeight = 0;  // one sheet's paper
  int left = 0, top = 0;                // the first sheet's top-left corner
  // The working picture: the whole poster at the preview's scale, cut into the sheets.
  int workingWidth = 0, workingHeight = 0;
};
PreviewGrid PreviewGridFor(const platform::PrinterPageMetrics &page, const SheetGrid &grid,
                           int squareWidth, int squareHeight);

// Left, top, right and bottom, as the canvas's Rectangle takes them: the right column and
// the bottom row lie just outside.
struct PreviewBox {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// One sheet of the preview, in `column` and `row` (from 1): its paper, the poster's part
// on it (at the printable area's corner), and the block of the working picture that part
// shows.
struct PreviewSheet {
  PreviewBox paper, part;
  QRect source;
  // With an overlap: the column and row where the next sheet's glue strip begins on this
  // sheet, or -1 where none does.
  int glueX = -1, glueY = -1;
};
PreviewSheet PreviewSheetOf(const platform::PrinterPageMetrics &page, const SheetGrid &grid,
                            const PreviewGrid &preview, int64_t column, int64_t row);

// The colour of the lighter line that marks where the next sheet's glue strip begins.
inline const QColor kGlueLineColour{160, 160, 160};

// "Feuilles : N" / "Sheets : N".
QString SheetCountText(int language, int64_t count);
QString CuttingOutText(int language);  // "Découpage..." / "Cutting out..."

// Draws the sheets of a poster on a preview square and writes the sheet count into the
// label (which may be null). A preview square draws on its picture's bitmap, which has
// the square's size. Without the picture each sheet's poster part is yellow;
// with it the picture is cut into the sheets. A printer that cannot be read, or a
// picture that cannot be drawn, is reported in an error box and gives false.
bool DrawSheetLayout(platform::ImageControl &image, int widthPx, int heightPx, bool withPicture,
                     QLabel *label, PosterWindow &host);
bool DrawSheetLayout(QImage &bitmap, int widthPx, int heightPx, bool withPicture, QLabel *label,
                     PosterWindow &host);

// The poster's picture with its top-left corner at (left, top), PosterWidth x scaleX by
// PosterHeight x scaleY device units, fitted to its proportions when KeepRatio is set.
void DrawPicture(PosterWindow &host, platform::Canvas &canvas, int left, int top, double scaleX,
                 double scaleY);

// A bitmap sent to the canvas's device through its device-independent rows, stretched
// into (x, y, width, height); a width or height below 1 stands for the bitmap's own.
// `bitsPerPixel` 0 means the bitmap's own depth.
void DrawBitmapAsDIB(const QImage &bitmap, int bitsPerPixel, platform::Canvas &canvas, int x, int y,
                     int width, int height);

// The main window's side panel: the square's size and place, its redraw, and the
// landscape box's click.
void SizePreviewSquare(PosterWindow &host);
void RefreshPreview(PosterWindow &host);
void MainLandscapeBoxClick(PosterWindow &host);

}  // namespace layout
