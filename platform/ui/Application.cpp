#include "Application.h"

#include <QKeyEvent>
#include <QWidget>
#include <csignal>
#include <exception>

#include "HelpViewer.h"

#include "MessageBoxes.h"
#include "core/Errors.h"

namespace platform {

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {
  // Past the file-size limit a write must fail (EFBIG, "Disque plein") and the program go
  // on; by default the signal would end it with the unsaved poster.
  std::signal(SIGXFSZ, SIG_IGN);
}

void ShowCurrentException() {
  try {
    throw;
  } catch (const std::exception &e) {
    ShowStandardError(TextOf(e));
  } catch (...) {
    ShowStandardError(QStringLiteral("Erreur inconnue"));
  }
}

int HelpTopicOf(const QWidget *widget) {
  for (; widget; widget = widget->parentWidget()) {
    const int topic = widget->property("helpTopic").toInt();
    if (topic > 0) return topic;
  }
  return 0;
}

bool Application::notify(QObject *receiver, QEvent *event) {
  try {
    // F1 opens the help at the topic of the control under focus or of its nearest
    // parent that has one.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1 &&
        receiver->isWidgetType()) {
      QWidget *focus = QApplication::focusWidget();
      ShowHelpTopic(HelpTopicOf(focus ? focus : static_cast<QWidget *>(receiver)));
      return true;
    }
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowCurrentException();
    return false;
  }
}

void RunGuarded(const std::function<void()> &handler) {
  try {
    handler();
  } catch (...) {
    ShowCurrentException();
  }
}

}  // namespace platform
