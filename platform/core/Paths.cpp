#include "Paths.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "Errors.h"

namespace platform {

namespace {
QString programFileOverride;
QString programDataFolderOverride;

QString WithSeparator(QString folder) {
  if (!folder.endsWith(u'/')) folder += u'/';
  return folder;
}

QString CannotCreateFolderText(const QString &path) {
  return QStringLiteral("Impossible de créer le dossier %1").arg(path);
}
QString CannotWriteFolderText(const QString &path) {
  return QStringLiteral("Impossible d'écrire dans le dossier %1").arg(path);
}
}  // namespace

void SetProgramFileOverride(const QString &path) {
  programFileOverride = path;
}

QString ProgramFile() {
  if (!programFileOverride.isEmpty()) return programFileOverride;
  const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  if (!self.isEmpty()) return self;
  return QCoreApplication::applicationFilePath();
}

QString ProgramFolder() {
  QString folder = QFileInfo(ProgramFile()).absolutePath();
  if (!folder.endsWith(u'/')) folder += u'/';
  return folder;
}

QString ConfigFolder() {
  QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (folder.isEmpty()) folder = QDir::homePath() + QStringLiteral("/.config");
  if (!folder.endsWith(u'/')) folder += u'/';
  return folder;
}

QString DataFolder() {
  // Only an absolute path counts, as the base directory rules say; a relative one is ignored.
  const QString folder = qEnvironmentVariable("XDG_DATA_HOME");
  if (QDir::isAbsolutePath(folder)) return WithSeparator(folder);
  return WithSeparator(QDir::homePath() + QStringLiteral("/.local/share"));
}

QString ProgramDataFolder() {
  if (!programDataFolderOverride.isEmpty()) return programDataFolderOverride;
  return DataFolder() + ChangeFileExt(ExtractFileName(ProgramFile()), QString()) + u'/';
}

void SetProgramDataFolderOverride(const QString &folder) {
  programDataFolderOverride = folder.isEmpty() ? QString() : WithSeparator(folder);
}

QString FindProgramDataFile(const QString &relative) {
  const QString data = ProgramDataFolder() + relative;
  if (FileExists(data)) return data;
  const QString beside = ProgramFolder() + relative;
  if (FileExists(beside)) return beside;
  return data;
}

QString ChangeFileExt(const QString &path, const QString &ext) {
  const int slash = path.lastIndexOf(u'/');
  const int dot = path.lastIndexOf(u'.');
  if (dot > slash) return path.left(dot) + ext;
  return path + ext;
}

QString ExtractFileName(const QString &path) {
  return path.mid(path.lastIndexOf(u'/') + 1);
}

QString ExtractFileExt(const QString &path) {
  const int slash = path.lastIndexOf(u'/');
  const int dot = path.lastIndexOf(u'.');
  return dot > slash ? path.mid(dot) : QString();
}

QString ExpandFileName(const QString &path) {
  if (path.isEmpty()) return path;
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool FileExists(const QString &path) {
  const QFileInfo info(path);
  return !path.isEmpty() && info.exists() && !info.isDir();
}

bool AnyEntryIn(const QString &folder) {
  return QFileInfo(folder).isDir();
}

void SetCurrentDir(const QString &folder) {
  QDir::setCurrent(folder);
}

void CreateDir(const QString &folder) {
  const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  const QString parent = QFileInfo(clean).path();
  if (parent != clean && !QFileInfo(parent).exists()) {
    CreateDir(parent);
    ::chmod(QFile::encodeName(parent).constData(), 0700);
  }
  const QByteArray name = QFile::encodeName(clean);
  if (::mkdir(name.constData(), 0777) != 0 && errno != EEXIST) RaiseInOutError(errno);
}

void PrepareWritableFolder(const QString &folder) {
  try {
    CreateDir(folder);
  } catch (const InOutError &e) {
    throw InOutError(CannotCreateFolderText(folder) + QStringLiteral(" : ") + e.Text(), e.Code());
  }
  const QByteArray name = QFile::encodeName(folder);
  struct stat st {};
  if (const bool found = ::stat(name.constData(), &st) == 0; !found || !S_ISDIR(st.st_mode)) {
    const int code = found ? ENOTDIR : errno;
    throw InOutError(CannotCreateFolderText(folder) + QStringLiteral(" : ") + SystemErrorText(code),
                     code);
  }
  if (::access(name.constData(), W_OK | X_OK) != 0) {
    const int code = errno;
    throw InOutError(CannotWriteFolderText(folder) + QStringLiteral(" : ") + SystemErrorText(code),
                     code);
  }
}

}  // namespace platform
