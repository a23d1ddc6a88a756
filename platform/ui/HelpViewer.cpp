#include "HelpViewer.h"

#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

#include "MessageBoxes.h"
#include "core/Errors.h"

namespace platform {

namespace {
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
  if (!viewer) {
    viewer = new QTextBrowser;  // a top-level window of its own, deleted when closed
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
