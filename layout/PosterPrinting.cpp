#include "PosterPrinting.h"

#include <QPainter>
#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <optional>

#include "FormatDialog.h"
#include "PosterWindow.h"
#include "SheetLabels.h"
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
  // Sheet numbers and the assembly map, for a poster of several sheets.
  bool numbers, map;
  // The sheets' pixels kept exactly by a printer that would otherwise encode them as JPEG.
  bool lossless;
};

// The job's progress window: one step before each sheet, counted among the sheets this
// job prints. Once the person has asked to stop, no further sheet is begun.
class SheetProgress {
 public:
  SheetProgress(QWidget *parent, int64_t sheets)
      : window_(platform::Dialogs().Progress(parent)), sheets_(sheets) {}
  bool Next() {
    ++sheet_;
    stopped_ = stopped_ ||
               !window_->Step(
                   QStringLiteral("Impression de la feuille %1 sur %2…").arg(sheet_).arg(sheets_));
    return !stopped_;
  }
  bool Stopped() const { return stopped_; }

 private:
  std::unique_ptr<platform::ProgressWindow> window_;
  int64_t sheets_;
  int64_t sheet_ = 0;
  bool stopped_ = false;
};

// How many sheets a job prints: those of the grid within the chosen range.
int64_t SheetsToPrint(const Job &job, const platform::PrintDialogSpec &choice) {
  if (job.grid.singleSheet) return 1;
  const int64_t count = job.grid.SheetCount();
  if (!choice.pageRangeChosen) return count;
  return std::max<int64_t>(
      0, std::min<int64_t>(choice.toPage, count) - std::max<int64_t>(choice.fromPage, 1) + 1);
}

// Ends the job whatever happened, so the sheets already drawn are printed.
void EndQuietly(platform::Printer &printer) {
  try {
    printer.EndDoc();
  } catch (const platform::Failure &) {
  }
}

int PrintSingleSheet(Job &job, SheetProgress &progress) {
  platform::Printer &printer = platform::ThePrinter();
  platform::BusyCursor busy;
  if (!progress.Next()) return 0;
  printer.BeginDoc();
  try {
    if (job.lossless) printer.GetCanvas().Painter().setRenderHint(QPainter::LosslessImageRendering);
    DrawPicture(job.host, printer.GetCanvas(), 0, 0, job.sx, job.sy);
  } catch (...) {
    EndQuietly(printer);
    throw;
  }
  printer.EndDoc();
  return 1;
}

// What carries a raster picture's pixels to the sheets of one job; the picture fills the
// poster's W x H dots, stretched to its proportions.
class SheetPixels {
 public:
  // The one choice of the path: the raster printer (a pixel device) gets the sheets as
  // device-independent rows cut from a working picture, pixel for pixel as it always has;
  // every other printer gets a view of the picture's own block. The working picture is
  // made here, before the job begins.
  SheetPixels(const platform::Printer &printer, const platform::Picture &picture, int posterW,
              int posterH, int64_t W, int64_t H, bool lossless)
      : picture_(picture),
        posterW_(posterW),
        posterH_(posterH),
        W_(W),
        H_(H),
        lossless_(lossless),
        throughDIBs_(dynamic_cast<const platform::RasterPrinter *>(&printer.Backend()) != nullptr) {
    if (throughDIBs_) MakeWorkingPicture();
  }

  // The picture's part of the sheet whose part of the poster is `part`, on the sheet's
  // canvas with the printable area's corner at (0, 0).
  void Draw(platform::Canvas &canvas, const SheetPart &part) {
    if (throughDIBs_)
      DrawFromWorkingPicture(canvas, part);
    else
      DrawPictureBlock(canvas, part);
  }

 private:
  // The picture is scaled once, into a working picture with the poster's proportions
  // and the picture's own longer side; each sheet then takes a block of it.
  void MakeWorkingPicture() {
    const int S = std::max(1, std::max(picture_.Width(), picture_.Height()));
    workW_ = workH_ = S;
    if (posterH_ > posterW_) {
      workW_ = posterH_ > 0 ? int(Round(double(posterW_) * S / posterH_)) : S;
    } else {
      workH_ = posterW_ > 0 ? int(Round(double(posterH_) * S / posterW_)) : S;
    }
    workW_ = std::max(workW_, 1);
    workH_ = std::max(workH_, 1);
    working_ =
        platform::NewImage(workW_, workH_, QImage::Format_RGB888, QStringLiteral("l'impression"));
    working_.fill(Qt::white);
    platform::Canvas workingCanvas(working_);
    workingCanvas.StretchDraw(working_.rect(), picture_);
  }

