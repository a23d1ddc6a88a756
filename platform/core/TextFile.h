#pragma once
// Text files with the line rules of the poster file: lines end with CR LF, lines are in
// the ANSI code page (see AnsiText.h), numbers are read the way formatted text input
// reads them. Writing is atomic: the lines go to a temporary file in the same folder,
// which is flushed to disk and renamed over the target only when complete.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

namespace platform {

// Reads a text file line by line, and numbers from its lines.
class TextFileReader {
 public:
  // Reads the whole file; raises InOutError with the system's text when it cannot. Only
  // regular files are read; one larger than `maxBytes` (when not negative) is refused.
  explicit TextFileReader(const QString &path, qint64 maxBytes = -1);

  bool AtEnd() const { return pos_ >= data_.size(); }
  // Reads the rest of the current line and moves to the next; "" at the end of the file.
  QString ReadLine();
  // Skips blanks and line ends, then reads a decimal integer that ends at the first
  // blank or control character; 0 at the end of the file. Text that is not a number (or
  // does not fit in 32 bits) raises ConvertError. The rest of the line is not consumed.
  int32_t ReadInteger();
  // Moves past the end of the current line.
  void SkipLine();

 private:
  QByteArray data_;
  qsizetype pos_ = 0;
};

// The file a path names once its symbolic links are followed (the path itself when it is
// no link); the target need not exist. Raises InOutError for a loop of links.
QString ThroughLinks(const QString &path);

// Writes a file atomically. Nothing at `path` changes until Commit() succeeds; the
// temporary file is removed if the writer is destroyed uncommitted. A symbolic link is
// written through: its target is replaced and the link stays. An existing file that may
// not be written is refused with "Accès au fichier refusé". A device or a pipe is written
// in place.
class AtomicFileWriter {
 public:
  // Creates the temporary file; raises InOutError when the folder refuses it.
  explicit AtomicFileWriter(const QString &path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter &) = delete;
  AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

  void Write(const char *data, size_t size);  // raises InOutError on failure
  void Write(const QByteArray &bytes) { Write(bytes.constData(), size_t(bytes.size())); }
  void WriteLine(const QString &line);  // ANSI line + CR LF
  void Commit();                        // flush, sync, rename over the target
  // The temporary file, for a writer that fills it by name (it is replaced whole, on
  // the same file, by Commit()).
  QString TemporaryPath() const { return inPlace_ ? path_ : QFile::decodeName(tempName_); }
  // The file Commit() replaces (the target of a link).
  const QString &TargetPath() const { return path_; }

 private:
  QString path_;
  QByteArray tempName_;
  int fd_ = -1;
  bool committed_ = false;
  bool inPlace_ = false;  // a device or pipe, written directly
};

}  // namespace platform
