#include "TempDir.h"

#include <QFile>

QString TempDir::Write(const QString &name, const QByteArray &bytes) const {
  QFile file(File(name));
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  return File(name);
}
