#include "Printer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <cmath>
#include <utility>

#include "core/CheckedOutput.h"
#include "core/Errors.h"
#include "core/Numbers.h"
#include "gdi/Canvas.h"
#include "gdi/ImageMemory.h"

namespace platform {

QString NoPrinterText() {
  return QStringLiteral("Aucune imprimante utilisable");
}
QString PrintingFailedText(const QString &detail) {
  return QStringLiteral("Erreur d'impression : %1").arg(detail);
}

PrinterPageMetrics Turned(const PrinterPageMetrics &m) {
  PrinterPageMetrics t = m;
  std::swap(t.printableWidth, t.printableHeight);
  std::swap(t.physicalWidth, t.physicalHeight);
  std::swap(t.offsetX, t.offsetY);
  std::swap(t.dpiX, t.dpiY);
  return t;
}

QString ProposedPdfFile() {
  // Qt's print dialog refuses a file in a missing folder, and many accounts have no
  // documents folder: the home folder stands in.
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  return folder + QStringLiteral("/affiche.pdf");
}

// ---- the printer object ------------------------------------------------------------

PrinterBackend &Printer::Backend() const {
  if (!backend_) {
    backend_ = MakeSystemPrinter();
    if (!backend_) {
      PdfPrinterSetup setup;
      setup.paperWidthMm = pdfPaperWidthMm_;
      setup.paperHeightMm = pdfPaperHeightMm_;
      backend_ = MakePdfPrinter(setup);
    }
    // A Qt printer must go while the application object still exists, not with the
    // program's statics after it.
    static const bool registered = [] {
      qAddPostRoutine([] { ThePrinter().SetBackend(nullptr); });
      return true;
    }();
    (void)registered;
  }
  return *backend_;
}

void Printer::SetBackend(std::unique_ptr<PrinterBackend> backend) {
  if (printing_) {
    try {
      EndDoc();
    } catch (const Failure &) {
      // The job was being dropped anyway.
    }
  }
  backend_ = std::move(backend);
}

void Printer::SetPdfPaper(double widthMm, double heightMm) {
  pdfPaperWidthMm_ = widthMm;
  pdfPaperHeightMm_ = heightMm;
  // A job under way keeps the paper it began on.
  if (backend_ && !printing_ && backend_->TakesPaper()) backend_->SetPaper(widthMm, heightMm);
}

PrinterPageMetrics Printer::PageMetrics() const {
  const PrinterPageMetrics m = Backend().Metrics(orientation_);
  if (m.printableWidth <= 0 || m.printableHeight <= 0 || m.physicalWidth <= 0 ||
      m.physicalHeight <= 0 || m.dpiX <= 0 || m.dpiY <= 0)
    throw PrinterError(NoPrinterText());
  return m;
}

bool Printer::ShowPrintDialog(QWidget *parent, PrintDialogSpec &request) {
  return Backend().ShowPrintDialog(parent, request);
}

void Printer::BeginDoc() {
  if (printing_)
    throw PrinterError(PrintingFailedText(QStringLiteral("une impression est déjà en cours")));
  Backend().BeginJob(title_, orientation_);
  printing_ = true;
  page_ = 1;
}

void Printer::NewPage() {
  if (!printing_)
    throw PrinterError(PrintingFailedText(QStringLiteral("aucune impression en cours")));
  Backend().NewPage();
  ++page_;
}

void Printer::EndDoc() {
  if (!printing_) return;
  printing_ = false;
  Backend().EndJob();
}

Canvas &Printer::GetCanvas() {
  if (!printing_)
    throw PrinterError(PrintingFailedText(QStringLiteral("aucune impression en cours")));
  return Backend().PageCanvas();
}

Printer &ThePrinter() {
  static Printer printer;
  return printer;
}

// ---- printers through Qt: the system's, and the PDF file -----------------------------

namespace {

class QtPrinterBackend : public PrinterBackend {
 public:
  QtPrinterBackend(std::unique_ptr<QPrinter> printer, QString description, bool dialogAsksFile,
                   bool takesPaper = false)
      : printer_(std::move(printer)),
        description_(std::move(description)),
        dialogAsksFile_(dialogAsksFile),
        takesPaper_(takesPaper) {}

