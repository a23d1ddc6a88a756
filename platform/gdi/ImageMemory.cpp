#include "ImageMemory.h"

#include <unistd.h>
#include <QImageReader>
#include <algorithm>

#include "core/Errors.h"
#include "win32/PixelMemory.h"

namespace platform {

namespace {
int64_t &Limit() {
  static int64_t limit = 0;
  return limit;
}
}  // namespace

int64_t RaiseImageMemoryLimit() {
  int64_t &limit = Limit();
  if (limit == 0) {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    const int64_t physical =
        pages > 0 && pageSize > 0 ? int64_t(pages) * pageSize : (int64_t(1) << 31);
    // Qt counts the limit in whole megabytes in an int.
    limit = std::clamp<int64_t>(physical / 2, int64_t(256) << 20, int64_t(1) << 40);
    QImageReader::setAllocationLimit(int(std::min<int64_t>(limit >> 20, 1 << 30)));
  }
  return limit;
}

int64_t ImageMemoryLimitBytes() {
  return RaiseImageMemoryLimit();
}

void CheckImageFits(int64_t width, int64_t height, int bitsPerPixel, const QString &what) {
  const int64_t limit = RaiseImageMemoryLimit();
  if (width < 0 || height < 0)
    throw Failure(QStringLiteral("Taille d'image incorrecte : %1").arg(what));
  const int64_t bytes = (width * std::max(bitsPerPixel, 1) + 7) / 8 * height;
  if (width > 0x7fffffff / 4 || height > 0x7fffffff / 4 || bytes > limit)
    throw Failure(
        QStringLiteral("Image trop grande : %1 (%2 x %3 pixels, %4 Mo ; la limite est de %5 Mo)")
            .arg(what)
            .arg(width)
            .arg(height)
            .arg(bytes >> 20)
            .arg(limit >> 20));
}

QImage NewImage(int width, int height, QImage::Format format, const QString &what) {
  CheckImageFits(width, height, QImage::toPixelFormat(format).bitsPerPixel(), what);
  // Memory of the platform's pixel allocator: a working picture of hundreds of megabytes is
  // filled right after, page by page.
  QImage image = width > 0 && height > 0 ? win32::NewPixelImage(width, height, format) : QImage();
  if (width > 0 && height > 0 && image.isNull())
    throw Failure(QStringLiteral("Mémoire insuffisante pour %1 (%2 x %3 pixels)")
                      .arg(what)
                      .arg(width)
                      .arg(height));
  return image;
}

}  // namespace platform
