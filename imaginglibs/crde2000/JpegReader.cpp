// JPEG through libjpeg. Its errors long-jump back into DecodeJpeg, whose frame holds no
// object with a destructor, and become failure codes there.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

#include "Files.h"
#include "Photo.h"
#include "Readers.h"

namespace mx {
namespace {

// Progressive files can repeat scans without end; more than this is a hostile file.
constexpr int kMaxScans = 1000;

struct JpegContext {
  jpeg_error_mgr err;  // first, so the library's pointer to it is a pointer to the context
  jpeg_progress_mgr monitor;
  jmp_buf jump;
  int failure = 0;  // code of the error that long-jumped
  bool truncated = false;
  Progress *progress = nullptr;
  Dib *picture = nullptr;
  bool programRows = false;  // asked for the program's own layout
  int orientation = 1;       // EXIF orientation, applied once the rows are read
  JOCTET *icc = nullptr;     // embedded colour profile (malloc'ed by libjpeg), or none
  unsigned int iccSize = 0;
  // Converts the rows to sRGB as they are decoded, when the profile asks for it. Made and
  // destroyed outside the long jumps' reach: the reader owns it.
  std::unique_ptr<RowsToSrgb> *toSrgb = nullptr;
  jpeg_decompress_struct cinfo;
};

void OnError(j_common_ptr cinfo) {
  auto *ctx = reinterpret_cast<JpegContext *>(cinfo->err);
  switch (cinfo->err->msg_code) {
    case JERR_NO_SOI:
      ctx->failure = MX_ERR_NOT_JPEG;
      break;
    case JERR_INPUT_EOF:
    case JERR_INPUT_EMPTY:
      ctx->failure = MX_ERR_PREMATURE_EOF;
      break;
    case JERR_OUT_OF_MEMORY:
      ctx->failure = MX_ERR_NO_MEMORY;
      break;
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
      ctx->failure = MX_ERR_TOO_LARGE;
      break;
    case JERR_CONVERSION_NOTIMPL:
    case JERR_NOT_COMPILED:
    case JERR_BAD_PRECISION:
      ctx->failure = MX_ERR_UNSUPPORTED;
      break;
    default:
      ctx->failure = ctx->failure != 0 ? ctx->failure : MX_ERR_CORRUPT;
  }
  std::longjmp(ctx->jump, 1);
}

// Warnings are silent, but a file cut short must not pass for a whole picture.
void OnMessage(j_common_ptr cinfo, int level) {
  auto *ctx = reinterpret_cast<JpegContext *>(cinfo->err);
  if (level < 0 &&
      (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER))
    ctx->truncated = true;
}

void OnProgress(j_common_ptr cinfo) {
  auto *ctx = reinterpret_cast<JpegContext *>(cinfo->err);
  if (cinfo->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    ctx->failure = MX_ERR_CORRUPT;
    std::longjmp(ctx->jump, 1);
  }
}

// Adobe CMYK files store the inks inverted; K darkens the other three.
void CmykRowToBgr(const JSAMPLE *cmyk, uint8_t *bgr, int width) {
  for (int x = 0; x < width; ++x) {
    const int c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
    bgr[3 * x] = static_cast<uint8_t>(y * k / 255);
    bgr[3 * x + 1] = static_cast<uint8_t>(m * k / 255);
    bgr[3 * x + 2] = static_cast<uint8_t>(c * k / 255);
  }
}

// Everything between setjmp and the last library call lives in `ctx` or in the library's
// own memory, so a long jump leaks nothing and skips no destructor.
int DecodeJpeg(FILE *file, JpegContext &ctx) {
  jpeg_decompress_struct &cinfo = ctx.cinfo;
  cinfo.err = jpeg_std_error(&ctx.err);
  ctx.err.error_exit = OnError;
  ctx.err.emit_message = OnMessage;
  ctx.monitor.progress_monitor = OnProgress;
  if (setjmp(ctx.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return ctx.failure != 0 ? ctx.failure : MX_ERR_CORRUPT;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &ctx.monitor;
  jpeg_stdio_src(&cinfo, file);
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);  // EXIF: the orientation
  jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);  // ICC profile, possibly in several parts
  jpeg_read_header(&cinfo, TRUE);
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
        std::memcmp(m->data, "Exif\0\0", 6) == 0) {
      ctx.orientation = ExifOrientation(m->data, m->data_length);
      break;
    }
  }
  if (cinfo.jpeg_color_space != JCS_GRAYSCALE && cinfo.jpeg_color_space != JCS_CMYK &&
      cinfo.jpeg_color_space != JCS_YCCK)
    jpeg_read_icc_profile(&cinfo, &ctx.icc, &ctx.iccSize);

