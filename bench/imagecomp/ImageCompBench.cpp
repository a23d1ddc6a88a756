// Loading and painting a large picture through the image component, as the main window
// uses it, with the wall time of each step and the process's peak resident memory, and
// the cheapest way to get the same result measured in the same process.
//   imagecomp_bench load FIRST.jpg SECOND.jpg
//     Tampon's path: SetImageName(FIRST), SetImageName(SECOND) (which keeps FIRST in the
//     undo history), Picture().ToImage(), the picture image's AssignBitmap. One line per
//     step: name, seconds, peak resident KB so far, current resident KB.
//   imagecomp_bench paint PICTURE.jpg ROUNDS
//     A 1280 x 800 component showing the picture at zoom 1 scrolled to the middle, fitted
//     (StretchRatio) and stretched (Stretch); each grab() alternates with QPainter::drawImage
//     of the same rectangles onto a 1280 x 800 image, from a 32-bit copy of the picture and
//     from its stored rows in place. One line per case: name, best seconds of the component,
//     of drawImage from the 32-bit copy, of drawImage in place, whether the component's
//     pixels equal drawImage's, peak resident KB.
#include <sys/resource.h>

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>

#include "Binding.h"
#include "ImageView.h"
#include "gdi/ImageMemory.h"
#include "gdi/Picture.h"
#include "win32/WinApi.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsOf(const std::function<void()> &work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

long PeakKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

long CurrentKb() {
  std::ifstream status("/proc/self/statm");
  long pages = 0, resident = 0;
  status >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void Report(const char *step, double seconds) {
  std::printf("%s %.4f %ld %ld\n", step, seconds, PeakKb(), CurrentKb());
  std::fflush(stdout);
}

// The stored pixels of a bitmap the readers made (a DIB section), or null.
DIBSECTION SectionOf(const imaging::TBitmap &bitmap) {
  DIBSECTION ds{};
  if (GetObject(bitmap.Handle(), sizeof ds, &ds) != int(sizeof ds)) ds = DIBSECTION{};
  return ds;
}

// The component as the main window sets up its hidden loader, Tampon.
void SetUpLoader(imagecomp::TImageView &view) {
  view.setGeometry(0, 0, 105, 105);
  view.SetAutoSize(true);
  view.SetScrolling(true);
  view.SetShowScrollbars(true);
  view.SetImageReadRes(imagecomp::lAutoMatic);
  view.SetImageName(QStringLiteral("file not found"));
  view.hide();
  view.Loaded();
}

int Load(const QString &first, const QString &second) {
  imagecomp::TImageView view;
  SetUpLoader(view);
  Report("start", 0);
  Report("load-first", SecondsOf([&] { view.SetImageName(first); }));
  Report("load-second", SecondsOf([&] { view.SetImageName(second); }));
  QImage image;
  Report("to-image", SecondsOf([&] { image = view.Picture().ToImage(); }));
  {
    platform::Picture feuille;
    // As the main window does it: the image from ToImage is handed over.
    Report("assign-feuille", SecondsOf([&] { feuille.AssignBitmap(std::move(image)); }));
  }
  image = QImage();
  if (view.Picture().Bitmap().Empty()) {
    std::fprintf(stderr, "the picture did not load\n");
    return 1;
  }

  // The parts and their floors, after the path so that they do not raise its peak.
  const DIBSECTION ds = SectionOf(view.Picture().Bitmap());
  if (ds.dsBm.bmBits != nullptr)
    std::fprintf(stderr, "picture %d x %d, %d bits, %s DIB section, %u bytes\n",
                 int(ds.dsBm.bmWidth), int(ds.dsBm.bmHeight), int(ds.dsBm.bmBitsPixel),
                 ds.dsBmih.biHeight < 0 ? "top-down" : "bottom-up",
                 unsigned(ds.dsBmih.biSizeImage));
  else
    std::fprintf(stderr, "picture %d x %d in the program's 32-bit rows\n",
                 view.Picture().Bitmap().Width(), view.Picture().Bitmap().Height());
  Report("copy-bitmap", SecondsOf([&] { imaging::TBitmap copy(view.Picture().Bitmap()); }));
  // A picture read into the program's 32-bit rows is no DIB section: its rows are those of
  // the image the bitmap shares.
  const QImage shared = ds.dsBm.bmBits == nullptr ? view.Picture().ToImage() : QImage();
  const void *rows = ds.dsBm.bmBits != nullptr ? ds.dsBm.bmBits : shared.constBits();
  const size_t bytes =
      ds.dsBm.bmBits != nullptr ? size_t(ds.dsBmih.biSizeImage) : size_t(shared.sizeInBytes());
  if (rows == nullptr || bytes == 0) return 0;
  Report("floor-copy", SecondsOf([&] {
           std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes]);
           std::memcpy(copy.get(), rows, bytes);
           // Without this the compiler drops a copy that nobody reads.
           asm volatile("" : : "r"(copy.get()) : "memory");
         }));
  if (ds.dsBm.bmBitsPixel == 24) {
    const QImage stored(static_cast<const uchar *>(ds.dsBm.bmBits), ds.dsBm.bmWidth,
                        ds.dsBm.bmHeight, ds.dsBm.bmWidthBytes, QImage::Format_BGR888);
    QImage converted;
    Report("floor-to-rgb32",
           SecondsOf([&] { converted = stored.convertToFormat(QImage::Format_RGB32); }));
  }
  return 0;
}

