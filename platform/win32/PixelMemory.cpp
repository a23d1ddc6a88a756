#include "PixelMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <system_error>
#include <thread>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels refuse it and nothing is done
#endif

namespace win32 {

namespace {

constexpr size_t kLarge = size_t(8) << 20;

// Faults a fresh buffer's pages in on a thread of its own, from the first row on, while
// its writer (a decoder, most often) fills it from the first row on too. The kernel's
// zeroing of fresh pages costs as much as decoding into them on a virtual machine; on a
// second core it is done ahead of the writer instead of in its way. Faulting a page in
// never changes its bytes, so the two may meet on any page. At most two run at once: a
// third buffer is left to its writer.
class PageFaulter {
 public:
  PageFaulter(uint8_t *start, size_t bytes) {
    if (running_.fetch_add(1) >= 2) {
      running_.fetch_sub(1);
      return;
    }
    try {
      thread_ = std::thread([this, start, bytes] {
        constexpr size_t kStep = size_t(2) << 20;
        for (size_t done = 0; done < bytes && !stop_.load(std::memory_order_relaxed);) {
          const size_t step = std::min(kStep, bytes - done);
          if (madvise(start + done, step, MADV_POPULATE_WRITE) != 0) break;
          done += step;
        }
        running_.fetch_sub(1);
      });
    } catch (const std::system_error &) {
      running_.fetch_sub(1);  // no thread to be had: the writer faults its pages itself
    }
  }
  // Before the buffer goes back: the thread stops at the next step and is waited for.
  ~PageFaulter() {
    stop_.store(true, std::memory_order_relaxed);
    if (thread_.joinable()) thread_.join();
  }
  PageFaulter(const PageFaulter &) = delete;
  PageFaulter &operator=(const PageFaulter &) = delete;

 private:
  static inline std::atomic<int> running_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

std::shared_ptr<uint8_t> AllocatePixelMemory(size_t bytes) {
  if (bytes == 0) return nullptr;
  auto *data = static_cast<uint8_t *>(std::calloc(1, bytes));
  if (data == nullptr) return nullptr;
  const auto freed = [](uint8_t *p) { std::free(p); };
  if (bytes < kLarge) return std::shared_ptr<uint8_t>(data, freed);
  // Pictures of hundreds of megabytes are written page by page right after; huge pages
  // make that far cheaper where the kernel offers them on request.
  const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t start = (uintptr_t(data) + page - 1) & ~(page - 1);
  const uintptr_t end = (uintptr_t(data) + bytes) & ~(page - 1);
  if (end <= start) return std::shared_ptr<uint8_t>(data, freed);
  madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
  auto faulter = std::make_shared<PageFaulter>(reinterpret_cast<uint8_t *>(start), end - start);
  return std::shared_ptr<uint8_t>(data, [faulter](uint8_t *p) mutable {
    faulter.reset();
    std::free(p);
  });
}

QImage ImageOnMemory(std::shared_ptr<uint8_t> memory, uint8_t *first, int width, int height,
                     qsizetype bytesPerLine, QImage::Format format) {
  if (!memory || first == nullptr || width <= 0 || height <= 0) return {};
  // The image's last owner hands the memory back through this copy of the pointer.
  auto *keeper = new std::shared_ptr<uint8_t>(std::move(memory));
  QImage image(
      first, width, height, bytesPerLine, format,
      [](void *held) { delete static_cast<std::shared_ptr<uint8_t> *>(held); }, keeper);
  if (image.isNull()) delete keeper;  // Qt calls the clean-up only for an image it made
  return image;
}

QImage NewPixelImage(int width, int height, QImage::Format format) {
  const int depth = QImage::toPixelFormat(format).bitsPerPixel();
  if (width <= 0 || height <= 0 || depth <= 0) return {};
  // Rows padded to 4 bytes, as Qt pads the images it allocates itself.
  const int64_t rowBytes = (int64_t(width) * depth + 31) / 32 * 4;
  if (rowBytes > INT32_MAX || int64_t(height) > INT64_MAX / rowBytes) return {};
  const auto bytes = size_t(rowBytes * height);
  std::shared_ptr<uint8_t> memory = AllocatePixelMemory(bytes);
  if (!memory) return {};
  uint8_t *first = memory.get();
  return ImageOnMemory(std::move(memory), first, width, height, qsizetype(rowBytes), format);
}

}  // namespace win32
