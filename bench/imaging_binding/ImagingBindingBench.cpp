// Reads one JPEG file through ReadJpegBitmap, the whole path from the file to a bitmap
// (library decode into a DIB block, then the DIB section), and prints the wall time and
// the process's peak resident memory.
#include <sys/resource.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>

#include "Binding.h"
#include "DibBlock.h"
#include "FileWrappers.h"

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE.jpg\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  imaging::InitBinding();
  imaging::TBitmap bitmap;
  const auto start = std::chrono::steady_clock::now();
  const bool ok =
      imaging::ReadJpegBitmap(QString::fromLocal8Bit(argv[1]), 24, 0, nullptr, nullptr, bitmap);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!ok) {
    std::fprintf(stderr, "read failed: %s\n", qPrintable(imaging::Binding().LastErrorText));
    return 1;
  }
  // The two halves separately: the library's decode, then the DIB into a bitmap.
  double decodeSeconds = 0, showSeconds = 0;
  if (argc > 2) {
    HGLOBAL dib = nullptr;
    const auto t0 = std::chrono::steady_clock::now();
    imaging::ReadJpegDib(QString::fromLocal8Bit(argv[1]), 24, 0, nullptr, nullptr, dib);
    const auto t1 = std::chrono::steady_clock::now();
    imaging::TBitmap other;
    imaging::DibToBitmap(dib, 24, 0, other, nullptr, nullptr);
    const auto t2 = std::chrono::steady_clock::now();
    imaging::FreeDib(dib);
    decodeSeconds = std::chrono::duration<double>(t1 - t0).count();
    showSeconds = std::chrono::duration<double>(t2 - t1).count();
    std::fprintf(stderr, "decode %.3f s, dib to bitmap %.3f s\n", decodeSeconds, showSeconds);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%d %d %.3f %ld\n", bitmap.Width(), bitmap.Height(), seconds, usage.ru_maxrss);
  bitmap.Clear();
  imaging::ShutdownBinding();
  return 0;
}
