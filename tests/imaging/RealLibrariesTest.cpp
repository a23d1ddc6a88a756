// End-to-end reads through the real libraries beside the program, with fixtures written
// here by Qt's own writers (a second, independent codec).
#include <dlfcn.h>
#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <QPainter>
#include "DibBlock.h"
#include "FileWrappers.h"
#include "ImagingFixture.h"
#include "RowName.h"
#include "Transitions.h"
#include "core/Paths.h"
#include "win32/WinQt.h"

using namespace imaging;

namespace {

QImage Fixture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb((x * 255) / width, (y * 255) / height, ((x + y) * 7) % 256));
  return image;
}

int MaxChannelDifference(const QImage &a, const QImage &b, QPoint *where) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
      if (d > worst) {
        worst = d;
        *where = QPoint(x, y);
      }
    }
  return worst;
}

}  // namespace

class RealLibraries : public ImagingTest {
 protected:
  void SetUp() override {
    ImagingTest::SetUp();
    if (!QFile::exists(platform::ProgramFolder() + "CRDE2000.DLL") ||
        !QFile::exists(platform::ProgramFolder() + "ISP2000.DLL"))
      GTEST_SKIP() << "the imaging libraries are not built beside the tests";
    UseRealLibraries();
  }
};

namespace {

struct LosslessCase {
  const char *format;
  const char *file;
  std::function<bool(const QString &, TBitmap &)> read;
};
const LosslessCase kLosslessCases[] = {
    {"png", "a.png",
     [](const QString &n, TBitmap &b) { return ReadPngBitmap(n, 24, 0, nullptr, nullptr, b); }},
    {"bmp", "a.bmp",
     [](const QString &n, TBitmap &b) { return ReadBmpBitmap(n, 24, 0, nullptr, nullptr, b); }},
    {"tiff", "a.tif",
     [](const QString &n, TBitmap &b) { return ReadTiffBitmap(n, 24, 0, 0, nullptr, nullptr, b); }},
};
class RealLibrariesLossless : public RealLibraries,
                              public testing::WithParamInterface<LosslessCase> {};

TEST_P(RealLibrariesLossless, FormatsReadBackExactly) {
  const LosslessCase &c = GetParam();
  const QImage picture = Fixture(37, 23);

  SCOPED_TRACE(c.format);
  const QString path = files.File(c.file);
  ASSERT_TRUE(picture.save(path, c.format));
  TBitmap bitmap;
  ASSERT_TRUE(c.read(path, bitmap)) << Binding().LastErrorText.toStdString();
  EXPECT_EQ(bitmap.Width(), 37);
  EXPECT_EQ(bitmap.Height(), 23);
  QPoint where;
  EXPECT_EQ(MaxChannelDifference(bitmap.ToImage(), picture, &where), 0)
      << "at " << where.x() << "," << where.y();
}
INSTANTIATE_TEST_SUITE_P(, RealLibrariesLossless, testing::ValuesIn(kLosslessCases),
                         [](const testing::TestParamInfo<LosslessCase> &info) {
                           return RowName(info.param.format);
                         });

}  // namespace

TEST_F(RealLibraries, JpegReadsCloseToQtsDecoder) {
  const QString path = files.File("a.jpg");
  ASSERT_TRUE(Fixture(64, 48).save(path, "jpg", 95));
  TBitmap bitmap;
  ASSERT_TRUE(ReadJpegBitmap(path, 24, 0, nullptr, nullptr, bitmap))
      << Binding().LastErrorText.toStdString();
  QPoint where;
  // Both decoders use the same inverse DCT family, but may upsample chroma differently.
  EXPECT_LE(MaxChannelDifference(bitmap.ToImage(),
                                 QImage(path).convertToFormat(QImage::Format_RGB32), &where),
            8)
      << "at " << where.x() << "," << where.y();
}

TEST_F(RealLibraries, FileInfoNamesTheFormatByContent) {
  const QString path = files.File("picture.dat");
  ASSERT_TRUE(Fixture(20, 10).save(path, "png"));
  QString type, compression;
  int width = 0, height = 0, bpp = 0, e1 = 0, e2 = 0;
  ASSERT_TRUE(ReadFileInfo(path, type, width, height, bpp, e1, e2, compression));
  EXPECT_EQ(type, "PNG");
  EXPECT_EQ(width, 20);
  EXPECT_EQ(height, 10);
}

