// The image component with every picture format of the program: which reader it asks for
// which depth, TIFF pages, the program's bitmap resources, the image information each path
// fills in, the end-of-load event, and broken files.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <cstdlib>
#include <functional>
#include <string>

#include "Binding.h"
#include "Fixtures.h"
#include "ImageView.h"
#include "RowName.h"
#include "TempDir.h"

using imagecomp::TImageView;

namespace {

// "" when the pictures agree within `tolerance` per channel, else the first pixel that
// differs.
std::string Compare(const QImage &expected, const QImage &got, int tolerance = 0) {
  if (expected.size() != got.size())
    return "size " + std::to_string(got.width()) + " x " + std::to_string(got.height());
  const QImage a = expected.convertToFormat(QImage::Format_RGB32);
  const QImage b = got.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      if (std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance ||
          std::abs(qBlue(p) - qBlue(q)) > tolerance)
        return "pixel " + std::to_string(x) + "," + std::to_string(y) + ": " +
               QColor(q).name().toStdString() + " instead of " + QColor(p).name().toStdString();
    }
  return "";
}

// A smooth picture, for JPEG: little for its compression to lose.
QImage Smooth(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 4 % 256, y * 4 % 256, 90));
  return image;
}

QImage Solid(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// The red square in the top-left quarter of a 100 x 100 window, no outline, framed as one
// inch by half an inch.
QByteArray RedQuarterWmf() {
  const std::vector<WmfRecord> records = {
      {0x020B, {0, 0}},           // window origin
      {0x020C, {100, 100}},       // window extent
      {0x02FC, {0, 255, 0, 0}},   // solid red brush, object 0
      {0x012D, {0}},              // selected
      {0x02FA, {5, 0, 0, 0, 0}},  // null pen, object 1
      {0x012D, {1}},              // selected
      {0x041B, {50, 50, 0, 0}},   // rectangle bottom, right, top, left
  };
  // 96 x 48 screen pixels.
  return WmfBytes(records, 1440, QRect(0, 0, 1440, 720));
}

const Ycc kPhotoCdQuadrants[4] = {{0, 156, 137}, {188, 156, 137}, {94, 156, 137}, {60, 120, 230}};

// EPS as the interpreter draws it at 72 dots per inch: one pixel a point.
QImage EpsPicture(int w, int h) {
  QImage image = Solid(w, h, qRgb(0, 0, 255));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w / 2; ++x) image.setPixel(x, y, qRgb(255, 0, 0));
  return image;
}

class ImageViewFormats : public ::testing::Test {
 protected:
  QString Save(const QString &name, const QImage &image, const char *format) {
    EXPECT_TRUE(image.save(dir_.File(name), format)) << name.toStdString();
    return dir_.File(name);
  }
  QString Gif(const QString &name, const QImage &indexed) {
    EXPECT_TRUE(WriteGif(dir_.File(name), indexed));
    return dir_.File(name);
  }
  QString Png(const QString &name, const QImage &indexed, int bits) {
    EXPECT_TRUE(WritePalettePng(dir_.File(name), indexed, bits));
    return dir_.File(name);
  }
  // Three pages of different sizes and colours, appended one by one.
  QString ThreePageTiff(const QString &name) {
    for (const QImage &page : pages_) {
      imaging::TBitmap bitmap;
      bitmap.SetImage(page);
      EXPECT_TRUE(
          imaging::WriteTiffBitmap(dir_.File(name), 1, true, 24, &bitmap, nullptr, nullptr));
    }
    return dir_.File(name);
  }
  const QImage pages_[3] = {Solid(10, 6, qRgb(255, 0, 0)), Solid(20, 12, qRgb(0, 255, 0)),
                            Solid(30, 18, qRgb(0, 0, 255))};
  TempDir dir_;
};

// ---- Depth asked of the reader ---------------------------------------------------------