  bool TakesPaper() const override { return takesPaper_; }
  // The margins stay; the orientation is the job's, set when it begins.
  void SetPaper(double widthMm, double heightMm) override {
    if (!takesPaper_) return;
    QPageLayout layout = printer_->pageLayout();
    layout.setOrientation(QPageLayout::Portrait);
    layout.setPageSize(QPageSize(QSizeF(widthMm, heightMm), QPageSize::Millimeter));
    printer_->setPageLayout(layout);
  }

  // Read in the orientation asked for: the margins belong to the page as it lies, so a
  // quarter turn of the portrait measures would misplace uneven margins.
  PrinterPageMetrics Metrics(Orientation orientation) const override {
    if (!printer_->isValid()) throw PrinterError(NoPrinterText());
    QPageLayout layout = printer_->pageLayout();
    layout.setOrientation(orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                : QPageLayout::Portrait);
    const int dpi = printer_->resolution();
    const QRect full = layout.fullRectPixels(dpi);
    const QRect paint = layout.paintRectPixels(dpi);
    PrinterPageMetrics m;
    m.physicalWidth = full.width();
    m.physicalHeight = full.height();
    m.printableWidth = paint.width();
    m.printableHeight = paint.height();
    m.offsetX = paint.left() - full.left();
    m.offsetY = paint.top() - full.top();
    m.dpiX = m.dpiY = dpi;
    return m;
  }

  bool ShowPrintDialog(QWidget *parent, PrintDialogSpec &request) override {
    if (!dialogAsksFile_ && !printer_->outputFileName().isEmpty() &&
        printer_->outputFormat() == QPrinter::PdfFormat) {
      // A PDF printer with its file already chosen (the command line) asks nothing.
      request.pageRangeChosen = false;
      return true;
    }
    if (printer_->outputFormat() == QPrinter::PdfFormat && printer_->outputFileName().isEmpty())
      printer_->setOutputFileName(ProposedPdfFile());  // the PDF printer's dialog asks for it
    QPrintDialog dialog(printer_.get(), parent);
    dialog.setMinMax(request.minPage, request.maxPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, request.pageRangeAllowed);
    if (request.pageRangeAllowed) printer_->setFromTo(request.fromPage, request.toPage);
    if (dialog.exec() != QDialog::Accepted) return false;
    request.pageRangeChosen =
        request.pageRangeAllowed && printer_->printRange() == QPrinter::PageRange;
    if (request.pageRangeChosen) {
      request.fromPage = printer_->fromPage();
      request.toPage = printer_->toPage();
    }
    request.copies = printer_->copyCount();
    printer_->setFromTo(0, 0);  // the program picks the pages itself
    printer_->setPrintRange(QPrinter::AllPages);
    return true;
  }

  void BeginJob(const QString &title, Orientation orientation) override {
    printer_->setDocName(title);
    printer_->setPageOrientation(orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                       : QPageLayout::Portrait);
    painter_ = std::make_unique<QPainter>();
    QPagedPaintDevice *device = printer_.get();
    const QString file = printer_->outputFileName();
    if (printer_->outputFormat() == QPrinter::PdfFormat && !file.isEmpty()) {
      // Qt's PDF engine ignores failed writes: a full disk would leave a truncated file
      // and a job taken for printed. The same engine writes through a checked file.
      try {
        output_ = std::make_unique<CheckedOutputFile>(file);
      } catch (const InOutError &e) {
        painter_.reset();
        throw PrinterError(e.Text());
      }
      pdf_ = std::make_unique<QPdfWriter>(output_.get());
      pdf_->setResolution(printer_->resolution());
      pdf_->setPageLayout(printer_->pageLayout());
      pdf_->setTitle(title);
      pdf_->setCreator(printer_->creator());
      device = pdf_.get();
    }
    if (!painter_->begin(device)) {
      painter_.reset();
      DropOutput();
      throw PrinterError(file.isEmpty() ? PrintingFailedText(description_)
                                        : CannotCreateText(file));
    }
    canvas_ = std::make_unique<Canvas>(*painter_, printer_->resolution(),
                                       /*raster=*/false, /*printer=*/true);
  }

  void NewPage() override {
    const bool ok = pdf_ ? pdf_->newPage() : printer_->newPage();
    if (!ok) throw PrinterError(PrintingFailedText(description_));
  }

  void EndJob() override {
    canvas_.reset();
    if (painter_) {
      const bool ok = painter_->end();
      painter_.reset();
      if (!ok) {
        DropOutput();
        throw PrinterError(PrintingFailedText(description_));
      }
    }
    if (output_) {
      pdf_.reset();
      auto output = std::move(output_);
      try {
        output->Commit();
      } catch (const InOutError &e) {
        throw PrinterError(e.Text());
      }
    }
  }

