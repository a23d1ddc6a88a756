// Writes small seed files for the fuzz targets into <folder>/<format>/.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>

#include "Fixtures.h"
#include "PhotoFixtures.h"

namespace {

void Put(const QString &folder, const QString &name, const QByteArray &bytes) {
  QDir().mkpath(folder);
  QFile f(folder + u'/' + name);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

void PutQt(const QString &folder, const QString &name, const QImage &image, const char *format) {
  QDir().mkpath(folder);
  QImageWriter writer(folder + u'/' + name, format);
  writer.write(image);
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
                info = root + "/fileinfo";
  Put(bmp, "24.bmp", BmpBytes(pattern, 24));
  Put(bmp, "16.bmp", BmpBytes(pattern, 16));
  Put(bmp, "32.bmp", BmpBytes(pattern, 32, true));
  Put(bmp, "8.bmp", BmpBytes(i200, 8));
  Put(bmp, "rle8.bmp", BmpBytes(i200, 8, false, true));
  Put(bmp, "rle4.bmp", BmpBytes(i16, 4, false, true));
  Put(bmp, "1.bmp", BmpBytes(i2, 1));
  PutQt(jpeg, "colour.jpg", pattern, "jpeg");
  PutQt(jpeg, "grey.jpg", grey, "jpeg");
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
  PutQt(tiff, "rgb.tif", pattern.convertToFormat(QImage::Format_RGB888), "tiff");
  PutQt(tiff, "palette.tif", i200, "tiff");
  PutQt(tiff, "mono.tif", i2.convertToFormat(QImage::Format_Mono), "tiff");
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
  Put(pcd, "a.pcd", PcdBytes(quadrants, 1));
  Put(eps, "a.eps", EpsBytes(20, 10));
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
  // fileinfo sees every format.
  QDir().mkpath(info);
  for (const QString &folder : {bmp, jpeg, png, gif, tiff, pcx, tga, eps, dxf, heif, webp}) {
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
      QFile::copy(folder + u'/' + name, info + u'/' + name);
    }
  }
  return 0;
}
