#include "FileCopy.h"

#include <QFile>
#include <QFileInfo>

#include "Errors.h"
#include "Paths.h"
#include "TextFile.h"

namespace platform {

void CopyFileAtomic(const QString &source, const QString &target) {
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) throw InOutError(CannotOpenText(source), ENOENT);
  std::unique_ptr<AtomicFileWriter> out;
  try {
    out = std::make_unique<AtomicFileWriter>(target);
  } catch (const InOutError &e) {
    throw InOutError(CannotCreateText(target), e.Code());
  }
  constexpr qint64 kChunk = 8192;
  char buffer[kChunk];
  for (;;) {
    const qint64 n = in.read(buffer, kChunk);
    if (n < 0) throw InOutError(CannotOpenText(source), EIO);
    out->Write(buffer, size_t(n));
    if (n < kChunk) break;
  }
  out->Commit();
}

bool SameFileContents(const QString &a, const QString &b) {
  QFile fa(a), fb(b);
  if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) return false;
  if (fa.size() != fb.size()) return false;
  constexpr qint64 kChunk = 65536;
  while (!fa.atEnd()) {
    if (fa.read(kChunk) != fb.read(kChunk)) return false;
  }
  return true;
}

QString FreeNameFor(const QString &source, const QString &folder, const QString &name) {
  QString dir = folder;
  if (!dir.endsWith(u'/')) dir += u'/';
  const QString ext = ExtractFileExt(name);
  const QString stem = name.left(name.size() - ext.size());
  for (int n = 1;; ++n) {
    const QString candidate = n == 1 ? name : QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(ext);
    const QString path = dir + candidate;
    if (!QFileInfo::exists(path) || SameFileContents(source, path)) return candidate;
  }
}

}  // namespace platform
