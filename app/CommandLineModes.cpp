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

#include "DocumentPosterHost.h"
#include "FileWrappers.h"
#include "ImageView.h"
#include "PosterFile.h"
#include "PosterPrinting.h"
#include "SheetLayout.h"
#include "core/CheckedOutput.h"
#include "core/Errors.h"
#include "core/Paths.h"
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

class UsageError : public platform::Failure {
 public:
  using Failure::Failure;
};

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
using ConsoleHost = layout::DocumentPosterHost;
static_assert(kPixelsPerInch == 96);

struct Options {
  QString poster;
  enum Mode { Info, PrintTo, PreviewTo } mode = Info;
  QString output;
  std::optional<std::pair<int, int>> pages;
  int size = 284;
  std::optional<platform::Orientation> orientation;
  bool printerOptions = false;
  platform::PdfPrinterSetup pdf;
};

int ParseInt(const QString &text, int low, int high, const QString &what) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < low || v > high)
    throw UsageError(QStringLiteral("Valeur incorrecte pour %1 : %2").arg(what, text));
  return v;
}

double ParseMm(const QString &text, const QString &what) {
  bool ok = false;
  const double v = QString(text).replace(u',', u'.').toDouble(&ok);
  if (!ok || !(v >= 0) || v > 10000)
    throw UsageError(QStringLiteral("Valeur incorrecte pour %1 : %2").arg(what, text));
  return v;
}

void ParsePaper(const QString &text, platform::PdfPrinterSetup &pdf) {
  struct Named {
    const char *name;
    double w, h;
  } static const kPapers[] = {{"A3", 297, 420},
                              {"A4", 210, 297},
                              {"A5", 148, 210},
                              {"LETTER", 215.9, 279.4},
                              {"LEGAL", 215.9, 355.6}};
  for (const Named &p : kPapers)
    if (text.toUpper() == QLatin1String(p.name)) {
      pdf.paperWidthMm = p.w;
      pdf.paperHeightMm = p.h;
      return;
    }
  static const QRegularExpression custom(
      QStringLiteral("^([0-9]+(?:[.,][0-9]+)?)x([0-9]+(?:[.,][0-9]+)?)mm$"),
      QRegularExpression::CaseInsensitiveOption);
  const auto m = custom.match(text);
  if (!m.hasMatch()) throw UsageError(QStringLiteral("Format de papier inconnu : %1").arg(text));
  pdf.paperWidthMm = ParseMm(m.captured(1), QStringLiteral("--paper"));
  pdf.paperHeightMm = ParseMm(m.captured(2), QStringLiteral("--paper"));
  if (pdf.paperWidthMm < 10 || pdf.paperHeightMm < 10)
    throw UsageError(QStringLiteral("Format de papier trop petit : %1").arg(text));
}

std::optional<Options> Parse(const QStringList &args) {
  Options o;
  bool modeSeen = false;
  for (int i = 1; i < args.size(); ++i) {
    const QString &a = args[i];
    auto value = [&]() -> QString {
      if (i + 1 >= args.size())
        throw UsageError(QStringLiteral("Valeur manquante après %1").arg(a));
      return args[++i];
    };
    auto setMode = [&](Options::Mode mode) {
      if (modeSeen) throw UsageError(QStringLiteral("Une seule action à la fois : %1").arg(a));
      modeSeen = true;
      o.mode = mode;
    };
    if (a == u"--info")
      setMode(Options::Info);
    else if (a == u"--print-to") {
      setMode(Options::PrintTo);
      o.output = value();
    } else if (a == u"--preview-to") {
      setMode(Options::PreviewTo);
      o.output = value();
    } else if (a == u"--pages") {
      const QString v = value();
      static const QRegularExpression range(QStringLiteral("^([0-9]+)-([0-9]+)$"));
      const auto m = range.match(v);
      if (!m.hasMatch()) throw UsageError(QStringLiteral("Pages incorrectes : %1").arg(v));
      o.pages = {ParseInt(m.captured(1), 1, 1000000, a), ParseInt(m.captured(2), 1, 1000000, a)};
      if (o.pages->first > o.pages->second)
        throw UsageError(QStringLiteral("Pages incorrectes : %1").arg(v));
    } else if (a == u"--size")
      o.size = ParseInt(value(), 16, 8192, a);
    else if (a == u"--paper") {
      ParsePaper(value(), o.pdf);
      o.printerOptions = true;
    } else if (a == u"--landscape")
      o.orientation = platform::Orientation::Landscape;
    else if (a == u"--portrait")
      o.orientation = platform::Orientation::Portrait;
    else if (a == u"--dpi") {
      o.pdf.dpi = ParseInt(value(), 36, 4800, a);
      o.printerOptions = true;
    } else if (a == u"--margins") {
      const QStringList parts = value().split(u',');
      if (parts.size() != 4)
        throw UsageError(QStringLiteral("--margins attend L,T,R,B en millimètres"));
      o.pdf.marginLeftMm = ParseMm(parts[0], a);
      o.pdf.marginTopMm = ParseMm(parts[1], a);
      o.pdf.marginRightMm = ParseMm(parts[2], a);
      o.pdf.marginBottomMm = ParseMm(parts[3], a);
      o.printerOptions = true;
    } else if (i == 1 && !a.startsWith(u"--"))
      o.poster = a;
    else
      throw UsageError(QStringLiteral("Argument inconnu : %1").arg(a));
  }
  if (!modeSeen) {
    if (o.pages || o.printerOptions || o.orientation)
      throw UsageError(QStringLiteral("Il manque --info, --print-to ou --preview-to"));
    return std::nullopt;
  }
  if (o.poster.isEmpty()) throw UsageError(QStringLiteral("Il manque le fichier d'affiche"));
  if (o.pages && o.mode != Options::PrintTo)
    throw UsageError(QStringLiteral("--pages ne sert qu'avec --print-to"));
  if (o.pdf.marginLeftMm + o.pdf.marginRightMm >= o.pdf.paperWidthMm ||
      o.pdf.marginTopMm + o.pdf.marginBottomMm >= o.pdf.paperHeightMm)
    throw UsageError(QStringLiteral("Les marges ne laissent rien à imprimer"));
  return o;
}

