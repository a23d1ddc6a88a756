#include "DialogHost.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {
std::unique_ptr<DialogHost> &CurrentHost() {
  static std::unique_ptr<DialogHost> host;
  return host;
}
}  // namespace

DialogHost &Dialogs() {
  auto &host = CurrentHost();
  if (!host) host = std::make_unique<QtDialogHost>();
  return *host;
}

void SetDialogHost(std::unique_ptr<DialogHost> host) {
  CurrentHost() = std::move(host);
}

MessageResult QtDialogHost::MessageBox(QWidget *parent, const MessageBoxSpec &request) {
  QMessageBox box(parent);
  box.setWindowTitle(request.title);
  box.setText(request.text);
  switch (request.icon) {
    case MessageIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case MessageIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case MessageIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MessageIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
  }
  // The buttons' captions are the program's own, French whatever the language.
  if (request.yesNoCancel) {
    QPushButton *yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    for (QPushButton *b : {yes, no, cancel}) b->setAccessibleName(b->text().remove(u'&'));
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes) return MessageResult::Yes;
    if (box.clickedButton() == no) return MessageResult::No;
    return MessageResult::Cancel;
  }
  QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  ok->setAccessibleName(QStringLiteral("OK"));
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
  return MessageResult::Ok;
}

QString QtFilterFromWindowsFilter(const QString &filter) {
  const QStringList parts = filter.split(u'|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
    QStringList both;
    for (const QString &p : patterns) {
      both << p;
      if (p.toLower() != p) both << p.toLower();  // Linux names are case-sensitive
    }
    QString description = parts[i];
    const int paren = description.indexOf(u'(');
    if (paren > 0) description = description.left(paren).trimmed();
    entries << QStringLiteral("%1 (%2)").arg(description, both.join(u' '));
  }
  return entries.join(QStringLiteral(";;"));
}

QString QtDialogHost::FileDialog(QWidget *parent, const FileDialogSpec &request) {
  QFileDialog dialog(parent, request.title, request.initialDir,
                     QtFilterFromWindowsFilter(request.filter));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!request.defaultExt.isEmpty()) dialog.setDefaultSuffix(request.defaultExt);
  if (request.save && !request.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!request.fileName.isEmpty() && !request.fileName.contains(u'*'))
    dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
}

bool QtDialogHost::PrintDialog(QWidget *parent, PrintDialogSpec &request) {
  return ShowSystemPrintDialog(parent, request);
}

int QtDialogHost::ExecModal(QDialog &dialog) {
  return dialog.exec();
}

}  // namespace platform
