#include "Errors.h"

#include <cerrno>
#include <cstring>

namespace platform {

QString AccessDeniedText() {
  return QStringLiteral("Accès au fichier refusé");
}
QString DiskFullText() {
  return QStringLiteral("Disque plein");
}
QString CannotOpenText(const QString &path) {
  return QStringLiteral("Impossible d'ouvrir le fichier %1").arg(path);
}
QString CannotCreateText(const QString &path) {
  return QStringLiteral("Impossible de créer le fichier %1").arg(path);
}
QString WrongDataTypeText(const QString &name) {
  return QStringLiteral("Type de données incorrect pour '%1'").arg(name);
}

QString SystemErrorText(int code) {
  switch (code) {
    case EACCES:
    case EPERM:
    case EROFS:
      return AccessDeniedText();
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return DiskFullText();
    default:
      return QString::fromLocal8Bit(std::strerror(code));
  }
}

void RaiseInOutError(int code) {
  throw InOutError(SystemErrorText(code), code);
}

QString WithFullStop(const QString &text) {
  if (!text.isEmpty() && text.back() > QChar(u'.')) return text + u'.';
  return text;
}

QString TextOf(const std::exception &e) {
  if (auto *f = dynamic_cast<const Failure *>(&e)) return f->Text();
  return QString::fromLocal8Bit(e.what());
}

}  // namespace platform
