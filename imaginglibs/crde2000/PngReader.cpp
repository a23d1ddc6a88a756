// PNG through libpng. Its errors long-jump back into DecodePng, whose frame holds no object
// with a destructor; everything it allocates lives in the context of the caller.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "Files.h"
#include "Photo.h"
#include "Readers.h"

namespace mx {
namespace {

struct PngContext {
  png_structp png = nullptr;
  png_infop info = nullptr;
  int failure = 0;
  Progress *progress = nullptr;
  Dib *picture = nullptr;
  std::vector<uint8_t> *scratch = nullptr;  // rows that need reshaping before the DIB
  std::vector<uint8_t> *icc = nullptr;      // the embedded colour profile, when there is one
  bool programRows = false;                 // asked for the program's own layout
};

void OnError(png_structp png, png_const_charp message) {
  auto *ctx = static_cast<PngContext *>(png_get_error_ptr(png));
  if (ctx->failure == 0) {
    if (std::strstr(message, "Read Error") != nullptr ||
        std::strstr(message, "Not enough image data") != nullptr ||
        std::strstr(message, "unexpected end") != nullptr)
      ctx->failure = MX_ERR_PREMATURE_EOF;
    else if (std::strstr(message, "memory") != nullptr)
      ctx->failure = MX_ERR_NO_MEMORY;
    else
      ctx->failure = MX_ERR_CORRUPT;
  }
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// How the decoded rows reach the DIB.
enum class Shape {
  Direct,  // libpng writes DIB rows as they are
  TwoBit,  // 2-bit indices or greys, widened to 4 bits
  Alpha,   // blue, green, red, alpha: laid over white
};

// `pixelBytes`: 3 for 24-bit rows, 4 for the program's rows (fourth byte 255).
void ReshapeRow(Shape shape, const uint8_t *in, uint8_t *out, int width, int pixelBytes) {
  if (shape == Shape::TwoBit) {
    for (int x = 0; x < width; ++x) {
      int v = (in[x >> 2] >> (6 - 2 * (x & 3))) & 3;
      if (x & 1)
        out[x >> 1] = static_cast<uint8_t>(out[x >> 1] | v);
      else
        out[x >> 1] = static_cast<uint8_t>(v << 4);
    }
  } else {
    for (int x = 0; x < width; ++x) {
      const uint8_t *p = in + 4 * x;
      const int a = p[3];
      uint8_t *q = out + pixelBytes * x;
      for (int c = 0; c < 3; ++c)
        q[c] = static_cast<uint8_t>((p[c] * a + 255 * (255 - a) + 127) / 255);
      if (pixelBytes == 4) q[3] = 255;
    }
  }
}

int DecodePng(FILE *file, PngContext &ctx) {
  ctx.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, OnError, OnWarning);
  if (ctx.png == nullptr) return MX_ERR_NO_MEMORY;
  ctx.info = png_create_info_struct(ctx.png);
  if (ctx.info == nullptr) {
    png_destroy_read_struct(&ctx.png, nullptr, nullptr);
    return MX_ERR_NO_MEMORY;
  }
  if (setjmp(png_jmpbuf(ctx.png))) {
    png_destroy_read_struct(&ctx.png, &ctx.info, nullptr);
    return ctx.failure != 0 ? ctx.failure : MX_ERR_CORRUPT;
  }
  png_structp png = ctx.png;
  png_infop info = ctx.info;
  png_init_io(png, file);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int colorType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);

