#include "PhotoFixtures.h"

#include <jpeglib.h>
#include <lcms2.h>
#include <libexif/exif-data.h>
#include <libheif/heif.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool Save(const QString &path, const void *data, size_t size) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) &&
         f.write(static_cast<const char *>(data), static_cast<qint64>(size)) ==
             static_cast<qint64>(size);
}

// An EXIF block ("Exif\0\0" and the TIFF structure) holding only the orientation.
std::vector<uint8_t> ExifWithOrientation(int orientation) {
  ExifData *exif = exif_data_new();
  exif_data_set_byte_order(exif, EXIF_BYTE_ORDER_MOTOROLA);
  ExifEntry *entry = exif_entry_new();
  exif_content_add_entry(exif->ifd[EXIF_IFD_0], entry);
  exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
  exif_set_short(entry->data, EXIF_BYTE_ORDER_MOTOROLA, static_cast<ExifShort>(orientation));
  exif_entry_unref(entry);
  unsigned char *data = nullptr;
  unsigned int size = 0;
  exif_data_save_data(exif, &data, &size);
  std::vector<uint8_t> bytes(data, data + size);
  free(data);
  exif_data_unref(exif);
  return bytes;
}

}  // namespace

QByteArray IccProfile(RgbSpace space) {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};  // D65
  cmsCIExyYTRIPLE primaries;
  cmsToneCurve *curve = nullptr;
  if (space == RgbSpace::DisplayP3) {
    primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
  } else {
    primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    curve = cmsBuildGamma(nullptr, 563.0 / 256.0);
  }
  cmsToneCurve *curves[3] = {curve, curve, curve};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(curve);
  cmsMLU *description = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(description, "en", "US",
                 space == RgbSpace::DisplayP3 ? "Display P3 (test)" : "Adobe RGB (test)");
  cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
  cmsMLUfree(description);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  QByteArray bytes(static_cast<qsizetype>(size), '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

bool WriteJpegPhoto(const QString &path, const QImage &source, int quality,
                    const PhotoExtras &extras) {
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (file == nullptr) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  for (int c = 0; c < 3; ++c)
    cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&cinfo, TRUE);
  if (extras.orientation > 0) {
    const std::vector<uint8_t> exif = ExifWithOrientation(extras.orientation);
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  }
  if (!extras.icc.isEmpty())
    jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET *>(extras.icc.constData()),
                           static_cast<unsigned>(extras.icc.size()));
  for (int y = 0; y < image.height(); ++y) {
    JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(y));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

bool WriteTiffPhoto(const QString &path, const QImage &source, const PhotoExtras &extras,
                    bool bilevel) {
  // Qt's 1-bit rows are packed most significant bit first, as TIFF's; index 1 must be white.
  QImage image = source.convertToFormat(bilevel ? QImage::Format_Mono : QImage::Format_RGB888);
  if (bilevel && qGray(image.color(1)) < qGray(image.color(0))) {
    image.invertPixels();
    image.setColor(0, qRgb(0, 0, 0));
    image.setColor(1, qRgb(255, 255, 255));
  }
  TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (tif == nullptr) return false;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.width()));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.height()));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bilevel ? 1 : 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, bilevel ? 1 : 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, bilevel ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 8);
  if (extras.orientation > 0)
    TIFFSetField(tif, TIFFTAG_ORIENTATION, static_cast<uint16_t>(extras.orientation));
  if (!extras.icc.isEmpty())
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(extras.icc.size()),
                 extras.icc.constData());
  bool ok = true;
  for (int y = 0; y < image.height() && ok; ++y)
    ok = TIFFWriteScanline(tif, const_cast<uchar *>(image.constScanLine(y)),
                           static_cast<uint32_t>(y), 0) >= 0;
  TIFFClose(tif);
  return ok;
}

