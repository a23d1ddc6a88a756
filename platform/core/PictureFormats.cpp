#include "PictureFormats.h"

#include <QStringList>

#include "Paths.h"

namespace platform {

namespace {

using enum PictureKind;
using enum PictureClass;
using enum ReaderCall;

// clang-format off
constexpr PictureFormat kFormats[] = {
    // name  type list entry      extensions         kind    class        reader entry      call      fuzz     leads
    {"BMP",  "Bitmaps (*.bmp)",   {".bmp"},          Raster, Bitmap,      "rdbmpfiledib",   Palette,  "bmp",   false},
    {"WMF",  "Métafiles (*.wmf)", {".wmf"},          Vector, Metafile,    nullptr,          NoReader, nullptr, true},
    {"ICO",  "Icônes (*.ico)",    {".ico"},          Raster, Icon,        nullptr,          NoReader, nullptr, false},
    {"PCX",  "Pcx (*.pcx)",       {".pcx"},          Raster, LibraryOnly, "rdpcxfiledib",   Palette,  "pcx",   false},
    {"TIF",  "Tiff (*.tif)",      {".tif", ".tiff"}, Raster, LibraryOnly, "readtiffiledib", Tiff,     "tiff",  false},
    {"GIF",  "Gif (*.gif)",       {".gif"},          Raster, LibraryOnly, "rdgiffiledib",   Gif,      "gif",   false},
    {"JPEG", "Jpeg (*.jpg)",      {".jpg", ".jpeg"}, Raster, LibraryOnly, "rdjpgfiledib",   Jpeg,     "jpeg",  false},
    {"PNG",  "Png (*.png)",       {".png"},          Raster, LibraryOnly, "rdpngfiledib",   Palette,  "png",   false},
    {"PCD",  "Pcd (*.pcd)",       {".pcd"},          Raster, LibraryOnly, "readpcdfiledib", PhotoCd,  "pcd",   false},
    {"TGA",  "Tga (*.tga)",       {".tga"},          Raster, LibraryOnly, "readtgafiledib", Plain,    "tga",   false},
    {"EPS",  "Eps (*.eps)",       {".eps"},          Raster, LibraryOnly, "readepsfiledib", Plain,    "eps",   false},
    {"DXF",  "Dxf (*.dxf)",       {".dxf"},          Raster, LibraryOnly, "readdxftoddb",   Dxf,      "dxf",   false},
    {"HEIC", "Heic (*.heic;*.heif)", {".heic", ".heif"}, Raster, LibraryOnly, "rdheiffiledib", Palette, "heif", false, true},
    {"AVIF", "Avif (*.avif)",     {".avif"},         Raster, LibraryOnly, "rdheiffiledib",  Palette,  "heif",  false},
    {"WEBP", "WebP (*.webp)",     {".webp"},         Raster, LibraryOnly, "rdwebpfiledib",  Palette,  "webp",  false},
    {"PDF",  "Pdf (*.pdf)",       {".pdf"},          Vector, Pdf,         nullptr,          NoReader, nullptr, false},
    {"SVG",  "Svg (*.svg)",       {".svg"},          Vector, Svg,         nullptr,          NoReader, nullptr, false},
};
// clang-format on

}  // namespace

std::span<const PictureFormat> PictureFormats() {
  return kFormats;
}

const PictureFormat *PictureFormatOfExtension(QStringView extension) {
  if (extension.isEmpty()) return nullptr;
  for (const PictureFormat &format : kFormats)
    for (const char *e : format.extensions)
      if (e != nullptr && extension.compare(QLatin1String(e), Qt::CaseInsensitive) == 0)
        return &format;
  return nullptr;
}

const PictureFormat *PictureFormatOfFile(const QString &path) {
  return PictureFormatOfExtension(ExtractFileExt(path));
}

const PictureFormat *PictureFormatNamed(const QString &name) {
  if (name.isEmpty()) return nullptr;
  for (const PictureFormat &format : kFormats)
    if (name == QLatin1String(format.name)) return &format;
  return nullptr;
}

bool IsPlatformOnlyFormat(const PictureFormat *format) {
  return format != nullptr && format->pictureClass != PictureClass::LibraryOnly &&
         format->readerEntry == nullptr;
}

bool HasPictureClass(const PictureFormat *format) {
  return format != nullptr && format->pictureClass != PictureClass::LibraryOnly;
}

QString TypeText(const PictureFormat &format) {
  return QString::fromUtf8(format.typeText);
}

QString FormatMask(const PictureFormat &format) {
  if (!format.masksEveryExtension) return QStringLiteral("*") + QLatin1String(format.extensions[0]);
  QStringList masks;
  for (const char *e : format.extensions)
    if (e != nullptr) masks << QStringLiteral("*") + QLatin1String(e);
  return masks.join(u';');
}

QString AllPicturesMask() {
  QStringList masks;
  for (const PictureFormat &format : kFormats)
    if (format.leadsAllPictures) masks << FormatMask(format);
  for (const PictureFormat &format : kFormats)
    if (!format.leadsAllPictures) masks << FormatMask(format);
  return masks.join(u';');
}

}  // namespace platform