  Canvas &PageCanvas() override {
    if (!canvas_)
      throw PrinterError(PrintingFailedText(QStringLiteral("aucune impression en cours")));
    return *canvas_;
  }

  QString Describe() const override { return description_; }

  PrintDestination Destination() const override {
    const QString file = printer_->outputFileName();
    if (printer_->outputFormat() == QPrinter::PdfFormat && !file.isEmpty())
      return {PrintDestination::File, QFileInfo(file).absoluteFilePath()};
    if (printer_->outputFormat() == QPrinter::NativeFormat)
      return {PrintDestination::Queue, printer_->printerName()};
    return {};
  }

 private:
  std::unique_ptr<QPrinter> printer_;
  QString description_;
  bool dialogAsksFile_;
  bool takesPaper_;
  void DropOutput() {
    pdf_.reset();
    output_.reset();
  }

  std::unique_ptr<CheckedOutputFile> output_;  // outlives the writer that fills it
  std::unique_ptr<QPdfWriter> pdf_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<Canvas> canvas_;
};

}  // namespace

std::unique_ptr<PrinterBackend> MakePdfPrinter(const PdfPrinterSetup &setup) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setResolution(setup.dpi);
  printer->setFullPage(false);
  printer->setPageLayout(QPageLayout(
      QPageSize(QSizeF(setup.paperWidthMm, setup.paperHeightMm), QPageSize::Millimeter),
      QPageLayout::Portrait,
      QMarginsF(setup.marginLeftMm, setup.marginTopMm, setup.marginRightMm, setup.marginBottomMm),
      QPageLayout::Millimeter));
  printer->setOutputFileName(setup.outputFile);
  // The PDF printer asked for by the command line (its file named) keeps its own paper.
  return std::make_unique<QtPrinterBackend>(std::move(printer), QStringLiteral("PDF"),
                                            setup.outputFile.isEmpty(), setup.outputFile.isEmpty());
}

std::unique_ptr<PrinterBackend> MakeSystemPrinter() {
  QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) {
    // Printers installed without a default one: the first stands in, as the dialog
    // would offer it first.
    const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
    if (all.isEmpty()) return nullptr;
    info = all.first();
  }
  auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  printer->setFullPage(false);
  return std::make_unique<QtPrinterBackend>(std::move(printer), info.printerName(), true);
}

// ---- the raster test printer --------------------------------------------------------

RasterPrinter::~RasterPrinter() = default;

PrinterPageMetrics RasterPrinter::Metrics(Orientation orientation) const {
  if (unavailable) throw PrinterError(NoPrinterText());
  return orientation == Orientation::Landscape ? Turned(portrait_) : portrait_;
}

bool RasterPrinter::ShowPrintDialog(QWidget *, PrintDialogSpec &request) {
  request.pageRangeChosen = false;
  return true;
}

void RasterPrinter::BeginJob(const QString &title, Orientation orientation) {
  if (unavailable) throw PrinterError(NoPrinterText());
  jobTitle = title;
  pages.clear();
  current_ = orientation == Orientation::Landscape ? Turned(portrait_) : portrait_;
  StartPage();
}

void RasterPrinter::StartPage() {
  page_ = std::make_unique<QImage>(NewImage(current_.printableWidth, current_.printableHeight,
                                            QImage::Format_RGB32, QStringLiteral("page")));
  page_->fill(Qt::white);
  page_->setDotsPerMeterX(int(std::lround(current_.dpiX / 0.0254)));
  page_->setDotsPerMeterY(int(std::lround(current_.dpiY / 0.0254)));
  painter_ = std::make_unique<QPainter>(page_.get());
  canvas_ = std::make_unique<Canvas>(*painter_, current_.dpiX, /*raster=*/true, /*printer=*/true);
}

void RasterPrinter::FinishPage() {
  if (!page_) return;
  canvas_.reset();
  painter_.reset();
  pages.push_back(std::move(*page_));
  page_.reset();
}

void RasterPrinter::NewPage() {
  FinishPage();
  StartPage();
}

void RasterPrinter::EndJob() {
  FinishPage();
  ++jobsEnded;
}

Canvas &RasterPrinter::PageCanvas() {
  if (!canvas_)
    throw PrinterError(PrintingFailedText(QStringLiteral("aucune impression en cours")));
  return *canvas_;
}

}  // namespace platform
