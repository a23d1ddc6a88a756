// Photo CD pictures, read by hand (no maintained library reads them): the three
// uncompressed resolutions Base/16, Base/4 and Base, stored as PhotoYCC with chroma shared
// by each 2 x 2 block of pixels.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "Files.h"
#include "Readers.h"

namespace mx {
namespace {

struct Resolution {
  size_t offset;
  int width, height;
};
constexpr Resolution kResolutions[3] = {
    {0x2000, 192, 128},   // Base/16
    {0xB800, 384, 256},   // Base/4
    {0x30000, 768, 512},  // Base
};
constexpr size_t kSignatureOffset = 0x800;
constexpr size_t kOrientationOffset = 0xE02;

uint8_t Clip(double v) {
  return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

}  // namespace

Dib ReadPcd(const char *name, int resolution, Progress &progress) {
  MappedFile file(name);
  const uint8_t *data = file.Data();
  const size_t size = file.Size();
  if (size < kSignatureOffset + 7 || std::memcmp(data + kSignatureOffset, "PCD_IPI", 7) != 0)
    Fail(MX_ERR_NOT_PCD);
  if (resolution < 0 || resolution > 2) Fail(MX_ERR_PCD_RESOLUTION);
  const Resolution &r = kResolutions[resolution];
  const size_t need = static_cast<size_t>(r.width) * static_cast<size_t>(r.height) * 3 / 2;
  if (size < r.offset + need) Fail(MX_ERR_PREMATURE_EOF);
  const int orientation = size > kOrientationOffset ? data[kOrientationOffset] & 3 : 0;
  const bool turned = orientation == 1 || orientation == 3;
  const int outW = turned ? r.height : r.width, outH = turned ? r.width : r.height;
  Dib picture = Dib::Create(outW, outH, 24);
  picture.SetResolution(3780, 3780);  // 96 dots per inch

  const uint8_t *p = data + r.offset;
  const size_t w = static_cast<size_t>(r.width);
  for (int pair = 0; pair < r.height / 2; ++pair) {
    const uint8_t *y0 = p, *y1 = p + w, *c1 = p + 2 * w, *c2 = p + 2 * w + w / 2;
    p += 3 * w;
    for (int dy = 0; dy < 2; ++dy) {
      const uint8_t *luma = dy == 0 ? y0 : y1;
      const int sy = 2 * pair + dy;
      for (int sx = 0; sx < r.width; ++sx) {
        const double l = 1.3584 * luma[sx];
        const double cb = 2.2179 * (c1[sx / 2] - 156);
        const double cr = 1.8215 * (c2[sx / 2] - 137);
        int x = sx, y = sy;
        if (orientation == 1) {  // turned a quarter to the left
          x = sy;
          y = r.width - 1 - sx;
        } else if (orientation == 2) {
          x = r.width - 1 - sx;
          y = r.height - 1 - sy;
        } else if (orientation == 3) {  // turned a quarter to the right
          x = r.height - 1 - sy;
          y = sx;
        }
        uint8_t *out = picture.Row(y) + 3 * x;
        out[0] = Clip(l + cb);
        out[1] = Clip(l - 0.194 * cb - 0.509 * cr);
        out[2] = Clip(l + cr);
      }
    }
    progress.Report(pair + 1, r.height / 2);
  }
  return picture;
}

}  // namespace mx
