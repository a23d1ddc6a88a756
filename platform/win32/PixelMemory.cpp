#include "PixelMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

namespace win32 {

std::shared_ptr<uint8_t> AllocatePixelMemory(size_t bytes) {
  if (bytes == 0) return nullptr;
  auto *data = static_cast<uint8_t *>(std::calloc(1, bytes));
  if (data == nullptr) return nullptr;
  // Pictures of hundreds of megabytes are written page by page right after; huge pages
  // make that far cheaper where the kernel offers them on request.
  constexpr size_t kLarge = size_t(8) << 20;
  if (bytes >= kLarge) {
    const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t start = (uintptr_t(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(data) + bytes) & ~(page - 1);
    if (end > start) madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
  }
  return std::shared_ptr<uint8_t>(data, [](uint8_t *p) { std::free(p); });
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
