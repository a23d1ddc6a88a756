// Orientation through libexif and colour profiles through Little CMS.
#include "Photo.h"

#include <lcms2.h>
#include <libexif/exif-data.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

namespace mx {
namespace {

// Where the pixel at (x, y) of the upright picture lies in the stored one.
struct Source {
  int x, y;
};
Source SourceOf(int orientation, int x, int y, int storedWidth, int storedHeight) {
  const int w = storedWidth, h = storedHeight;
  switch (orientation) {
    case 2:
      return {w - 1 - x, y};
    case 3:
      return {w - 1 - x, h - 1 - y};
    case 4:
      return {x, h - 1 - y};
    case 5:
      return {y, x};
    case 6:
      return {y, h - 1 - x};
    case 7:
      return {w - 1 - y, h - 1 - x};
    case 8:
      return {w - 1 - y, x};
    default:
      return {x, y};
  }
}

int Pixel(const uint8_t *row, int x, int bits) {
  if (bits == 8) return row[x];
  if (bits == 4) return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

void SetPixel(uint8_t *row, int x, int bits, int v) {
  if (bits == 8) {
    row[x] = static_cast<uint8_t>(v);
  } else if (bits == 4) {
    const int shift = (x & 1) ? 0 : 4;
    row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(15 << shift)) | (v << shift));
  } else {
    const int shift = 7 - (x & 7);
    row[x >> 3] = static_cast<uint8_t>((row[x >> 3] & ~(1 << shift)) | (v << shift));
  }
}

// Little CMS reports through a global handler; a broken profile is simply not used.
void QuietErrors(cmsContext, cmsUInt32Number, const char *) {}

struct ProfileCloser {
  void operator()(void *p) const {
    if (p != nullptr) cmsCloseProfile(p);
  }
};
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;

// The transform from `source` to sRGB for 24-bit BGR pixels (`bits` 24) or the program's
// 32-bit rows (`bits` 32: the fourth byte is kept), or nullptr when the profile does not
// describe RGB colours or cannot be used. `flags` as Little CMS takes them.
cmsHTRANSFORM ToSrgb(cmsHPROFILE source, cmsUInt32Number flags, int bits) {
  if (source == nullptr || cmsGetColorSpace(source) != cmsSigRgbData) return nullptr;
  ProfilePtr srgb(cmsCreate_sRGBProfile());
  if (!srgb) return nullptr;
  const cmsUInt32Number format = bits == 32 ? TYPE_BGRA_8 : TYPE_BGR_8;
  if (bits == 32) flags |= cmsFLAGS_COPY_ALPHA;
  return cmsCreateTransform(source, format, srgb.get(), format, INTENT_PERCEPTUAL, flags);
}

// 24-bit pictures and the program's 32-bit rows have their pixels converted.
bool ConvertsPixels(const Dib &picture) {
  return picture.Bits() == 24 || picture.ProgramRows();
}

// An embedded profile, or none when it is absent, unreadable, or sRGB's own.
ProfilePtr OpenProfile(const void *icc, size_t size) {
  if (icc == nullptr || size < 128 || size > 0x7FFFFFFF) return nullptr;
  cmsSetLogErrorHandler(QuietErrors);
  ProfilePtr source(cmsOpenProfileFromMem(icc, static_cast<cmsUInt32Number>(size)));
  if (!source) return nullptr;
  // A profile that describes sRGB itself changes nothing and costs a pass over every pixel.
  char description[64] = {};
  cmsGetProfileInfoASCII(source.get(), cmsInfoDescription, "en", "US", description,
                         sizeof description);
  if (std::strncmp(description, "sRGB", 4) == 0) return nullptr;
  return source;
}

void Transform(Dib &picture, cmsHPROFILE source) {
  if (!ConvertsPixels(picture) && picture.Bits() > 8) return;
  if (ConvertsPixels(picture)) {
    if (const std::optional<MatrixShaper> shaper = MatrixShaper::For(source)) {
      const int bytesPerPixel = picture.Bits() / 8;
      for (int y = 0; y < picture.Height(); ++y)
        shaper->Row(picture.Row(y), picture.Width(), bytesPerPixel);
      return;
    }
  }
  cmsHTRANSFORM t = ToSrgb(source, 0, picture.Bits() == 32 ? 32 : 24);
  if (t == nullptr) return;
  if (ConvertsPixels(picture)) {
    // Rows are contiguous and equally spaced, so the whole picture is one call.
    const auto stride = static_cast<cmsUInt32Number>(picture.Stride());
    cmsDoTransformLineStride(t, picture.Pixels(), picture.Pixels(),
                             static_cast<cmsUInt32Number>(picture.Width()),
                             static_cast<cmsUInt32Number>(picture.Height()), stride, stride, 0, 0);
  } else {
    std::vector<uint8_t> bgr(3 * static_cast<size_t>(picture.ColorCount()));
    for (int i = 0; i < picture.ColorCount(); ++i) {
      bgr[3 * i] = picture.Colors()[i].rgbBlue;
      bgr[3 * i + 1] = picture.Colors()[i].rgbGreen;
      bgr[3 * i + 2] = picture.Colors()[i].rgbRed;
    }
    cmsDoTransform(t, bgr.data(), bgr.data(), static_cast<cmsUInt32Number>(picture.ColorCount()));
    for (int i = 0; i < picture.ColorCount(); ++i)
      picture.Colors()[i] = RGBQUAD{bgr[3 * i], bgr[3 * i + 1], bgr[3 * i + 2], 0};
  }
  cmsDeleteTransform(t);
}

}  // namespace

