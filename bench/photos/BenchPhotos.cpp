// The photographs benchmark's driver.
//   BenchPhotos make <stem> <width> <height>  writes <stem>.heic (libheif, x265), <stem>.webp
//                                             (libwebp, lossy), <stem>.jpg and <stem>-p3.jpg
//                                             (the same JPEG with a Display P3 profile)
//   BenchPhotos decode <file> <CRDE2000.DLL>  reads it through rdheiffiledib, rdwebpfiledib or
//                                             rdjpgfiledib (by extension) and prints the time
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// libjpeg needs FILE and size_t declared first.
#include <jpeglib.h>
#include <lcms2.h>
#include <libheif/heif.h>
#include <webp/encode.h>

#include "crde2000.h"
#include "win32/WinApi.h"

namespace {

// Smooth shading with some texture, like a photograph: neither flat nor noise.
std::vector<uint8_t> Photo(int width, int height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t *p = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
      const double s = std::sin(x * 0.003) * std::cos(y * 0.002);
      p[0] = static_cast<uint8_t>(128 + 100 * s + ((x * 7 + y * 3) & 15));
      p[1] = static_cast<uint8_t>((x + y) / 80 & 0xFF);
      p[2] = static_cast<uint8_t>(200 - 90 * s);
    }
  return rgb;
}

std::vector<uint8_t> DisplayP3() {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
  const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  cmsToneCurve *curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
  cmsToneCurve *curves[3] = {curve, curve, curve};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(curve);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

bool Jpeg(const std::string &path, const std::vector<uint8_t> &rgb, int width, int height,
          const std::vector<uint8_t> &icc) {
  FILE *f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
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
  if (!icc.empty()) jpeg_write_icc_profile(&c, icc.data(), static_cast<unsigned>(icc.size()));
  for (int y = 0; y < height; ++y) {
    JSAMPROW p = const_cast<JSAMPROW>(rgb.data() + static_cast<size_t>(y) * width * 3);
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

bool Heic(const std::string &path, const std::vector<uint8_t> &rgb, int width, int height) {
  heif_image *image = nullptr;
  heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
  heif_image_add_plane(image, heif_channel_interleaved, width, height, 8);
  int stride = 0;
  uint8_t *plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < height; ++y)
    std::memcpy(plane + static_cast<size_t>(stride) * y,
                rgb.data() + static_cast<size_t>(y) * width * 3, static_cast<size_t>(width) * 3);
  heif_context *ctx = heif_context_alloc();
  heif_encoder *encoder = nullptr;
  bool ok = heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code ==
            heif_error_Ok;
  if (ok) {
    heif_encoder_set_lossy_quality(encoder, 80);
    heif_encoder_set_parameter_string(encoder, "preset", "ultrafast");  // writing is not measured
    ok = heif_context_encode_image(ctx, image, encoder, nullptr, nullptr).code == heif_error_Ok;
    heif_encoder_release(encoder);
  }
  ok = ok && heif_context_write_to_file(ctx, path.c_str()).code == heif_error_Ok;
  heif_context_free(ctx);
  heif_image_release(image);
  return ok;
}

bool Webp(const std::string &path, const std::vector<uint8_t> &rgb, int width, int height) {
  uint8_t *out = nullptr;
  const size_t size = WebPEncodeRGB(rgb.data(), width, height, width * 3, 80, &out);
  if (size == 0) return false;
  FILE *f = std::fopen(path.c_str(), "wb");
  const bool ok = f != nullptr && std::fwrite(out, 1, size, f) == size;
  if (f != nullptr) std::fclose(f);
  WebPFree(out);
  return ok;
}

int Make(const std::string &stem, int width, int height) {
  const std::vector<uint8_t> rgb = Photo(width, height);
  const bool ok = Jpeg(stem + ".jpg", rgb, width, height, {}) &&
                  Jpeg(stem + "-p3.jpg", rgb, width, height, DisplayP3()) &&
                  Webp(stem + ".webp", rgb, width, height) &&
                  Heic(stem + ".heic", rgb, width, height);
  return ok ? 0 : 1;
}

bool EndsWith(const std::string &s, const char *end) {
  const size_t n = std::strlen(end);
  return s.size() >= n && s.compare(s.size() - n, n, end) == 0;
}

int Decode(const std::string &path, const char *library) {
  HMODULE crde = LoadLibrary(library);
  if (crde == nullptr) {
    std::fprintf(stderr, "cannot load %s\n", library);
    return 1;
  }
  using Simple = decltype(&rdheiffiledib);
  auto jpeg = reinterpret_cast<decltype(&rdjpgfiledib)>(GetProcAddress(crde, "rdjpgfiledib"));
  auto heif = reinterpret_cast<Simple>(GetProcAddress(crde, "rdheiffiledib"));
  auto webp = reinterpret_cast<Simple>(GetProcAddress(crde, "rdwebpfiledib"));
  HGLOBAL dib = nullptr;
  const auto t0 = std::chrono::steady_clock::now();
  int16_t r = 0;
  if (EndsWith(path, ".heic"))
    r = heif(path.c_str(), 0, 0, &dib, nullptr, nullptr, nullptr, 0);
  else if (EndsWith(path, ".webp"))
    r = webp(path.c_str(), 0, 0, &dib, nullptr, nullptr, nullptr, 0);
  else
    r = jpeg(path.c_str(), 0, 1, 0, &dib, nullptr, nullptr, nullptr, 0);
  const auto t1 = std::chrono::steady_clock::now();
  if (r <= 0) {
    std::fprintf(stderr, "read failed: %d\n", r);
    return 1;
  }
  std::printf("read %.3f s\n", std::chrono::duration<double>(t1 - t0).count());
  GlobalFree(dib);
  FreeLibrary(crde);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 5 && std::strcmp(argv[1], "make") == 0)
    return Make(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  if (argc == 4 && std::strcmp(argv[1], "decode") == 0) return Decode(argv[2], argv[3]);
  std::fprintf(stderr, "usage: %s make <stem> <w> <h> | decode <file> <CRDE2000.DLL>\n", argv[0]);
  return 2;
}