  int bits = 24;
  if (cinfo.jpeg_color_space == JCS_GRAYSCALE) {
    cinfo.out_color_space = JCS_GRAYSCALE;
    bits = 8;
  } else if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
    cinfo.out_color_space = JCS_CMYK;
  } else if (ctx.programRows) {
    cinfo.out_color_space = JCS_EXT_BGRX;  // the program's rows: libjpeg writes 255 last
    bits = 32;
  } else {
    cinfo.out_color_space = JCS_EXT_BGR;  // DIB order, straight into the rows
  }
  // The size check and the allocation may throw; that must happen outside libjpeg's calls.
  if (!ctx.picture) {
    jpeg_destroy_decompress(&cinfo);
    return MX_ERR_INTERNAL;
  }
  int code = 0;
  try {
    const auto width = static_cast<int>(cinfo.image_width);
    const auto height = static_cast<int>(cinfo.image_height);
    *ctx.picture =
        bits == 32 ? Dib::CreateProgramRows(width, height) : Dib::Create(width, height, bits);
    if (ctx.icc != nullptr && bits >= 24)
      *ctx.toSrgb = std::make_unique<RowsToSrgb>(*ctx.picture, ctx.icc, ctx.iccSize);
  } catch (const Error &e) {
    code = e.Code();
  } catch (...) {
    code = MX_ERR_NO_MEMORY;
  }
  if (code != 0) {
    jpeg_destroy_decompress(&cinfo);
    return code;
  }
  Dib &picture = *ctx.picture;
  if (bits == 8) picture.SetGreyPalette();
  if (cinfo.density_unit == 1) {
    picture.SetResolution(static_cast<int32_t>(cinfo.X_density * 10000 / 254),
                          static_cast<int32_t>(cinfo.Y_density * 10000 / 254));
  } else if (cinfo.density_unit == 2) {
    picture.SetResolution(cinfo.X_density * 100, cinfo.Y_density * 100);
  }
  const bool cmyk = cinfo.out_color_space == JCS_CMYK;
  jpeg_start_decompress(&cinfo);
  // The library's own pool holds the CMYK row, so a long jump frees it too.
  JSAMPLE *cmykRow = nullptr;
  if (cmyk)
    cmykRow = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                         cinfo.output_width * 4, 1)[0];
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    JSAMPROW row = cmyk ? cmykRow : picture.Row(y);
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (cmyk) CmykRowToBgr(cmykRow, picture.Row(y), static_cast<int>(cinfo.output_width));
    if (*ctx.toSrgb) (*ctx.toSrgb)->RowsDecoded(y + 1);
    if (!ctx.progress->ReportNoThrow(y + 1, cinfo.output_height)) {
      jpeg_destroy_decompress(&cinfo);
      return MX_ERR_CANCELLED;
    }
    if (ctx.truncated) break;
  }
  if (!ctx.truncated) jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return ctx.truncated ? MX_ERR_PREMATURE_EOF : MX_OK;
}

}  // namespace

Dib ReadJpeg(const char *name, Progress &progress, bool programRows) {
  FilePtr file = OpenForReading(name);
  unsigned char magic[2] = {0, 0};
  if (std::fread(magic, 1, 2, file.get()) != 2 || magic[0] != 0xFF || magic[1] != 0xD8)
    Fail(MX_ERR_NOT_JPEG);
  std::rewind(file.get());
  Dib picture;
  JpegContext ctx{};
  ctx.progress = &progress;
  ctx.picture = &picture;
  ctx.programRows = programRows;
  std::unique_ptr<RowsToSrgb> toSrgb;
  ctx.toSrgb = &toSrgb;
  const int code = DecodeJpeg(file.get(), ctx);
  std::unique_ptr<JOCTET, decltype(&std::free)> icc(ctx.icc, &std::free);
  if (code != MX_OK) Fail(static_cast<int16_t>(code));
  if (toSrgb) toSrgb->Finish();
  return Upright(std::move(picture), ctx.orientation);
}

}  // namespace mx
