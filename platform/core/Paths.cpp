#include "Paths.h"

#include <sys/stat.h>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "Errors.h"

namespace platform {

namespace {
QString programFileOverride;
}

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
  const QByteArray name = QFile::encodeName(folder);
  if (::mkdir(name.constData(), 0777) != 0 && errno != EEXIST) RaiseInOutError(errno);
}

}  // namespace platform