namespace {

class ImageViewFewColours;

struct FewColoursCase {
  const char *name;
  std::function<QString(ImageViewFewColours &)> make;
  int infoBits;
  bool monochrome;
};
class ImageViewFewColours : public ImageViewFormats,
                            public testing::WithParamInterface<FewColoursCase> {
 public:
  using ImageViewFormats::dir_;
  using ImageViewFormats::Gif;
  using ImageViewFormats::Png;
  using ImageViewFormats::Save;
};

std::vector<FewColoursCase> FewColoursCases() {
  // GIF below 3 bits a pixel, every other format below 4, are read at a low depth though the
  // program asks for true colour: 1 bit only when they are black and white, so 4 or 8
  // colours stay colours.
  const QImage twoColours = Indexed(24, 10, 2);
  return {
      {"GIF, 2 colours", [=](ImageViewFewColours &f) { return f.Gif("c2.gif", twoColours); }, 1,
       true},
      {"GIF, 4 colours",
       [=](ImageViewFewColours &f) { return f.Gif("c4.gif", Indexed(24, 10, 4)); }, 2, false},
      {"GIF, 8 colours",
       [=](ImageViewFewColours &f) { return f.Gif("c8.gif", Indexed(24, 10, 8)); }, 3, false},
      {"PNG, 1 bit", [=](ImageViewFewColours &f) { return f.Png("p1.png", twoColours, 1); }, 1,
       true},
      {"PNG, 2 bits",
       [=](ImageViewFewColours &f) { return f.Png("p2.png", Indexed(24, 10, 4), 2); }, 2, false},
      {"PNG, 4 bits",
       [=](ImageViewFewColours &f) { return f.Png("p4.png", Indexed(24, 10, 16), 4); }, 4, false},
      {"BMP, 1 bit",
       [=](ImageViewFewColours &f) { return f.dir_.Write("b1.bmp", BmpBytes(twoColours, 1)); }, 1,
       true},
      {"BMP, 4 bits",
       [=](ImageViewFewColours &f) {
         return f.dir_.Write("b4.bmp", BmpBytes(Indexed(24, 10, 16), 4));
       },
       4, false},
      {"PCX, 1 bit",
       [=](ImageViewFewColours &f) { return f.dir_.Write("x1.pcx", PcxBytes(twoColours, 1)); }, 1,
       true},
      {"PCX, 4 bits",
       [=](ImageViewFewColours &f) {
         return f.dir_.Write("x4.pcx", PcxBytes(Indexed(24, 10, 16), 4));
       },
       4, false},
  };
}

TEST_P(ImageViewFewColours, AreReadAtLowDepthKeepingTheirColours) {
  const FewColoursCase &c = GetParam();
  SCOPED_TRACE(c.name);
  TImageView view;
  view.SetImageReadRes(imaging::lColorTrue);
  view.SetImageName(c.make(*this));
  ASSERT_TRUE(view.Picture().HasContent());
  EXPECT_EQ(view.InfoBitsPerPixel, c.infoBits);
  EXPECT_EQ(view.Picture().Bitmap().BitsPerPixel() == 1, c.monochrome)
      << view.Picture().Bitmap().BitsPerPixel() << " bits a pixel";
  if (c.infoBits == 2) {
    // Red, blue and yellow of a 4-colour picture are not turned black.
    EXPECT_EQ(Compare(Indexed(24, 10, 4), view.Picture().ToImage()), "");
  }
}
INSTANTIATE_TEST_SUITE_P(, ImageViewFewColours, testing::ValuesIn(FewColoursCases()), ByRowName());

}  // namespace

TEST_F(ImageViewFormats, BlackAndWhiteStayExactWhenReadMonochrome) {
  const QImage twoColours = Indexed(24, 10, 2);
  // Black and white stay exactly black and white when read monochrome.
  TImageView view;
  view.SetImageReadRes(imaging::lColorTrue);
  view.SetImageName(Gif("bw.gif", twoColours));
  EXPECT_EQ(Compare(twoColours, view.Picture().ToImage()), "");
}

// ---- TIFF pages -------------------------------------------------------------------------

namespace {

struct TiffPageCase {
  int16_t asked, kept;
  int shown;  // index into pages_
};
const TiffPageCase kTiffPageCases[] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 1}, {3, 3, 2}, {5, 3, 2}};
class ImageViewTiffPage : public ImageViewFormats,
                          public testing::WithParamInterface<TiffPageCase> {};

