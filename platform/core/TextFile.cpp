#include "TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

#include "AnsiText.h"
#include "Errors.h"

namespace platform {

namespace {
bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}
bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}
}  // namespace

TextFileReader::TextFileReader(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    const int code = errno ? errno : ENOENT;
    throw InOutError(code == ENOENT ? CannotOpenText(path) : SystemErrorText(code), code);
  }
  data_ = file.readAll();
  if (file.error() != QFileDevice::NoError) throw InOutError(file.errorString(), EIO);
}

QString TextFileReader::ReadLine() {
  const qsizetype start = pos_;
  while (pos_ < data_.size() && !IsLineEnd(data_[pos_])) ++pos_;
  QString line = DecodeAnsiLine(data_.mid(start, pos_ - start));
  SkipLine();
  return line;
}

void TextFileReader::SkipLine() {
  while (pos_ < data_.size() && !IsLineEnd(data_[pos_])) ++pos_;
  if (pos_ < data_.size() && data_[pos_] == '\r') ++pos_;
  if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
}

int32_t TextFileReader::ReadInteger() {
  while (pos_ < data_.size() && IsBlankOrControl(data_[pos_])) ++pos_;
  if (AtEnd()) return 0;
  const qsizetype start = pos_;
  while (pos_ < data_.size() && !IsBlankOrControl(data_[pos_])) ++pos_;
  const QByteArray token = data_.mid(start, pos_ - start);
  bool ok = false;
  const qlonglong value = token.toLongLong(&ok, 10);
  if (!ok || value < INT32_MIN || value > INT32_MAX)
    throw ConvertError(
        QStringLiteral("'%1' n'est pas un nombre valide").arg(DecodeAnsiLine(token)));
  return static_cast<int32_t>(value);
}

AtomicFileWriter::AtomicFileWriter(const QString &path) : path_(path) {
  const QByteArray target = QFile::encodeName(path);
  // A new file gets the usual permissions; a replaced one keeps its own.
  mode_t mode = 0666;
  struct stat st {};
  if (::stat(target.constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw InOutError(AccessDeniedText(), EISDIR);
    mode = st.st_mode & 07777;
  }
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    tempName_ = target + ".tmp" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
    fd_ = ::open(tempName_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) RaiseInOutError(errno);
  if (mode != 0666) ::fchmod(fd_, mode);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(tempName_.constData());
}

void AtomicFileWriter::Write(const char *data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseInOutError(errno);
    }
    data += n;
    size -= size_t(n);
  }
}

void AtomicFileWriter::WriteLine(const QString &line) {
  Write(EncodeAnsiLine(line) + "\r\n");
}

void AtomicFileWriter::Commit() {
  if (::fsync(fd_) != 0 && errno != EINVAL) RaiseInOutError(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) RaiseInOutError(errno);
  if (::rename(tempName_.constData(), QFile::encodeName(path_).constData()) != 0)
    RaiseInOutError(errno);
  committed_ = true;
}

}  // namespace platform