  void DrawFromWorkingPicture(platform::Canvas &canvas, const SheetPart &part) {
    // A poster side of no dots has no picture to cut: its sheets get their outline only.
    const double kx = W_ > 0 ? double(workW_) / W_ : 0.0;
    const double ky = H_ > 0 ? double(workH_) / H_ : 0.0;
    const int bw = int(Round((part.x1 - part.x0) * kx));
    const int bh = int(Round((part.y1 - part.y0) * ky));
    if (bw <= 0 || bh <= 0) return;
    QImage sheet = platform::NewImage(bw, bh, QImage::Format_RGB888, QStringLiteral("la feuille"));
    sheet.fill(Qt::white);  // a block reaching past the picture's edge stays white
    {
      QPainter p(&sheet);
      p.drawImage(0, 0, working_, int(Round(part.x0 * kx)), int(Round(part.y0 * ky)), bw, bh);
    }
    DrawBitmapAsDIB(sheet, 24, canvas, 0, 0, int(Round(bw / kx)), int(Round(bh / ky)));
  }

  // The block of the picture's own pixels that falls on the part, without copying them,
  // placed where the stretched picture puts it and clipped to the part: the device scales
  // it (a PDF keeps the pixels and a matrix), so the picture is never resampled, and
  // neighbouring sheets share the edges of their blocks exactly.
  void DrawPictureBlock(platform::Canvas &canvas, const SheetPart &part) {
    const QImage &bitmap = picture_.Bitmap();
    const int pw = bitmap.width(), ph = bitmap.height();
    if (W_ <= 0 || H_ <= 0 || pw <= 0 || ph <= 0) return;
    const auto first = [](int64_t dot, int64_t dots, int pixels) {
      return int(std::clamp<int64_t>(Round(double(dot) * pixels / dots), 0, pixels));
    };
    const int px0 = first(part.x0, W_, pw), px1 = first(part.x1, W_, pw);
    const int py0 = first(part.y0, H_, ph), py1 = first(part.y1, H_, ph);
    if (px1 <= px0 || py1 <= py0) return;
    QImage block;
    if (bitmap.depth() >= 8 && bitmap.colorCount() == 0) {
      const int bytesPerPixel = bitmap.depth() / 8;
      block = QImage(bitmap.constScanLine(py0) + qsizetype(px0) * bytesPerPixel, px1 - px0,
                     py1 - py0, bitmap.bytesPerLine(), bitmap.format());
    } else {
      // Indexed and bit-packed rows have no view of their own: the block is copied.
      block = bitmap.copy(px0, py0, px1 - px0, py1 - py0);
    }
    const double dx = double(W_) / pw, dy = double(H_) / ph;
    const QRectF target(px0 * dx - double(part.x0), py0 * dy - double(part.y0), (px1 - px0) * dx,
                        (py1 - py0) * dy);
    QPainter &painter = canvas.Painter();
    painter.save();
    painter.setClipRect(QRect(0, 0, int(part.x1 - part.x0), int(part.y1 - part.y0)));
    // A PDF keeps such a block's pixels compressed without loss (Flate) instead of JPEG.
    if (lossless_) painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.drawImage(target, block);
    painter.restore();
  }

  const platform::Picture &picture_;
  const int posterW_, posterH_;
  const int64_t W_, H_;
  const bool lossless_;
  const bool throughDIBs_;
  QImage working_;
  int workW_ = 0, workH_ = 0;
};

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

AssemblyMapFacts MapFacts(PosterWindow &host) {
  const int ppi = host.PixelsPerInch() > 0 ? host.PixelsPerInch() : 96;
  return {PositionOfPixels(host.Poster().PosterWidth, ppi) / 10.0,
          PositionOfPixels(host.Poster().PosterHeight, ppi) / 10.0, host.InterfaceLanguage()};
}