TEST_P(ImageViewTiffPage, IsShownAndLoweredToTheLastPage) {
  const TiffPageCase &c = GetParam();
  const QString path = ThreePageTiff("three.tif");

  SCOPED_TRACE("page " + std::to_string(c.asked));
  TImageView view;
  view.SetImageReadRes(imaging::lColorTrue);
  view.SetTiffPage(c.asked);
  view.SetImageName(path);
  EXPECT_EQ(view.TiffPage(), c.kept);
  EXPECT_EQ(view.InfoPageCount, 3);
  EXPECT_EQ(Compare(pages_[c.shown], view.Picture().ToImage()), "");
  EXPECT_EQ(view.InfoWidth, pages_[c.shown].width());
}
INSTANTIATE_TEST_SUITE_P(, ImageViewTiffPage, testing::ValuesIn(kTiffPageCases),
                         [](const testing::TestParamInfo<TiffPageCase> &info) {
                           return "page_" + RowName(info.param.asked);
                         });

}  // namespace

// ---- The program's bitmap resources -----------------------------------------------------

class ImageViewResources : public ImageViewFormats {
 protected:
  void SetUp() override {
    saved_ = QDir::searchPaths(QStringLiteral("bitmaps"));
    QDir::setSearchPaths(QStringLiteral("bitmaps"), {resources_.Path()});
  }
  void TearDown() override { QDir::setSearchPaths(QStringLiteral("bitmaps"), saved_); }
  QStringList saved_;
  TempDir resources_;
};

namespace {

struct ResourceCase {
  const char *name;
  QImage image;
  int bits;
};
std::vector<ResourceCase> ResourceCases() {
  return {
      {"24 bits", Pattern(23, 11), 24},
      {"8 bits", Indexed(23, 11, 200), 8},
      {"1 bit", Indexed(23, 11, 2), 1},
  };
}
class ImageViewResourceName : public ImageViewResources,
                              public testing::WithParamInterface<ResourceCase> {};

TEST_P(ImageViewResourceName, LoadsTheProgramsBitmapWithoutAFile) {
  const ResourceCase &c = GetParam();
  SCOPED_TRACE(c.name);
  resources_.Write(QStringLiteral("LOGO.bmp"), BmpBytes(c.image, c.bits));
  TImageView view;
  int finished = 0;
  view.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  // No file has this name; only its part before the first dot counts.
  view.SetImageName(dir_.File(QStringLiteral("nowhere/LOGO.BMP.RES")));
  ASSERT_TRUE(view.Picture().HasContent());
  EXPECT_EQ(Compare(c.image, view.Picture().ToImage()), "");
  EXPECT_EQ(view.InfoFormat, QStringLiteral("RES"));
  EXPECT_EQ(view.InfoCompression, QStringLiteral("BMP"));
  EXPECT_EQ(view.InfoWidth, 23);
  EXPECT_EQ(view.InfoHeight, 11);
  // The size of the picture as a packed DIB: header, colour table, rows padded to 4 bytes;
  // 16- and 32-bit bitmaps become 24-bit DIBs.
  const int bitmapBits = view.Picture().Bitmap().BitsPerPixel();
  const int bits = bitmapBits == 16 || bitmapBits == 32 ? 24 : bitmapBits;
  const int table = bits <= 8 ? 4 << bits : 0;
  const int rowBytes = (23 * bits + 31) / 32 * 4;
  EXPECT_EQ(view.InfoFileSize, 40 + table + rowBytes * 11) << bitmapBits << " bits a pixel";
  EXPECT_EQ(finished, 0) << "a resource read completes without the end-of-load event";
}
INSTANTIATE_TEST_SUITE_P(, ImageViewResourceName, testing::ValuesIn(ResourceCases()), ByRowName());

}  // namespace

