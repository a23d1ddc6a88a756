// HEIC and AVIF through libheif: the primary picture, turned and mirrored as the file says
// (libheif applies the rotation, mirroring and cropping while decoding), deep colour reduced
// to 8 bits, transparency laid over white, and colours brought to sRGB from the file's ICC
// profile or its primaries.
#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "Files.h"
#include "Photo.h"
#include "Readers.h"

namespace mx {
namespace {

struct ContextFree {
  void operator()(heif_context *c) const { heif_context_free(c); }
};
struct HandleRelease {
  void operator()(heif_image_handle *h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
  void operator()(heif_image *i) const { heif_image_release(i); }
};
struct OptionsFree {
  void operator()(heif_decoding_options *o) const { heif_decoding_options_free(o); }
};
struct NclxFree {
  void operator()(heif_color_profile_nclx *n) const { heif_nclx_color_profile_free(n); }
};

int16_t CodeOf(const heif_error &e, int16_t fallback) {
  switch (e.code) {
    case heif_error_Ok:
      return MX_OK;
    case heif_error_Memory_allocation_error:
      // The limit set in ReadHeif: the coded picture is far larger than the file says.
      return e.subcode == heif_suberror_Security_limit_exceeded ? MX_ERR_CORRUPT : MX_ERR_NO_MEMORY;
    case heif_error_Unsupported_filetype:
      return MX_ERR_NOT_HEIF;
    case heif_error_Unsupported_feature:
      return e.subcode == heif_suberror_Unsupported_codec ? MX_ERR_NO_HEIF_DECODER
                                                          : MX_ERR_UNSUPPORTED;
    case heif_error_Invalid_input:
      return e.subcode == heif_suberror_End_of_data ? MX_ERR_PREMATURE_EOF : MX_ERR_CORRUPT;
    case heif_error_Decoder_plugin_error:
      return MX_ERR_CORRUPT;
    default:
      return fallback;
  }
}

void Check(const heif_error &e, int16_t fallback = MX_ERR_CORRUPT) {
  if (e.code != heif_error_Ok) Fail(CodeOf(e, fallback));
}

// libheif reports the tiles of a grid picture as it decodes them. Nothing may be thrown
// through libheif, so a request to stop is remembered and honoured once it returns.
struct TileProgress {
  Progress *progress = nullptr;
  int total = 0;
  bool stop = false;
};
void OnStart(heif_progress_step, int max, void *user) {
  static_cast<TileProgress *>(user)->total = max;
}
void OnStep(heif_progress_step, int done, void *user) {
  auto *tiles = static_cast<TileProgress *>(user);
  if (tiles->total > 0 && !tiles->stop)
    tiles->stop = !tiles->progress->ReportNoThrow(80 * static_cast<int64_t>(done),
                                                  100 * int64_t{tiles->total});
}
void OnEnd(heif_progress_step, void *) {}

// libheif decodes each coded picture (the picture, or each tile of a grid) at the size its
// HEVC or AV1 stream declares, which nothing ties to the size the file declares for the
// picture: a file of one kilobyte can declare a 12 x 16 picture whose stream is 28 000 x
// 26 000, and libheif then spends minutes and gigabytes on it. A real file's coded pictures
// are the picture itself (a little larger when it is cropped) or tiles no larger than a
// tile of the usual sizes; anything beyond twice the larger of the picture's side and
// 1 024, per side, is refused as damaged before a byte of it is allocated.
void LimitCodedSize(heif_context *ctx, std::initializer_list<int> sides) {
  constexpr int kLargestUsualTile = 1024;
  const int side = std::max(kLargestUsualTile, std::max(sides));
  heif_context_set_maximum_image_size_limit(ctx, 2 * side + 64);
}

// 8-bit value of a sample of `bits` bits, rounded to the nearest.
inline uint8_t Reduce(unsigned v, unsigned max) {
  return static_cast<uint8_t>((v * 255u + max / 2) / max);
}

// Over white, as on the paper of a poster; premultiplied colours only add the white.
inline uint8_t OverWhite(int c, int a, bool premultiplied) {
  if (premultiplied) {
    const int v = c + 255 - a;
    return static_cast<uint8_t>(v > 255 ? 255 : v);
  }
  return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

// libheif registers its codecs when it is loaded and frees them only in heif_deinit. This
// library is itself loaded and unloaded at run time, so libheif's registry lives as long as
// it does instead of being left behind when both are unmapped.
struct HeifLifetime {
  HeifLifetime() { heif_init(nullptr); }
  ~HeifLifetime() { heif_deinit(); }
} const kHeifLifetime;

}  // namespace

// True for the brands of HEIF still pictures; `avif` tells which compression.
bool HeifBrand(const uint8_t *d, size_t n, bool &avif) {
  if (n < 12 || std::memcmp(d + 4, "ftyp", 4) != 0) return false;
  const int len = static_cast<int>(n < 4096 ? n : 4096);
  if (heif_has_compatible_brand(d, len, "avif") || heif_has_compatible_brand(d, len, "avis")) {
    avif = true;
    return true;
  }
  static const char *const kHevc[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1"};
  for (const char *brand : kHevc) {
    if (heif_has_compatible_brand(d, len, brand)) {
      avif = false;
      return true;
    }
  }
  return false;
}

HeifFacts ReadHeifFacts(const uint8_t *data, size_t size) {
  std::unique_ptr<heif_context, ContextFree> ctx(heif_context_alloc());
  if (!ctx) Fail(MX_ERR_NO_MEMORY);
  Check(heif_context_read_from_memory_without_copy(ctx.get(), data, size, nullptr));
  heif_image_handle *raw = nullptr;
  Check(heif_context_get_primary_image_handle(ctx.get(), &raw));
  std::unique_ptr<heif_image_handle, HandleRelease> handle(raw);
  HeifFacts f;
  // The size after the file's rotation and cropping: the picture as it is shown.
  f.width = heif_image_handle_get_width(raw);
  f.height = heif_image_handle_get_height(raw);
  f.alpha = heif_image_handle_has_alpha_channel(raw) != 0;
  const int luma = heif_image_handle_get_luma_bits_per_pixel(raw);
  f.bitsPerChannel = luma > 0 ? luma : 8;
  f.pages = heif_context_get_number_of_top_level_images(ctx.get());
  return f;
}

Dib ReadHeif(const char *name, Progress &progress, bool programRows) {
  MappedFile file(name);
  bool avif = false;
  if (!HeifBrand(file.Data(), file.Size(), avif)) Fail(MX_ERR_NOT_HEIF);
  if (!heif_have_decoder_for_format(avif ? heif_compression_AV1 : heif_compression_HEVC))
    Fail(MX_ERR_NO_HEIF_DECODER);
  std::unique_ptr<heif_context, ContextFree> ctx(heif_context_alloc());
  if (!ctx) Fail(MX_ERR_NO_MEMORY);
  Check(heif_context_read_from_memory_without_copy(ctx.get(), file.Data(), file.Size(), nullptr));
  heif_image_handle *rawHandle = nullptr;
  Check(heif_context_get_primary_image_handle(ctx.get(), &rawHandle));
  std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
  const int width = heif_image_handle_get_width(rawHandle);
  const int height = heif_image_handle_get_height(rawHandle);
  // The stored size too: libheif allocates it before turning the picture.
  CheckDimensions(heif_image_handle_get_ispe_width(rawHandle),
                  heif_image_handle_get_ispe_height(rawHandle), 32);
  CheckDimensions(width, height, 24);
  LimitCodedSize(ctx.get(), {width, height, heif_image_handle_get_ispe_width(rawHandle),
                             heif_image_handle_get_ispe_height(rawHandle)});
  const bool alpha = heif_image_handle_has_alpha_channel(rawHandle) != 0;
  const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(rawHandle) != 0;
  const int luma = heif_image_handle_get_luma_bits_per_pixel(rawHandle);
  const bool deep = luma > 8;
  progress.Report(0, 100);

  std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
  if (!options) Fail(MX_ERR_NO_MEMORY);
  TileProgress tiles;
  tiles.progress = &progress;
  options->start_progress = OnStart;
  options->on_progress = OnStep;
  options->end_progress = OnEnd;
  options->progress_user_data = &tiles;
  // Deep colour is asked for as it is stored and reduced here with rounding: libheif's own
  // reduction drops the low bits.
  const heif_chroma chroma =
      deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
           : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  heif_image *rawImage = nullptr;
  Check(heif_decode_image(rawHandle, &rawImage, heif_colorspace_RGB, chroma, options.get()));
  std::unique_ptr<heif_image, ImageRelease> image(rawImage);
  if (tiles.stop) Fail(MX_ERR_CANCELLED);
  progress.Report(80, 100);
  if (heif_image_get_width(rawImage, heif_channel_interleaved) != width ||
      heif_image_get_height(rawImage, heif_channel_interleaved) != height)
    Fail(MX_ERR_CORRUPT);
  int stride = 0;
  const uint8_t *plane = heif_image_get_plane_readonly(rawImage, heif_channel_interleaved, &stride);
  if (plane == nullptr || stride <= 0) Fail(MX_ERR_CORRUPT);
  const int channels = alpha ? 4 : 3;
  const int storedBits =
      deep ? heif_image_get_bits_per_pixel_range(rawImage, heif_channel_interleaved) : 8;
  const unsigned max = storedBits > 8 && storedBits <= 16 ? (1u << storedBits) - 1 : 65535u;

  Dib picture =
      programRows ? Dib::CreateProgramRows(width, height) : Dib::Create(width, height, 24);
  const int n = programRows ? 4 : 3;  // the program's rows end each pixel with 255
  for (int y = 0; y < height; ++y) {
    const uint8_t *in = plane + static_cast<size_t>(stride) * static_cast<size_t>(y);
    uint8_t *out = picture.Row(y);
    if (programRows)
      for (int x = 0; x < width; ++x) out[4 * x + 3] = 255;
    if (!deep && !alpha) {
      for (int x = 0; x < width; ++x) {
        out[n * x] = in[3 * x + 2];
        out[n * x + 1] = in[3 * x + 1];
        out[n * x + 2] = in[3 * x];
      }
      progress.Report(80 + 15 * static_cast<int64_t>(y + 1) / height, 100);
      continue;
    }
    for (int x = 0; x < width; ++x) {
      uint8_t rgba[4];
      if (deep) {
        const uint8_t *p = in + 2 * channels * x;
        for (int c = 0; c < channels; ++c) {
          unsigned v = static_cast<unsigned>(p[2 * c] | (p[2 * c + 1] << 8));
          rgba[c] = Reduce(v > max ? max : v, max);
        }
      } else {
        std::memcpy(rgba, in + channels * x, static_cast<size_t>(channels));
      }
      if (alpha) {
        for (int c = 0; c < 3; ++c) rgba[c] = OverWhite(rgba[c], rgba[3], premultiplied);
      }
      out[n * x] = rgba[2];
      out[n * x + 1] = rgba[1];
      out[n * x + 2] = rgba[0];
    }
    progress.Report(80 + 15 * static_cast<int64_t>(y + 1) / height, 100);
  }
  image.reset();

  const heif_color_profile_type profile = heif_image_handle_get_color_profile_type(rawHandle);
  if (profile == heif_color_profile_type_prof || profile == heif_color_profile_type_rICC) {
    const size_t size = heif_image_handle_get_raw_color_profile_size(rawHandle);
    if (size > 0 && size < (size_t{1} << 26)) {
      std::vector<uint8_t> icc(size);
      if (heif_image_handle_get_raw_color_profile(rawHandle, icc.data()).code == heif_error_Ok)
        ProfileToSrgb(picture, icc.data(), icc.size());
    }
  } else {
    heif_color_profile_nclx *rawNclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(rawHandle, &rawNclx).code == heif_error_Ok &&
        rawNclx != nullptr) {
      std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(rawNclx);
      if (nclx->color_primaries != heif_color_primaries_unspecified) {
        const Chromaticities c = {nclx->color_primary_red_x,   nclx->color_primary_red_y,
                                  nclx->color_primary_green_x, nclx->color_primary_green_y,
                                  nclx->color_primary_blue_x,  nclx->color_primary_blue_y,
                                  nclx->color_primary_white_x, nclx->color_primary_white_y};
        PrimariesToSrgb(picture, c, static_cast<int>(nclx->transfer_characteristics));
      }
    }
  }
  return picture;
}

}  // namespace mx
