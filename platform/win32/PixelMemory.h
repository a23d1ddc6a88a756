#pragma once
// Where the platform's large pixel buffers come from: global blocks, DIB sections, device
// bitmaps and the images of pictures all take their memory here, so a picture of hundreds
// of megabytes is allocated one way, with the huge-page advice, wherever it lives.
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace win32 {

// `bytes` zero-filled bytes, freed when the last owner lets go; null when they cannot be
// had. Buffers of 8 MiB and more are advised to the kernel for huge pages, and their pages
// are faulted in on a second thread while the caller begins to write them.
std::shared_ptr<uint8_t> AllocatePixelMemory(size_t bytes);

// An image of the rows that lie at `first` inside `memory`, without a copy. The image and
// every copy Qt makes of it keep the memory alive. Writing through the image writes the
// memory as long as no other image shares it (Qt copies on write once one does).
QImage ImageOnMemory(std::shared_ptr<uint8_t> memory, uint8_t *first, int width, int height,
                     qsizetype bytesPerLine, QImage::Format format);

// A new image of that size and format on memory of AllocatePixelMemory (zero bytes); null
// when the size is not sound or the memory cannot be had.
QImage NewPixelImage(int width, int height, QImage::Format format);

}  // namespace win32