TEST_F(RealLibraries, ABrokenJpegFailsWithATextAndUnloadsTheLibrary) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  Fixture(64, 64).save(&buffer, "jpg");
  const QString path = files.Write("cut.jpg", bytes.left(bytes.size() / 3));
  TBitmap bitmap;
  const bool read = ReadJpegBitmap(path, 24, 0, nullptr, nullptr, bitmap);
  if (!read) {
    EXPECT_FALSE(Binding().LastErrorText.isEmpty());
    EXPECT_EQ(Binding().ImagingLibrary, nullptr);
  }
  const QString garbage = FileOf("garbage.jpg", "not a jpeg at all", 200);
  EXPECT_FALSE(ReadJpegBitmap(garbage, 24, 0, nullptr, nullptr, bitmap));
  EXPECT_FALSE(Binding().LastErrorText.isEmpty());
  EXPECT_EQ(Binding().ImagingLibrary, nullptr);
}

TEST_F(RealLibraries, TiffWrittenThroughTheLibraryReadsBack) {
  const QImage picture = Fixture(16, 9);
  TBitmap bitmap;
  bitmap.SetImage(picture);
  const QString path = files.File("out.tif");
  for (int compression : {1, 5, 32773}) {
    SCOPED_TRACE(compression);
    ASSERT_TRUE(WriteTiffBitmap(path, compression, false, 24, &bitmap, nullptr, nullptr))
        << Binding().LastErrorText.toStdString();
    TBitmap back;
    ASSERT_TRUE(ReadTiffBitmap(path, 24, 0, 0, nullptr, nullptr, back));
    QPoint where;
    EXPECT_EQ(MaxChannelDifference(back.ToImage(), picture, &where), 0);
  }
}

TEST_F(RealLibraries, ReducingToEightBitsGivesAPalettedBitmap) {
  HGLOBAL dib = DibOf(Fixture(32, 32), 24);
  TBitmap bitmap;
  ASSERT_EQ(DibToBitmap(dib, 8, 1, bitmap, nullptr, nullptr), 1);
  EXPECT_EQ(bitmap.BitsPerPixel(), 8);
  EXPECT_NE(bitmap.Palette(), nullptr);
  FreeDib(dib);
}

// Cut and flipped copies of a fixture of each format: every read ends with a picture or
// with false and a text, never with a crash (these tests run under the sanitizers).
namespace {

struct BrokenFileCase {
  const char *format;
  std::function<bool(const QString &, TBitmap &)> read;
};
const BrokenFileCase kBrokenFileCases[] = {
    {"png",
     [](const QString &n, TBitmap &b) { return ReadPngBitmap(n, 24, 0, nullptr, nullptr, b); }},
    {"bmp",
     [](const QString &n, TBitmap &b) { return ReadBmpBitmap(n, 8, 1, nullptr, nullptr, b); }},
    {"tiff",
     [](const QString &n, TBitmap &b) { return ReadTiffBitmap(n, 4, 1, 0, nullptr, nullptr, b); }},
    {"jpg",
     [](const QString &n, TBitmap &b) { return ReadJpegBitmap(n, 24, 0, nullptr, nullptr, b); }},
};
class RealLibrariesBrokenFiles : public RealLibraries,
                                 public testing::WithParamInterface<BrokenFileCase> {};

TEST_P(RealLibrariesBrokenFiles, FailCleanlyThroughTheWrappers) {
  const BrokenFileCase &c = GetParam();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(Fixture(40, 30).save(&buffer, c.format));
  std::vector<QByteArray> corpus;
  for (int cut : {30, 45, 64, 100, int(bytes.size()) / 2, int(bytes.size()) - 1})
    if (cut < bytes.size()) corpus.push_back(bytes.left(cut));
  for (int i = 0; i < 12; ++i) {
    QByteArray flipped = bytes;
    const int at = (i * 7919 + 13) % int(bytes.size());
    flipped[at] = char(flipped[at] ^ (0x5A + i));
    corpus.push_back(flipped);
  }
  for (size_t i = 0; i < corpus.size(); ++i) {
    SCOPED_TRACE(std::string(c.format) + " variant " + std::to_string(i));
    const QString path = files.Write(QString("broken%1.%2").arg(i).arg(c.format), corpus[i]);
    Binding().LastErrorText.clear();
    TBitmap bitmap;
    if (c.read(path, bitmap)) {
      EXPECT_GT(bitmap.Width(), 0);
    } else {
      EXPECT_TRUE(bitmap.Empty());
      EXPECT_FALSE(Binding().LastErrorText.isEmpty());
    }
  }
}
INSTANTIATE_TEST_SUITE_P(, RealLibrariesBrokenFiles, testing::ValuesIn(kBrokenFileCases),
                         [](const testing::TestParamInfo<BrokenFileCase> &info) {
                           return RowName(info.param.format);
                         });

}  // namespace

