#include "SheetLayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <algorithm>
#include <new>
#include <optional>

#include "PaperFacts.h"
#include "PosterWindow.h"
#include "core/Numbers.h"
#include "gdi/Canvas.h"
#include "gdi/DeviceBits.h"
#include "gdi/ImageMemory.h"
#include "gdi/Picture.h"
#include "ui/Cursors.h"
#include "ui/ImageControl.h"
#include "ui/MessageBoxes.h"

namespace layout {

using platform::Round;
using platform::Trunc;

namespace {
const QColor kYellow(255, 255, 0);

// A size in printer dots from screen pixels: Round(pixels x dots per inch / ppi).
int64_t Dots(int pixels, int dpi, int ppi) {
  return Round(double(pixels) * (double(dpi) / ppi));
}

int64_t CeilDiv(int64_t a, int64_t b) {
  return b > 0 ? (a + b - 1) / b : 1;
}

void SetLabel(QLabel *label, const QString &text) {
  if (!label) return;
  label->setText(text);
  // Read out with its value, as it shows it ("Feuilles : 6").
  label->setAccessibleName(text);
  // The labels lie outside layouts, so their size does not follow their text: widen
  // them to it, or a long count would be clipped ("Feuilles : 120" for 1 204 938).
  const QSize hint = label->sizeHint();
  if (hint.width() > label->width() || hint.height() > label->height())
    label->resize(std::max(label->width(), hint.width()), std::max(label->height(), hint.height()));
}
}  // namespace

int64_t MillimetresToDots(int mm, int dpi) {
  return Round(double(mm) * dpi / 25.4);
}

SheetGrid SheetGridForDots(const platform::PrinterPageMetrics &page, int widthPx, int heightPx,
                           int pixelsPerInch, int64_t overlapX, int64_t overlapY) {
  const int ppi = pixelsPerInch > 0 ? pixelsPerInch : 96;
  SheetGrid g;
  g.posterWidthDots = Dots(widthPx, page.dpiX, ppi);
  g.posterHeightDots = Dots(heightPx, page.dpiY, ppi);
  overlapX = std::max<int64_t>(0, overlapX);
  overlapY = std::max<int64_t>(0, overlapY);
  if ((overlapX > 0 || overlapY > 0) &&
      (overlapX >= page.printableWidth || overlapY >= page.printableHeight)) {
    g.overlapRefused = true;
    overlapX = overlapY = 0;
  }
  g.overlapX = overlapX;
  g.overlapY = overlapY;
  g.stepX = page.printableWidth - overlapX;
  g.stepY = page.printableHeight - overlapY;
  g.singleSheet =
      g.posterWidthDots <= page.printableWidth && g.posterHeightDots <= page.printableHeight;
  if (!g.singleSheet) {
    // The first sheet covers a whole printable side, each further one a step more.
    const auto count = [](int64_t length, int64_t printable, int64_t step) {
      return length <= printable ? int64_t(1) : 1 + CeilDiv(length - printable, step);
    };
    g.columns = std::max<int64_t>(1, count(g.posterWidthDots, page.printableWidth, g.stepX));
    g.rows = std::max<int64_t>(1, count(g.posterHeightDots, page.printableHeight, g.stepY));
  }
  return g;
}

SheetGrid SheetGridFor(const platform::PrinterPageMetrics &page, int widthPx, int heightPx,
                       int pixelsPerInch, int overlapMm) {
  return SheetGridForDots(page, widthPx, heightPx, pixelsPerInch,
                          MillimetresToDots(overlapMm, page.dpiX),
                          MillimetresToDots(overlapMm, page.dpiY));
}

QString OverlapTooLargeText(int language, int overlapMm, const platform::PrinterPageMetrics &page) {
  const int side = int(std::min(page.dpiX > 0 ? page.printableWidth * 25.4 / page.dpiX : 0.0,
                                page.dpiY > 0 ? page.printableHeight * 25.4 / page.dpiY : 0.0));
  if (language == 1)
    return QStringLiteral(
               "An overlap of %1 mm must be smaller than a sheet's printable side "
               "(%2 mm).")
        .arg(overlapMm)
        .arg(side);
  return QStringLiteral(
             "Le recouvrement de %1 mm doit être plus petit que le côté imprimable "
             "d'une feuille (%2 mm).")
      .arg(overlapMm)
      .arg(side);
}

SheetPart SheetPartOf(const platform::PrinterPageMetrics &page, const SheetGrid &grid,
                      int64_t column, int64_t row) {
  const int64_t stepX = grid.stepX > 0 ? grid.stepX : page.printableWidth;
  const int64_t stepY = grid.stepY > 0 ? grid.stepY : page.printableHeight;
  SheetPart p;
  p.x0 = (column - 1) * stepX;
  p.y0 = (row - 1) * stepY;
  p.x1 = p.x0 +
         std::max<int64_t>(0, std::min<int64_t>(page.printableWidth, grid.posterWidthDots - p.x0));
  p.y1 = p.y0 + std::max<int64_t>(
                    0, std::min<int64_t>(page.printableHeight, grid.posterHeightDots - p.y0));
  return p;
}

PreviewGrid PreviewGridFor(const platform::PrinterPageMetrics &page, const SheetGrid &grid,
                           int squareWidth, int squareHeight) {
  const double r = double(page.physicalHeight) / page.physicalWidth;
  PreviewGrid p;
  if (grid.singleSheet) {
    // The page as large as the square allows, across its longer side.
    if (r > 1) {
      p.sheetWidth = int(Round(squareWidth / r));
      p.sheetHeight = squareHeight;
      p.left = (squareWidth - p.sheetWidth) / 2;
      p.scale = double(squareHeight) / page.physicalHeight;
    } else {
      p.sheetWidth = squareWidth;
      p.sheetHeight = int(Round(r * squareWidth));
      p.top = (squareHeight - p.sheetHeight) / 2;
      p.scale = double(squareWidth) / page.physicalWidth;
    }
  } else {
    // The height that lets every row fit, and every column at the paper's proportions.
    p.sheetHeight =
        int(std::min<int64_t>(Trunc(squareHeight * r / grid.columns), squareHeight / grid.rows));
    p.sheetWidth = int(Trunc(p.sheetHeight / r));
    p.scale = double(p.sheetHeight) / page.physicalHeight;
  }
  p.workingWidth = int(Round(grid.posterWidthDots * p.scale));
  p.workingHeight = int(Round(grid.posterHeightDots * p.scale));
  return p;
}

PreviewSheet PreviewSheetOf(const platform::PrinterPageMetrics &page, const SheetGrid &grid,
                            const PreviewGrid &preview, int64_t column, int64_t row) {
  const double ox = double(page.offsetX) / page.physicalWidth;
  const double oy = double(page.offsetY) / page.physicalHeight;
  const double m = preview.scale;
  const int sw = preview.sheetWidth, sh = preview.sheetHeight;
  const int gx = preview.left + int(column - 1) * sw, gy = preview.top + int(row - 1) * sh;
  const int64_t stepX = grid.stepX > 0 ? grid.stepX : page.printableWidth;
  const int64_t stepY = grid.stepY > 0 ? grid.stepY : page.printableHeight;
  const int64_t remW = grid.posterWidthDots - (column - 1) * stepX;
  const int64_t remH = grid.posterHeightDots - (row - 1) * stepY;
  const int px = gx + int(Round(sw * ox)), py = gy + int(Round(sh * oy));
  const int qx = px + int(Round(std::min<int64_t>(page.printableWidth, remW) * m));
  const int qy = py + int(Round(std::min<int64_t>(page.printableHeight, remH) * m));
  PreviewSheet s;
  s.paper = {gx, gy, gx + sw, gy + sh};
  s.part = {px, py, qx, qy};
  s.source = QRect(int(Round(stepX * m)) * int(column - 1), int(Round(stepY * m)) * int(row - 1),
                   qx - px, qy - py);
  // Where the next sheet's glue strip begins, on every sheet but the last column's and row's.
  if (grid.overlapX > 0 && column < grid.columns) s.glueX = px + int(Round(stepX * m));
  if (grid.overlapY > 0 && row < grid.rows) s.glueY = py + int(Round(stepY * m));
  return s;
}

QString SheetCountText(int language, int64_t count) {
  return (language == 1 ? QStringLiteral("Sheets : ") : QStringLiteral("Feuilles : ")) +
         QString::number(count);
}

QString CuttingOutText(int language) {
  return language == 1 ? QStringLiteral("Cutting out...") : QStringLiteral("Découpage...");
}

// ---- the preview -----------------------------------------------------------------

namespace {

// A redraw asked for while one with the picture is dispatching messages (a resize, a
// click) is not nested into the running one, whose painter holds the bitmap: it is
// remembered and done once the running one ends, with the latest values.
struct PendingRedraw {
  QImage *bitmap;
  QPointer<platform::ImageControl> preview;
  bool hadPreview;
  int widthPx, heightPx;
  bool withPicture;
  QPointer<QLabel> label;
  PosterWindow *host;
};
bool gDrawing = false;

// The lighter lines where the next sheets' glue strips begin.
void DrawGlueLines(platform::Canvas &canvas, const PreviewSheet &sheet) {
  canvas.pen = {kGlueLineColour, 1, platform::PenStyle::Solid};
  canvas.brush = {kGlueLineColour, platform::BrushStyle::Solid};
  if (sheet.glueX >= 0)
    canvas.Rectangle(sheet.glueX, sheet.part.top, sheet.glueX + 1, sheet.part.bottom);
  if (sheet.glueY >= 0)
    canvas.Rectangle(sheet.part.left, sheet.glueY, sheet.part.right, sheet.glueY + 1);
}
std::optional<PendingRedraw> gPending;

bool DrawOnce(QImage &bitmap, platform::ImageControl *preview, int widthPx, int heightPx,
              bool withPicture, QLabel *label, PosterWindow &host) {
  std::optional<platform::BusyCursor> busy;
  if (withPicture) busy.emplace();
  if (bitmap.isNull()) return false;
  const int imageW = bitmap.width(), imageH = bitmap.height();
  platform::Canvas canvas(bitmap);
  const QColor face = QApplication::palette().color(QPalette::Button);
  canvas.pen = {face, 1, platform::PenStyle::Solid};
  canvas.brush = {face, platform::BrushStyle::Solid};
  canvas.Rectangle(0, 0, imageW, imageH);

  platform::PrinterPageMetrics page;
  try {
    page = platform::ThePrinter().PageMetrics();
  } catch (const platform::Failure &f) {
    if (preview) preview->update();
    platform::ErrorBox(f.Text(), host.DialogParent());
    return false;
  }
  const int ppi = host.PixelsPerInch() > 0 ? host.PixelsPerInch() : 96;
  const double sx = double(page.dpiX) / ppi, sy = double(page.dpiY) / ppi;
  const SheetGrid grid = SheetGridFor(page, widthPx, heightPx, ppi, host.OverlapMillimetres());
  const PreviewGrid shape = PreviewGridFor(page, grid, imageW, imageH);
  const double m = shape.scale;
  const int language = host.InterfaceLanguage();
  const platform::Pen blackPen{Qt::black, 1, platform::PenStyle::Solid};
  const auto draw = [&canvas](const PreviewBox &b) {
    canvas.Rectangle(b.left, b.top, b.right, b.bottom);
  };

  try {
    if (grid.singleSheet) {
      SetLabel(label, SheetCountText(language, 1));
      const PreviewSheet sheet = PreviewSheetOf(page, grid, shape, 1, 1);
      canvas.pen = blackPen;
      canvas.brush = {Qt::white, platform::BrushStyle::Solid};
      draw(sheet.paper);
      canvas.brush = {withPicture ? QColor(Qt::white) : kYellow, platform::BrushStyle::Solid};
      draw(sheet.part);
      if (withPicture) DrawPicture(host, canvas, sheet.part.left, sheet.part.top, sx * m, sy * m);
      if (preview) preview->update();
      return true;
    }

    const QString countText = SheetCountText(language, grid.SheetCount());
    SetLabel(label, countText);
    if (withPicture) SetLabel(label, CuttingOutText(language));

    // The picture is scaled once, to the preview's scale; each sheet takes a block of it.
    QImage working;
    std::optional<platform::Canvas> workingCanvas;
    if (withPicture) {
      working = platform::NewImage(shape.workingWidth, shape.workingHeight, QImage::Format_RGB32,
                                   QStringLiteral("l'aperçu"));
      working.fill(Qt::white);
      if (!working.isNull()) {
        workingCanvas.emplace(working);
        DrawPicture(host, *workingCanvas, 0, 0, sx * m, sy * m);
      }
    }
    // Other handlers run between the sheets; when they close or destroy the window, the
    // drawing stops there, so no redraw outlives it and quitting ends the program.
    const QPointer<QWidget> window = host.DialogParent();
    const QPointer<platform::ImageControl> previewAlive = preview;
    const bool hadWindow = window != nullptr, windowShown = window && window->isVisible();
    const auto gone = [&] {
      return (preview != nullptr && previewAlive.isNull()) || (hadWindow && window.isNull()) ||
             (windowShown && !window->isVisible());
    };
    for (int64_t c = 1; c <= grid.columns; ++c) {
      for (int64_t j = 1; j <= grid.rows; ++j) {
        const PreviewSheet sheet = PreviewSheetOf(page, grid, shape, c, j);
        canvas.pen = blackPen;
        canvas.brush = {Qt::white, platform::BrushStyle::Solid};
        draw(sheet.paper);
        const PreviewBox &part = sheet.part;
        if (workingCanvas)
          canvas.CopyRect(
              QRect(part.left, part.top, part.right - part.left, part.bottom - part.top),
              *workingCanvas, sheet.source);
        canvas.pen = blackPen;
        canvas.brush = withPicture ? platform::Brush{Qt::white, platform::BrushStyle::Clear}
                                   : platform::Brush{kYellow, platform::BrushStyle::Solid};
        draw(part);
        DrawGlueLines(canvas, sheet);
        if (withPicture) {
          if (preview) preview->update();
          QCoreApplication::processEvents();
          if (gone()) {
            gPending.reset();
            return false;
          }
        }
      }
    }
    SetLabel(label, countText);
    if (preview) preview->update();
    return true;
  } catch (const platform::Failure &f) {
    if (preview) preview->update();
    platform::ErrorBox(f.Text(), host.DialogParent());
  } catch (const std::bad_alloc &) {
    if (preview) preview->update();
    platform::ErrorBox(QStringLiteral("Mémoire insuffisante"), host.DialogParent());
  }
  return false;
}

bool DrawGuarded(QImage &bitmap, platform::ImageControl *preview, int widthPx, int heightPx,
                 bool withPicture, QLabel *label, PosterWindow &host) {
  if (gDrawing) {
    gPending = PendingRedraw{&bitmap, preview, preview != nullptr, widthPx, heightPx, withPicture,
                             label,   &host};
    return true;
  }
  gDrawing = true;
  bool ok = false;
  try {
    ok = DrawOnce(bitmap, preview, widthPx, heightPx, withPicture, label, host);
    while (gPending) {
      const PendingRedraw p = *gPending;
      gPending.reset();
      // A redraw asked for by a window that has gone since is dropped.
      if (p.hadPreview && p.preview.isNull()) continue;
      ok = DrawOnce(*p.bitmap, p.preview, p.widthPx, p.heightPx, p.withPicture, p.label, *p.host);
    }
  } catch (...) {
    gDrawing = false;
    gPending.reset();
    throw;
  }
  gDrawing = false;
  return ok;
}

}  // namespace

bool DrawSheetLayout(platform::ImageControl &image, int widthPx, int heightPx, bool withPicture,
                     QLabel *label, PosterWindow &host) {
  QImage &bitmap = image.GetPicture().DrawingBitmap(image.width(), image.height());
  return DrawGuarded(bitmap, &image, widthPx, heightPx, withPicture, label, host);
}

bool DrawSheetLayout(QImage &bitmap, int widthPx, int heightPx, bool withPicture, QLabel *label,
                     PosterWindow &host) {
  return DrawGuarded(bitmap, nullptr, widthPx, heightPx, withPicture, label, host);
}

// ---- drawing the picture ----------------------------------------------------------

void DrawPicture(PosterWindow &host, platform::Canvas &canvas, int left, int top, double scaleX,
                 double scaleY) {
  const PosterDocument &poster = host.Poster();
  int w = poster.PosterWidth, h = poster.PosterHeight;
  const QSize shown = host.PictureShownSize();
  const int fw = shown.width(), fh = shown.height();
  // A picture image without a size has no proportions to keep.
  if (poster.KeepRatio && fw > 0 && fh > 0) {
    const double g = double(poster.PosterWidth) * fh / fw;
    if (poster.PosterHeight >= g) {
      h = int(Round(g));
    } else {
      w = int(Round(double(poster.PosterHeight) * fw / fh));
    }
  }
  const int right = left + int(Round(w * scaleX)), bottom = top + int(Round(h * scaleY));
  const platform::Picture &picture = host.PosterPicture();
  if (canvas.IsPrinter() && picture.GetKind() == platform::Picture::Kind::Bitmap) {
    DrawBitmapAsDIB(picture.Bitmap(), picture.BitsPerPixel(), canvas, left, top, right - left,
                    bottom - top);
  } else {
    canvas.StretchDraw(QRect(left, top, right - left, bottom - top), picture);
  }
}

void DrawBitmapAsDIB(const QImage &bitmap, int bitsPerPixel, platform::Canvas &canvas, int x, int y,
                     int width, int height) {
  if (bitmap.isNull()) return;
  if (width < 1 || height < 1) {
    width = bitmap.width();
    height = bitmap.height();
  }
  const platform::DibSizes sizes = platform::QueryDibSizes(bitmap, bitsPerPixel);
  platform::CheckImageFits(bitmap.width(), bitmap.height(), sizes.bitCount,
                           QStringLiteral("l'impression"));
  platform::DibHeader header;
  std::vector<uint8_t> bits;  // released on every way out
  try {
    bits.assign(size_t(sizes.imageBytes), 0);
  } catch (const std::bad_alloc &) {
    throw platform::Failure(QStringLiteral("Mémoire insuffisante pour l'impression"));
  }
  if (platform::GetDIBits(bitmap, sizes, header, bits) == 0)
    throw platform::Failure(QStringLiteral("Impossible de lire les points de l'image"));
  platform::StretchDIBits(canvas, x, y, width, height, 0, 0, header.width, std::abs(header.height),
                          bits, header);
}

// ---- the main window's side panel --------------------------------------------------

void SizePreviewSquare(PosterWindow &host) {
  const SidePanel side = host.Preview();
  if (!side.panel || !side.square) return;
  const int length = std::max(1, std::min(side.panel->width() - 2 * side.edge - 20,
                                          side.panel->height() - 2 * side.edge - 20));
  side.square->resize(length, length);
  side.square->GetPicture().DrawingBitmap(length, length);
  side.square->move((side.panel->width() - length) / 2, (side.panel->height() - length) / 2);
}

void RefreshPreview(PosterWindow &host) {
  SizePreviewSquare(host);
  const SidePanel side = host.Preview();
  if (side.label) {
    side.label->clear();
    side.label->setAccessibleName(QString());
  }
  if (side.box) {
    const bool landscape = platform::ThePrinter().IsLandscape();
    if (side.box->isChecked() != landscape) {
      const QSignalBlocker block(side.box);
      side.box->setChecked(landscape);
      MainLandscapeBoxClick(host);
    }
  }
  if (side.resolution) {
    const double mmPerPixel = 25.4 / (host.PixelsPerInch() > 0 ? host.PixelsPerInch() : 96);
    ShowResolution(side.resolution, host.InterfaceLanguage(),
                   ResolutionOnPaper(host, host.Poster().PosterWidth * mmPerPixel,
                                     host.Poster().PosterHeight * mmPerPixel));
  }
  if (side.square)
    DrawSheetLayout(*side.square, host.Poster().PosterWidth, host.Poster().PosterHeight, true,
                    side.label, host);
}

void MainLandscapeBoxClick(PosterWindow &host) {
  const SidePanel side = host.Preview();
  const bool landscape = side.box && side.box->isChecked();
  platform::ThePrinter().SetOrientation(landscape ? platform::Orientation::Landscape
                                                  : platform::Orientation::Portrait);
  host.Poster().Landscape = landscape;
  if (side.square)
    DrawSheetLayout(*side.square, host.Poster().PosterWidth, host.Poster().PosterHeight, true,
                    side.label, host);
}

}  // namespace layout