int Paint(const QString &name, int rounds) {
  imagecomp::TImageView view;
  view.setGeometry(0, 0, 1280, 800);
  view.SetImageReadRes(imagecomp::lAutoMatic);
  view.Loaded();
  view.SetImageName(name);
  const imaging::TBitmap &bitmap = view.Picture().Bitmap();
  if (bitmap.Empty()) {
    std::fprintf(stderr, "the picture did not load\n");
    return 1;
  }
  // The floor's source: the same pixels as a plain 32-bit image, the format Qt draws
  // fastest from.
  const QImage source = bitmap.ToImage().convertToFormat(QImage::Format_RGB32);
  // And the stored 24-bit rows read where they lie, bottom-up as the JPEG reader writes
  // them: what a copy that converts nothing would cost.
  const DIBSECTION ds = SectionOf(bitmap);
  const bool bottomUp = ds.dsBmih.biHeight > 0;
  const QImage stored = ds.dsBm.bmBits != nullptr && ds.dsBm.bmBitsPixel == 24
                            ? QImage(static_cast<const uchar *>(ds.dsBm.bmBits), ds.dsBm.bmWidth,
                                     ds.dsBm.bmHeight, ds.dsBm.bmWidthBytes, QImage::Format_BGR888)
                            : QImage();
  QImage target(1280, 800, QImage::Format_RGB32);
  const auto draw = [&](QRect to, QRect from, bool inPlace) {
    return SecondsOf([&] {
      QPainter painter(&target);
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
      if (!inPlace) {
        painter.drawImage(QRectF(to), source, QRectF(from));
      } else if (!stored.isNull()) {
        QRect rows = from;
        if (bottomUp) {
          // The picture's row y is stored row height - 1 - y; the painter turns it back.
          rows.moveTop(stored.height() - from.top() - from.height());
          painter.translate(0, to.top() + to.bottom() + 1);
          painter.scale(1, -1);
        }
        painter.drawImage(QRectF(to), stored, QRectF(rows));
      }
    });
  };
  std::printf("peak-before %ld\n", PeakKb());

  const int BW = bitmap.Width(), BH = bitmap.Height();
  const int A = view.ScrollbarWidth();
  const int W = view.width(), H = view.height();
  struct Case {
    const char *name;
    std::function<void()> arrange;
    std::function<std::pair<QRect, QRect>()> rectangles;  // target, source
  };
  const Case cases[] = {
      {"zoom1-middle",
       [&] {
         view.grab();  // the first paint lays out the scroll bars
         view.HorzBar->setValue(view.HorzBar->maximum() / 2);
         view.VertBar->setValue(view.VertBar->maximum() / 2);
       },
       [&] {
         return std::pair(QRect(0, 0, W - A, H - A),
                          QRect(view.HorzBar->value(), view.VertBar->value(), W - A, H - A));
       }},
      {"stretch-ratio", [&] { view.SetStretchRatio(true); },
       [&] {
         const double Z = view.ZoomFactor();
         return std::pair(QRect(0, 0, int(BW * Z), int(BH * Z)), QRect(0, 0, BW, BH));
       }},
      {"stretch", [&] { view.SetStretch(true); },
       [&] { return std::pair(QRect(0, 0, W, H), QRect(0, 0, BW, BH)); }},
  };
  for (const Case &c : cases) {
    c.arrange();
    const auto [to, from] = c.rectangles();
    double best = std::numeric_limits<double>::infinity(), bestFloor = best, bestInPlace = best;
    for (int round = 0; round < rounds; ++round) {
      best = std::min(best, SecondsOf([&] { view.grab(); }));
      bestFloor = std::min(bestFloor, draw(to, from, false));
      bestInPlace = std::min(bestInPlace, draw(to, from, true));
    }
    // Both floors draw what the component shows: the same pixels in the picture's place.
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(to);
    draw(to, from, false);
    const bool same = shown == target.copy(to);
    draw(to, from, true);
    const bool sameInPlace = shown == target.copy(to);
    std::printf("%s %.5f %.5f %.5f %s %ld\n", c.name, best, bestFloor, bestInPlace,
                same && sameInPlace ? "same" : "different", PeakKb());
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  if (argc < 4 || (mode != u"load" && mode != u"paint")) {
    std::fprintf(stderr, "usage: %s load FIRST SECOND | paint PICTURE ROUNDS\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  platform::RaiseImageMemoryLimit();
  imaging::InitBinding();
  const int code = mode == u"load"
                       ? Load(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]))
                       : Paint(QString::fromLocal8Bit(argv[2]), std::max(1, std::atoi(argv[3])));
  imaging::ShutdownBinding();
  return code;
}
