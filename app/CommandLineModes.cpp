#include "CommandLineModes.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QRegularExpression>
#include <QStringList>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "CommandLine.h"
#include "FileWrappers.h"
#include "ImageView.h"
#include "PaperFacts.h"
#include "PosterFile.h"
#include "PosterPrinting.h"
#include "PosterWindow.h"
#include "SheetLayout.h"
#include "core/CheckedOutput.h"
#include "core/Errors.h"
#include "core/Paths.h"
#include "core/PictureFormats.h"
#include "gdi/ImageMemory.h"
#include "gdi/Picture.h"
#include "print/Printer.h"
#include "ui/Application.h"
#include "ui/DialogHost.h"
#include "ui/MessageBoxes.h"

namespace {

constexpr int kPixelsPerInch = 96;  // the design resolution: stable figures for scripts

void PrintLine(FILE *to, const QString &text) {
  std::fputs(text.toLocal8Bit().constData(), to);
  std::fputc('\n', to);
}

using app::UsageError;

// Without a window every message goes to standard error and no dialog is ever shown.
class ConsoleDialogHost : public platform::DialogHost {
 public:
  int errors = 0;
  platform::MessageResult MessageBox(QWidget *, const platform::MessageBoxSpec &request) override {
    PrintLine(stderr, platform::WithFullStop(request.text));
    if (request.icon == platform::MessageIcon::Error) ++errors;
    return request.yesNoCancel ? platform::MessageResult::Cancel : platform::MessageResult::Ok;
  }
  QString FileDialog(QWidget *, const platform::FileDialogSpec &) override { return {}; }
  bool PrintDialog(QWidget *, platform::PrintDialogSpec &) override { return true; }
  int ExecModal(QDialog &) override { return 0; }
};

// The poster as the main window would hold it, without the window, at the design
// resolution (kPixelsPerInch is the host's default).
using ConsoleHost = layout::PosterWithoutWindow;
static_assert(kPixelsPerInch == 96);

using Options = app::CommandLineOptions;

// The picture as the new-poster command loads it: the picture classes for the formats they
// read, the image component for every other one.
void LoadPicture(platform::Picture &picture, const QString &path) {
  if (platform::HasPictureClass(platform::PictureFormatOfFile(path))) {
    picture.LoadFromFile(path);
    return;
  }
  platform::RaiseImageMemoryLimit();
  imagecomp::TImageView loader;
  try {
    loader.SetImageName(path);
  } catch (const std::exception &e) {
    throw platform::Failure(imagecomp::UnreadablePictureText(path, platform::TextOf(e)));
  }
  if (!loader.Picture().HasContent()) throw platform::Failure(loader.LoadFailureText(path));
  picture.AssignBitmap(loader.Picture().ToImage());
}

// What the picture file says of itself: the format name of the imaging library's file
// information (without the library, the name Qt's readers give the content; the formats
// only the platform's picture classes read are named by the program's table of formats),
// and the size its header gives, 0 x 0 when it gives none.
struct PictureFacts {
  QString format;
  int width = 0, height = 0;
};

PictureFacts ReadPictureFacts(const QString &path, ConsoleDialogHost &console) {
  if (const platform::PictureFormat *format = platform::PictureFormatOfFile(path);
      platform::IsPlatformOnlyFormat(format))
    return {QString::fromLatin1(format->name)};
  QString type, compression;
  int w = 0, h = 0, bits = 0, e1 = 0, e2 = 0;
  const int errors = console.errors;
  bool known = false;
  try {
    known = imaging::ReadFileInfo(path, type, w, h, bits, e1, e2, compression);
  } catch (const platform::Failure &) {
    // A missing library is not a failure of the poster: the fallback names the format.
  }
  console.errors = errors;
  if (known && !type.trimmed().isEmpty()) {
    if (w <= 0 || h <= 0) w = h = 0;
    return {type.trimmed().toUpper(), w, h};
  }
  const QByteArray qt = QImageReader::imageFormat(path);
  if (!qt.isEmpty()) return {QString::fromLatin1(qt).toUpper()};
  return {platform::ExtractFileExt(path).mid(1).toUpper()};
}

// The formats whose reader gives exactly the size in the file's header (a JPEG's already
// turned upright by its orientation tag), so that --info need not decode the pixels. The
// others' size depends on the reader (a drawing's scale, a photo CD's resolution, an
// animation's frames, a TIFF's page): they are loaded.
bool HeaderGivesTheSize(const QString &path, const PictureFacts &facts) {
  const platform::PictureFormat *format = platform::PictureFormatOfFile(path);
  if (format == nullptr || facts.width <= 0 || facts.height <= 0) return false;
  const QLatin1String name(format->name);
  return (name == QLatin1String("JPEG") || name == QLatin1String("PNG")) && facts.format == name;
}

QString Size(int64_t w, int64_t h) {
  return QStringLiteral("%1 x %2").arg(w).arg(h);
}

QString Mm(int pixels) {
  return QString::number(pixels * 25.4 / kPixelsPerInch, 'f', 1).replace(u'.', u',');
}

// The picture's pixels per inch on paper at the poster's size, or "vector". `width` x
// `height` is the picture's size, read from its header when its pixels were not decoded.
QString ResolutionValue(ConsoleHost &host, int width, int height) {
  const double mmPerPixel = 25.4 / kPixelsPerInch;
  const layout::PaperResolution r = layout::ResolutionOnPaper(
      width, height, host.document.PosterWidth * mmPerPixel,
      host.document.PosterHeight * mmPerPixel, host.document.KeepRatio, host.picture.IsVector());
  return r.vector ? QStringLiteral("vector") : QString::number(r.ppi);
}

int Run(const Options &o, ConsoleDialogHost &console) {
  // The poster file, then its picture from the picture folder.
  if (!platform::FileExists(o.poster)) throw platform::Failure(platform::CannotOpenText(o.poster));
  app::PosterFileContents poster;
  try {
    poster = app::ReadPosterFileContents(o.poster);
  } catch (const platform::Failure &) {
    throw platform::Failure(QStringLiteral("Format de fichier non reconnu."));
  }
  ConsoleHost host;
  layout::PosterDocument &document = host.document;
  document.PosterFileName = platform::ExpandFileName(o.poster);
  app::TakePosterFileContents(document, poster);
  document.ImageOrigin = layout::PictureOrigin::PosterFile;
  const QString picturePath =
      platform::FindProgramDataFile(QStringLiteral("images/") + poster.imageFileName);
  document.ImagePath = picturePath;
  // The output replaces whatever lies at its name: never the poster or its picture.
  if (o.mode != Options::Info) {
    if (platform::SameFile(o.output, o.poster))
      throw UsageError(
          QStringLiteral("Le fichier de sortie %1 est le fichier d'affiche : il n'est pas remplacé")
              .arg(o.output));
    if (platform::SameFile(o.output, picturePath))
      throw UsageError(
          QStringLiteral(
              "Le fichier de sortie %1 est l'image de l'affiche : elle n'est pas remplacée")
              .arg(o.output));
  }
  if (!platform::IsPlainFile(picturePath))
    throw platform::Failure(picturePath + QStringLiteral(" introuvable."));
  // --info prints sizes only: a header that gives the picture's size spares the decoding.
  // The other modes load the picture before anything else is read from its file.
  std::optional<PictureFacts> facts;
  if (o.mode == Options::Info) facts = ReadPictureFacts(picturePath, console);
  const bool fromHeader = facts && HeaderGivesTheSize(picturePath, *facts);
  if (!fromHeader) LoadPicture(host.picture, picturePath);
  if (!facts) facts = ReadPictureFacts(picturePath, console);
  const QString &format = facts->format;

  platform::Printer &printer = platform::ThePrinter();
  if (o.mode == Options::PrintTo || o.printerOptions) {
    platform::PdfPrinterSetup setup = o.pdf;
    if (o.mode == Options::PrintTo) setup.outputFile = o.output;
    printer.SetBackend(platform::MakePdfPrinter(setup));
  }
  const bool landscape =
      o.orientation ? *o.orientation == platform::Orientation::Landscape : poster.landscape;
  printer.SetOrientation(landscape ? platform::Orientation::Landscape
                                   : platform::Orientation::Portrait);
  document.Landscape = landscape;
  const platform::PrinterPageMetrics page = printer.PageMetrics();
  host.overlapMm = o.overlapMm;
  host.numberSheets = o.numbers;
  host.assemblyMap = o.map;
  host.losslessPicture = o.lossless;
  const layout::SheetGrid grid = layout::SheetGridFor(
      page, document.PosterWidth, document.PosterHeight, kPixelsPerInch, o.overlapMm);
  if (grid.overlapRefused)
    throw UsageError(layout::OverlapTooLargeText(host.language, o.overlapMm, page));

  switch (o.mode) {
    case Options::Info:
      PrintLine(stdout,
                QStringLiteral("physical: ") + Size(page.physicalWidth, page.physicalHeight));
      PrintLine(stdout,
                QStringLiteral("printable: ") + Size(page.printableWidth, page.printableHeight));
      PrintLine(stdout, QStringLiteral("offset: ") + Size(page.offsetX, page.offsetY));
      PrintLine(stdout, QStringLiteral("dpi: ") + Size(page.dpiX, page.dpiY));
      PrintLine(stdout, QStringLiteral("orientation: ") +
                            (landscape ? QStringLiteral("landscape") : QStringLiteral("portrait")));
      PrintLine(stdout, QStringLiteral("poster-pixels: ") +
                            Size(document.PosterWidth, document.PosterHeight));
      PrintLine(stdout, QStringLiteral("poster-mm: %1 x %2")
                            .arg(Mm(document.PosterWidth), Mm(document.PosterHeight)));
      PrintLine(stdout, QStringLiteral("overlap: %1 mm").arg(o.overlapMm));
      PrintLine(stdout, QStringLiteral("columns: %1").arg(grid.columns));
      PrintLine(stdout, QStringLiteral("rows: %1").arg(grid.rows));
      PrintLine(stdout, QStringLiteral("sheets: %1").arg(grid.SheetCount()));
      // The map is a page of its own, apart from the sheets; a single sheet has none.
      if (o.map) PrintLine(stdout, QStringLiteral("map-pages: %1").arg(grid.singleSheet ? 0 : 1));
      PrintLine(stdout, QStringLiteral("picture: ") + picturePath);
      {
        const int width = fromHeader ? facts->width : host.picture.Width();
        const int height = fromHeader ? facts->height : host.picture.Height();
        PrintLine(stdout, QStringLiteral("picture-size: ") + Size(width, height));
        PrintLine(stdout, QStringLiteral("picture-format: ") + format);
        PrintLine(stdout,
                  QStringLiteral("resolution-ppi: ") + ResolutionValue(host, width, height));
      }
      return 0;
    case Options::PrintTo: {
      platform::PrintDialogSpec choice;
      if (o.pages) {
        // As the print dialog would: a range only for several sheets, within them.
        const int last = grid.singleSheet ? 1 : grid.SheetCount();
        if (o.pages->second > last)
          throw UsageError(
              QStringLiteral("Pages incorrectes : l'affiche a %1 feuille(s)").arg(last));
        choice.pageRangeChosen = !grid.singleSheet;
        choice.fromPage = o.pages->first;
        choice.toPage = o.pages->second;
      }
      const int pages = layout::PrintPosterWith(host, choice);
      if (console.errors > 0) return 1;
      PrintLine(stdout, QStringLiteral("pages: %1").arg(pages));
      PrintLine(stdout, QStringLiteral("output: ") + QFileInfo(o.output).absoluteFilePath());
      return 0;
    }
    case Options::PreviewTo: {
      QImage square =
          platform::NewImage(o.size, o.size, QImage::Format_RGB32, QStringLiteral("l'aperçu"));
      square.fill(Qt::white);
      if (!layout::DrawSheetLayout(square, document.PosterWidth, document.PosterHeight, true,
                                   nullptr, host) ||
          console.errors > 0)
        return 1;
      platform::CheckedOutputFile output(o.output);
      QImageWriter writer(&output, "PNG");
      if (!writer.write(square))
        throw platform::Failure(platform::CannotCreateText(o.output) + QStringLiteral(" : ") +
                                (output.FirstError() != 0
                                     ? platform::SystemErrorText(output.FirstError())
                                     : writer.errorString()));
      output.Commit();
      PrintLine(stdout, QStringLiteral("output: ") + QFileInfo(o.output).absoluteFilePath());
      return 0;
    }
  }
  return 1;
}

}  // namespace

