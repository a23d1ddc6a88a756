// WebP through libwebp: still pictures decoded straight into the DIB's rows (bottom-up, as
// libwebp's flipped output lays them), with progress as the data is fed in; of an animation
// the first frame as it appears on the canvas. Transparency lies over white and an ICC
// profile brings the colours to sRGB.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "Files.h"
#include "Photo.h"
#include "Readers.h"

namespace mx {
namespace {

// How much of the file is handed to the decoder between two progress reports.
constexpr size_t kFeedBytes = size_t{1} << 18;

int16_t CodeOf(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OK:
      return MX_OK;
    case VP8_STATUS_OUT_OF_MEMORY:
      return MX_ERR_NO_MEMORY;
    case VP8_STATUS_NOT_ENOUGH_DATA:
    case VP8_STATUS_SUSPENDED:
      return MX_ERR_PREMATURE_EOF;
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return MX_ERR_UNSUPPORTED;
    case VP8_STATUS_USER_ABORT:
      return MX_ERR_CANCELLED;
    default:
      return MX_ERR_CORRUPT;
  }
}

struct DemuxDelete {
  void operator()(WebPDemuxer *d) const { WebPDemuxDelete(d); }
};
struct IDecDelete {
  void operator()(WebPIDecoder *d) const { WebPIDelete(d); }
};
struct AnimDelete {
  void operator()(WebPAnimDecoder *d) const { WebPAnimDecoderDelete(d); }
};

inline uint8_t OverWhite(int c, int a) {
  return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

// Blue, green, red, alpha rows (top row first) laid over white into the picture (24 bits,
// or the program's rows, whose fourth byte is 255).
void ComposeRows(const uint8_t *bgra, size_t stride, Dib &picture, Progress &progress) {
  const int n = picture.ProgramRows() ? 4 : 3;
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t *in = bgra + stride * static_cast<size_t>(y);
    uint8_t *out = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      const int a = in[4 * x + 3];
      uint8_t *q = out + n * x;
      for (int c = 0; c < 3; ++c) q[c] = OverWhite(in[4 * x + c], a);
      if (n == 4) q[3] = 255;
    }
    progress.Report(90 + 10 * static_cast<int64_t>(y + 1) / picture.Height(), 100);
  }
}

// A new picture: 24 bits, or the program's rows.
Dib NewPicture(int width, int height, bool programRows) {
  return programRows ? Dib::CreateProgramRows(width, height) : Dib::Create(width, height, 24);
}

Dib FirstFrame(const WebPData &data, Progress &progress, bool programRows) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) Fail(MX_ERR_INTERNAL);
  options.color_mode = MODE_BGRA;
  options.use_threads = 0;
  std::unique_ptr<WebPAnimDecoder, AnimDelete> decoder(WebPAnimDecoderNew(&data, &options));
  if (!decoder) Fail(MX_ERR_CORRUPT);
  WebPAnimInfo info;
  if (!WebPAnimDecoderGetInfo(decoder.get(), &info)) Fail(MX_ERR_CORRUPT);
  Dib picture = NewPicture(static_cast<int>(info.canvas_width),
                           static_cast<int>(info.canvas_height), programRows);
  uint8_t *canvas = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || canvas == nullptr)
    Fail(MX_ERR_CORRUPT);
  progress.Report(90, 100);
  ComposeRows(canvas, 4 * static_cast<size_t>(info.canvas_width), picture, progress);
  return picture;
}

