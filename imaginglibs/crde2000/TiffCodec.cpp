// TIFF through libtiff: any page of a file, its description, and writing pages with the
// usual compressions. libtiff reports errors through a handler and a failed result, so the
// handler only remembers what went wrong.
#include <tiffio.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>
#include <memory>
#include <vector>

#include "Depth.h"
#include "Files.h"
#include "Photo.h"
#include "Readers.h"

namespace mx {
namespace {

// The largest single allocation libtiff may make for one file (strips, tiles, tables).
constexpr tmsize_t kMaxSingleAlloc = tmsize_t{1} << 30;

struct TiffErrors {
  int16_t code = 0;
};

int OnError(TIFF *, void *user, const char *, const char *fmt, va_list args) {
  auto *errors = static_cast<TiffErrors *>(user);
  if (errors->code == 0) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, args);
    if (std::strstr(text, "EOF") || std::strstr(text, "Read error") ||
        std::strstr(text, "end of file") || std::strstr(text, "Cannot read") ||
        std::strstr(text, "past end"))
      errors->code = MX_ERR_PREMATURE_EOF;
    else if (std::strstr(text, "memory") || std::strstr(text, "Memory"))
      errors->code = MX_ERR_NO_MEMORY;
    else
      errors->code = MX_ERR_CORRUPT;
  }
  return 1;
}

int OnWarning(TIFF *, void *, const char *, const char *, va_list) {
  return 1;
}

// The error libtiff reported, or `fallback` when it reported none.
int16_t Or(int16_t reported, int fallback) {
  return reported != 0 ? reported : static_cast<int16_t>(fallback);
}

struct TiffCloser {
  void operator()(TIFF *tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr Open(const char *name, const char *mode, TiffErrors &errors, int16_t failure) {
  TIFFOpenOptions *opts = TIFFOpenOptionsAlloc();
  if (opts == nullptr) Fail(MX_ERR_NO_MEMORY);
  TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMaxSingleAlloc);
  TIFFOpenOptionsSetErrorHandlerExtR(opts, OnError, &errors);
  TIFFOpenOptionsSetWarningHandlerExtR(opts, OnWarning, nullptr);
  TiffPtr tif(TIFFOpenExt(name, mode, opts));
  TIFFOpenOptionsFree(opts);
  if (!tif) Fail(failure != 0 ? failure : Or(errors.code, MX_ERR_CORRUPT));
  return tif;
}

void CheckMagic(const char *name) {
  FilePtr f = OpenForReading(name);
  unsigned char m[4] = {};
  if (std::fread(m, 1, 4, f.get()) != 4) Fail(MX_ERR_NOT_TIFF);
  const bool little = m[0] == 'I' && m[1] == 'I' && (m[2] == 42 || m[2] == 43) && m[3] == 0;
  const bool big = m[0] == 'M' && m[1] == 'M' && m[2] == 0 && (m[3] == 42 || m[3] == 43);
  if (!little && !big) Fail(MX_ERR_NOT_TIFF);
}

// Pages count from 1, as the program numbers them; 0 also means the first page.
void Select(TIFF *tif, int page, TiffErrors &errors) {
  const int directory = page <= 1 ? 0 : page - 1;
  if (!TIFFSetDirectory(tif, static_cast<tdir_t>(directory)))
    Fail(page == 0 ? Or(errors.code, MX_ERR_NO_PAGE) : static_cast<int16_t>(MX_ERR_NO_PAGE));
}

// The orientation tag, 1 (rows from the top, columns from the left) when absent or invalid.
int OrientationOf(TIFF *tif) {
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  return orientation >= 1 && orientation <= 8 ? orientation : ORIENTATION_TOPLEFT;
}

// Pictures libtiff's general RGBA path decodes: anything not handled row by row below. The
// rows come as stored (asking for the file's own orientation makes libtiff flip nothing),
// and Upright turns them afterwards: libtiff would mirror orientations 5 to 8 but not turn
// them.
Dib ReadRgba(TIFF *tif, int width, int height, int orientation, TiffErrors &errors,
             Progress &progress, bool programRows) {
  Dib picture =
      programRows ? Dib::CreateProgramRows(width, height) : Dib::Create(width, height, 24);
  // The program's rows are 32 bits a pixel, top-down and unpadded like libtiff's raster:
  // libtiff writes into them and each pixel is turned into the program's order where it is.
  std::vector<uint32_t> own;
  if (!programRows) own.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  uint32_t *raster = programRows ? reinterpret_cast<uint32_t *>(picture.Row(0)) : own.data();
  if (!TIFFReadRGBAImageOriented(tif, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                                 raster, orientation, 0))
    Fail(Or(errors.code, MX_ERR_UNSUPPORTED));
  if (errors.code != 0) Fail(errors.code);
  const int n = programRows ? 4 : 3;
  for (int y = 0; y < height; ++y) {
    const uint32_t *src = raster + static_cast<size_t>(y) * static_cast<size_t>(width);
    uint8_t *dst = picture.Row(y);
    for (int x = 0; x < width; ++x) {
      const uint32_t p = src[x];
      const int a = static_cast<int>(TIFFGetA(p));
      // Transparent parts lie on white, as on the paper of a poster.
      auto over = [a](uint32_t c) {
        return static_cast<uint8_t>((static_cast<int>(c) * a + 255 * (255 - a) + 127) / 255);
      };
      uint8_t *out = dst + static_cast<size_t>(n) * static_cast<size_t>(x);
      out[0] = over(TIFFGetB(p));
      out[1] = over(TIFFGetG(p));
      out[2] = over(TIFFGetR(p));
      if (programRows) out[3] = 255;
    }
    progress.Report(y + 1, height);
  }
  return picture;
}

}  // namespace

