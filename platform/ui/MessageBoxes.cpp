#include "MessageBoxes.h"

#include "core/Errors.h"

namespace platform {

namespace {
// Kept apart from Qt's display name, which Qt would append to every window caption.
QString &Title() {
  static QString title;
  return title;
}
// A NUL would end the text wherever it meets C strings: it is shown as its symbol.
QString VisibleText(const QString &text) {
  QString shown = text;
  return shown.replace(QChar(0), QChar(0x2400));
}
}  // namespace

void SetApplicationTitle(const QString &title) {
  Title() = title;
}

QString ApplicationTitle() {
  return Title();
}

void ErrorBox(const QString &text, QWidget *parent) {
  Dialogs().MessageBox(parent,
                       {QStringLiteral("Erreur"), VisibleText(text), MessageIcon::Error, false});
}

MessageResult ConfirmBox(const QString &text, QWidget *parent) {
  return Dialogs().MessageBox(
      parent, {QStringLiteral("Confirmation"), VisibleText(text), MessageIcon::Question, true});
}

void InformationBox(const QString &text, QWidget *parent) {
  Dialogs().MessageBox(parent,
                       {ApplicationTitle(), VisibleText(text), MessageIcon::Information, false});
}

void ShowStandardError(const QString &text, QWidget *parent) {
  Dialogs().MessageBox(parent, {ApplicationTitle(), WithFullStop(text), MessageIcon::Error, false});
}

}  // namespace platform
