#include "TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>

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
QString FileTooLargeText(const QString &path) {
  return QStringLiteral("Le fichier %1 est trop grand").arg(path);
}
}  // namespace

TextFileReader::TextFileReader(const QString &path, qint64 maxBytes) {
  // Opened without blocking and checked before reading: a FIFO would wait for a writer
  // for good, and a device such as /dev/zero never ends.
  const int fd =
      ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int code = errno;
    throw InOutError(code == ENOENT ? CannotOpenText(path) : SystemErrorText(code), code);
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) RaiseInOutError(errno);
  if (!S_ISREG(st.st_mode)) throw InOutError(CannotOpenText(path), EINVAL);
  if (maxBytes >= 0 && st.st_size > maxBytes) throw InOutError(FileTooLargeText(path), EFBIG);
  // Read to the end rather than to the size seen, which may change; still never more
  // than the limit allows.
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseInOutError(errno);
    }
    if (n == 0) break;
    data_.append(buffer, n);
    if (maxBytes >= 0 && data_.size() > maxBytes) throw InOutError(FileTooLargeText(path), EFBIG);
  }
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

QString ThroughLinks(const QString &path) {
  // At most as many links as the system itself follows in one path.
  QString current = path;
  for (int hops = 0; hops < 40; ++hops) {
    const QFileInfo info(current);
    if (!info.isSymLink()) return current;
    const QByteArray name = QFile::encodeName(current);
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t n = ::readlink(name.constData(), target.data(), size_t(target.size()));
    if (n < 0) RaiseInOutError(errno);
    target.truncate(n);
    const QString next = QFile::decodeName(target);
    current = QDir::isAbsolutePath(next) ? next : info.dir().filePath(next);
  }
  RaiseInOutError(ELOOP);
}

AtomicFileWriter::AtomicFileWriter(const QString &path) : path_(ThroughLinks(path)) {
  const QByteArray target = QFile::encodeName(path_);
  // A new file gets the usual permissions; a replaced one keeps its own. A file nobody
  // may write is not replaced: the rename would ignore its mode (and root's access
  // check would pass), so its write bits are looked at too.
  mode_t mode = 0666;
  struct stat st {};
  if (::stat(target.constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw InOutError(AccessDeniedText(), EISDIR);
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe cannot be replaced (nor should be): written in place, each
      // write still checked. Not blocking on a pipe nobody reads.
      fd_ = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
      if (fd_ < 0) RaiseInOutError(errno);
      ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
      inPlace_ = true;
      return;
    }
    if ((st.st_mode & 0222) == 0 || ::access(target.constData(), W_OK) != 0)
      throw InOutError(AccessDeniedText(), EACCES);
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
  if (!committed_ && !inPlace_) ::unlink(tempName_.constData());
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
  committed_ = inPlace_;
  if (inPlace_) return;
  if (::rename(tempName_.constData(), QFile::encodeName(path_).constData()) != 0)
    RaiseInOutError(errno);
  committed_ = true;
}

}  // namespace platform
