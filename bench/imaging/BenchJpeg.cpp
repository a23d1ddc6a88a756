// The JPEG benchmark's driver.
//   BenchJpeg make <file> <width> <height>   writes a synthetic photo-like JPEG, quality 90
//   BenchJpeg decode <file> <CRDE2000.DLL>   reads it through rdjpgfiledib, then makes the
//                                             bitmap with DibtoDdb, and prints the times
//   BenchJpeg touch <bytes>                   the cost of writing that much fresh memory once,
//                                             which any path holding the whole picture pays
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// libjpeg needs FILE and size_t declared first.
#include <jpeglib.h>

#include "crde2000.h"
#include "win32/WinApi.h"

namespace {

int Make(const char *path, int width, int height) {
  FILE *f = std::fopen(path, "wb");
  if (f == nullptr) return 1;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    // Smooth shading with some texture, like a photograph: neither flat nor noise.
    for (int x = 0; x < width; ++x) {
      const double s = std::sin(x * 0.003) * std::cos(y * 0.002);
      row[3 * x] = static_cast<JSAMPLE>(128 + 100 * s + ((x * 7 + y * 3) & 15));
      row[3 * x + 1] = static_cast<JSAMPLE>((x + y) / 80 & 0xFF);
      row[3 * x + 2] = static_cast<JSAMPLE>(200 - 90 * s);
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(f);
  return 0;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

int Decode(const char *path, const char *library) {
  HMODULE crde = LoadLibrary(library);
  if (crde == nullptr) {
    std::fprintf(stderr, "cannot load %s\n", library);
    return 1;
  }
  auto read = reinterpret_cast<decltype(&rdjpgfiledib)>(GetProcAddress(crde, "rdjpgfiledib"));
  auto toBitmap = reinterpret_cast<decltype(&DibtoDdb)>(GetProcAddress(crde, "DibtoDdb"));
  auto setLimit =
      reinterpret_cast<decltype(&MxSetPixelLimit)>(GetProcAddress(crde, "MxSetPixelLimit"));
  setLimit(uint64_t{1} << 30);
  const auto t0 = std::chrono::steady_clock::now();
  HGLOBAL dib = nullptr;
  const int16_t r = read(path, 0, 1, 0, &dib, nullptr, nullptr, nullptr, 0);
  const auto t1 = std::chrono::steady_clock::now();
  if (r <= 0) {
    std::fprintf(stderr, "read failed: %d\n", r);
    return 1;
  }
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  toBitmap(GlobalLock(dib), &bitmap, &palette);
  GlobalUnlock(dib);
  const auto t2 = std::chrono::steady_clock::now();
  std::printf("rdjpgfiledib %.3f s\nDibtoDdb %.3f s\nfile to bitmap %.3f s\n", Seconds(t0, t1),
              Seconds(t1, t2), Seconds(t0, t2));
  GlobalFree(dib);
  if (bitmap != nullptr) DeleteObject(bitmap);
  FreeLibrary(crde);
  return bitmap != nullptr ? 0 : 1;
}

int Touch(size_t bytes) {
  const auto t0 = std::chrono::steady_clock::now();
  auto *p = static_cast<char *>(std::calloc(1, bytes));
  if (p == nullptr) return 1;
  std::memset(p, 1, bytes);
  const auto t1 = std::chrono::steady_clock::now();
  std::printf("touch %.3f s %d\n", Seconds(t0, t1), p[bytes - 1]);
  std::free(p);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 3 && std::strcmp(argv[1], "touch") == 0)
    return Touch(static_cast<size_t>(std::atoll(argv[2])));
  if (argc == 5 && std::strcmp(argv[1], "make") == 0)
    return Make(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  if (argc == 4 && std::strcmp(argv[1], "decode") == 0) return Decode(argv[2], argv[3]);
  std::fprintf(stderr, "usage: %s make <file> <w> <h> | decode <file> <CRDE2000.DLL>\n", argv[0]);
  return 2;
}