TEST_F(RealLibraries, EveryTransitionEndsWithTheWholeSourceOnTheTarget) {
  const QImage picture = Fixture(24, 16);
  TBitmap source;
  source.SetImage(picture);
  const std::function<bool(HDC)> effects[] = {
      [&](HDC dc) { return SkipHorizontal(dc, source.Handle(), 3, 0); },
      [&](HDC dc) { return SkipVertical(dc, source.Handle(), 3, 0); },
      [&](HDC dc) { return SkipDiagonals(dc, source.Handle(), 3, 0); },
      [&](HDC dc) { return SkipDiagonalSquares(dc, source.Handle(), 3, 0); },
      [&](HDC dc) { return SkipRectangles(dc, source.Handle(), 0); },
  };
  for (size_t i = 0; i < std::size(effects); ++i) {
    SCOPED_TRACE(i + 1);
    QImage target(24, 16, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
      QPainter painter(&target);
      HDC dc = CreateDCForPainter(&painter);
      EXPECT_TRUE(effects[i](dc));
      DeleteDC(dc);
    }
    QPoint where;
    EXPECT_EQ(MaxChannelDifference(target, picture, &where), 0)
        << "at " << where.x() << "," << where.y();
  }
}

TEST_F(RealLibraries, ARunLengthEncodedDibIsShownThroughTheLibrary) {
  // 3 x 2, 8 bits: bottom row three pixels of index 1, top row index 2 then 1 twice.
  const uint8_t stream[] = {3, 1, 0, 0, 1, 2, 2, 1, 0, 0, 0, 1};
  HGLOBAL dib = GlobalAlloc(GHND, 40 + 12 + sizeof stream);
  auto *h = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
  *h = {40, 3, 2, 1, 8, BI_RLE8, sizeof stream, 0, 0, 3, 3};
  auto *table = reinterpret_cast<RGBQUAD *>(h + 1);
  table[1] = {0, 0, 255, 0};
  table[2] = {255, 0, 0, 0};
  std::memcpy(table + 3, stream, sizeof stream);
  GlobalUnlock(dib);
  TBitmap bitmap;
  ASSERT_EQ(DibToBitmap(dib, 24, 0, bitmap, nullptr, nullptr), 1);
  const QImage image = bitmap.ToImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(image.pixel(0, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(2, 0), qRgb(255, 0, 0));
  FreeDib(dib);
}

TEST_F(RealLibraries, DibsWithBrokenHeadersAreRefusedBeforeTheLibrariesSeeThem) {
  const LONG sizes[] = {1, 3, 65535, 0x7FFFFFFF};
  const WORD depths[] = {1, 4, 8, 16, 24, 32};
  for (LONG width : sizes)
    for (LONG height : sizes)
      for (WORD depth : depths)
        for (int wanted : {1, 4, 8, 24}) {
          SCOPED_TRACE(testing::Message()
                       << width << " x " << height << " at " << depth << " to " << wanted);
          HGLOBAL dib = DibOf(Fixture(3, 3), 24);
          auto *h = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
          h->biWidth = width;
          h->biHeight = height;
          h->biBitCount = depth;
          h->biClrUsed = 0;
          GlobalUnlock(dib);
          TBitmap bitmap;
          const int result = DibToBitmap(dib, wanted, 1, bitmap, nullptr, nullptr);
          EXPECT_EQ(result == 1, !bitmap.Empty());
          FreeDib(dib);
        }
}
