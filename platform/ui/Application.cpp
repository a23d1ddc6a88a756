#include "Application.h"

#include <exception>

#include "MessageBoxes.h"
#include "core/Errors.h"

namespace platform {

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

void ShowCurrentException() {
  try {
    throw;
  } catch (const std::exception &e) {
    ShowStandardError(TextOf(e));
  } catch (...) {
    ShowStandardError(QStringLiteral("Erreur inconnue"));
  }
}

bool Application::notify(QObject *receiver, QEvent *event) {
  try {
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
