#include "CheckedOutput.h"

#include <sys/stat.h>
#include <QFile>
#include <cerrno>

#include "Errors.h"
#include "TextFile.h"

namespace platform {

namespace {
constexpr qsizetype kBufferBytes = 65536;  // Qt's engines write in small pieces
}

CheckedOutputFile::CheckedOutputFile(const QString &path) : path_(path) {
  try {
    writer_ = std::make_unique<AtomicFileWriter>(path);
  } catch (const InOutError &e) {
    Raise(e.Code());
  }
  open(QIODevice::WriteOnly);
}

CheckedOutputFile::~CheckedOutputFile() = default;

qint64 CheckedOutputFile::writeData(const char *data, qint64 size) {
  if (firstError_ != 0) return -1;
  pending_.append(data, size);
  if (pending_.size() >= kBufferBytes) Flush();
  return firstError_ != 0 ? -1 : size;
}

void CheckedOutputFile::Flush() {
  if (firstError_ != 0 || pending_.isEmpty()) return;
  try {
    writer_->Write(pending_);
  } catch (const InOutError &e) {
    firstError_ = e.Code();
  }
  pending_.clear();
}

void CheckedOutputFile::Commit() {
  Flush();
  close();
  if (firstError_ != 0) Raise(firstError_);
  try {
    writer_->Commit();
  } catch (const InOutError &e) {
    Raise(e.Code());
  }
}

void CheckedOutputFile::Raise(int code) const {
  throw InOutError(CannotCreateText(path_) + QStringLiteral(" : ") + SystemErrorText(code), code);
}

bool SameFile(const QString &a, const QString &b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
         ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool IsPlainFile(const QString &path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace platform
