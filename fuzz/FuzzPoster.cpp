// libFuzzer target for the poster-file reader: each input is written to a file, as the
// reader takes a file name, and read as the open command reads a poster. A reader that
// raises one of the program's failures is doing its job; anything else is a defect.
#include <unistd.h>

#include <QFile>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PosterFile.h"
#include "core/Errors.h"

namespace {

const QString &InputPath() {
  static const QString path = [] {
    const char *dir = std::getenv("TMPDIR");
    return QString::fromLocal8Bit(dir != nullptr ? dir : "/tmp") +
           QStringLiteral("/mxfuzz-%1-poster.aff").arg(::getpid());
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  {
    QFile file(InputPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
  }
  try {
    const app::PosterFileContents c = app::ReadPosterFileContents(InputPath());
    // What the reader accepts names a file of the picture folder and nothing else.
    if (!app::IsPlainPictureName(c.imageFileName)) std::abort();
  } catch (const platform::Failure &) {
  }
  return 0;
}