TEST_F(ImageViewResources, AMissingResourceGoesToTheHandlerOrFinishesEmpty) {
  const QString name = dir_.File(QStringLiteral("NOSUCH.BMP.RES"));
  TImageView handled;
  QString text;
  int calls = 0;
  handled.OnLibError = [&](TImageView *, int16_t, const QString &t, const char *) {
    ++calls;
    text = t;
  };
  EXPECT_NO_THROW(handled.SetImageName(name));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(text.contains(QStringLiteral("NOSUCH"))) << text.toStdString();
  EXPECT_FALSE(handled.Picture().HasContent());

  TImageView quiet;
  int finished = 0;
  quiet.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  quiet.SetPictureImage(Solid(4, 4, qRgb(1, 2, 3)));
  EXPECT_NO_THROW(quiet.SetImageName(name));
  EXPECT_FALSE(quiet.Picture().HasContent());
  EXPECT_EQ(finished, 1) << "the failed read finishes the load";
}

// ---- Image information ------------------------------------------------------------------

namespace {

class ImageViewLibraryRead;

struct LibraryInfoCase {
  const char *name;
  std::function<QString(ImageViewLibraryRead &)> make;
  const char *format;
  int w, h, bits;
};
class ImageViewLibraryRead : public ImageViewFormats,
                             public testing::WithParamInterface<LibraryInfoCase> {
 public:
  using ImageViewFormats::dir_;
  using ImageViewFormats::Gif;
  using ImageViewFormats::Png;
  using ImageViewFormats::Save;
};

std::vector<LibraryInfoCase> LibraryInfoCases() {
  return {
      {"PNG", [=](ImageViewLibraryRead &f) { return f.Save("i.png", Pattern(41, 17), "PNG"); },
       "PNG", 41, 17, 24},
      {"JPEG", [=](ImageViewLibraryRead &f) { return f.Save("i.jpg", Pattern(41, 17), "JPG"); },
       "JPEG", 41, 17, 24},
      {"GIF", [=](ImageViewLibraryRead &f) { return f.Gif("i.gif", Indexed(41, 17, 16)); }, "GIF",
       41, 17, 4},
      {"PCX",
       [=](ImageViewLibraryRead &f) {
         return f.dir_.Write("i.pcx", PcxBytes(Indexed(41, 17, 200), 8));
       },
       "PCX", 41, 17, 8},
      {"TGA",
       [=](ImageViewLibraryRead &f) {
         return f.dir_.Write("i.tga", TgaBytes(Pattern(41, 17), 2, 24));
       },
       "TGA", 41, 17, 24},
      {"BMP",
       [=](ImageViewLibraryRead &f) {
         return f.dir_.Write("i.bmp", BmpBytes(Pattern(41, 17), 24));
       },
       "BMP", 41, 17, 24},
  };
}

TEST_P(ImageViewLibraryRead, ReportsTheFilesOwnInformation) {
  const LibraryInfoCase &c = GetParam();
  const QString tiff = ThreePageTiff("before.tif");
  SCOPED_TRACE(c.name);
  TImageView view;
  view.SetImageReadRes(imaging::lColorTrue);
  view.SetImageName(tiff);  // leaves a page count behind
  ASSERT_EQ(view.InfoPageCount, 3);
  const QString path = c.make(*this);
  view.SetImageName(path);
  ASSERT_TRUE(view.Picture().HasContent());
  EXPECT_EQ(view.InfoFormat, QString::fromLatin1(c.format));
  EXPECT_EQ(view.InfoWidth, c.w);
  EXPECT_EQ(view.InfoHeight, c.h);
  EXPECT_EQ(view.InfoBitsPerPixel, c.bits);
  EXPECT_EQ(view.InfoFileSize, QFileInfo(path).size());
  EXPECT_EQ(view.InfoPageCount, 0);
  EXPECT_FALSE(view.InfoCompression.isEmpty());
}
INSTANTIATE_TEST_SUITE_P(, ImageViewLibraryRead, testing::ValuesIn(LibraryInfoCases()),
                         ByRowName());

struct TiffInfoCase {
  imaging::TTiffCompression compression;
  const char *name;
  int bits;
};
const TiffInfoCase kTiffInfoCases[] = {
    {imaging::sNONE, "NONE", 24},
    {imaging::sLZW, "LZW", 24},
    {imaging::sPACKBITS, "PACKBITS", 24},
    {imaging::sFAXCCITT4, "FAXCCITT4", 1},
};
class ImageViewTiffInformation : public ImageViewFormats,
                                 public testing::WithParamInterface<TiffInfoCase> {};

TEST_P(ImageViewTiffInformation, NamesItsCompressionAndPages) {
  const TiffInfoCase &c = GetParam();
  const QString png = Save("first.png", Pattern(8, 8), "PNG");

  SCOPED_TRACE(c.name);
  const QString path = dir_.File(QStringLiteral("%1.tif").arg(QLatin1String(c.name)));
  TImageView writer;
  writer.SetTifSaveCompress(c.compression);
  writer.SetImageWriteRes(imaging::sColorTrue);
  writer.SetTiffAppend(true);
  for (const QImage &page : {Pattern(25, 9), Pattern(13, 7)}) {
    writer.SetPictureImage(page);
    writer.SaveTiffFile(path);
  }
  TImageView view;
  view.SetImageReadRes(imaging::lColorTrue);
  view.SetImageName(png);  // the general path leaves extra information behind
  view.SetImageName(path);
  ASSERT_TRUE(view.Picture().HasContent());
  EXPECT_EQ(view.InfoFormat, QStringLiteral("TIF"));
  EXPECT_EQ(view.InfoCompression, QString::fromLatin1(c.name));
  EXPECT_EQ(view.InfoPageCount, 2);
  EXPECT_EQ(view.InfoWidth, 25);
  EXPECT_EQ(view.InfoHeight, 9);
  EXPECT_EQ(view.InfoBitsPerPixel, c.bits);
  EXPECT_EQ(view.InfoExtra1, 0);
  EXPECT_EQ(view.InfoExtra2, 0);
  EXPECT_EQ(view.InfoFileSize, QFileInfo(path).size());
}
INSTANTIATE_TEST_SUITE_P(, ImageViewTiffInformation, testing::ValuesIn(kTiffInfoCases),
                         ByRowName());

class ImageViewDrawingsAndIcons;

struct DrawingInfoCase {
  const char *name;
  std::function<QString(ImageViewDrawingsAndIcons &)> make;
  const char *format;
  int w, h, bits;
  int finished;  // metafiles and icons are read without the end-of-load event
};
class ImageViewDrawingsAndIcons : public ImageViewFormats,
                                  public testing::WithParamInterface<DrawingInfoCase> {
 public:
  using ImageViewFormats::dir_;
  using ImageViewFormats::Gif;
  using ImageViewFormats::Png;
  using ImageViewFormats::Save;
};

std::vector<DrawingInfoCase> DrawingInfoCases() {
  return {
      // A 200 x 100 drawing: the long side spans 1024 pixels, margins included.
      {"DXF", [=](ImageViewDrawingsAndIcons &f) { return f.dir_.Write("d.dxf", DxfBytes()); },
       "DXF", 1024, 520, 24, 1},
      {"WMF", [=](ImageViewDrawingsAndIcons &f) { return f.dir_.Write("m.wmf", RedQuarterWmf()); },
       "WMF", 96, 48, 0, 0},
      {"ICO", [=](ImageViewDrawingsAndIcons &f) { return f.Save("i.ico", Pattern(32, 32), "ICO"); },
       "ICO", 32, 32, 0, 0},
      // Vector pictures like the metafile: 150 x 75 points are 200 x 100 pixels.
      {"PDF",
       [=](ImageViewDrawingsAndIcons &f) { return f.dir_.Write("p.pdf", PdfBytes(150, 75)); },
       "PDF", 200, 100, 0, 0},
      {"SVG", [=](ImageViewDrawingsAndIcons &f) { return f.dir_.Write("s.svg", SvgBytes(64, 40)); },
       "SVG", 64, 40, 0, 0},
  };
}

TEST_P(ImageViewDrawingsAndIcons, ReportTheirOwnInformation) {
  const DrawingInfoCase &c = GetParam();
  SCOPED_TRACE(c.name);
  TImageView view;
  int finished = 0;
  view.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  const QString path = c.make(*this);
  view.SetImageName(path);
  ASSERT_TRUE(view.Picture().HasContent());
  EXPECT_EQ(view.InfoFormat, QString::fromLatin1(c.format));
  EXPECT_EQ(view.InfoCompression, QString::fromLatin1(c.format));
  EXPECT_EQ(view.InfoWidth, c.w);
  EXPECT_EQ(view.InfoHeight, c.h);
  EXPECT_EQ(view.Picture().Width(), c.w);
  EXPECT_EQ(view.Picture().Height(), c.h);
  EXPECT_EQ(view.InfoBitsPerPixel, c.bits);
  EXPECT_EQ(view.InfoFileSize, QFileInfo(path).size());
  EXPECT_EQ(finished, c.finished);
}
INSTANTIATE_TEST_SUITE_P(, ImageViewDrawingsAndIcons, testing::ValuesIn(DrawingInfoCases()),
                         ByRowName());

}  // namespace