// The curves and matrix are read from the profiles and sampled once, the matrix folded into
// the curves' tables: a pixel then costs three look-ups of a column of the matrix already
// multiplied by the channel's linear light, two additions of four lanes, and three look-ups
// of the encoded values. Little CMS's own optimised transform of two matrix-shaper profiles
// has the same steps, but walks them one pixel at a time through its pixel formatters and
// nine separate multiplications: about 10 ns a pixel on the benchmark machine against 2 here.
// Debian ships no faster colour engine (Little CMS's SIMD plugin is not packaged).
std::optional<MatrixShaper> MatrixShaper::For(void *profile) {
  auto *source = static_cast<cmsHPROFILE>(profile);
  if (source == nullptr || cmsGetColorSpace(source) != cmsSigRgbData ||
      cmsGetPCS(source) != cmsSigXYZData || !cmsIsMatrixShaper(source) ||
      cmsIsCLUT(source, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT))
    return std::nullopt;
  ProfilePtr srgb(cmsCreate_sRGBProfile());
  if (!srgb) return std::nullopt;
  const cmsTagSignature colourants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                         cmsSigBlueColorantTag};
  const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
  // Columns: each primary's colour at full strength, in the profiles' D50 XYZ.
  double from[3][3], to[3][3];
  for (int c = 0; c < 3; ++c) {
    const auto *a = static_cast<const cmsCIEXYZ *>(cmsReadTag(source, colourants[c]));
    const auto *b = static_cast<const cmsCIEXYZ *>(cmsReadTag(srgb.get(), colourants[c]));
    if (a == nullptr || b == nullptr) return std::nullopt;
    from[0][c] = a->X, from[1][c] = a->Y, from[2][c] = a->Z;
    to[0][c] = b->X, to[1][c] = b->Y, to[2][c] = b->Z;
  }
  // sRGB's linear light from the source's: the inverse of sRGB's matrix times the source's.
  const double det = to[0][0] * (to[1][1] * to[2][2] - to[1][2] * to[2][1]) -
                     to[0][1] * (to[1][0] * to[2][2] - to[1][2] * to[2][0]) +
                     to[0][2] * (to[1][0] * to[2][1] - to[1][1] * to[2][0]);
  if (std::fabs(det) < 1e-9) return std::nullopt;
  double inverse[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      // Cofactor of (c, r), transposed.
      const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
      inverse[r][c] = (to[r1][c1] * to[r2][c2] - to[r1][c2] * to[r2][c1]) / det;
    }
  int32_t matrix[3][3];
  for (int r = 0; r < 3; ++r) {
    double sum = 0;
    for (int c = 0; c < 3; ++c) {
      double v = 0;
      for (int k = 0; k < 3; ++k) v += inverse[r][k] * from[k][c];
      sum += std::fabs(v);
      matrix[r][c] = static_cast<int32_t>(std::lround(v * kOne));
    }
    // A row's products must add up within 32 bits; the widest real gamuts stay near 3.
    if (!(sum <= 7)) return std::nullopt;
  }
  MatrixShaper s;
  for (int c = 0; c < 3; ++c) {
    const auto *curve = static_cast<const cmsToneCurve *>(cmsReadTag(source, curves[c]));
    if (curve == nullptr) return std::nullopt;
    for (int i = 0; i < 256; ++i) {
      const float v = cmsEvalToneCurveFloat(curve, static_cast<float>(i) / 255.0f);
      const auto linear = static_cast<int32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * kOne));
      s.contribution_[c][i] =
          Lanes{matrix[0][c] * linear, matrix[1][c] * linear, matrix[2][c] * linear, 0};
    }
  }
  const auto *srgbCurve = static_cast<const cmsToneCurve *>(cmsReadTag(srgb.get(), curves[0]));
  if (srgbCurve == nullptr) return std::nullopt;
  cmsToneCurve *encode = cmsReverseToneCurve(srgbCurve);
  if (encode == nullptr) return std::nullopt;
  for (int i = 0; i <= kOne; ++i) {
    const float v = cmsEvalToneCurveFloat(encode, static_cast<float>(i) / kOne);
    s.encoded_[i] = static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
  }
  cmsFreeToneCurve(encode);
  return s;
}

