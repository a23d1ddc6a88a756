#pragma once
// The program's one printer: the shared orientation setting, the page measures the sheet
// layout reads, the job title, and the job with its pages and canvas. Three backends sit
// behind it: the system's printers (CUPS through Qt, with Qt's print dialog), a PDF
// printer when no printer is installed (so printing works on any machine), and a raster
// printer for tests that keeps every page as an image.
#include <QImage>
#include <QPainter>
#include <QString>
#include <memory>
#include <vector>

#include "core/Errors.h"
#include "gdi/Canvas.h"
#include "ui/DialogHost.h"

class QWidget;

namespace platform {

enum class Orientation { Portrait, Landscape };

// Page measures in device dots, in the printer's current orientation.
struct PrinterPageMetrics {
  int printableWidth = 0, printableHeight = 0;  // the printable area
  int physicalWidth = 0, physicalHeight = 0;    // the whole sheet of paper
  int offsetX = 0, offsetY = 0;                 // paper corner to printable corner
  int dpiX = 0, dpiY = 0;
  bool operator==(const PrinterPageMetrics &) const = default;
};

// The same measures turned a quarter: what the page gives in the other orientation.
PrinterPageMetrics Turned(const PrinterPageMetrics &m);

// Raised when there is no printer to measure or print on.
class PrinterError : public Failure {
 public:
  using Failure::Failure;
};

QString NoPrinterText();                            // "Aucune imprimante utilisable"
QString PrintingFailedText(const QString &detail);  // "Erreur d'impression : %1"

// Where a job's pages end up: a file (its absolute path), a system queue (the printer's
// name), or neither (the test printer).
struct PrintDestination {
  enum Kind { None, File, Queue } kind = None;
  QString name;
};

// Where the pages go: one of the three backends above.
class PrinterBackend {
 public:
  virtual ~PrinterBackend() = default;
  // Measures of the page in `orientation`; raises PrinterError when there is no printer.
  virtual PrinterPageMetrics Metrics(Orientation orientation) const = 0;
  // The backend's print dialog; fills in the range and copies, false when cancelled.
  virtual bool ShowPrintDialog(QWidget *parent, PrintDialogSpec &request) = 0;
  virtual void BeginJob(const QString &title, Orientation orientation) = 0;
  virtual void NewPage() = 0;
  virtual void EndJob() = 0;
  virtual Canvas &PageCanvas() = 0;
  virtual QString Describe() const = 0;
  // Where the next (or the last) job goes, as the print dialog left it.
  virtual PrintDestination Destination() const { return {}; }
  // The PDF printer that stands in for a missing system printer takes the program's
  // paper; the others keep the one their own dialog chooses.
  virtual bool TakesPaper() const { return false; }
  virtual void SetPaper(double /*widthMm*/, double /*heightMm*/) {}
};

// The program's one printer, reached through ThePrinter().
class Printer {
 public:
  Orientation GetOrientation() const { return orientation_; }
  void SetOrientation(Orientation orientation) { orientation_ = orientation; }
  bool IsLandscape() const { return orientation_ == Orientation::Landscape; }

  // Read afresh on every call, so a change of printer, paper or orientation shows.
  PrinterPageMetrics PageMetrics() const;

  void SetTitle(const QString &title) { title_ = title; }
  const QString &Title() const { return title_; }

  bool ShowPrintDialog(QWidget *parent, PrintDialogSpec &request);
  void BeginDoc();
  void NewPage();
  void EndDoc();
  bool Printing() const { return printing_; }
  int PageNumber() const { return page_; }
  Canvas &GetCanvas();

  PrinterBackend &Backend() const;
  void SetBackend(std::unique_ptr<PrinterBackend> backend);

  // The paper, portrait, of the PDF printer that stands in for a missing system printer:
  // kept for the one made on first use, and given at once to one already in use.
  void SetPdfPaper(double widthMm, double heightMm);
  // Whether the printer in use takes that paper (it is the stand-in PDF printer).
  bool TakesPdfPaper() const { return Backend().TakesPaper(); }

 private:
  double pdfPaperWidthMm_ = 210.0, pdfPaperHeightMm_ = 297.0;
  Orientation orientation_ = Orientation::Portrait;
  QString title_;
  bool printing_ = false;
  int page_ = 0;
  mutable std::unique_ptr<PrinterBackend> backend_;
};

// The printer of the program. Its backend is the system's default printer, or the
// PDF printer when none is installed, chosen on first use.
Printer &ThePrinter();

// The PDF printer: paper, resolution and unprintable margin (millimetres, left, top,
// right, bottom). The default is A4, 600 dots per inch, 4.2 mm on every side.
struct PdfPrinterSetup {
  double paperWidthMm = 210.0, paperHeightMm = 297.0;
  int dpi = 600;
  double marginLeftMm = 4.2, marginTopMm = 4.2, marginRightMm = 4.2, marginBottomMm = 4.2;
  QString outputFile;  // when set, the print dialog is not asked for a file
};
std::unique_ptr<PrinterBackend> MakePdfPrinter(const PdfPrinterSetup &setup = {});
// The file the PDF printer's dialog proposes: "affiche.pdf" in the documents folder, or in
// the home folder when there is no documents folder.
QString ProposedPdfFile();
// The system's default printer, or nullptr when none is installed.
std::unique_ptr<PrinterBackend> MakeSystemPrinter();

// The test printer: exact measures (given in portrait), every page kept as an image.
class RasterPrinter : public PrinterBackend {
 public:
  explicit RasterPrinter(const PrinterPageMetrics &portrait) : portrait_(portrait) {}
  ~RasterPrinter() override;
  PrinterPageMetrics Metrics(Orientation orientation) const override;
  bool ShowPrintDialog(QWidget *parent, PrintDialogSpec &request) override;
  void BeginJob(const QString &title, Orientation orientation) override;
  void NewPage() override;
  void EndJob() override;
  Canvas &PageCanvas() override;
  QString Describe() const override { return QStringLiteral("raster"); }

  // When set, the measures fail as a missing printer would.
  bool unavailable = false;
  // The printed pages (the printable area of each, white where nothing was drawn), the
  // title of the last job, and how many jobs ended.
  std::vector<QImage> pages;
  QString jobTitle;
  int jobsEnded = 0;

 private:
  void StartPage();
  void FinishPage();
  PrinterPageMetrics portrait_;
  PrinterPageMetrics current_;
  std::unique_ptr<QImage> page_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<Canvas> canvas_;
};

}  // namespace platform