TEST_F(ImageViewFormats, InformationOnAMissingMetafileOrIconIsAnError) {
  for (const char *name : {"gone.WMF", "gone.ico"}) {
    SCOPED_TRACE(name);
    TImageView view;
    EXPECT_FALSE(view.ReadImageInfo(dir_.File(QString::fromLatin1(name))));
    EXPECT_EQ(view.InfoFormat, QStringLiteral("ERR"));
    EXPECT_EQ(view.InfoCompression, QStringLiteral("ERR"));
    EXPECT_EQ(view.InfoWidth, -1);
    EXPECT_EQ(view.InfoHeight, -1);
    EXPECT_EQ(view.InfoFileSize, -1);
    EXPECT_EQ(view.InfoBitsPerPixel, -1);
    EXPECT_EQ(view.InfoExtra1, -1);
    EXPECT_EQ(view.InfoExtra2, -1);
  }
}

// ---- Writing without a picture ---------------------------------------------------------

TEST_F(ImageViewFormats, SavingNoPictureTellsTheHandlerAndFinishes) {
  TImageView view;
  int finished = 0, calls = 0;
  QString text;
  view.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  view.OnLibError = [&](TImageView *sender, int16_t, const QString &t, const char *) {
    EXPECT_EQ(sender, &view);
    ++calls;
    text = t;
  };
  EXPECT_NO_THROW(view.SaveTiffFile(dir_.File(QStringLiteral("nothing.tif"))));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(text.contains(QStringLiteral("empty"), Qt::CaseInsensitive)) << text.toStdString();
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(QFileInfo::exists(dir_.File(QStringLiteral("nothing.tif"))));
}

