#include "MessageBoxes.h"

#include <QGuiApplication>

#include "core/Errors.h"

namespace platform {

void SetApplicationTitle(const QString &title) {
  QGuiApplication::setApplicationDisplayName(title);
}

QString ApplicationTitle() {
  return QGuiApplication::applicationDisplayName();
}

void ErrorBox(const QString &text, QWidget *parent) {
  Dialogs().MessageBox(parent, {QStringLiteral("Erreur"), text, MessageIcon::Error, false});
}

MessageResult ConfirmBox(const QString &text, QWidget *parent) {
  return Dialogs().MessageBox(parent,
                              {QStringLiteral("Confirmation"), text, MessageIcon::Question, true});
}

void ShowStandardError(const QString &text, QWidget *parent) {
  Dialogs().MessageBox(parent, {ApplicationTitle(), WithFullStop(text), MessageIcon::Error, false});
}

}  // namespace platform