namespace app {

int RunCommandLineMode(int argc, char **argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  std::optional<Options> options;
  try {
    const CommandLine line = ParseCommandLine(args);
    switch (line.request) {
      case CommandLine::Window:
        return -1;
      case CommandLine::Help:
        std::fputs(CommandLineHelp().toLocal8Bit().constData(), stdout);
        return 0;
      case CommandLine::Version:
        std::fputs(VersionText().toLocal8Bit().constData(), stdout);
        return 0;
      case CommandLine::Mode:
        options = line.options;
        break;
    }
  } catch (const platform::Failure &f) {
    PrintLine(stderr, platform::WithFullStop(f.Text()));
    return 2;
  }

  // No display is needed: the modes draw off screen, and choose so before Qt starts.
  // Qt's own chatter would mix with the program's messages on standard error.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) PrintLine(stderr, text);
  });
  std::unique_ptr<platform::Application> app;
  if (!QCoreApplication::instance()) app = std::make_unique<platform::Application>(argc, argv);
  if (platform::ApplicationTitle().isEmpty())
    platform::SetApplicationTitle(QStringLiteral("Muralix"));
  auto console = std::make_unique<ConsoleDialogHost>();
  ConsoleDialogHost &consoleRef = *console;
  platform::SetDialogHost(std::move(console));
  int code = 1;
  try {
    code = Run(*options, consoleRef);
  } catch (const UsageError &f) {
    PrintLine(stderr, platform::WithFullStop(f.Text()));
    code = 2;
  } catch (const platform::Failure &f) {
    PrintLine(stderr, platform::WithFullStop(f.Text()));
    code = 1;
  } catch (const std::exception &e) {
    PrintLine(stderr, platform::WithFullStop(platform::TextOf(e)));
    code = 1;
  }
  platform::SetDialogHost(nullptr);
  platform::ThePrinter().SetBackend(nullptr);
  return code;
}

}  // namespace app