Dib ReadTiff(const char *name, int page, Progress &progress, bool programRows) {
  CheckMagic(name);
  TiffErrors errors;
  TiffPtr owner = Open(name, "r", errors, 0);
  TIFF *tif = owner.get();
  Select(tif, page, errors);

  uint32_t w = 0, h = 0;
  uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISWHITE, planar = PLANARCONFIG_CONTIG;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h))
    Fail(MX_ERR_CORRUPT);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
    photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;
  const int orientation = OrientationOf(tif);
  CheckDimensions(w, h, programRows ? 32 : 24);
  const int width = static_cast<int>(w), height = static_cast<int>(h);

  float xres = 0, yres = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
  TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres);
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  const double perMeter = unit == RESUNIT_CENTIMETER ? 100.0
                          : unit == RESUNIT_INCH     ? 10000.0 / 254.0
                                                     : 0;
  auto pels = [perMeter](float r) {
    return r > 0 && r < 1e6f ? static_cast<int32_t>(r * perMeter + 0.5) : 0;
  };

  const bool indexed =
      spp == 1 && (bps == 1 || bps == 2 || bps == 4 || bps == 8) &&
      (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE ||
       photometric == PHOTOMETRIC_PALETTE);
  const bool rgb =
      photometric == PHOTOMETRIC_RGB && bps == 8 && spp >= 3 && planar == PLANARCONFIG_CONTIG;
  // The picture as the file shows it: colours in sRGB, turned upright.
  auto finish = [&](Dib picture) {
    uint32_t iccSize = 0;
    void *icc = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc != nullptr)
      ProfileToSrgb(picture, icc, iccSize);
    return Upright(std::move(picture), orientation);
  };
  if (TIFFIsTiled(tif) || (!indexed && !rgb)) {
    Dib picture = ReadRgba(tif, width, height, orientation, errors, progress, programRows);
    picture.SetResolution(pels(xres), pels(yres));
    return finish(std::move(picture));
  }

  // True colour goes straight into the program's rows when they are asked for; indexed
  // pictures keep their palette and are widened by the caller.
  const int bits = indexed ? (bps == 2 ? 4 : bps) : 24;
  const bool direct = programRows && !indexed;
  Dib picture = direct ? Dib::CreateProgramRows(width, height) : Dib::Create(width, height, bits);
  picture.SetResolution(pels(xres), pels(yres));
  if (photometric == PHOTOMETRIC_PALETTE) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) Fail(MX_ERR_CORRUPT);
    const int n = 1 << bps;
    // Some writers store 8-bit values in the 16-bit table.
    bool eightBit = true;
    for (int i = 0; i < n; ++i)
      if (r[i] > 255 || g[i] > 255 || b[i] > 255) eightBit = false;
    const int shift = eightBit ? 0 : 8;
    for (int i = 0; i < n; ++i)
      picture.Colors()[i] =
          RGBQUAD{static_cast<uint8_t>(b[i] >> shift), static_cast<uint8_t>(g[i] >> shift),
                  static_cast<uint8_t>(r[i] >> shift), 0};
  } else if (indexed) {
    const int n = 1 << bps;
    for (int i = 0; i < n; ++i) {
      int v = i * 255 / (n - 1);
      if (photometric == PHOTOMETRIC_MINISWHITE) v = 255 - v;
      picture.Colors()[i] =
          RGBQUAD{static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v), 0};
    }
  }
  const tmsize_t lineSize = TIFFScanlineSize(tif);
  if (lineSize <= 0) Fail(MX_ERR_CORRUPT);
  std::vector<uint8_t> line(static_cast<size_t>(lineSize));
  const size_t stride = static_cast<size_t>(picture.Stride());
  for (int y = 0; y < height; ++y) {
    if (TIFFReadScanline(tif, line.data(), static_cast<uint32_t>(y), 0) < 0)
      Fail(Or(errors.code, MX_ERR_CORRUPT));
    uint8_t *row = picture.Row(y);
    if (bps == 2) {
      for (int x = 0; x < width; ++x) {
        const int v = (line[static_cast<size_t>(x >> 2)] >> (6 - 2 * (x & 3))) & 3;
        row[x >> 1] =
            (x & 1) ? static_cast<uint8_t>(row[x >> 1] | v) : static_cast<uint8_t>(v << 4);
      }
    } else if (indexed) {
      std::memcpy(row, line.data(), std::min(stride, line.size()));
    } else {
      const size_t n = direct ? 4 : 3;
      for (int x = 0; x < width; ++x) {
        const uint8_t *p = line.data() + static_cast<size_t>(x) * spp;
        uint8_t *out = row + n * static_cast<size_t>(x);
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
        if (direct) out[3] = 255;
      }
    }
    progress.Report(y + 1, height);
  }
  if (errors.code != 0) Fail(errors.code);
  return finish(std::move(picture));
}

