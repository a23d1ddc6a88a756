#pragma once
// Memory for large pictures. Qt's image readers refuse anything over 128 MB by default;
// the program raises that limit on purpose to a share of the machine's memory and says
// clearly when a picture is beyond it, instead of failing with a null image.
#include <QImage>
#include <QString>
#include <cstdint>

namespace platform {

// Sets the readers' limit (once; later calls only return it). Half the physical memory,
// so a picture, its working copy and a sheet fit together.
int64_t RaiseImageMemoryLimit();
int64_t ImageMemoryLimitBytes();

// "Image trop grande ..." when an image of that size would not fit the limit.
void CheckImageFits(int64_t width, int64_t height, int bitsPerPixel, const QString &what);

// A new image, checked against the limit and against a failed allocation.
QImage NewImage(int width, int height, QImage::Format format, const QString &what);

}  // namespace platform
