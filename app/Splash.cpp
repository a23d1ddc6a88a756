#include "Splash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include "LanguageTexts.h"
#include "ui/MessageBoxes.h"

namespace app {

TLogo::TLogo(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
  setFixedSize(360, 300);
  QFont font(QStringLiteral("Sans Serif"));
  font.setPixelSize(11);
  font.setBold(true);
  setFont(font);
  Image1 = new QLabel(this);
  Image1->setGeometry(0, 0, 360, 300);
  Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  Image1->setPixmap(QPixmap(QStringLiteral(":/splash/splash.png")));
  Sleeper = new TSleeper(this);
  Sleeper->SetInterval(2000);
  FormCreate();
  if (QScreen *screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

void TLogo::FormCreate() {
  setWindowTitle(platform::ApplicationTitle() + kSplashSuffix);
  Image1->setAccessibleName(windowTitle());
}

}  // namespace app
