#pragma once
// Photographs for the tests, written with the codec libraries' own encoders: JPEG and TIFF
// with an orientation and a colour profile, HEIC and AVIF through libheif, WebP through
// libwebp, and ICC profiles made by Little CMS.
#include <QByteArray>
#include <QImage>
#include <QString>

// RGB colour spaces the profile tests tag pictures with.
enum class RgbSpace { DisplayP3, AdobeRgb };
// An ICC profile of the space (matrix and curves), as Little CMS writes it.
QByteArray IccProfile(RgbSpace space);

// Optional parts of a written photograph.
struct PhotoExtras {
  int orientation = 0;  // EXIF / TIFF orientation 1..8 (HEIF: rotation and mirroring); 0 none
  QByteArray icc;       // embedded colour profile; empty none
};

// JPEG through libjpeg, 4:4:4 at `quality`; the orientation as an EXIF block made by libexif.
bool WriteJpegPhoto(const QString &path, const QImage &image, int quality,
                    const PhotoExtras &extras = {});
// TIFF through libtiff: 8-bit RGB rows as stored, or 1-bit black and white (min-is-black)
// when `bilevel`.
bool WriteTiffPhoto(const QString &path, const QImage &image, const PhotoExtras &extras = {},
                    bool bilevel = false);
// PNG through libpng, 8-bit RGB, with an iCCP chunk when a profile is given.
bool WritePngPhoto(const QString &path, const QImage &image, const PhotoExtras &extras = {});

// HEIC (HEVC) or AVIF (AV1) through libheif. Alpha is kept when the image has it; `bitDepth`
// 8 or 10 (10 bits from the image's 16-bit channels, Format_RGBA64).
enum class HeifKind { Heic, Avif };
bool WriteHeif(const QString &path, const QImage &image, HeifKind kind, int quality,
               const PhotoExtras &extras = {}, int bitDepth = 8);
// Whether libheif has an encoder for the kind (the tests of a missing one are skipped).
bool CanWriteHeif(HeifKind kind);

// WebP through libwebp: lossy at `quality`, or lossless when quality < 0; alpha kept when the
// image has it; an ICCP chunk through libwebpmux. `frames` > 1 writes an animation whose
// first frame is `image` and whose later frames are its colours inverted.
bool WriteWebp(const QString &path, const QImage &image, int quality,
               const PhotoExtras &extras = {}, int frames = 1);