void MatrixShaper::Row(uint8_t *bgr, int pixels, int bytesPerPixel) const {
  const Lanes half = {kOne / 2, kOne / 2, kOne / 2, 0};
  const Lanes none = {0, 0, 0, 0}, full = {kOne, kOne, kOne, kOne};
  for (int x = 0; x < pixels; ++x, bgr += bytesPerPixel) {
    Lanes v = contribution_[0][bgr[2]] + contribution_[1][bgr[1]] + contribution_[2][bgr[0]];
    v = (v + half) >> kFraction;
    v = v < none ? none : v;
    v = v > full ? full : v;
    const uint8_t red = encoded_[v[0]], green = encoded_[v[1]], blue = encoded_[v[2]];
    bgr[0] = blue, bgr[1] = green, bgr[2] = red;
  }
}

int ExifOrientation(const uint8_t *data, size_t size) {
  if (data == nullptr || size < 8 || size > 0xFFFFFFF) return 1;
  ExifData *exif = exif_data_new();
  if (exif == nullptr) return 1;
  // Only the orientation is wanted: the maker notes, often broken, are left unread.
  exif_data_unset_option(exif, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_set_option(exif, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
  exif_data_set_option(exif, EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
  exif_data_load_data(exif, data, static_cast<unsigned int>(size));
  int orientation = 1;
  ExifEntry *entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (entry != nullptr && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 &&
      entry->data != nullptr && entry->size >= 2) {
    const int v = exif_get_short(entry->data, exif_data_get_byte_order(exif));
    if (v >= 1 && v <= 8) orientation = v;
  }
  exif_data_unref(exif);
  return orientation;
}

Dib Upright(Dib picture, int orientation) {
  if (orientation < 2 || orientation > 8) return picture;
  const int bits = picture.Bits();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && !picture.ProgramRows()) return picture;
  const int w = picture.Width(), h = picture.Height();
  const bool swap = SwapsSides(orientation);
  // Whole pixels of 3 or 4 bytes are moved as they are; smaller ones one by one.
  const size_t n = bits >= 24 ? size_t(bits / 8) : 0;
  Dib out = Dib::CreateLike(picture, swap ? h : w, swap ? w : h);
  for (int i = 0; i < picture.ColorCount() && i < out.ColorCount(); ++i)
    out.Colors()[i] = picture.Colors()[i];
  const BITMAPINFOHEADER *header = picture.Header();
  if (swap)
    out.SetResolution(header->biYPelsPerMeter, header->biXPelsPerMeter);
  else
    out.SetResolution(header->biXPelsPerMeter, header->biYPelsPerMeter);
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t *row = out.Row(y);
    if (!swap) {
      // Whole rows keep their pixels together: only their order and direction change.
      const int sy = SourceOf(orientation, 0, y, w, h).y;
      const uint8_t *from = picture.Row(sy);
      const bool mirrored = orientation == 2 || orientation == 3;
      if (!mirrored) {
        std::memcpy(row, from, static_cast<size_t>(picture.Stride()));
      } else if (n != 0) {
        for (int x = 0; x < w; ++x) std::memcpy(row + n * x, from + n * size_t(w - 1 - x), n);
      } else {
        for (int x = 0; x < w; ++x) SetPixel(row, x, bits, Pixel(from, w - 1 - x, bits));
      }
      continue;
    }
    for (int x = 0; x < out.Width(); ++x) {
      const Source s = SourceOf(orientation, x, y, w, h);
      const uint8_t *from = picture.Row(s.y);
      if (n != 0)
        std::memcpy(row + n * size_t(x), from + n * size_t(s.x), n);
      else
        SetPixel(row, x, bits, Pixel(from, s.x, bits));
    }
  }
  return out;
}

void ProfileToSrgb(Dib &picture, const void *icc, size_t size) {
  ProfilePtr source = OpenProfile(icc, size);
  if (source) Transform(picture, source.get());
}

RowsToSrgb::RowsToSrgb(Dib &picture, const void *icc, size_t size) : picture_(picture) {
  if (!ConvertsPixels(picture)) return;
  ProfilePtr source = OpenProfile(icc, size);
  if (source) shaper_ = MatrixShaper::For(source.get());
  // Without the one-pixel cache a transform may serve two threads at once.
  if (!shaper_) transform_ = ToSrgb(source.get(), cmsFLAGS_NOCACHE, picture.Bits());
  if (!shaper_ && transform_ == nullptr) return;
  const int64_t pixels = static_cast<int64_t>(picture.Width()) * picture.Height();
  if (pixels < kPixelsWorthAThread || std::thread::hardware_concurrency() < 2) return;
  try {
    helper_ = std::thread([this] { Convert(false); });
  } catch (const std::system_error &) {
    // No second thread: Finish converts every row itself.
  }
}

RowsToSrgb::~RowsToSrgb() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  if (helper_.joinable()) helper_.join();
  if (transform_ != nullptr) cmsDeleteTransform(transform_);
}

