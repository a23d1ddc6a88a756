#pragma once
// What every entry of the two imaging libraries shares: failures as codes, the guard that
// keeps every exception inside the library, progress with cancellation, and the largest
// picture accepted.
#include <cstdint>
#include <exception>
#include <new>

#include "crde2000.h"

namespace mx {

// A failure inside the library; the entry returns its code.
class Error {
 public:
  explicit Error(int16_t code) : code_(code) {}
  int16_t Code() const { return code_; }

 private:
  int16_t code_;
};

[[noreturn]] inline void Fail(int16_t code) {
  throw Error(code);
}

// Runs `body` (returning a success code) and turns whatever it throws into a failure code.
template <class Body>
int16_t Guard(Body &&body) noexcept {
  try {
    return body();
  } catch (const Error &e) {
    return e.Code();
  } catch (const std::bad_alloc &) {
    return MX_ERR_NO_MEMORY;
  } catch (...) {
    return MX_ERR_INTERNAL;
  }
}

// Reports per cent done through the caller's callback, only when the figure changes, and
// stops the work (MX_ERR_CANCELLED) when the callback answers 0.
class Progress {
 public:
  Progress(void *user, MxProgressFn callback) : user_(user), callback_(callback) {}
  void Report(int64_t done, int64_t total) {
    if (callback_ == nullptr || total <= 0) return;
    int percent = static_cast<int>(done * 100 / total);
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    if (percent == last_) return;
    last_ = percent;
    if (!Continue(percent)) Fail(MX_ERR_CANCELLED);
  }
  // For code that must not throw (between a codec's setjmp and its longjmp): false when
  // the caller asked to stop.
  bool ReportNoThrow(int64_t done, int64_t total) noexcept {
    try {
      Report(done, total);
      return true;
    } catch (...) {
      return false;
    }
  }
  void Done() { Report(1, 1); }

 private:
  bool Continue(int percent) { return callback_(static_cast<int16_t>(percent), user_) != 0; }
  void *user_;
  MxProgressFn callback_;
  int last_ = -1;
};

// Largest picture accepted, in pixels.
uint64_t PixelLimit();
void SetPixelLimit(uint64_t pixels);

// Refuses sizes that are not positive, larger than the limit, or whose rows at `bits` per
// pixel would not fit 32-bit DIB arithmetic; called on the header before any allocation.
void CheckDimensions(int64_t width, int64_t height, int bits = 24);

// Bytes of one DIB row: padded to 4 bytes.
inline int64_t DibStride(int64_t width, int bits) {
  return ((width * bits + 31) / 32) * 4;
}

}  // namespace mx
