#pragma once
// What the readers of photographs share: the stored orientation (EXIF 1 to 8) turned into an
// upright picture, and colours described by an embedded profile brought to sRGB.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "Dib.h"

namespace mx {

// The orientation an EXIF block gives (1 to 8); 1 when there is none or it cannot be read.
// `data` may start with the "Exif\0\0" header of a JPEG APP1 segment.
int ExifOrientation(const uint8_t *data, size_t size);

// Orientations 5 to 8 exchange width and height.
inline bool SwapsSides(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

// The picture turned and mirrored as `orientation` says, so that it stands upright: 2
// mirrors left to right, 3 turns half a turn, 4 mirrors top to bottom, 5 transposes, 6 turns
// a quarter clockwise, 7 transposes the other way, 8 turns a quarter anticlockwise. 1 and
// unknown values give the picture back as it is.
Dib Upright(Dib picture, int orientation);

// Converts the picture from the colours an ICC profile describes to sRGB, in place. Only
// RGB profiles on colour pictures (24 bits, the program's 32-bit rows, or the colour table
// of indexed ones) are applied; other profiles, and profiles that cannot be read, leave the
// picture as it is.
void ProfileToSrgb(Dib &picture, const void *icc, size_t size);

// The conversion between two profiles that each describe their colours by three curves and
// a matrix (most photographs' profiles: Display P3, Adobe RGB, ...), as tables: linear light
// per channel in fixed point, the matrix from the source's primaries to sRGB's, and sRGB's
// encoding of linear light. Its pixels are within one level of Little CMS's own transform,
// at a fifth of its time.
class MatrixShaper {
 public:
  // The tables for an open Little CMS profile (a cmsHPROFILE), or none when the profile is not
  // an RGB matrix-shaper one or describes something no photograph holds.
  static std::optional<MatrixShaper> For(void *profile);
  // Converts `pixels` pixels in place, blue, green, red in each pixel's first three bytes
  // (the fourth of the program's rows is left as it is).
  void Row(uint8_t *bgr, int pixels, int bytesPerPixel) const;

 private:
  static constexpr int kFraction = 14;
  static constexpr int32_t kOne = 1 << kFraction;
  // Red, green and blue in linear light, fixed point with kFraction bits, and a spare lane.
  typedef int32_t Lanes __attribute__((vector_size(16)));
  MatrixShaper() = default;
  // For each source channel and value: that channel's linear light times the matrix's column.
  Lanes contribution_[3][256] = {};
  uint8_t encoded_[kOne + 1] = {};  // sRGB's 8-bit value of each linear level
};

// The same conversion for a 24-bit picture (or one in the program's rows) whose rows a
// decoder is still writing, top row first: the rows are converted on a second thread, a band
// at a time, while the decoder goes on with the next ones, so a photograph with a profile
// loads in little more than the time its decoding takes. The pixels come out exactly as
// ProfileToSrgb makes them. Small pictures, and machines with one core, are converted by
// Finish alone.
class RowsToSrgb {
 public:
  // Does nothing unless `picture` has 24 bits (or is in the program's rows) and the profile
  // is a usable non-sRGB RGB one.
  RowsToSrgb(Dib &picture, const void *icc, size_t size);
  // Stops the second thread; rows not yet converted stay as they are (the decode failed).
  ~RowsToSrgb();
  RowsToSrgb(const RowsToSrgb &) = delete;
  RowsToSrgb &operator=(const RowsToSrgb &) = delete;

  // Rows 0 to rows - 1 are decoded.
  void RowsDecoded(int rows);
  // Every row is decoded: converts what is left, with both threads, and returns when all is.
  void Finish();

  static constexpr int kBandRows = 64;
  static constexpr int64_t kPixelsWorthAThread = 1 << 20;

 private:
  int BandCount() const;
  void Convert(bool finishing);

  Dib &picture_;
  std::optional<MatrixShaper> shaper_;
  void *transform_ = nullptr;  // Little CMS's transform, for profiles the tables cannot serve
  std::thread helper_;
  std::mutex mutex_;
  std::condition_variable ready_;
  int decodedBands_ = 0;  // bands whose rows are all decoded
  int nextBand_ = 0;      // the next band to convert
  bool finished_ = false, stopping_ = false;
};

// The same for colours given by their primaries and white point (CIE xy) and a transfer
// curve numbered as in video signalling (1, 6, 14, 15 the television curve, 4 gamma 2.2,
// 5 gamma 2.8, 8 linear, 13 sRGB). Primaries equal to sRGB's with the sRGB or television
// curve, and curves not listed, leave the picture as it is.
struct Chromaticities {
  double redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;
};
void PrimariesToSrgb(Dib &picture, const Chromaticities &c, int transfer);

}  // namespace mx
