#include "FakeHost.h"

#include "ui/MessageBoxes.h"

void FakeHost::WithSidePanel(int width, int height) {
  panel = std::make_unique<QWidget>();
  panel->resize(width, height);
  square = new platform::ImageControl(panel.get());
  label = new QLabel(panel.get());
  box = new QCheckBox(panel.get());
  resolution = new QLabel(panel.get());
}

void FakeHost::PosterOf(int w, int h, int bw, int bh) {
  document.PosterWidth = w;
  document.PosterHeight = h;
  picture.AssignBitmap(BlockImage(w, h, bw, bh));
  feuilleWidth = w;
  feuilleHeight = h;
}

void LayoutTest::UsePrinter(const platform::PrinterPageMetrics &m) {
  auto raster = std::make_unique<platform::RasterPrinter>(m);
  printer = raster.get();
  platform::ThePrinter().SetBackend(std::move(raster));
}

void LayoutTest::SetUp() {
  platform::SetApplicationTitle(QStringLiteral("Muralix"));
  platform::ThePrinter().SetOrientation(platform::Orientation::Portrait);
  UsePrinter(WorkedExamplePrinter());
}

void LayoutTest::TearDown() {
  platform::ThePrinter().SetBackend(nullptr);
  platform::ThePrinter().SetOrientation(platform::Orientation::Portrait);
}

QRgb BlockColour(int column, int row) {
  return qRgb(40 * column, 60 * row, 200);
}

QImage BlockImage(int w, int h, int bw, int bh) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, BlockColour(x / bw + 1, y / bh + 1));
  return image;
}