// ---- Settings ---------------------------------------------------------------------------

namespace {

struct JpegSettingCase {
  int given;
  int quality, smooth;  // stored
};
const JpegSettingCase kJpegSettingCases[] = {{0, 25, 5},      {1, 1, 1},    {50, 50, 50},
                                             {100, 100, 100}, {101, 25, 5}, {-3, 25, 5}};
class ImageViewJpegSettings : public testing::TestWithParam<JpegSettingCase> {};

TEST_P(ImageViewJpegSettings, KeepToTheirRange) {
  const JpegSettingCase &c = GetParam();
  SCOPED_TRACE(c.given);
  TImageView view;
  view.SetJPegSaveQuality(c.given);
  view.SetJPegSaveSmooth(c.given);
  EXPECT_EQ(view.JPegSaveQuality(), c.quality);
  EXPECT_EQ(view.JPegSaveSmooth(), c.smooth);
}
INSTANTIATE_TEST_SUITE_P(, ImageViewJpegSettings, testing::ValuesIn(kJpegSettingCases),
                         [](const testing::TestParamInfo<JpegSettingCase> &info) {
                           return "given_" + RowName(info.param.given);
                         });

}  // namespace

TEST(ImageViewSettings, JpegSmoothingStartsAtNone) {
  EXPECT_EQ(TImageView().JPegSaveSmooth(), 0) << "no smoothing until one is chosen";
}

// ---- Every format of the program --------------------------------------------------------

