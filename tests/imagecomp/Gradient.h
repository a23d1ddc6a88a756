#pragma once
// A picture in which every pixel tells where it came from: red is x, green is y (both
// modulo 256), blue a constant, so a painted pixel names its source pixel exactly.
#include <QImage>

inline QImage Gradient(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, 77));
  return image;
}
