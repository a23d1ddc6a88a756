// Writes small seed files for the fuzz targets into <folder>/<format>/: several sound files
// of each format, made with the tests' own writers, so every target starts from the
// variants the tests know.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <utility>

#include "Fixtures.h"
#include "PhotoFixtures.h"

namespace {

void Put(const QString &folder, const QString &name, const QByteArray &bytes) {
  QDir().mkpath(folder);
  QFile f(folder + u'/' + name);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

void PutQt(const QString &folder, const QString &name, const QImage &image, const char *format,
           int quality = -1, int compression = -1, bool progressive = false) {
  QDir().mkpath(folder);
  QImageWriter writer(folder + u'/' + name, format);
  if (quality >= 0) writer.setQuality(quality);
  if (compression >= 0) writer.setCompression(compression);
  writer.setProgressiveScanWrite(progressive);
  writer.write(image);
}

// The DXF drawing of the tests cut down to each of its entities alone.
QByteArray DxfWithOnly(const char *entity) {
  const QByteArray all = DxfBytes();
  const qsizetype head = all.indexOf("  0\nLINE");
  const qsizetype tail = all.indexOf("  0\nENDSEC");
  const QByteArray marker = QByteArray("  0\n") + entity + '\n';
  const qsizetype from = all.indexOf(marker, head);
  qsizetype to = all.indexOf("  0\n", from + 4);
  if (from < 0 || to < 0 || to > tail) to = tail;
  return all.left(head) + all.mid(from, to - from) + all.mid(tail);
}

}  // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  const QImage pattern = Pattern(16, 12), i200 = Indexed(16, 12, 200), i16 = Indexed(16, 12, 16),
               i2 = Indexed(16, 12, 2), grey = GreyRamp(16, 12);
  const QString bmp = root + "/bmp", jpeg = root + "/jpeg", png = root + "/png",
                gif = root + "/gif", tiff = root + "/tiff", pcx = root + "/pcx",
                tga = root + "/tga", pcd = root + "/pcd", eps = root + "/eps", dxf = root + "/dxf",
                info = root + "/fileinfo", poster = root + "/poster";
  Put(bmp, "24.bmp", BmpBytes(pattern, 24));
  Put(bmp, "16.bmp", BmpBytes(pattern, 16));
  Put(bmp, "32.bmp", BmpBytes(pattern, 32, true));
  Put(bmp, "8.bmp", BmpBytes(i200, 8));
  Put(bmp, "rle8.bmp", BmpBytes(i200, 8, false, true));
  Put(bmp, "rle4.bmp", BmpBytes(i16, 4, false, true));
  Put(bmp, "1.bmp", BmpBytes(i2, 1));
  PutQt(jpeg, "colour.jpg", pattern, "jpeg");
  PutQt(jpeg, "grey.jpg", grey, "jpeg");
  PutQt(jpeg, "low.jpg", pattern, "jpeg", 5);
  PutQt(jpeg, "high.jpg", pattern, "jpeg", 100);
  PutQt(jpeg, "progressive.jpg", pattern, "jpeg", 75, -1, true);
  PutQt(jpeg, "odd.jpg", Pattern(17, 9), "jpeg");
  PutQt(png, "rgb.png", pattern.convertToFormat(QImage::Format_RGB888), "png");
  PutQt(png, "argb.png", pattern.convertToFormat(QImage::Format_ARGB32), "png");
  PutQt(png, "palette.png", i200, "png");
  PutQt(png, "grey.png", grey, "png");
  PutQt(png, "mono.png", i2.convertToFormat(QImage::Format_Mono), "png");
  WriteInterlacedPng(png + "/interlaced.png", pattern);
  QDir().mkpath(gif);
  WriteGif(gif + "/200.gif", i200);
  WriteGif(gif + "/interlaced.gif", i16, true);
  WriteGif(gif + "/2.gif", i2);
  WriteGif(gif + "/16.gif", i16);
  WriteGif(gif + "/odd.gif", Indexed(17, 9, 200));
  PutQt(tiff, "rgb.tif", pattern.convertToFormat(QImage::Format_RGB888), "tiff");
  PutQt(tiff, "palette.tif", i200, "tiff");
  PutQt(tiff, "mono.tif", i2.convertToFormat(QImage::Format_Mono), "tiff");
  PutQt(tiff, "lzw.tif", pattern.convertToFormat(QImage::Format_RGB888), "tiff", -1, 1);
  PutQt(tiff, "grey.tif", grey, "tiff");
  PutQt(tiff, "argb.tif", pattern.convertToFormat(QImage::Format_ARGB32), "tiff");
  Put(pcx, "24.pcx", PcxBytes(pattern, 24));
  Put(pcx, "8.pcx", PcxBytes(i200, 8));
  Put(pcx, "4.pcx", PcxBytes(i16, 4));
  Put(pcx, "1.pcx", PcxBytes(i2, 1));
  Put(tga, "24.tga", TgaBytes(pattern, 2));
  Put(tga, "rle.tga", TgaBytes(pattern, 10, 32, true));
  Put(tga, "16.tga", TgaBytes(pattern, 2, 16));
  Put(tga, "map.tga", TgaBytes(i200, 9));
  Put(tga, "grey.tga", TgaBytes(grey, 11));
  const Ycc quadrants[4] = {{0, 156, 137}, {188, 156, 137}, {94, 156, 137}, {60, 120, 230}};
  const Ycc greys[4] = {{0, 156, 137}, {80, 156, 137}, {160, 156, 137}, {255, 156, 137}};
  for (int orientation = 0; orientation < 4; ++orientation)
    Put(pcd, QStringLiteral("o%1.pcd").arg(orientation), PcdBytes(quadrants, orientation));
  Put(pcd, "greys.pcd", PcdBytes(greys, 0));
  Put(eps, "a.eps", EpsBytes(20, 10));
  Put(eps, "tall.eps", EpsBytes(8, 40));
  Put(eps, "one.eps", EpsBytes(1, 1));
  Put(eps, "wide.eps", EpsBytes(300, 20));
  Put(dxf, "a.dxf", DxfBytes());
  // Photographs: HEIC and AVIF, WebP lossy, lossless, transparent and animated, and JPEG and
  // TIFF with an orientation and a colour profile.
  const QString heif = root + "/heif", webp = root + "/webp";
  QDir().mkpath(heif);
  QDir().mkpath(webp);
  const QByteArray p3 = IccProfile(RgbSpace::DisplayP3);
  if (CanWriteHeif(HeifKind::Heic)) {
    WriteHeif(heif + "/a.heic", pattern, HeifKind::Heic, 50);
    WriteHeif(heif + "/turned.heic", pattern, HeifKind::Heic, 50, {6, p3});
    WriteHeif(heif + "/alpha.heic", pattern.convertToFormat(QImage::Format_ARGB32), HeifKind::Heic,
              50);
  }
  if (CanWriteHeif(HeifKind::Avif)) WriteHeif(heif + "/a.avif", pattern, HeifKind::Avif, 50);
  WriteWebp(webp + "/lossy.webp", pattern, 50);
  WriteWebp(webp + "/lossless.webp", pattern, -1, {0, p3});
  WriteWebp(webp + "/alpha.webp", pattern.convertToFormat(QImage::Format_ARGB32), -1);
  WriteWebp(webp + "/animated.webp", pattern, -1, {}, 2);
  WriteJpegPhoto(jpeg + "/turned.jpg", pattern, 80, {6, p3});
  WriteTiffPhoto(tiff + "/turned.tif", pattern, {8, p3});
  for (const char *entity : {"LINE", "CIRCLE", "ARC", "TEXT"})
    Put(dxf, QString::fromLatin1(entity).toLower() + QStringLiteral(".dxf"), DxfWithOnly(entity));
  // Poster files as the poster-file tests write and read them.
  const std::pair<const char *, QByteArray> posters[] = {
      {"worked.aff", "version1\r\n1587\r\n1123\r\nphoto.jpg\r\n1\r\n0\r\n"},
      {"landscape.aff", "version1\r\n1890\r\n2646\r\nmes vacances.png\r\n0\r\n1\r\n"},
      {"short.aff", "version1\r\n"},
      {"flags.aff", "autre\r\n-5\r\n+7\r\np.bmp\r\n2\r\n-1\r\n"},
      {"lf.aff", "version1\n 12 mm\n\t20\nscan1.tif\n1\n1\n"},
      {"accents.aff", "version1\r\n10\r\n20\r\n\xe9t\xe9.jpg\r\n1\r\n0\r\n"},
      {"bad.aff", "version1\r\nwide\r\n20\r\n"},
  };
  for (const auto &[name, bytes] : posters) Put(poster, QString::fromLatin1(name), bytes);
  // fileinfo sees every format.
  QDir().mkpath(info);
  for (const QString &folder : {bmp, jpeg, png, gif, tiff, pcx, tga, eps, dxf, heif, webp}) {
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
      QFile::copy(folder + u'/' + name, info + u'/' + name);
    }
  }
  return 0;
}
