// The table of picture formats: what an extension means, and the masks the image choice
// dialog is built from.
#include <gtest/gtest.h>

#include <QSet>

#include "RowName.h"
#include "core/PictureFormats.h"

namespace {

using platform::PictureClass;
using platform::PictureKind;

struct ExtensionCase {
  const char *extension;
  const char *format;  // nullptr: no format of the program
};
const ExtensionCase kExtensionCases[] = {
    {".bmp", "BMP"},  {".BMP", "BMP"},    {".wmf", "WMF"},   {".ico", "ICO"},    {".pcx", "PCX"},
    {".tif", "TIF"},  {".TIFF", "TIF"},   {".gif", "GIF"},   {".jpg", "JPEG"},   {".Jpeg", "JPEG"},
    {".png", "PNG"},  {".pcd", "PCD"},    {".tga", "TGA"},   {".eps", "EPS"},    {".dxf", "DXF"},
    {".pdf", "PDF"},  {".SVG", "SVG"},    {".jpe", nullptr}, {".tif2", nullptr}, {"", nullptr},
    {"bmp", nullptr}, {".svgz", nullptr},
};
class PictureFormatOfExtension : public testing::TestWithParam<ExtensionCase> {};

TEST_P(PictureFormatOfExtension, GivesTheFormatInAnyCase) {
  const ExtensionCase &c = GetParam();
  SCOPED_TRACE(c.extension);
  const platform::PictureFormat *format =
      platform::PictureFormatOfExtension(QString::fromLatin1(c.extension));
  if (c.format == nullptr) {
    EXPECT_EQ(format, nullptr);
  } else {
    ASSERT_NE(format, nullptr);
    EXPECT_STREQ(format->name, c.format);
  }
}
INSTANTIATE_TEST_SUITE_P(, PictureFormatOfExtension, testing::ValuesIn(kExtensionCases),
                         [](const testing::TestParamInfo<ExtensionCase> &info) {
                           const std::string e = info.param.extension;
                           if (e.empty() || e[0] == '.') return RowName(e);
                           return "no_dot_" + RowName(e);
                         });

TEST(PictureFormats, FileNamesGiveTheFormatOfTheirLastExtension) {
  EXPECT_STREQ(platform::PictureFormatOfFile(QStringLiteral("/a.b/poster.Pdf"))->name, "PDF");
  EXPECT_EQ(platform::PictureFormatOfFile(QStringLiteral("/a.pdf/poster")), nullptr);
}

struct ReaderCase {
  const char *name;
  bool platformOnly, pictureClass;
  PictureKind kind;
};
const ReaderCase kReaderCases[] = {
    // The main window loads bitmaps itself, the image component through the library.
    {"BMP", false, true, PictureKind::Raster},  {"WMF", true, true, PictureKind::Vector},
    {"ICO", true, true, PictureKind::Raster},   {"JPEG", false, false, PictureKind::Raster},
    {"DXF", false, false, PictureKind::Raster},  // the library rasterises it
    {"PDF", true, true, PictureKind::Vector},   {"SVG", true, true, PictureKind::Vector},
};
class WhoReadsTheFormat : public testing::TestWithParam<ReaderCase> {};

TEST_P(WhoReadsTheFormat, PlatformOrLibraryAndKind) {
  const ReaderCase &c = GetParam();
  SCOPED_TRACE(c.name);
  const platform::PictureFormat *format = platform::PictureFormatNamed(QString::fromLatin1(c.name));
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(platform::IsPlatformOnlyFormat(format), c.platformOnly);
  EXPECT_EQ(platform::HasPictureClass(format), c.pictureClass);
  EXPECT_EQ(format->kind, c.kind);
}
INSTANTIATE_TEST_SUITE_P(, WhoReadsTheFormat, testing::ValuesIn(kReaderCases), ByRowName());

TEST(PictureFormats, NamesAreExact) {
  EXPECT_EQ(platform::PictureFormatNamed(QStringLiteral("jpeg")), nullptr) << "names are exact";
  EXPECT_EQ(platform::PictureFormatNamed(QStringLiteral("ERR")), nullptr);
  EXPECT_FALSE(platform::IsPlatformOnlyFormat(nullptr));
}

TEST(PictureFormats, EveryRowIsReadBySomeoneAndOwnsItsExtensions) {
  QSet<QString> extensions, names;
  for (const platform::PictureFormat &format : platform::PictureFormats()) {
    SCOPED_TRACE(format.name);
    EXPECT_FALSE(names.contains(QLatin1String(format.name)));
    names.insert(QLatin1String(format.name));
    EXPECT_TRUE(format.readerEntry != nullptr || format.pictureClass != PictureClass::LibraryOnly);
    EXPECT_EQ(format.readerEntry == nullptr, format.readerCall == platform::ReaderCall::NoReader);
    EXPECT_EQ(format.readerEntry == nullptr, format.fuzzTarget == nullptr)
        << "every reader entry of the library is fuzzed";
    ASSERT_NE(format.extensions[0], nullptr);
    for (const char *e : format.extensions) {
      if (e == nullptr) continue;
      const QString extension = QString::fromLatin1(e);
      EXPECT_TRUE(extension.startsWith(u'.') && extension == extension.toLower()) << e;
      EXPECT_FALSE(extensions.contains(extension)) << e << " belongs to one format";
      extensions.insert(extension);
    }
    // The dialog shows the extension it lists: "Jpeg (*.jpg)".
    EXPECT_TRUE(platform::TypeText(format).endsWith(
        QStringLiteral("(%1)").arg(platform::FormatMask(format))));
  }
}

TEST(PictureFormats, AllPicturesMaskKeepsItsFormerOrderAndEndsWithTheNewFormats) {
  EXPECT_EQ(
      platform::AllPicturesMask(),
      QStringLiteral("*.wmf;*.bmp;*.ico;*.pcx;*.tif;*.gif;*.jpg;*.png;*.pcd;*.tga;*.eps;*.dxf;"
                     "*.heic;*.heif;*.avif;*.webp;*.pdf;*.svg"));
  const platform::PictureFormat &metafile = platform::PictureFormats()[1];
  EXPECT_EQ(platform::TypeText(metafile), QStringLiteral("Métafiles (*.wmf)"));
}

}  // namespace