void RowsToSrgb::RowsDecoded(int rows) {
  if (!helper_.joinable()) return;
  // The second thread is woken a band at a time, not for every row.
  const int bands = rows / kBandRows;
  if (bands <= decodedBands_) return;
  {
    std::lock_guard lock(mutex_);
    decodedBands_ = bands;
  }
  ready_.notify_one();
}

void RowsToSrgb::Finish() {
  if (!shaper_ && transform_ == nullptr) return;
  {
    std::lock_guard lock(mutex_);
    decodedBands_ = BandCount();
    finished_ = true;
  }
  ready_.notify_all();
  // This thread takes bands too, so the two threads share what is left.
  Convert(true);
  if (helper_.joinable()) helper_.join();
}

int RowsToSrgb::BandCount() const {
  return (picture_.Height() + kBandRows - 1) / kBandRows;
}

void RowsToSrgb::Convert(bool finishing) {
  const int total = BandCount();
  for (;;) {
    int band;
    {
      std::unique_lock lock(mutex_);
      if (!finishing)
        ready_.wait(lock, [&] { return stopping_ || finished_ || nextBand_ < decodedBands_; });
      if (stopping_ || nextBand_ >= decodedBands_) return;
      band = nextBand_++;
    }
    const int first = band * kBandRows;
    const int end = std::min(first + kBandRows, picture_.Height());
    for (int y = first; y < end; ++y) {
      if (shaper_)
        shaper_->Row(picture_.Row(y), picture_.Width(), picture_.Bits() / 8);
      else
        cmsDoTransform(transform_, picture_.Row(y), picture_.Row(y),
                       static_cast<cmsUInt32Number>(picture_.Width()));
    }
    if (band + 1 >= total) return;
  }
}

void PrimariesToSrgb(Dib &picture, const Chromaticities &c, int transfer) {
  cmsToneCurve *curve = nullptr;
  // Parametric type 4: Y = (aX + b)^g for X >= d, else cX.
  const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  const double video[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
  const bool srgbPrimaries = std::fabs(c.redX - 0.64) < 0.002 && std::fabs(c.redY - 0.33) < 0.002 &&
                             std::fabs(c.greenX - 0.30) < 0.002 &&
                             std::fabs(c.greenY - 0.60) < 0.002 &&
                             std::fabs(c.blueX - 0.15) < 0.002 && std::fabs(c.blueY - 0.06) < 0.002;
  switch (transfer) {
    case 1:
    case 6:
    case 14:
    case 15:
      if (srgbPrimaries) return;  // shown as sRGB, as every viewer does
      curve = cmsBuildParametricToneCurve(nullptr, 4, video);
      break;
    case 13:
      if (srgbPrimaries) return;
      curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
      break;
    case 4:
      curve = cmsBuildGamma(nullptr, 2.2);
      break;
    case 5:
      curve = cmsBuildGamma(nullptr, 2.8);
      break;
    case 8:
      curve = cmsBuildGamma(nullptr, 1.0);
      break;
    default:
      return;
  }
  if (curve == nullptr) return;
  cmsSetLogErrorHandler(QuietErrors);
  const cmsCIExyY white = {c.whiteX, c.whiteY, 1.0};
  const cmsCIExyYTRIPLE primaries = {
      {c.redX, c.redY, 1.0}, {c.greenX, c.greenY, 1.0}, {c.blueX, c.blueY, 1.0}};
  cmsToneCurve *curves[3] = {curve, curve, curve};
  ProfilePtr source(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(curve);
  Transform(picture, source.get());
}

}  // namespace mx