  int bits = 24;
  Shape shape = Shape::Direct;
  bool grey = false;
  int greyLevels = 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    bits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
    if (depth == 2) shape = Shape::TwoBit;
  } else if (colorType == PNG_COLOR_TYPE_GRAY) {
    grey = true;
    if (depth == 16) png_set_strip_16(png);
    bits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
    greyLevels = depth >= 8 ? 256 : 1 << depth;
    if (depth == 2) shape = Shape::TwoBit;
  } else {
    if (depth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (colorType & PNG_COLOR_MASK_ALPHA) shape = Shape::Alpha;
    if (ctx.programRows) {
      bits = 32;
      // libpng adds the fourth byte itself; rows with alpha are laid over white into it.
      if (shape == Shape::Direct) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  png_charp profileName = nullptr;
  int profileCompression = 0;
  png_bytep profile = nullptr;
  png_uint_32 profileSize = 0;
  png_get_iCCP(png, info, &profileName, &profileCompression, &profile, &profileSize);

  int code = 0;
  try {
    if (profile != nullptr && !grey) ctx.icc->assign(profile, profile + profileSize);
    *ctx.picture = bits == 32
                       ? Dib::CreateProgramRows(static_cast<int>(width), static_cast<int>(height))
                       : Dib::Create(static_cast<int>(width), static_cast<int>(height), bits);
    if (shape != Shape::Direct) ctx.scratch->resize(rowBytes * (passes > 1 ? height : 1));
  } catch (const Error &e) {
    code = e.Code();
  } catch (...) {
    code = MX_ERR_NO_MEMORY;
  }
  if (code != 0) {
    png_destroy_read_struct(&ctx.png, &ctx.info, nullptr);
    return code;
  }
  Dib &picture = *ctx.picture;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp colors = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colors, &count);
    for (int i = 0; i < count && i < picture.ColorCount(); ++i)
      picture.Colors()[i] = RGBQUAD{colors[i].blue, colors[i].green, colors[i].red, 0};
  } else if (grey) {
    for (int i = 0; i < greyLevels; ++i) {
      auto v = static_cast<uint8_t>(i * 255 / (greyLevels - 1));
      picture.Colors()[i] = RGBQUAD{v, v, v, 0};
    }
  }
  png_uint_32 resX = 0, resY = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER)
    picture.SetResolution(static_cast<int32_t>(resX), static_cast<int32_t>(resY));

  uint8_t *scratch = ctx.scratch->data();
  const int pixelBytes = bits == 32 ? 4 : 3;
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      uint8_t *row = shape == Shape::Direct ? picture.Row(static_cast<int>(y))
                     : passes > 1           ? scratch + rowBytes * y
                                            : scratch;
      png_read_row(png, row, nullptr);
      if (shape != Shape::Direct && passes == 1)
        ReshapeRow(shape, row, picture.Row(static_cast<int>(y)), static_cast<int>(width),
                   pixelBytes);
      if (!ctx.progress->ReportNoThrow(static_cast<int64_t>(pass) * height + y + 1,
                                       static_cast<int64_t>(passes) * height)) {
        png_destroy_read_struct(&ctx.png, &ctx.info, nullptr);
        return MX_ERR_CANCELLED;
      }
    }
  }
  if (shape != Shape::Direct && passes > 1)
    for (png_uint_32 y = 0; y < height; ++y)
      ReshapeRow(shape, scratch + rowBytes * y, picture.Row(static_cast<int>(y)),
                 static_cast<int>(width), pixelBytes);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&ctx.png, &ctx.info, nullptr);
  return MX_OK;
}

}  // namespace

Dib ReadPng(const char *name, Progress &progress, bool programRows) {
  FilePtr file = OpenForReading(name);
  png_byte signature[8] = {};
  if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0)
    Fail(MX_ERR_NOT_PNG);
  std::rewind(file.get());
  Dib picture;
  std::vector<uint8_t> scratch, icc;
  PngContext ctx;
  ctx.icc = &icc;
  ctx.progress = &progress;
  ctx.picture = &picture;
  ctx.scratch = &scratch;
  ctx.programRows = programRows;
  int code = DecodePng(file.get(), ctx);
  if (code != MX_OK) Fail(static_cast<int16_t>(code));
  if (!icc.empty()) ProfileToSrgb(picture, icc.data(), icc.size());
  return picture;
}

}  // namespace mx
