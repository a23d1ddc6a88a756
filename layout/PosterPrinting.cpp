#include "PosterPrinting.h"

#include <QPainter>
#include <algorithm>
#include <limits>
#include <new>
#include <optional>

#include "PosterWindow.h"
#include "SheetLayout.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "gdi/Canvas.h"
#include "gdi/ImageMemory.h"
#include "gdi/Picture.h"
#include "print/Printer.h"
#include "ui/Cursors.h"
#include "ui/MessageBoxes.h"

namespace layout {

using platform::Round;

QString PrintJobTitle(PosterWindow &host) {
  const QString name =
      host.Poster().PosterFileName.isEmpty()
          ? (host.InterfaceLanguage() == 1 ? QStringLiteral("NONAME") : QStringLiteral("SANS NOM"))
          : platform::ExtractFileName(host.Poster().PosterFileName);
  return platform::ApplicationTitle() + QStringLiteral(" : ") + name;
}

namespace {

// The print dialog keeps its page range between uses, as the main window's one does.
platform::PrintDialogSpec &DialogState() {
  static platform::PrintDialogSpec request;
  return request;
}

struct Job {
  PosterWindow &host;
  platform::PrinterPageMetrics page;
  SheetGrid grid;
  double sx, sy;
};

// Ends the job whatever happened, so the sheets already drawn are printed.
void EndQuietly(platform::Printer &printer) {
  try {
    printer.EndDoc();
  } catch (const platform::Failure &) {
  }
}

int PrintSingleSheet(Job &job) {
  platform::Printer &printer = platform::ThePrinter();
  platform::BusyCursor busy;
  printer.BeginDoc();
  try {
    DrawPicture(job.host, printer.GetCanvas(), 0, 0, job.sx, job.sy);
  } catch (...) {
    EndQuietly(printer);
    throw;
  }
  printer.EndDoc();
  return 1;
}

// With an overlap, a lighter dotted line on every sheet but the last column's and row's
// marks where the next sheet's glue strip begins; the cutting outline stays at the part.
void DrawGlueStripLines(platform::Canvas &canvas, const SheetGrid &grid, int64_t column,
                        int64_t row, const SheetPart &part) {
  const int w = int(part.x1 - part.x0), h = int(part.y1 - part.y0);
  canvas.pen = {kGlueLineColour, 1, platform::PenStyle::Dot};
  canvas.brush = {Qt::white, platform::BrushStyle::Clear};
  if (grid.overlapX > 0 && column < grid.columns && grid.stepX < w)
    canvas.Rectangle(int(grid.stepX), 0, int(grid.stepX) + 1, h);
  if (grid.overlapY > 0 && row < grid.rows && grid.stepY < h)
    canvas.Rectangle(0, int(grid.stepY), w, int(grid.stepY) + 1);
}

int PrintSheets(Job &job, const platform::PrintDialogSpec &choice) {
  platform::Printer &printer = platform::ThePrinter();
  platform::BusyCursor busy;
  const platform::Picture &picture = job.host.PosterPicture();
  const int64_t W = job.grid.posterWidthDots, H = job.grid.posterHeightDots;
  const int posterW = job.host.Poster().PosterWidth, posterH = job.host.Poster().PosterHeight;

  // The picture is scaled once, into a working picture with the poster's proportions
  // and the picture's own longer side; each sheet then takes a block of it. A vector
  // picture (metafile, PDF page, SVG drawing) has no pixels to keep: it is drawn onto every
  // sheet from its source, clipped to the sheet's part, so it prints sharp at the
  // printer's resolution and only that part is ever rendered.
  const bool vectors = picture.IsVector();
  const int S = std::max(1, std::max(picture.Width(), picture.Height()));
  int workW = S, workH = S;
  if (posterH > posterW) {
    workW = posterH > 0 ? int(Round(double(posterW) * S / posterH)) : S;
  } else {
    workH = posterW > 0 ? int(Round(double(posterH) * S / posterW)) : S;
  }
  workW = std::max(workW, 1);
  workH = std::max(workH, 1);
  QImage working;
  if (!vectors) {
    working =
        platform::NewImage(workW, workH, QImage::Format_RGB888, QStringLiteral("l'impression"));
    working.fill(Qt::white);
    platform::Canvas canvas(working);
    canvas.StretchDraw(working.rect(), picture);
  }
  // A poster side of no dots has no picture to cut: its sheets get their outline only.
  const double kx = W > 0 ? double(workW) / W : 0.0;
  const double ky = H > 0 ? double(workH) / H : 0.0;

  int printed = 0;
  try {
    int64_t k = 0;
    for (int64_t c = 1; c <= job.grid.columns; ++c) {
      for (int64_t j = 1; j <= job.grid.rows; ++j) {
        ++k;
        if (choice.pageRangeChosen && (k < choice.fromPage || k > choice.toPage)) continue;
        const SheetPart part = SheetPartOf(job.page, job.grid, c, j);
        // The job begins with the first sheet in the range, so a range that holds no
        // sheet prints no blank page.
        if (printed == 0)
          printer.BeginDoc();
        else
          printer.NewPage();
        ++printed;
        platform::Canvas &canvas = printer.GetCanvas();
        const int bw = int(Round((part.x1 - part.x0) * kx));
        const int bh = int(Round((part.y1 - part.y0) * ky));
        if (vectors) {
          QPainter &painter = canvas.Painter();
          painter.save();
          painter.setClipRect(QRect(0, 0, int(part.x1 - part.x0), int(part.y1 - part.y0)));
          canvas.StretchDraw(QRect(int(-part.x0), int(-part.y0), int(W), int(H)), picture);
          painter.restore();
        } else if (bw > 0 && bh > 0) {
          QImage sheet =
              platform::NewImage(bw, bh, QImage::Format_RGB888, QStringLiteral("la feuille"));
          sheet.fill(Qt::white);  // a block reaching past the picture's edge stays white
          {
            QPainter p(&sheet);
            p.drawImage(0, 0, working, int(Round(part.x0 * kx)), int(Round(part.y0 * ky)), bw, bh);
          }
          DrawBitmapAsDIB(sheet, 24, canvas, 0, 0, int(Round(bw / kx)), int(Round(bh / ky)));
        }
        canvas.pen = {Qt::black, 1, platform::PenStyle::Dot};
        canvas.brush = {Qt::white, platform::BrushStyle::Clear};
        canvas.Rectangle(0, 0, int(part.x1 - part.x0), int(part.y1 - part.y0));
        DrawGlueStripLines(canvas, job.grid, c, j, part);
      }
    }
  } catch (...) {
    working = QImage();
    EndQuietly(printer);
    throw;
  }
  working = QImage();
  if (printed > 0) printer.EndDoc();
  return printed;
}

Job JobFor(PosterWindow &host, const platform::PrinterPageMetrics &page) {
  const int ppi = host.PixelsPerInch() > 0 ? host.PixelsPerInch() : 96;
  return Job{host, page,
             SheetGridFor(page, host.Poster().PosterWidth, host.Poster().PosterHeight, ppi,
                          host.OverlapMillimetres()),
             double(page.dpiX) / ppi, double(page.dpiY) / ppi};
}

// An overlap as wide as a sheet's printable side would never move on: it is refused.
bool OverlapRefused(Job &job) {
  if (!job.grid.overlapRefused) return false;
  platform::ErrorBox(
      OverlapTooLargeText(job.host.InterfaceLanguage(), job.host.OverlapMillimetres(), job.page),
      job.host.DialogParent());
  return true;
}

std::optional<Job> Prepare(PosterWindow &host) {
  platform::Printer &printer = platform::ThePrinter();
  try {
    printer.SetTitle(PrintJobTitle(host));
    Job job = JobFor(host, printer.PageMetrics());
    if (OverlapRefused(job)) return std::nullopt;
    return job;
  } catch (const platform::Failure &f) {
    platform::ErrorBox(f.Text(), host.DialogParent());
    return std::nullopt;
  }
}

int PageNumberOf(int64_t sheets) {
  return int(std::min<int64_t>(sheets, std::numeric_limits<int>::max()));
}

int Run(Job &job, const platform::PrintDialogSpec &choice) {
  try {
    return job.grid.singleSheet ? PrintSingleSheet(job) : PrintSheets(job, choice);
  } catch (const platform::Failure &f) {
    platform::ErrorBox(f.Text(), job.host.DialogParent());
  } catch (const std::bad_alloc &) {
    platform::ErrorBox(QStringLiteral("Mémoire insuffisante pour l'impression"),
                       job.host.DialogParent());
  }
  return 0;
}

}  // namespace

int PrintPoster(PosterWindow &host) {
  std::optional<Job> job = Prepare(host);
  if (!job) return 0;
  platform::PrintDialogSpec &request = DialogState();
  request.minPage = 1;
  if (job->grid.singleSheet) {
    request.maxPage = 1;
    request.pageRangeAllowed = false;
  } else {
    request.maxPage = PageNumberOf(job->grid.SheetCount());
    request.pageRangeAllowed = true;
    request.fromPage = 1;
    request.toPage = request.maxPage;
  }
  request.pageRangeChosen = false;
  if (!platform::Dialogs().PrintDialog(host.DialogParent(), request)) return 0;
  // The dialog may have changed the printer or its paper: the poster is cut for the page
  // the job will really use, and a chosen range keeps to that grid's sheets.
  bool regridded = false;
  try {
    const platform::PrinterPageMetrics page = platform::ThePrinter().PageMetrics();
    if (!(page == job->page)) {
      job.emplace(JobFor(host, page));
      regridded = true;
      if (OverlapRefused(*job)) return 0;
    }
  } catch (const platform::Failure &f) {
    platform::ErrorBox(f.Text(), host.DialogParent());
    return 0;
  }
  if (job->grid.singleSheet) request.pageRangeChosen = false;
  if (regridded && request.pageRangeChosen) {
    const int last = PageNumberOf(job->grid.SheetCount());
    request.fromPage = std::clamp(request.fromPage, 1, last);
    request.toPage = std::clamp(request.toPage, request.fromPage, last);
  }
  return Run(*job, request);
}

int PrintPosterWith(PosterWindow &host, const platform::PrintDialogSpec &choice) {
  std::optional<Job> job = Prepare(host);
  if (!job) return 0;
  return Run(*job, choice);
}

}  // namespace layout
