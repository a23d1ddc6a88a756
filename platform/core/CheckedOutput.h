#pragma once
// Output files written by code that does not report its write errors (Qt's PDF engine,
// image writers): the bytes go through a device that checks every write into a
// temporary file beside the target, and the file is renamed into place only when every
// write, the flush to disk and the close succeeded.
#include <QIODevice>
#include <QString>
#include <memory>

namespace platform {

class AtomicFileWriter;

// The checking device: its first failed write is kept and reported by Commit().
class CheckedOutputFile : public QIODevice {
  Q_OBJECT
 public:
  // Creates the temporary file and opens the device for writing; raises InOutError
  // "Impossible de créer le fichier <path> : <reason>" when the folder refuses it.
  explicit CheckedOutputFile(const QString &path);
  ~CheckedOutputFile() override;  // an uncommitted file leaves nothing behind

  // Puts the file in place; raises InOutError "Impossible de créer le fichier <path> :
  // <reason>" for the first write that failed, or for the flush, close or rename.
  void Commit();
  // The errno of the first write that failed, 0 while none did.
  int FirstError() const { return firstError_; }

 protected:
  qint64 readData(char *, qint64) override { return -1; }
  qint64 writeData(const char *data, qint64 size) override;

 private:
  void Flush();
  [[noreturn]] void Raise(int code) const;

  QString path_;
  std::unique_ptr<AtomicFileWriter> writer_;
  QByteArray pending_;
  int firstError_ = 0;
};

// True when both paths name the same existing file (links followed).
bool SameFile(const QString &a, const QString &b);

// True when `path` itself is a regular file: not a link, folder, device or pipe.
bool IsPlainFile(const QString &path);

}  // namespace platform
