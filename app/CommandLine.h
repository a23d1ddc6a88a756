#pragma once
// The program's command line:
//   muralix [POSTER]                      the main window, opening POSTER
//   muralix POSTER --info                 the poster's sheet layout, as text
//   muralix POSTER --print-to OUT.pdf [--pages FIRST-LAST]
//   muralix POSTER --preview-to OUT.png [--size N]
// with the printer options --paper A4|A3|A5|Letter|Legal|WxHmm, --landscape or
// --portrait, --dpi N and --margins L,T,R,B (millimetres), the glue overlap --overlap MM,
// the sheet numbers --numbers, the assembly map --map and the lossless sheets --lossless;
// and --help, --version.
// Options and the poster may come in any order; "--" ends the options.
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

#include "core/Errors.h"
#include "print/Printer.h"

namespace app {

// Arguments not understood; its text says which, in French.
class UsageError : public platform::Failure {
 public:
  using Failure::Failure;
};

// What a mode without a window works on.
struct CommandLineOptions {
  QString poster;
  enum Mode { Info, PrintTo, PreviewTo } mode = Info;
  QString output;
  std::optional<std::pair<int, int>> pages;
  int size = 284;
  std::optional<platform::Orientation> orientation;
  bool printerOptions = false;  // --paper, --dpi or --margins: the PDF printer measures
  platform::PdfPrinterSetup pdf;
  int overlapMm = 0;      // --overlap: the sheets' glue overlap in millimetres
  bool numbers = false;   // --numbers: each sheet carries its number and place
  bool map = false;       // --map: an assembly map before the sheets
  bool lossless = false;  // --lossless: the sheets' pixels kept exactly in the PDF
};

struct CommandLine {
  enum Request {
    Window,   // the program with its windows; `arguments` are what it opens
    Mode,     // one of the modes without a window, as `options` say
    Help,     // --help: CommandLineHelp() on standard output
    Version,  // --version: VersionText() on standard output
  } request = Window;
  QStringList arguments;  // the arguments that are not options, in order
  CommandLineOptions options;
};

// Reads the command line (`arguments` starts with the program's name). Raises UsageError
// when it is not understood; never anything else, whatever the arguments.
CommandLine ParseCommandLine(const QStringList &arguments);

// The texts of --help and --version, in French, each ending with a line end.
QString CommandLineHelp();
QString VersionText();

}  // namespace app
