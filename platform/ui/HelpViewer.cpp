#include "HelpViewer.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

#include "MessageBoxes.h"
#include "core/Errors.h"

namespace platform {

namespace {
// The help closes with Escape, as a dialog would.
class HelpWindow : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;

 protected:
  void keyPressEvent(QKeyEvent *event) override {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
      close();
      return;
    }
    QTextBrowser::keyPressEvent(event);
  }
};

QString helpFile;
QPointer<QTextBrowser> viewer;
}  // namespace

void SetHelpFile(const QString &path) {
  helpFile = path;
}
QString HelpFile() {
  return helpFile;
}

void ShowHelpTopic(int topic, QWidget *parent) {
  const QFileInfo info(helpFile);
  if (helpFile.isEmpty() || !info.isFile() || !info.isReadable()) {
    ErrorBox(CannotOpenText(helpFile), parent);
    return;
  }
  // Inside a modal dialog a window of its own would be blocked behind it: the help then
  // becomes a window of that dialog, above it and reachable.
  QWidget *modal = QApplication::activeModalWidget();
  if (viewer && viewer->parentWidget() != modal) delete viewer;
  if (!viewer) {
    viewer = new HelpWindow(modal);  // a window of its own, deleted when closed
    viewer->setWindowFlag(Qt::Window);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setOpenExternalLinks(false);
    viewer->setAccessibleName(QStringLiteral("Aide"));
    viewer->resize(640, 560);
  }
  viewer->setWindowTitle(ApplicationTitle() + QStringLiteral(" - Aide"));
  QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
  if (topic > 0) url.setFragment(QStringLiteral("topic%1").arg(topic));
  // The help file is HTML whatever its extension says.
  viewer->document()->setMetaInformation(QTextDocument::DocumentUrl, url.toString());
  viewer->setSource(url, QTextDocument::HtmlResource);
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

}  // namespace platform
