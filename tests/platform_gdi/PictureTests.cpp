#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImageWriter>

#include <functional>

#include "TempDir.h"
#include "core/Errors.h"
#include "gdi/ImageMemory.h"
#include "gdi/Picture.h"

namespace {

void Put16(QByteArray &b, int v) {
  b.append(char(v & 0xff));
  b.append(char((v >> 8) & 0xff));
}
void Put32(QByteArray &b, uint32_t v) {
  Put16(b, int(v & 0xffff));
  Put16(b, int(v >> 16));
}

// A bitmap file: header, colour table and the given pixel data (rows bottom-up).
QByteArray BmpFile(int w, int h, int bits, int compression, const QList<QRgb> &palette,
                   const QByteArray &pixels) {
  QByteArray info;
  Put32(info, 40);
  Put32(info, uint32_t(w));
  Put32(info, uint32_t(h));
  Put16(info, 1);
  Put16(info, bits);
  Put32(info, uint32_t(compression));
  Put32(info, uint32_t(pixels.size()));
  Put32(info, 2835);
  Put32(info, 2835);
  Put32(info, uint32_t(palette.size()));
  Put32(info, 0);
  for (QRgb c : palette) {
    info.append(char(qBlue(c)));
    info.append(char(qGreen(c)));
    info.append(char(qRed(c)));
    info.append('\0');
  }
  QByteArray file("BM");
  Put32(file, uint32_t(14 + info.size() + pixels.size()));
  Put32(file, 0);
  Put32(file, uint32_t(14 + info.size()));
  return file + info + pixels;
}

// Uncompressed rows from a function giving the stored value of each pixel.
QByteArray Rows(int w, int h, int bits, const std::function<uint32_t(int, int)> &value) {
  const int stride = ((w * bits + 31) / 32) * 4;
  QByteArray data(stride * h, '\0');
  for (int y = 0; y < h; ++y) {  // file row y is picture row h - 1 - y
    uchar *row = reinterpret_cast<uchar *>(data.data()) + y * stride;
    for (int x = 0; x < w; ++x) {
      const uint32_t v = value(x, h - 1 - y);
      switch (bits) {
        case 1:
          row[x / 8] |= uchar(v << (7 - x % 8));
          break;
        case 4:
          row[x / 2] |= uchar(x % 2 ? v : v << 4);
          break;
        case 8:
          row[x] = uchar(v);
          break;
        case 24:
          for (int i = 0; i < 3; ++i) row[3 * x + i] = uchar(v >> (8 * i));
          break;
        case 32:
          for (int i = 0; i < 4; ++i) row[4 * x + i] = uchar(v >> (8 * i));
          break;
      }
    }
  }
  return data;
}

const QList<QRgb> kPalette = {
    qRgb(0, 0, 0),    qRgb(255, 0, 0),  qRgb(0, 255, 0),  qRgb(0, 0, 255),
    qRgb(10, 20, 30), qRgb(40, 50, 60), qRgb(70, 80, 90), qRgb(1, 2, 3),
    qRgb(4, 5, 6),    qRgb(7, 8, 9),    qRgb(11, 12, 13), qRgb(14, 15, 16),
    qRgb(17, 18, 19), qRgb(20, 21, 22), qRgb(23, 24, 25), qRgb(26, 27, 28)};

QString FolderNamed(const TempDir &dir, const QString &name) {
  QDir(dir.Path()).mkdir(name);
  return dir.File(name);
}

}  // namespace