// The picture as the new-poster command loads it: the picture classes for their three
// extensions, the image component for every other one.
void LoadPicture(platform::Picture &picture, const QString &path) {
  const QString ext = platform::ExtractFileExt(path).toUpper();
  if (ext == u".BMP" || ext == u".WMF" || ext == u".ICO") {
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

// The format name of the imaging library's file information; without the library, the
// name Qt's readers give the content.
QString PictureFormat(const QString &path, ConsoleDialogHost &console) {
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
  if (known && !type.trimmed().isEmpty()) return type.trimmed().toUpper();
  const QByteArray qt = QImageReader::imageFormat(path);
  if (!qt.isEmpty()) return QString::fromLatin1(qt).toUpper();
  return platform::ExtractFileExt(path).mid(1).toUpper();
}

QString Size(int64_t w, int64_t h) {
  return QStringLiteral("%1 x %2").arg(w).arg(h);
}

QString Mm(int pixels) {
  return QString::number(pixels * 25.4 / kPixelsPerInch, 'f', 1).replace(u'.', u',');
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
  host.posterFileName = platform::ExpandFileName(o.poster);
  host.posterWidth = poster.posterWidth;
  host.posterHeight = poster.posterHeight;
  host.keepRatio = poster.keepRatio;
  host.landscape = poster.landscape;
  const QString picturePath =
      platform::ProgramFolder() + QStringLiteral("images/") + poster.imageFileName;
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
  LoadPicture(host.picture, picturePath);
  const QString format = PictureFormat(picturePath, console);

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
  host.landscape = landscape;
  const platform::PrinterPageMetrics page = printer.PageMetrics();
  const layout::SheetGrid grid =
      layout::SheetGridFor(page, host.posterWidth, host.posterHeight, kPixelsPerInch);

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
      PrintLine(stdout,
                QStringLiteral("poster-pixels: ") + Size(host.posterWidth, host.posterHeight));
      PrintLine(
          stdout,
          QStringLiteral("poster-mm: %1 x %2").arg(Mm(host.posterWidth), Mm(host.posterHeight)));
      PrintLine(stdout, QStringLiteral("columns: %1").arg(grid.columns));
      PrintLine(stdout, QStringLiteral("rows: %1").arg(grid.rows));
      PrintLine(stdout, QStringLiteral("sheets: %1").arg(grid.SheetCount()));
      PrintLine(stdout, QStringLiteral("picture: ") + picturePath);
      PrintLine(stdout, QStringLiteral("picture-size: ") +
                            Size(host.picture.Width(), host.picture.Height()));
      PrintLine(stdout, QStringLiteral("picture-format: ") + format);
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
      if (!layout::DrawSheetLayout(square, host.posterWidth, host.posterHeight, true, nullptr,
                                   host) ||
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
    options = Parse(args);
  } catch (const platform::Failure &f) {
    PrintLine(stderr, platform::WithFullStop(f.Text()));
    return 2;
  }
  if (!options) return -1;

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
