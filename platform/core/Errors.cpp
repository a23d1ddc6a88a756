#include "Errors.h"

#include <cerrno>

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

namespace {
// Every errno a file operation (open, read, write, close, fsync, rename, stat, link,
// directory calls) may return, in French: the system's own texts follow the locale,
// which is not the program's language. A table rather than a switch, since some codes
// share a value on some systems (EAGAIN and EWOULDBLOCK, ENOTSUP and EOPNOTSUPP).
struct ErrnoText {
  int code;
  const char *text;
};
const ErrnoText kErrnoTexts[] = {
    {EACCES, "Accès au fichier refusé"},
    {EPERM, "Accès au fichier refusé"},
    {EROFS, "Accès au fichier refusé"},
    {EISDIR, "Accès au fichier refusé"},
    {ETXTBSY, "Accès au fichier refusé"},
    {ENOSPC, "Disque plein"},
    {EDQUOT, "Disque plein"},
    {EFBIG, "Disque plein"},
    {ENOENT, "Fichier introuvable"},
    {ENOTDIR, "Chemin d'accès non valide"},
    {ENAMETOOLONG, "Nom de fichier trop long"},
    {ELOOP, "Trop de liens symboliques dans le chemin d'accès"},
    {EMFILE, "Trop de fichiers ouverts"},
    {ENFILE, "Trop de fichiers ouverts dans le système"},
    {EEXIST, "Le fichier existe déjà"},
    {EBUSY, "Fichier ou périphérique occupé"},
    {EIO, "Erreur d'entrée/sortie"},
    {ENXIO, "Périphérique introuvable"},
    {ENODEV, "Périphérique introuvable"},
    {ENOMEDIUM, "Aucun support dans le lecteur"},
    {EINVAL, "Opération impossible sur ce fichier"},
    {EBADF, "Fichier non ouvert"},
    {ENOMEM, "Mémoire insuffisante"},
    {EFAULT, "Adresse incorrecte"},
    {EAGAIN, "Ressource temporairement indisponible"},
    {EWOULDBLOCK, "Ressource temporairement indisponible"},
    {EINTR, "Opération interrompue"},
    {EXDEV, "Déplacement impossible d'un disque à un autre"},
    {ENOTEMPTY, "Dossier non vide"},
    {EMLINK, "Trop de liens vers le fichier"},
    {ESPIPE, "Déplacement impossible dans ce fichier"},
    {EPIPE, "Écriture dans un tube fermé"},
    {ESTALE, "Fichier distant périmé"},
    {EOVERFLOW, "Fichier trop grand"},
    {ENOTSUP, "Opération non prise en charge"},
    {EOPNOTSUPP, "Opération non prise en charge"},
    {ENOSYS, "Fonction non prise en charge"},
    {ENOLCK, "Aucun verrou disponible"},
    {ETIMEDOUT, "Délai d'attente dépassé"},
    {EDEADLK, "Blocage mutuel évité"},
    {ENOTTY, "Opération inadaptée à ce fichier"},
    {EILSEQ, "Nom de fichier incorrect"},
    {ENODATA, "Aucune donnée disponible"},
    {EUCLEAN, "Système de fichiers à réparer"},
    {EREMOTEIO, "Erreur d'entrée/sortie distante"},
    {ENOLINK, "Lien rompu"},
    {ECANCELED, "Opération annulée"},
    {ENOBUFS, "Mémoire insuffisante"},
    {ENOTCONN, "Connexion perdue"},
    {ECONNRESET, "Connexion perdue"},
    {EHOSTDOWN, "Serveur hors service"},
    {EHOSTUNREACH, "Serveur inaccessible"},
    {ENETDOWN, "Réseau hors service"},
    {ENETUNREACH, "Réseau inaccessible"},
    {ECONNREFUSED, "Connexion refusée"},
    {ECONNABORTED, "Connexion abandonnée"},
    {EKEYEXPIRED, "Clé de chiffrement expirée"},
    {ENOKEY, "Clé de chiffrement absente"},
    {EKEYREVOKED, "Clé de chiffrement révoquée"},
    {EKEYREJECTED, "Clé de chiffrement refusée"},
    {ENOEXEC, "Format de fichier exécutable incorrect"},
    {E2BIG, "Liste d'arguments trop longue"},
    {ESRCH, "Processus introuvable"},
    {ECHILD, "Aucun processus enfant"},
    {ERANGE, "Résultat hors limites"},
    {EDOM, "Argument hors limites"},
    {EBADMSG, "Message incorrect"},
    {EPROTO, "Erreur de protocole"},
};
}  // namespace

QString SystemErrorText(int code) {
  for (const ErrnoText &entry : kErrnoTexts)
    if (entry.code == code) return QString::fromUtf8(entry.text);
  return QStringLiteral("Erreur d'entrée/sortie %1").arg(code);
}

void RaiseInOutError(int code) {
  throw InOutError(SystemErrorText(code), code);
}

QString WithFullStop(const QString &text) {
  QString shown = text;
  shown.replace(QChar(0), QChar(0x2400));
  if (!shown.isEmpty() && shown.back() > QChar(u'.')) return shown + u'.';
  return shown;
}

QString TextOf(const std::exception &e) {
  if (auto *f = dynamic_cast<const Failure *>(&e)) return f->Text();
  return QString::fromLocal8Bit(e.what());
}

}  // namespace platform