namespace {

class ImageViewPictureFormat;

struct PictureFormatCase {
  const char *name;
  std::function<QString(ImageViewPictureFormat &)> make;
  QSize size;
  QImage pixels;  // exact where the format is lossless; null: size and content only
  int tolerance;
};
class ImageViewPictureFormat : public ImageViewFormats,
                               public testing::WithParamInterface<PictureFormatCase> {
 public:
  using ImageViewFormats::dir_;
  using ImageViewFormats::Gif;
  using ImageViewFormats::Png;
  using ImageViewFormats::Save;
};

std::vector<PictureFormatCase> PictureFormatCases() {
  const QImage pattern = Pattern(40, 30);
  const QImage indexed = Indexed(40, 30, 16);
  return {
      // JPEG is lossy: within 12 a channel on a smooth picture at Qt's default quality.
      {"JPEG",
       [=](ImageViewPictureFormat &f) { return f.Save("f.jpg", Smooth(40, 30), "JPG"); },
       {40, 30},
       Smooth(40, 30),
       12},
      {"PNG",
       [=](ImageViewPictureFormat &f) { return f.Save("f.png", pattern, "PNG"); },
       {40, 30},
       pattern,
       0},
      {"GIF",
       [=](ImageViewPictureFormat &f) { return f.Gif("f.gif", indexed); },
       {40, 30},
       indexed,
       0},
      {"TIFF",
       [=](ImageViewPictureFormat &f) { return f.Save("f.tif", pattern, "TIFF"); },
       {40, 30},
       pattern,
       0},
      {"PCX",
       [=](ImageViewPictureFormat &f) { return f.dir_.Write("f.pcx", PcxBytes(pattern, 24)); },
       {40, 30},
       pattern,
       0},
      {"TGA",
       [=](ImageViewPictureFormat &f) { return f.dir_.Write("f.tga", TgaBytes(pattern, 2, 24)); },
       {40, 30},
       pattern,
       0},
      // 72 dots per inch: a pixel a point.
      {"EPS",
       [=](ImageViewPictureFormat &f) { return f.dir_.Write("f.eps", EpsBytes(60, 40)); },
       {60, 40},
       EpsPicture(60, 40),
       0},
      // The component reads Base/4 unless told otherwise.
      {"PCD",
       [=](ImageViewPictureFormat &f) {
         return f.dir_.Write("f.pcd", PcdBytes(kPhotoCdQuadrants));
       },
       {384, 256},
       {},
       0},
      {"DXF",
       [=](ImageViewPictureFormat &f) { return f.dir_.Write("f.dxf", DxfBytes()); },
       {1024, 520},
       {},
       0},
      {"BMP",
       [=](ImageViewPictureFormat &f) { return f.dir_.Write("f.bmp", BmpBytes(pattern, 24)); },
       {40, 30},
       pattern,
       0},
      {"WMF",
       [=](ImageViewPictureFormat &f) { return f.dir_.Write("f.wmf", RedQuarterWmf()); },
       {96, 48},
       {},
       0},
      {"ICO",
       [=](ImageViewPictureFormat &f) { return f.Save("f.ico", Pattern(32, 32), "ICO"); },
       {32, 32},
       Pattern(32, 32),
       0},
  };
}

TEST_P(ImageViewPictureFormat, LoadsThroughTheComponent) {
  const PictureFormatCase &c = GetParam();
  SCOPED_TRACE(c.name);
  TImageView view;
  view.SetImageReadRes(imaging::lColorTrue);
  view.SetImageName(c.make(*this));
  ASSERT_TRUE(view.Picture().HasContent());
  EXPECT_EQ(QSize(view.Picture().Width(), view.Picture().Height()), c.size);
  EXPECT_EQ(view.Picture().ToImage().size(), c.size);
  if (!c.pixels.isNull()) {
    EXPECT_EQ(Compare(c.pixels, view.Picture().ToImage(), c.tolerance), "");
  }
}
INSTANTIATE_TEST_SUITE_P(, ImageViewPictureFormat, testing::ValuesIn(PictureFormatCases()),
                         ByRowName());

class ImageViewSpotColours;

struct SpotColourCase {
  const char *name;
  std::function<QString(ImageViewSpotColours &)> make;
  QPoint at;
  QRgb colour;
};
class ImageViewSpotColours : public ImageViewFormats,
                             public testing::WithParamInterface<SpotColourCase> {
 public:
  using ImageViewFormats::dir_;
  using ImageViewFormats::Gif;
  using ImageViewFormats::Png;
  using ImageViewFormats::Save;
};

std::vector<SpotColourCase> SpotColourCases() {
  return {
      // PhotoYCC black in the top-left quarter of the picture.
      {"PCD",
       [=](ImageViewSpotColours &f) { return f.dir_.Write("s.pcd", PcdBytes(kPhotoCdQuadrants)); },
       {96, 64},
       qRgb(0, 0, 0)},
      {"DXF margin",
       [=](ImageViewSpotColours &f) { return f.dir_.Write("s.dxf", DxfBytes()); },
       {2, 2},
       qRgb(255, 255, 255)},
      {"WMF, inside the red quarter",
       [=](ImageViewSpotColours &f) { return f.dir_.Write("s.wmf", RedQuarterWmf()); },
       {20, 10},
       qRgb(255, 0, 0)},
      {"WMF, outside it",
       [=](ImageViewSpotColours &f) { return f.dir_.Write("t.wmf", RedQuarterWmf()); },
       {70, 36},
       qRgb(255, 255, 255)},
  };
}

TEST_P(ImageViewSpotColours, OfTheFormatsWithoutExactPixels) {
  const SpotColourCase &c = GetParam();
  SCOPED_TRACE(c.name);
  TImageView view;
  view.SetImageReadRes(imaging::lColorTrue);
  view.SetImageName(c.make(*this));
  ASSERT_TRUE(view.Picture().HasContent());
  EXPECT_EQ(QColor(view.Picture().ToImage().pixel(c.at)), QColor(c.colour));
}
INSTANTIATE_TEST_SUITE_P(, ImageViewSpotColours, testing::ValuesIn(SpotColourCases()), ByRowName());

}  // namespace

