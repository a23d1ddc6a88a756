// What the libraries show the program: every entry under its name, the string table, the
// file information by content and the size limit.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <set>

#include "Fixtures.h"
#include "Support.h"
#include "TempDir.h"

namespace {

const char *const kCrdeEntries[] = {
    "rdjpgfiledib",   "rdbmpfiledib",   "rdpngfiledib",      "rdpcxfiledib",    "rdgiffiledib",
    "readtiffiledib", "readpcdfiledib", "readtgafiledib",    "readepsfiledib",  "readdxftoddb",
    "fileinfo",       "getinfo",        "getdxfinfo",        "writetiffiledib", "selectsource",
    "scannercount",   "aquiredibimage", "DIB1to4",           "DIB1To8",         "DIB1To24",
    "DIB4To8",        "DIB4To24",       "DIB8To24",          "DIB16To24",       "DIB32To24",
    "DibtoDdb",       "InitAnnotation", "DestroyAnnotation", "DrawAnnotation",  "ClearAnnotation",
    "LoadAnnotation", "SaveAnnotation", "MenuMsg",           "MouseMon",        "RubberBandOFF",
    "MxLoadString",   "rdheiffiledib",  "rdwebpfiledib"};
const char *const kIspEntries[] = {"ReduceDib",       "FXSkipHorizontal",      "FXSkipVertical",
                                   "FXSkipDiagonals", "FXSkipDiagonalSquares", "FXSkipRectangles",
                                   "MxLoadString"};

std::set<std::string> DynamicSymbols(const char *path) {
  QProcess nm;
  nm.start(QStringLiteral("nm"),
           {QStringLiteral("-D"), QStringLiteral("--defined-only"), QString::fromLocal8Bit(path)});
  nm.waitForFinished();
  std::set<std::string> names;
  for (const QByteArray &line : nm.readAllStandardOutput().split('\n')) {
    const QList<QByteArray> parts = line.simplified().split(' ');
    if (parts.size() == 3) names.insert(parts[2].toStdString());
  }
  return names;
}

TEST(Exports, EveryEntryIsExportedByName) {
  const std::set<std::string> crde = DynamicSymbols(CRDE2000_PATH);
  for (const char *name : kCrdeEntries) {
    EXPECT_TRUE(crde.count(name)) << name;
    EXPECT_NE(GetProcAddress(Crde().Handle(), name), nullptr) << name;
  }
  const std::set<std::string> isp = DynamicSymbols(ISP2000_PATH);
  for (const char *name : kIspEntries) {
    EXPECT_TRUE(isp.count(name)) << name;
    EXPECT_NE(GetProcAddress(Isp().Handle(), name), nullptr) << name;
  }
  // Nothing of the C++ inside leaks out.
  for (const std::string &name : crde) EXPECT_NE(name.rfind("_Z", 0), 0u) << name;
}

TEST(Exports, FailureCodesNameTheirTexts) {
  // French, as the program speaks it.
  EXPECT_EQ(FailureText(-1), "La bibliothèque d'images a échoué");  // id 65535
  EXPECT_EQ(FailureText(MX_ERR_NOT_JPEG), "Ce n'est pas un fichier JPEG");
  EXPECT_EQ(FailureText(MX_ERR_PREMATURE_EOF), "Fin de fichier prématurée");
  EXPECT_EQ(FailureText(MX_ERR_TOO_LARGE), "Image trop grande");
  EXPECT_EQ(FailureText(MX_ERR_UNKNOWN_FORMAT), "Format de fichier inconnu");
  for (int code = -1; code >= MX_ERR_NO_HEIF_DECODER; --code)
    EXPECT_FALSE(FailureText(code).empty()) << code;
  EXPECT_EQ(FailureText(1), "");
  char isp[64] = {};
  EXPECT_GT(ISP(MxLoadString)(65535, isp, sizeof isp), 0);
  EXPECT_STREQ(isp, "La bibliothèque d'images a échoué");
  char small[5] = "xxxx";
  EXPECT_EQ(CRDE(MxLoadString)(65532, small, sizeof small), 4);
  EXPECT_STREQ(small, "Ce n");
}

TEST(Exports, FileInfoByContent) {
  TempDir dir;
  const QImage pattern = Pattern(37, 23);
  auto qt = [&](const char *name, const QImage &image, const char *format) {
    QImageWriter writer(dir.File(QString::fromLatin1(name)), format);
    writer.write(image);
    return dir.File(QString::fromLatin1(name));
  };
  struct Expect {
    QString path;
    const char *type;
    int width, height, bpp;
    const char *compression;
  };
  const Ycc grey[4] = {{94, 156, 137}, {94, 156, 137}, {94, 156, 137}, {94, 156, 137}};
  QString gif = dir.File("g.dat");
  WriteGif(gif, Indexed(37, 23, 16));
  // The names say nothing: the content decides.
  const std::vector<Expect> cases = {
      {dir.Write("a.dat", BmpBytes(pattern, 24)), "BMP", 37, 23, 24, "NONE"},
      {dir.Write("b.dat", BmpBytes(Indexed(37, 23, 200), 8, false, true)), "BMP", 37, 23, 8,
       "RLE8"},
      {qt("c.dat", pattern, "jpeg"), "JPEG", 37, 23, 24, "JPEG"},
      {qt("d.dat", pattern.convertToFormat(QImage::Format_RGB888), "png"), "PNG", 37, 23, 24,
       "DEFLATE"},
      {gif, "GIF", 37, 23, 4, "LZW"},
      {qt("e.dat", pattern.convertToFormat(QImage::Format_RGB888), "tiff"), "TIF", 37, 23, 24,
       "NONE"},
      {dir.Write("f.dat", PcxBytes(pattern, 24)), "PCX", 37, 23, 24, "RLE"},
      {dir.Write("h.dat", TgaBytes(pattern, 10)), "TGA", 37, 23, 24, "RLE"},
      {dir.Write("i.dat", EpsBytes(100, 50)), "EPS", 100, 50, 24, "NONE"},
      {dir.Write("j.dat", PcdBytes(grey)), "PCD", 768, 512, 24, "NONE"},
      {dir.Write("k.dat", DxfBytes()), "DXF", 1024, 520, 24, "NONE"},
  };
  for (const Expect &e : cases) {
    SCOPED_TRACE(e.type);
    char type[6] = "?????", compression[26] = "?";
    uint16_t w = 0, h = 0, bpp = 0, pages = 0, dpi = 0;
    const QByteArray path = Path(e.path);
    const int16_t r =
        CRDE(fileinfo)(path.constData(), type, &w, &h, &bpp, &pages, &dpi, compression, 0);
    ASSERT_GT(r, 0) << FailureText(r);
    EXPECT_STREQ(type, e.type);
    EXPECT_EQ(w, e.width);
    EXPECT_EQ(h, e.height);
    EXPECT_EQ(bpp, e.bpp);
    EXPECT_EQ(pages, 1);
    EXPECT_STREQ(compression, e.compression);
  }
  char type[6] = "?????", compression[26] = "?";
  uint16_t w = 9, h = 9, bpp = 9, pages = 9, dpi = 9;
  const QByteArray unknown = Path(dir.Write("u.dat", QByteArray(64, '\x01')));
  EXPECT_EQ(CRDE(fileinfo)(unknown.constData(), type, &w, &h, &bpp, &pages, &dpi, compression, 0),
            MX_ERR_UNKNOWN_FORMAT);
  EXPECT_STREQ(type, "");
  EXPECT_EQ(w, 0);
  EXPECT_EQ(CRDE(fileinfo)("/no/such/file", type, &w, &h, &bpp, &pages, &dpi, compression, 0),
            MX_ERR_CANNOT_OPEN);
}

TEST(Exports, PicturesAboveTheLimitAreRefusedBeforeReading) {
  TempDir dir;
  // A header announcing 60000 x 60000 pixels in a file of a few bytes.
  QByteArray bmp = BmpBytes(Pattern(4, 4), 24);
  const int32_t huge = 60000;
  std::memcpy(bmp.data() + 18, &huge, 4);
  std::memcpy(bmp.data() + 22, &huge, 4);
  const QByteArray path = Path(dir.Write("huge.bmp", bmp));
  HGLOBAL dib = nullptr;
  const size_t before = GlobalLiveBlocks();
  EXPECT_EQ(CRDE(rdbmpfiledib)(path.constData(), 0, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_TOO_LARGE);
  EXPECT_EQ(GlobalLiveBlocks(), before);

  // The same for a JPEG frame header, and for a limit set lower.
  QImageWriter writer(dir.File("small.jpg"), "jpeg");
  writer.write(Pattern(40, 30));
  const QByteArray jpg = Path(dir.File("small.jpg"));
  CRDE(MxSetPixelLimit)(1000);
  EXPECT_EQ(CRDE(MxGetPixelLimit)(), 1000u);
  EXPECT_EQ(CRDE(rdjpgfiledib)(jpg.constData(), 0, 1, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_TOO_LARGE);
  CRDE(MxSetPixelLimit)(0);
  EXPECT_EQ(CRDE(MxGetPixelLimit)(), uint64_t{1} << 28);
  ASSERT_GT(CRDE(rdjpgfiledib)(jpg.constData(), 0, 1, 0, &dib, nullptr, nullptr, nullptr, 0), 0);
  TakeDib(dib);
}

TEST(Exports, WrongArgumentsFailCleanly) {
  HGLOBAL dib = reinterpret_cast<HGLOBAL>(1);
  EXPECT_EQ(CRDE(rdbmpfiledib)(nullptr, 0, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_BAD_ARGUMENT);
  EXPECT_EQ(dib, nullptr);
  EXPECT_EQ(CRDE(rdbmpfiledib)("/no/such/file.bmp", 0, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_CANNOT_OPEN);
  EXPECT_EQ(CRDE(rdbmpfiledib)("/tmp", 0, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_CANNOT_OPEN);
  TempDir dir;
  const QByteArray path = Path(dir.Write("a.bmp", BmpBytes(Pattern(4, 4), 24)));
  EXPECT_EQ(CRDE(rdbmpfiledib)(path.constData(), 2, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_BAD_DEPTH);
  EXPECT_EQ(CRDE(rdjpgfiledib)(path.constData(), 0, 1, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_NOT_JPEG);
  EXPECT_EQ(CRDE(rdpngfiledib)(path.constData(), 0, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_NOT_PNG);
  EXPECT_EQ(CRDE(rdgiffiledib)(path.constData(), 0, 0, &dib, nullptr, nullptr, nullptr, nullptr, 0),
            MX_ERR_NOT_GIF);
  EXPECT_EQ(CRDE(readtiffiledib)(path.constData(), 0, 0, 0, &dib, nullptr, nullptr, 0),
            MX_ERR_NOT_TIFF);
  EXPECT_EQ(CRDE(rdpcxfiledib)(path.constData(), 0, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_NOT_PCX);
  EXPECT_EQ(CRDE(readpcdfiledib)(path.constData(), 0, 0, 0, &dib, nullptr, nullptr, 0),
            MX_ERR_NOT_PCD);
  EXPECT_EQ(CRDE(readepsfiledib)(path.constData(), 0, 0, &dib, nullptr, nullptr, 0),
            MX_ERR_NOT_EPS);
  EXPECT_EQ(dib, nullptr);
}

}  // namespace
