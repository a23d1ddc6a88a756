// libFuzzer target for the command-line parser: each input is an argument list, the
// arguments separated by NUL bytes, read after the program's name. Whatever the list, the
// parser answers or raises UsageError, never anything else.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

#include "CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  QStringList args{QStringLiteral("muralix")};
  const char *begin = reinterpret_cast<const char *>(data);
  const char *end = begin + size;
  for (const char *p = begin; p <= end && args.size() < 64; ++p)
    if (p == end || *p == '\0') {
      args << QString::fromLocal8Bit(begin, p - begin);
      begin = p + 1;
    }
  try {
    const app::CommandLine line = app::ParseCommandLine(args);
    if (line.request == app::CommandLine::Mode && line.options.poster.isEmpty()) __builtin_trap();
  } catch (const app::UsageError &) {
  }
  return 0;
}
