// A loaded library's string table, for the LoadString tests.
#include <algorithm>
#include <cstring>

#include "win32/WinApi.h"

extern "C" MX_PLATFORM_API int MxLoadString(uint32_t id, char *buffer, int size) {
  const char *text = id == 7 ? "Déjà vu" : id == 65535 ? "Last string" : nullptr;
  if (size <= 0) return 0;
  buffer[0] = 0;
  if (text == nullptr) return 0;
  const int length = std::min(int(std::strlen(text)), size - 1);
  std::memcpy(buffer, text, size_t(length));
  buffer[length] = 0;
  return length;
}
