// Times the main window's sheet preview of a large picture against one smooth scaling
// of the same picture to the working picture's size, and the format dialog's redraw
// without the picture. Prints Markdown rows.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "PosterWindow.h"
#include "SheetLayout.h"
#include "core/Numbers.h"
#include "gdi/ImageMemory.h"
#include "gdi/Picture.h"
#include "print/Printer.h"
#include "ui/DialogHost.h"

namespace {

template <class F>
double BestMs(int runs, F &&f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer t;
    t.start();
    f();
    best = std::min(best, t.nsecsElapsed() / 1e6);
  }
  return best;
}

}  // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int megapixels = argc > 1 ? std::atoi(argv[1]) : 100;
  platform::RaiseImageMemoryLimit();

  // A portrait picture of about `megapixels`, with the worked example's proportions.
  const int width = int(std::sqrt(megapixels * 1e6 * 1890.0 / 2646.0));
  const int height = int(megapixels * 1e6 / width);
  QImage big(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto *row = reinterpret_cast<QRgb *>(big.scanLine(y));
    for (int x = 0; x < width; ++x) row[x] = qRgb(x & 255, y & 255, (x ^ y) & 255);
  }
  layout::PosterWithoutWindow host;
  host.document.PosterWidth = 1890;
  host.document.PosterHeight = 2646;
  host.document.KeepRatio = false;
  host.picture.AssignBitmap(big);
  big = QImage();

  platform::PrinterPageMetrics a4{4800, 6600, 4960, 7016, 80, 80, 600, 600};
  platform::ThePrinter().SetBackend(std::make_unique<platform::RasterPrinter>(a4));

  QImage square(284, 284, QImage::Format_RGB32);
  // The working picture of a 3 x 3 grid on this page is 158 x 222 preview pixels. The
  // two are timed in turns, best of each, so neither pays alone for a cold cache.
  auto scale = [&] {
    volatile int keep = host.picture.Bitmap()
                            .scaled(158, 222, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .width();
    (void)keep;
  };
  auto draw = [&] {
    layout::DrawSheetLayout(square, host.document.PosterWidth, host.document.PosterHeight, true,
                            nullptr, host);
  };
  double smooth = 1e300, with = 1e300;
  for (int round = 0; round < 3; ++round) {
    smooth = std::min(smooth, BestMs(1, scale));
    with = std::min(with, BestMs(1, draw));
  }
  const int loops = 1000;
  const double without =
      BestMs(1,
             [&] {
               for (int i = 0; i < loops; ++i)
                 layout::DrawSheetLayout(square, host.document.PosterWidth,
                                         host.document.PosterHeight, false, nullptr, host);
             }) /
      loops;

  std::printf("| picture | %d x %d (%.1f MP) |\n", width, height, width * double(height) / 1e6);
  std::printf("| one smooth QImage scale to 158 x 222 | %.1f ms |\n", smooth);
  std::printf("| DrawSheetLayout with the picture, 284 x 284 | %.1f ms (%.2f x the scale) |\n",
              with, with / smooth);
  std::printf("| DrawSheetLayout without the picture | %.3f ms |\n", without);
  return 0;
}
