// The program's --info on a poster whose picture is each picture format of the program: the
// size and the format it reports. The program runs as a script would run it; its pictures
// lie in the "images" folder beside it, which other tests share, so each picture here has a
// name of its own and goes when the test ends.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <cstdint>
#include <functional>
#include <vector>

#include "Fixtures.h"
#include "PhotoFixtures.h"
#include "RowName.h"
#include "TempDir.h"

namespace {

const QString kProgram = QStringLiteral(MURALIX_PROGRAM);

// A picture in the program's picture folder, removed with this object.
class FolderPicture {
 public:
  explicit FolderPicture(const QString &extension)
      : name_(QStringLiteral("cli-formats-%1-%2.%3")
                  .arg(QCoreApplication::applicationPid())
                  .arg(++count_)
                  .arg(extension)) {
    QDir().mkpath(Folder());
  }
  ~FolderPicture() { QFile::remove(Path()); }
  FolderPicture(const FolderPicture &) = delete;
  FolderPicture &operator=(const FolderPicture &) = delete;

  static QString Folder() { return QFileInfo(kProgram).absolutePath() + QStringLiteral("/images"); }
  QString Name() const { return name_; }
  QString Path() const { return Folder() + u'/' + name_; }

 private:
  static inline int count_ = 0;
  QString name_;
};

bool WriteBytes(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The "key: value" lines of --info, or the failure as the only key.
QMap<QString, QString> Info(const QString &poster) {
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  program.setProcessEnvironment(environment);
  program.start(kProgram, {poster, QStringLiteral("--info")});
  QMap<QString, QString> keys;
  if (!program.waitForFinished(120000) || program.exitStatus() != QProcess::NormalExit ||
      program.exitCode() != 0) {
    keys[QStringLiteral("failure")] = QString::fromLocal8Bit(program.readAllStandardError());
    return keys;
  }
  for (const QString &line : QString::fromLocal8Bit(program.readAllStandardOutput()).split(u'\n')) {
    const qsizetype colon = line.indexOf(QStringLiteral(": "));
    if (colon > 0) keys[line.left(colon)] = line.mid(colon + 2);
  }
  return keys;
}

const Ycc kPhotoCdQuadrants[4] = {{0, 156, 137}, {188, 156, 137}, {94, 156, 137}, {60, 120, 230}};

// The red top-left quarter of a 100 x 100 window, framed as one inch by half an inch.
QByteArray RedQuarterWmf() {
  return WmfBytes({{0x020B, {0, 0}},
                   {0x020C, {100, 100}},
                   {0x02FC, {0, 255, 0, 0}},
                   {0x012D, {0}},
                   {0x041B, {50, 50, 0, 0}}},
                  1440, QRect(0, 0, 1440, 720));
}

// A picture format, the recipe that writes a picture of it, and what --info reports.
struct FormatCase {
  const char *extension;
  std::function<bool(const QString &)> write;
  const char *size, *format;
  const char *resolution;  // pixels per inch on a poster of 105,8 x 79,4 mm, not kept to ratio
};
// Writes `b` as it is.
std::function<bool(const QString &)> Bytes(QByteArray b) {
  return [b](const QString &path) { return WriteBytes(path, b); };
}
// Writes the test pattern of `size` through Qt's writer of `format`.
std::function<bool(const QString &)> Saved(const char *format, QSize size = {40, 30}) {
  return [format, size](const QString &path) {
    return Pattern(size.width(), size.height()).save(path, format);
  };
}
std::vector<FormatCase> FormatCases() {
  const QImage pattern = Pattern(40, 30);
  return {
      {"jpg", Saved("JPG"), "40 x 30", "JPEG", "10"},
      {"png", Saved("PNG"), "40 x 30", "PNG", "10"},
      {"gif", [](const QString &path) { return WriteGif(path, Indexed(40, 30, 16)); }, "40 x 30",
       "GIF", "10"},
      {"tif", Saved("TIFF"), "40 x 30", "TIF", "10"},
      {"pcx", Bytes(PcxBytes(pattern, 24)), "40 x 30", "PCX", "10"},
      {"tga", Bytes(TgaBytes(pattern, 2, 24)), "40 x 30", "TGA", "10"},
      {"eps", Bytes(EpsBytes(60, 40)), "60 x 40", "EPS", "13"},               // a pixel a point
      {"pcd", Bytes(PcdBytes(kPhotoCdQuadrants)), "384 x 256", "PCD", "82"},  // Base/4
      {"dxf", Bytes(DxfBytes()), "1024 x 520", "DXF", "166"},  // the long side spans 1024 pixels
      {"bmp", Bytes(BmpBytes(pattern, 24)), "40 x 30", "BMP", "10"},
      {"wmf", Bytes(RedQuarterWmf()), "96 x 48", "WMF", "vector"},  // at 96 pixels an inch
      {"ico", Saved("ICO", {32, 32}), "32 x 32", "ICO", "8"},
      {"pdf", Bytes(PdfBytes(72, 36)), "96 x 48", "PDF", "vector"},  // points at 96 pixels an inch
      {"svg", Bytes(SvgBytes(50, 20)), "50 x 20", "SVG", "vector"},
  };
}
class CommandLineFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(CommandLineFormats, InfoReportsTheSizeAndFormatOfThePicture) {
  const FormatCase &c = GetParam();
  ASSERT_TRUE(QFileInfo(kProgram).isExecutable()) << kProgram.toStdString();
  TempDir dir;
  FolderPicture picture(QString::fromLatin1(c.extension));
  ASSERT_TRUE(c.write(picture.Path()));
  const QString poster = dir.Write(
      QStringLiteral("p.aff"),
      QStringLiteral("version1\r\n400\r\n300\r\n%1\r\n0\r\n0\r\n").arg(picture.Name()).toLatin1());
  const QMap<QString, QString> info = Info(poster);
  ASSERT_FALSE(info.contains(QStringLiteral("failure")))
      << info.value(QStringLiteral("failure")).toStdString();
  EXPECT_EQ(info.value(QStringLiteral("picture")), picture.Path());
  EXPECT_EQ(info.value(QStringLiteral("picture-size")), QString::fromLatin1(c.size));
  EXPECT_EQ(info.value(QStringLiteral("picture-format")), QString::fromLatin1(c.format));
  EXPECT_EQ(info.value(QStringLiteral("resolution-ppi")), QString::fromLatin1(c.resolution));
}
INSTANTIATE_TEST_SUITE_P(, CommandLineFormats, testing::ValuesIn(FormatCases()),
                         [](const testing::TestParamInfo<FormatCase> &info) {
                           return RowName(info.param.extension);
                         });

// A PNG signature and header chunk declaring width x height 24-bit pixels, and no pixels.
QByteArray PngHeaderOnly(uint32_t width, uint32_t height) {
  QByteArray chunk("IHDR");
  for (uint32_t v : {width, height})
    for (int shift = 24; shift >= 0; shift -= 8) chunk.append(char((v >> shift) & 0xFF));
  chunk.append("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
  uint32_t crc = 0xFFFFFFFFu;
  for (char c : chunk) {
    crc ^= uint8_t(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  crc ^= 0xFFFFFFFFu;
  QByteArray png("\x89PNG\r\n\x1a\n\x00\x00\x00\x0d", 12);
  png += chunk;
  for (int shift = 24; shift >= 0; shift -= 8) png.append(char((crc >> shift) & 0xFF));
  return png + QByteArray(64, '\0');  // long enough to be taken for a picture file
}

// --info reads the size from the picture's header: the size the picture has once loaded
// (upright, for a JPEG turned by its orientation tag), and a size too large to decode
// reported as it stands, since the pixels are never read.
struct HeaderSizeCase {
  const char *name;
  const char *extension;
  std::function<bool(const QString &)> write;
  const char *size, *format;
};

class InfoFromHeader : public testing::TestWithParam<HeaderSizeCase> {};

TEST_P(InfoFromHeader, ReportsThePicturesSize) {
  const HeaderSizeCase &c = GetParam();
  TempDir dir;
  FolderPicture picture(QString::fromLatin1(c.extension));
  ASSERT_TRUE(c.write(picture.Path()));
  const QString poster = dir.Write(
      QStringLiteral("p.aff"),
      QStringLiteral("version1\r\n400\r\n300\r\n%1\r\n0\r\n0\r\n").arg(picture.Name()).toLatin1());
  const QMap<QString, QString> info = Info(poster);
  ASSERT_FALSE(info.contains(QStringLiteral("failure")))
      << info.value(QStringLiteral("failure")).toStdString();
  EXPECT_EQ(info.value(QStringLiteral("picture-size")), QString::fromLatin1(c.size));
  EXPECT_EQ(info.value(QStringLiteral("picture-format")), QString::fromLatin1(c.format));
}

const HeaderSizeCase kHeaderSizeCases[] = {
    {"JPEG turned a quarter by its orientation", "jpg",
     [](const QString &path) {
       return WriteJpegPhoto(path, Pattern(40, 30), 90, {.orientation = 6, .icc = {}});
     },
     "30 x 40", "JPEG"},
    {"JPEG mirrored, not turned", "jpg",
     [](const QString &path) {
       return WriteJpegPhoto(path, Pattern(40, 30), 90, {.orientation = 2, .icc = {}});
     },
     "40 x 30", "JPEG"},
    {"PNG of 2 gigapixels with no pixels", "png",
     [](const QString &path) { return WriteBytes(path, PngHeaderOnly(50000, 40000)); },
     "50000 x 40000", "PNG"},
};

INSTANTIATE_TEST_SUITE_P(, InfoFromHeader, testing::ValuesIn(kHeaderSizeCases), ByRowName());

}  // namespace