TiffInfo ReadTiffInfo(const char *name, int page, int32_t *pageCount) {
  CheckMagic(name);
  TiffErrors errors;
  TiffPtr owner = Open(name, "r", errors, 0);
  TIFF *tif = owner.get();
  TiffInfo info;
  info.pageCount = TIFFNumberOfDirectories(tif);
  // Known before the page is looked for: a caller asking for a page past the end learns
  // which page is the last.
  if (pageCount) *pageCount = info.pageCount;
  Select(tif, page, errors);
  uint32_t w = 0, h = 0;
  uint16_t bps = 1, spp = 1, compression = COMPRESSION_NONE;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  info.width = static_cast<int>(std::min<uint32_t>(w, INT32_MAX));
  info.height = static_cast<int>(std::min<uint32_t>(h, INT32_MAX));
  if (SwapsSides(OrientationOf(tif))) std::swap(info.width, info.height);
  info.bitsPerPixel = bps * spp;
  info.compression = compression;
  return info;
}

void WriteTiff(const char *name, int compression, int bits, bool append, const Surface &source,
               int32_t xPelsPerMeter, Progress &progress) {
  const bool fax = compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
                   compression == COMPRESSION_CCITTFAX4;
  if (!fax && compression != COMPRESSION_NONE && compression != COMPRESSION_LZW &&
      compression != COMPRESSION_PACKBITS)
    Fail(MX_ERR_BAD_COMPRESSION);
  // Fax compressions know only black and white: other depths are brought to 1 bit.
  int target = bits != 0 ? bits : source.bits <= 8 ? source.bits : 24;
  if (fax) target = 1;
  Dib converted;
  Surface s = source;
  if (target != source.bits) {
    converted = ConvertDepth(source, target, true);
    s = converted.View();
  }

  // Two grey levels, black and white, are bilevel; any other pair keeps its colours.
  bool bilevel = false, invert = false;
  if (s.bits == 1) {
    auto level = [&](int i) {
      const RGBQUAD c = i < s.colorCount ? s.colors[i] : RGBQUAD{0, 0, 0, 0};
      return c.rgbRed * 299 + c.rgbGreen * 587 + c.rgbBlue * 114;
    };
    auto pure = [&](int i) {
      const RGBQUAD c = i < s.colorCount ? s.colors[i] : RGBQUAD{0, 0, 0, 0};
      return c.rgbRed == c.rgbGreen && c.rgbGreen == c.rgbBlue &&
             (c.rgbRed == 0 || c.rgbRed == 255);
    };
    bilevel = fax || (pure(0) && pure(1) && level(0) != level(1));
    invert = level(0) < level(1);  // written min-is-white: index 0 must be the light one
  }

  struct stat st {};
  const bool existed = ::stat(name, &st) == 0;
  if (append && existed) CheckMagic(name);
  TiffErrors errors;
  TiffPtr owner = Open(name, append ? "a" : "w", errors, MX_ERR_CANNOT_CREATE);
  TIFF *tif = owner.get();
  bool ok = true;
  auto set = [&](bool r) { ok = ok && r; };
  set(TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(s.width)));
  set(TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(s.height)));
  set(TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG));
  set(TIFFSetField(tif, TIFFTAG_COMPRESSION, static_cast<uint16_t>(compression)));
  if (append) set(TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE));
  if (s.bits == 24) {
    set(TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8));
    set(TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3));
    set(TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB));
  } else {
    set(TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits));
    set(TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1));
    if (bilevel) {
      set(TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE));
    } else {
      set(TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE));
      const size_t n = size_t{1} << s.bits;
      std::vector<uint16_t> r(n), g(n), b(n);
      for (size_t i = 0; i < n; ++i) {
        const RGBQUAD c = static_cast<int>(i) < s.colorCount ? s.colors[i] : RGBQUAD{0, 0, 0, 0};
        r[i] = static_cast<uint16_t>(c.rgbRed * 257);
        g[i] = static_cast<uint16_t>(c.rgbGreen * 257);
        b[i] = static_cast<uint16_t>(c.rgbBlue * 257);
      }
      set(TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data()));
    }
  }
  if (compression == COMPRESSION_CCITTFAX3) set(TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, 0));
  set(TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0)));
  const float dpi = xPelsPerMeter > 0 ? static_cast<float>(xPelsPerMeter * 0.0254) : 75.0f;
  set(TIFFSetField(tif, TIFFTAG_XRESOLUTION, dpi));
  set(TIFFSetField(tif, TIFFTAG_YRESOLUTION, dpi));
  set(TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH));
  if (!ok) Fail(MX_ERR_WRITE);

  auto fail = [&](int16_t code) {
    owner.reset();
    if (!append || !existed) ::unlink(name);  // no half-written file left behind
    Fail(code);
  };
  const size_t rowBytes = static_cast<size_t>((static_cast<int64_t>(s.width) * s.bits + 7) / 8);
  std::vector<uint8_t> line(rowBytes);
  for (int y = 0; y < s.height; ++y) {
    const uint8_t *row = s.Row(y);
    if (s.bits == 24) {
      for (int x = 0; x < s.width; ++x) {
        line[3 * static_cast<size_t>(x)] = row[3 * x + 2];
        line[3 * static_cast<size_t>(x) + 1] = row[3 * x + 1];
        line[3 * static_cast<size_t>(x) + 2] = row[3 * x];
      }
    } else {
      std::memcpy(line.data(), row, rowBytes);
      if (bilevel && invert)
        for (uint8_t &b : line) b = static_cast<uint8_t>(~b);
    }
    if (TIFFWriteScanline(tif, line.data(), static_cast<uint32_t>(y), 0) < 0) fail(MX_ERR_WRITE);
    try {
      progress.Report(y + 1, s.height);
    } catch (const Error &e) {
      fail(e.Code());
    }
  }
  if (!TIFFWriteDirectory(tif)) fail(MX_ERR_WRITE);
  owner.reset();
}

}  // namespace mx
