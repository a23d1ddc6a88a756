#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TempDir {
 public:
  TempDir() : dir_(QStringLiteral("/tmp/muralix-test-XXXXXX")) {}
  QString Path() const { return dir_.path() + u'/'; }
  QString File(const QString &name) const { return Path() + name; }
  // Writes `bytes` to `name` in the folder and returns its full path.
  QString Write(const QString &name, const QByteArray &bytes) const;

 private:
  QTemporaryDir dir_;
};