Dib Still(const uint8_t *d, size_t n, const WebPBitstreamFeatures &features, Progress &progress,
          bool programRows) {
  const int width = features.width, height = features.height;
  Dib picture = NewPicture(width, height, programRows);
  std::vector<uint8_t> bgra;
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) Fail(MX_ERR_INTERNAL);
  config.output.is_external_memory = 1;
  if (features.has_alpha) {
    CheckDimensions(width, height, 32);
    bgra.resize(4 * static_cast<size_t>(width) * static_cast<size_t>(height));
    config.output.colorspace = MODE_BGRA;
    config.output.u.RGBA.rgba = bgra.data();
    config.output.u.RGBA.stride = 4 * width;
    config.output.u.RGBA.size = bgra.size();
  } else if (programRows) {
    // The program's rows run top-down; an opaque picture's alpha is 255.
    config.output.colorspace = MODE_BGRA;
    config.output.u.RGBA.rgba = picture.Pixels();
    config.output.u.RGBA.stride = static_cast<int>(picture.Stride());
    config.output.u.RGBA.size = static_cast<size_t>(picture.Stride()) * static_cast<size_t>(height);
  } else {
    // DIB rows run bottom-up: libwebp's flipped output writes them where they belong.
    config.output.colorspace = MODE_BGR;
    config.options.flip = 1;
    config.output.u.RGBA.rgba = picture.Pixels();
    config.output.u.RGBA.stride = static_cast<int>(picture.Stride());
    config.output.u.RGBA.size = static_cast<size_t>(picture.Stride()) * static_cast<size_t>(height);
  }
  std::unique_ptr<WebPIDecoder, IDecDelete> decoder(WebPIDecode(nullptr, 0, &config));
  if (!decoder) Fail(MX_ERR_NO_MEMORY);
  VP8StatusCode status = VP8_STATUS_SUSPENDED;
  for (size_t fed = 0; fed < n && status == VP8_STATUS_SUSPENDED;) {
    fed = std::min(n, fed + kFeedBytes);
    // The whole mapped file stays in place: each call only tells how much of it is there.
    status = WebPIUpdate(decoder.get(), d, fed);
    int rows = 0;
    WebPIDecodedArea(decoder.get(), nullptr, nullptr, nullptr, &rows);
    progress.Report(90 * static_cast<int64_t>(rows) / height, 100);
  }
  if (status != VP8_STATUS_OK) Fail(CodeOf(status));
  decoder.reset();
  if (features.has_alpha)
    ComposeRows(bgra.data(), 4 * static_cast<size_t>(width), picture, progress);
  return picture;
}

}  // namespace

bool IsWebp(const uint8_t *d, size_t n) {
  return n >= 16 && std::memcmp(d, "RIFF", 4) == 0 && std::memcmp(d + 8, "WEBPVP8", 7) == 0;
}

WebpFacts ReadWebpFacts(const uint8_t *d, size_t n) {
  WebPBitstreamFeatures features;
  const VP8StatusCode status = WebPGetFeatures(d, n, &features);
  if (status != VP8_STATUS_OK) Fail(CodeOf(status));
  WebpFacts f;
  f.width = features.width;
  f.height = features.height;
  f.alpha = features.has_alpha != 0;
  f.animated = features.has_animation != 0;
  f.lossless = features.format == 2;
  if (f.animated) {
    const WebPData data = {d, n};
    std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&data));
    if (demux) f.frames = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_FRAME_COUNT));
  }
  return f;
}

Dib ReadWebp(const char *name, Progress &progress, bool programRows) {
  MappedFile file(name);
  const uint8_t *d = file.Data();
  const size_t n = file.Size();
  if (!IsWebp(d, n)) Fail(MX_ERR_NOT_WEBP);
  WebPBitstreamFeatures features;
  const VP8StatusCode status = WebPGetFeatures(d, n, &features);
  if (status != VP8_STATUS_OK) Fail(CodeOf(status));
  // Limits before anything is allocated: for an animation the canvas is what is allocated.
  CheckDimensions(features.width, features.height, features.has_animation ? 32 : 24);
  const WebPData data = {d, n};
  // The decoder takes a picture whose last bytes are missing for a whole one; the chunks'
  // sizes tell whether the first frame is all there.
  WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
  std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemuxPartial(&data, &state));
  if (!demux || state == WEBP_DEMUX_PARSE_ERROR) Fail(MX_ERR_CORRUPT);
  WebPIterator frame;
  if (!WebPDemuxGetFrame(demux.get(), 1, &frame)) Fail(MX_ERR_PREMATURE_EOF);
  const bool complete = frame.complete != 0;
  WebPDemuxReleaseIterator(&frame);
  if (!complete) Fail(MX_ERR_PREMATURE_EOF);
  Dib picture = features.has_animation ? FirstFrame(data, progress, programRows)
                                       : Still(d, n, features, progress, programRows);
  if (WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) {
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk)) {
      ProfileToSrgb(picture, chunk.chunk.bytes, chunk.chunk.size);
      WebPDemuxReleaseChunkIterator(&chunk);
    }
  }
  return picture;
}

}  // namespace mx