// ---- Broken files ------------------------------------------------------------------------

TEST_F(ImageViewFormats, BrokenFilesFailCleanly) {
  const QByteArray pcx = PcxBytes(Pattern(40, 30), 24);
  const QByteArray tga = TgaBytes(Pattern(40, 30), 2, 24, false, false);
  const QByteArray pcd = PcdBytes(kPhotoCdQuadrants);
  const QByteArray wmf = RedQuarterWmf();
  Gif("whole.gif", Indexed(40, 30, 16));
  QFile gifFile(dir_.File(QStringLiteral("whole.gif")));
  gifFile.open(QIODevice::ReadOnly);
  const QByteArray gif = gifFile.readAll();
  const struct {
    const char *name;
    QByteArray bytes;
  } cases[] = {
      {"cut.gif", gif.left(gif.size() / 2)},
      {"cut.pcx", pcx.left(200)},
      {"cut.tga", tga.left(60)},
      {"cut.pcd", pcd.left(0x3000)},
      {"junk.eps", QByteArray("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nnosuchop\n")},
      {"junk.dxf", QByteArray("  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\nnot a number\n")},
      {"cut.tif", QByteArray("II*\0\x08\0\0\0\x40\0", 10) + QByteArray(40, '\xff')},
      {"cut.wmf", wmf.left(wmf.size() - 8)},
      {"junk.ico", QByteArray("\0\0\1\0\1\0", 6) + QByteArray(40, '\x7f')},
      {"cut.pdf", PdfBytes(200, 100).left(400)},
      {"cut.svg", SvgBytes(200, 100).left(150)},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = dir_.Write(QString::fromLatin1(c.name), c.bytes);
    TImageView view;
    int reported = 0;
    view.OnLibError = [&](TImageView *, int16_t, const QString &, const char *) { ++reported; };
    bool raised = false;
    try {
      view.SetImageName(path);
    } catch (const std::exception &) {
      raised = true;  // metafiles, icons, PDF, SVG: the platform's failure reaches the caller
    }
    EXPECT_TRUE(raised || reported > 0) << "the failure is told";
    EXPECT_FALSE(view.Picture().HasContent());
  }
}

}  // namespace
