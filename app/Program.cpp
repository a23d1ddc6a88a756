#include "Program.h"

#include <memory>

#include "AboutBox.h"
#include "LanguageTexts.h"
#include "MainWindow.h"
#include "Resources.h"
#include "Splash.h"
#include "ui/Application.h"
#include "ui/Cursors.h"
#include "ui/MessageBoxes.h"

namespace app {

int RunMuralix(int argc, char **argv) {
  platform::Application application(argc, argv);
  InitMuralixResources();
  application.setWindowIcon(QIcon(QStringLiteral(":/icons/muralix.svg")));
  // 1. 2.
  platform::SetBusyCursor();
  platform::SetApplicationTitle(kApplicationTitle);
  // 3. 4.
  auto splash = std::make_unique<TLogo>();
  splash->show();
  splash->repaint();
  splash->Sleeper->Delay();
  // 5.
  StartOptions options;
  options.arguments = QCoreApplication::arguments().mid(1);
  TForm1 mainForm(options);
  auto aboutBox = std::make_unique<dialogs::TAboutBox>(mainForm.Language, &mainForm);
  mainForm.SetAboutBox(aboutBox.get());
  mainForm.OpenCommandLinePoster();
  // 6. 7.
  splash->hide();
  splash.reset();
  platform::SetNormalCursor();
  // 8.
  mainForm.show();
  return application.exec();
}

}  // namespace app
