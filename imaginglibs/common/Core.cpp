#include "Core.h"

#include <atomic>
#include <cstdlib>

namespace mx {
namespace {

constexpr uint64_t kDefaultPixelLimit = uint64_t{1} << 28;

uint64_t DefaultLimit() {
  if (const char *env = std::getenv("MURALIX_MAX_PIXELS")) {
    char *end = nullptr;
    unsigned long long v = std::strtoull(env, &end, 10);
    if (end != env && v > 0) return v;
  }
  return kDefaultPixelLimit;
}

std::atomic<uint64_t> &Limit() {
  static std::atomic<uint64_t> limit{DefaultLimit()};
  return limit;
}

}  // namespace

uint64_t PixelLimit() {
  return Limit().load();
}

void SetPixelLimit(uint64_t pixels) {
  Limit().store(pixels == 0 ? DefaultLimit() : pixels);
}

void CheckDimensions(int64_t width, int64_t height, int bits) {
  if (width <= 0 || height <= 0) Fail(MX_ERR_CORRUPT);
  if (width > INT32_MAX || height > INT32_MAX) Fail(MX_ERR_TOO_LARGE);
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > PixelLimit())
    Fail(MX_ERR_TOO_LARGE);
  // biSizeImage is 32 bits wide.
  if (static_cast<uint64_t>(DibStride(width, bits < 1 ? 32 : bits)) *
          static_cast<uint64_t>(height) >
      UINT32_MAX - 2048)
    Fail(MX_ERR_TOO_LARGE);
}

}  // namespace mx