TEST(Picture, EveryBitmapDepthLoadsWithItsPalette) {
  TempDir dir;
  const int w = 7, h = 3;
  auto index = [](int x, int y) { return uint32_t((x + 2 * y) % 4); };
  auto rgb = [](int x, int y) { return uint32_t(qRgb(x * 30, y * 70, 200)); };
  struct Case {
    const char *name;
    int bits;
    QList<QRgb> palette;
    std::function<uint32_t(int, int)> value;
    std::function<QRgb(int, int)> expect;
  } cases[] = {
      {"1 bit",
       1,
       {qRgb(0, 0, 0), qRgb(255, 255, 255)},
       [](int x, int y) { return uint32_t((x + y) % 2); },
       [](int x, int y) { return (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); }},
      {"4 bits", 4, kPalette, index, [&](int x, int y) { return kPalette[int(index(x, y))]; }},
      {"8 bits", 8, kPalette, index, [&](int x, int y) { return kPalette[int(index(x, y))]; }},
      {"24 bits", 24, {}, rgb, [&](int x, int y) { return QRgb(rgb(x, y)) | 0xff000000u; }},
      {"32 bits", 32, {}, rgb, [&](int x, int y) { return QRgb(rgb(x, y)) | 0xff000000u; }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const QString path =
        dir.Write(QStringLiteral("p%1.bmp").arg(c.bits),
                  BmpFile(w, h, c.bits, 0, c.palette, Rows(w, h, c.bits, c.value)));
    platform::Picture picture;
    picture.LoadFromFile(path);
    EXPECT_EQ(picture.GetKind(), platform::Picture::Kind::Bitmap);
    EXPECT_EQ(picture.BitsPerPixel(), c.bits);
    ASSERT_EQ(picture.Width(), w);
    ASSERT_EQ(picture.Height(), h);
    if (c.bits <= 8) {
      EXPECT_FALSE(picture.Bitmap().colorTable().isEmpty()) << "kept indexed";
    }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        EXPECT_EQ(QColor(picture.Bitmap().pixel(x, y)), QColor(c.expect(x, y))) << x << "," << y;
  }
}

TEST(Picture, RunLengthBitmaps) {
  TempDir dir;
  // 8 bits, 4 x 2: bottom row 1 1 2 3, top row 2 2 2 2.
  const QByteArray rle8("\x02\x01\x01\x02\x01\x03\x00\x00\x04\x02\x00\x01", 12);
  // 4 bits, 4 x 1: alternating 1 and 2 as one run.
  const QByteArray rle4("\x04\x12\x00\x01", 4);
  platform::Picture p8, p4;
  p8.LoadFromFile(dir.Write(QStringLiteral("rle8.BMP"), BmpFile(4, 2, 8, 1, kPalette, rle8)));
  p4.LoadFromFile(dir.Write(QStringLiteral("rle4.bmp"), BmpFile(4, 1, 4, 2, kPalette, rle4)));
  const QRgb expect8[2][4] = {{kPalette[2], kPalette[2], kPalette[2], kPalette[2]},
                              {kPalette[1], kPalette[1], kPalette[2], kPalette[3]}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(p8.Bitmap().pixel(x, y), expect8[y][x]) << x << "," << y;
  for (int x = 0; x < 4; ++x) EXPECT_EQ(p4.Bitmap().pixel(x, 0), kPalette[x % 2 ? 2 : 1]) << x;
  EXPECT_EQ(p4.BitsPerPixel(), 4);
}

TEST(Picture, IconsLoadThroughTheIconReader) {
  TempDir dir;
  QImage icon(16, 16, QImage::Format_ARGB32);
  icon.fill(qRgba(0, 128, 255, 255));
  const QString path = dir.File(QStringLiteral("x.ico"));
  QImageWriter writer(path, "ico");
  ASSERT_TRUE(writer.write(icon)) << writer.errorString().toStdString();
  platform::Picture picture;
  picture.LoadFromFile(path);
  EXPECT_EQ(picture.GetKind(), platform::Picture::Kind::Icon);
  EXPECT_EQ(picture.Width(), 16);
  EXPECT_EQ(QColor(picture.Bitmap().pixel(3, 3)), QColor(0, 128, 255));
}

TEST(Picture, AssignmentIsADeepCopy) {
  QImage image(2, 2, QImage::Format_RGB32);
  image.fill(Qt::red);
  platform::Picture a;
  a.AssignBitmap(image);
  platform::Picture b;
  b = a;
  const_cast<QImage &>(a.Bitmap()).fill(Qt::blue);  // even through a cast, b keeps its pixels
  EXPECT_EQ(QColor(b.Bitmap().pixel(0, 0)), QColor(Qt::red));
  platform::Picture c(b);
  b.Clear();
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(c.Width(), 2);
}

TEST(Picture, UnreadableFilesFailClearly) {
  TempDir dir;
  const QByteArray good = BmpFile(2, 2, 8, 0, kPalette, Rows(2, 2, 8, [](int, int) { return 1u; }));
  QByteArray badDepth = good;
  badDepth[28] = 7;
  QByteArray hugeSize = good;  // 2^30 x 2^30 pixels announced
  hugeSize[21] = 0x40;
  hugeSize[25] = 0x40;
  struct Case {
    const char *name;
    QString file;
    const char *textStart;
  } cases[] = {
      {"missing file", dir.File(QStringLiteral("none.bmp")), "Impossible d'ouvrir le fichier"},
      {"empty file", dir.Write(QStringLiteral("empty.bmp"), {}), "Image illisible"},
      {"not a bitmap", dir.Write(QStringLiteral("text.bmp"), "hello, world"), "Image illisible"},
      {"truncated rows", dir.Write(QStringLiteral("cut.bmp"), good.left(good.size() - 6)),
       "Image illisible"},
      {"unknown depth", dir.Write(QStringLiteral("depth.bmp"), badDepth), "Image illisible"},
      {"beyond the memory limit", dir.Write(QStringLiteral("huge.bmp"), hugeSize),
       "Image trop grande"},
      {"garbage icon", dir.Write(QStringLiteral("bad.ico"), "nothing"), "Image illisible"},
      {"unknown extension", dir.Write(QStringLiteral("x.gif"), good), "Extension d'image inconnue"},
      {"a folder", FolderNamed(dir, QStringLiteral("folder.bmp")),
       "Impossible d'ouvrir le fichier"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    platform::Picture picture;
    picture.AssignBitmap(QImage(1, 1, QImage::Format_RGB32));
    try {
      picture.LoadFromFile(c.file);
      ADD_FAILURE() << "no failure";
    } catch (const platform::Failure &f) {
      EXPECT_TRUE(f.Text().startsWith(QString::fromUtf8(c.textStart))) << f.Text().toStdString();
    }
    EXPECT_EQ(picture.Width(), 1) << "a failed load leaves the picture as it was";
  }
}

TEST(ImageMemory, LimitIsRaisedAndOversizedImagesAreRefused) {
  EXPECT_GT(platform::RaiseImageMemoryLimit(), int64_t(128) << 20);
  EXPECT_NO_THROW(platform::CheckImageFits(10000, 10000, 32, QStringLiteral("x")));  // 400 MB
  EXPECT_THROW(
      platform::CheckImageFits(int64_t(1) << 20, int64_t(1) << 20, 32, QStringLiteral("x")),
      platform::Failure);
  EXPECT_THROW(platform::NewImage(1 << 20, 1 << 20, QImage::Format_RGB32, QStringLiteral("x")),
               platform::Failure);
}
