#include "Program.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "AboutBox.h"
#include "Binding.h"
#include "CommandLine.h"
#include "LanguageTexts.h"
#include "MainWindow.h"
#include "Resources.h"
#include "Splash.h"
#include "gdi/ImageMemory.h"
#include "ui/Application.h"
#include "ui/Cursors.h"
#include "ui/MessageBoxes.h"

namespace app {

int RunMuralix(int argc, char **argv) {
  // What the window opens: the arguments that are not options (main has checked them).
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  try {
    arguments = ParseCommandLine(arguments).arguments;
  } catch (const UsageError &) {
    arguments = arguments.mid(1);
  }
  platform::Application application(argc, argv);
  InitMuralixResources();
  // Qt's own dialogs (print, file) speak the program's language.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    application.installTranslator(&qtTexts);
  platform::RaiseImageMemoryLimit();
  application.setWindowIcon(QIcon(QStringLiteral(":/icons/muralix.svg")));
  // The busy pointer and the title every window and message box carries.
  platform::SetBusyCursor();
  platform::SetApplicationTitle(kApplicationTitle);
  // The splash for two seconds, window messages still processed meanwhile.
  auto splash = std::make_unique<TLogo>();
  splash->show();
  splash->repaint();
  splash->Sleeper->Delay();
  imaging::InitBinding();  // the scanner's application name, the binding's start values
  // The main window, then the windows that live as long as it; a poster named on the
  // command line opens only once they all exist.
  StartOptions options;
  options.arguments = arguments;
  TForm1 mainForm(options);
  mainForm.CreateFormatDialog();
  auto aboutBox = std::make_unique<dialogs::TAboutBox>(mainForm.Language, &mainForm);
  mainForm.SetAboutBox(aboutBox.get());
  mainForm.OpenCommandLinePoster();
  // The splash goes and the pointer is the normal one again.
  splash->hide();
  splash.reset();
  platform::SetNormalCursor();
  // The main window, then the message loop until it closes.
  mainForm.show();
  const int code = application.exec();
  imaging::ShutdownBinding();
  return code;
}

}  // namespace app