int PrintSheets(Job &job, const platform::PrintDialogSpec &choice, SheetProgress &progress) {
  platform::Printer &printer = platform::ThePrinter();
  platform::BusyCursor busy;
  const platform::Picture &picture = job.host.PosterPicture();
  const int64_t W = job.grid.posterWidthDots, H = job.grid.posterHeightDots;
  const int posterW = job.host.Poster().PosterWidth, posterH = job.host.Poster().PosterHeight;

  // A vector picture (metafile, PDF page, SVG drawing) has no pixels to keep: it is drawn
  // onto every sheet from its source, clipped to the sheet's part, so it prints sharp at
  // the printer's resolution and only that part is ever rendered.
  const bool vectors = picture.IsVector();
  std::optional<SheetPixels> pixels;
  if (!vectors) pixels.emplace(printer, picture, posterW, posterH, W, H, job.lossless);
  int printed = 0, mapPages = 0;
  try {
    int64_t k = 0;
    for (int64_t c = 1; c <= job.grid.columns && !progress.Stopped(); ++c) {
      for (int64_t j = 1; j <= job.grid.rows; ++j) {
        ++k;
        if (choice.pageRangeChosen && (k < choice.fromPage || k > choice.toPage)) continue;
        // Stopped by the person: the sheets already sent make the job, ended as usual.
        if (!progress.Next()) break;
        const SheetPart part = SheetPartOf(job.page, job.grid, c, j);
        // The job begins with the first sheet in the range, so a range that holds no
        // sheet prints no blank page.
        if (printed == 0) {
          printer.BeginDoc();
          if (job.map) {
            // The map comes first and is not a sheet: page ranges keep counting sheets.
            DrawAssemblyMap(printer.GetCanvas(), job.page, job.grid, MapFacts(job.host));
            printer.NewPage();
            ++mapPages;
          }
        } else {
          printer.NewPage();
        }
        ++printed;
        platform::Canvas &canvas = printer.GetCanvas();
        if (vectors) {
          QPainter &painter = canvas.Painter();
          painter.save();
          painter.setClipRect(QRect(0, 0, int(part.x1 - part.x0), int(part.y1 - part.y0)));
          canvas.StretchDraw(QRect(int(-part.x0), int(-part.y0), int(W), int(H)), picture);
          painter.restore();
        } else {
          pixels->Draw(canvas, part);
        }
        canvas.pen = {Qt::black, 1, platform::PenStyle::Dot};
        canvas.brush = {Qt::white, platform::BrushStyle::Clear};
        canvas.Rectangle(0, 0, int(part.x1 - part.x0), int(part.y1 - part.y0));
        DrawGlueStripLines(canvas, job.grid, c, j, part);
        if (job.numbers)
          DrawSheetLabel(canvas, job.page, job.grid, c, j, job.host.InterfaceLanguage());
      }
    }
  } catch (...) {
    pixels.reset();
    EndQuietly(printer);
    throw;
  }
  pixels.reset();
  if (printed > 0) printer.EndDoc();
  return printed + mapPages;
}

Job JobFor(PosterWindow &host, const platform::PrinterPageMetrics &page) {
  const int ppi = host.PixelsPerInch() > 0 ? host.PixelsPerInch() : 96;
  return Job{host,
             page,
             SheetGridFor(page, host.Poster().PosterWidth, host.Poster().PosterHeight, ppi,
                          host.OverlapMillimetres()),
             double(page.dpiX) / ppi,
             double(page.dpiY) / ppi,
             host.NumberSheets(),
             host.AssemblyMap(),
             host.LosslessPicture()};
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

// Says where a finished job went, when it went to a file or a system queue.
void TellWhereItWent(QWidget *parent) {
  const platform::PrintDestination to = platform::ThePrinter().Backend().Destination();
  if (to.kind == platform::PrintDestination::File)
    platform::InformationBox(QStringLiteral("Affiche imprimée dans ") + to.name, parent);
  else if (to.kind == platform::PrintDestination::Queue)
    platform::InformationBox(QStringLiteral("Affiche envoyée à ") + to.name, parent);
}

int Run(Job &job, const platform::PrintDialogSpec &choice, bool tellWhereItWent) {
  try {
    SheetProgress progress(job.host.DialogParent(), SheetsToPrint(job, choice));
    const int printed =
        job.grid.singleSheet ? PrintSingleSheet(job, progress) : PrintSheets(job, choice, progress);
    if (tellWhereItWent && printed > 0 && !progress.Stopped())
      TellWhereItWent(job.host.DialogParent());
    return printed;
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
  return Run(*job, request, true);
}

int PrintPosterWith(PosterWindow &host, const platform::PrintDialogSpec &choice) {
  std::optional<Job> job = Prepare(host);
  if (!job) return 0;
  return Run(*job, choice, false);
}

}  // namespace layout