bool WritePngPhoto(const QString &path, const QImage &source, const PhotoExtras &extras) {
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
               static_cast<png_uint_32>(image.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!extras.icc.isEmpty())
    png_set_iCCP(png, info, "test", PNG_COMPRESSION_TYPE_BASE,
                 reinterpret_cast<png_const_bytep>(extras.icc.constData()),
                 static_cast<png_uint_32>(extras.icc.size()));
  png_write_info(png, info);
  for (int y = 0; y < image.height(); ++y) png_write_row(png, image.constScanLine(y));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

bool CanWriteHeif(HeifKind kind) {
  return heif_have_encoder_for_format(kind == HeifKind::Avif ? heif_compression_AV1
                                                             : heif_compression_HEVC) != 0;
}

bool WriteHeif(const QString &path, const QImage &source, HeifKind kind, int quality,
               const PhotoExtras &extras, int bitDepth) {
  const bool alpha = source.hasAlphaChannel();
  const bool deep = bitDepth > 8;
  const QImage image =
      source.convertToFormat(deep ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                                  : (alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888));
  const int w = image.width(), h = image.height();
  heif_image *picture = nullptr;
  const heif_chroma chroma =
      deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
           : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  if (heif_image_create(w, h, heif_colorspace_RGB, chroma, &picture).code != heif_error_Ok)
    return false;
  heif_image_add_plane(picture, heif_channel_interleaved, w, h, bitDepth);
  int stride = 0;
  uint8_t *plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
  const int channels = alpha ? 4 : 3;
  for (int y = 0; y < h; ++y) {
    uint8_t *out = plane + static_cast<size_t>(stride) * y;
    if (!deep) {
      std::memcpy(out, image.constScanLine(y), static_cast<size_t>(w * channels));
      continue;
    }
    // 16-bit channels to `bitDepth` bits, little-endian.
    const auto *in = reinterpret_cast<const uint16_t *>(image.constScanLine(y));
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c) {
        const unsigned v = (in[4 * x + c] * ((1u << bitDepth) - 1) + 32767) / 65535;
        out[2 * (channels * x + c)] = static_cast<uint8_t>(v & 0xFF);
        out[2 * (channels * x + c) + 1] = static_cast<uint8_t>(v >> 8);
      }
  }
  if (!extras.icc.isEmpty())
    heif_image_set_raw_color_profile(picture, "prof", extras.icc.constData(),
                                     static_cast<size_t>(extras.icc.size()));
  heif_context *ctx = heif_context_alloc();
  heif_encoder *encoder = nullptr;
  bool ok =
      heif_context_get_encoder_for_format(
          ctx, kind == HeifKind::Avif ? heif_compression_AV1 : heif_compression_HEVC, &encoder)
          .code == heif_error_Ok;
  if (ok) {
    heif_encoder_set_lossy_quality(encoder, quality);
    heif_encoding_options *options = heif_encoding_options_alloc();
    if (extras.orientation > 0)
      options->image_orientation = static_cast<heif_orientation>(extras.orientation);
    ok = heif_context_encode_image(ctx, picture, encoder, options, nullptr).code == heif_error_Ok;
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
  }
  if (ok)
    ok = heif_context_write_to_file(ctx, QFile::encodeName(path).constData()).code == heif_error_Ok;
  heif_context_free(ctx);
  heif_image_release(picture);
  return ok;
}

namespace {

bool EncodeFrame(const QImage &image, WebPPicture &picture) {
  if (!WebPPictureInit(&picture)) return false;
  picture.width = image.width();
  picture.height = image.height();
  picture.use_argb = 1;
  const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
  return WebPPictureImportRGBA(&picture, rgba.constBits(), static_cast<int>(rgba.bytesPerLine())) !=
         0;
}

}  // namespace

bool WriteWebp(const QString &path, const QImage &source, int quality, const PhotoExtras &extras,
               int frames) {
  WebPConfig config;
  if (!WebPConfigInit(&config)) return false;
  config.lossless = quality < 0 ? 1 : 0;
  config.quality = quality < 0 ? 100.0f : static_cast<float>(quality);
  config.exact = 1;  // keep the colour under transparent pixels as given
  WebPData assembled;
  WebPDataInit(&assembled);
  const QImage image =
      source.hasAlphaChannel() ? source : source.convertToFormat(QImage::Format_RGB32);
  if (frames > 1) {
    WebPAnimEncoderOptions options;
    WebPAnimEncoderOptionsInit(&options);
    WebPAnimEncoder *encoder = WebPAnimEncoderNew(image.width(), image.height(), &options);
    bool ok = encoder != nullptr;
    for (int i = 0; i < frames && ok; ++i) {
      QImage frame = image;
      if (i % 2 == 1) frame.invertPixels();
      WebPPicture picture;
      ok = EncodeFrame(frame, picture) && WebPAnimEncoderAdd(encoder, &picture, i * 100, &config);
      WebPPictureFree(&picture);
    }
    ok = ok && WebPAnimEncoderAdd(encoder, nullptr, frames * 100, nullptr) &&
         WebPAnimEncoderAssemble(encoder, &assembled);
    WebPAnimEncoderDelete(encoder);
    if (!ok) return false;
  } else {
    WebPPicture picture;
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    bool ok = EncodeFrame(image, picture);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    ok = ok && WebPEncode(&config, &picture);
    WebPPictureFree(&picture);
    if (!ok) {
      WebPMemoryWriterClear(&writer);
      return false;
    }
    assembled.bytes = writer.mem;
    assembled.size = writer.size;
  }
  bool ok = true;
  if (!extras.icc.isEmpty()) {
    WebPMux *mux = WebPMuxCreate(&assembled, 1);
    const WebPData icc = {reinterpret_cast<const uint8_t *>(extras.icc.constData()),
                          static_cast<size_t>(extras.icc.size())};
    WebPData withProfile;
    WebPDataInit(&withProfile);
    ok = mux != nullptr && WebPMuxSetChunk(mux, "ICCP", &icc, 1) == WEBP_MUX_OK &&
         WebPMuxAssemble(mux, &withProfile) == WEBP_MUX_OK;
    WebPMuxDelete(mux);
    WebPDataClear(&assembled);
    assembled = withProfile;
  }
  ok = ok && Save(path, assembled.bytes, assembled.size);
  WebPDataClear(&assembled);
  return ok;
}
