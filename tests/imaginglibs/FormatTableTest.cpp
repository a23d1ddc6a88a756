// The program's table of picture formats and the imaging library kept in step: the library
// names each format it reads as the table does, exports the table's reader entry, and has
// a fuzz target for it. A new row of the table fails here until its library side exists.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageWriter>
#include <QMap>
#include <QRegularExpression>
#include <functional>

#include "Fixtures.h"
#include "PhotoFixtures.h"
#include "Support.h"
#include "TempDir.h"
#include "core/PictureFormats.h"

namespace {

QString SourceText(const char *relative) {
  QFile file(QStringLiteral(MURALIX_SOURCE_DIR "/") + QLatin1String(relative));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A file of each library format, under a name that says nothing of it.
QMap<QString, std::function<QString(TempDir &)>> FormatFixtures() {
  const QImage pattern = Pattern(21, 13);
  const auto bytes = [](const char *name, QByteArray content) {
    return [name, content](TempDir &dir) { return dir.Write(QLatin1String(name), content); };
  };
  const auto qt = [pattern](const char *name, const char *format) {
    return [=](TempDir &dir) {
      const QString path = dir.File(QLatin1String(name));
      QImageWriter(path, format).write(pattern.convertToFormat(QImage::Format_RGB888));
      return path;
    };
  };
  const Ycc grey[4] = {{94, 156, 137}, {94, 156, 137}, {94, 156, 137}, {94, 156, 137}};
  return {
      {"BMP", bytes("a.dat", BmpBytes(pattern, 24))},
      {"PCX", bytes("b.dat", PcxBytes(pattern, 24))},
      {"TIF", qt("c.dat", "tiff")},
      {"GIF",
       [](TempDir &dir) {
         const QString path = dir.File(QStringLiteral("d.dat"));
         WriteGif(path, Indexed(21, 13, 16));
         return path;
       }},
      {"JPEG", qt("e.dat", "jpeg")},
      {"PNG", qt("f.dat", "png")},
      {"PCD", bytes("g.dat", PcdBytes(grey))},
      {"TGA", bytes("h.dat", TgaBytes(pattern, 2))},
      {"EPS", bytes("i.dat", EpsBytes(30, 20))},
      {"DXF", bytes("j.dat", DxfBytes())},
      {"HEIC",
       [pattern](TempDir &dir) {
         const QString path = dir.File(QStringLiteral("k.dat"));
         WriteHeif(path, pattern, HeifKind::Heic, 90);
         return path;
       }},
      {"AVIF",
       [pattern](TempDir &dir) {
         const QString path = dir.File(QStringLiteral("l.dat"));
         WriteHeif(path, pattern, HeifKind::Avif, 90);
         return path;
       }},
      {"WEBP",
       [pattern](TempDir &dir) {
         const QString path = dir.File(QStringLiteral("m.dat"));
         WriteWebp(path, pattern, -1);
         return path;
       }},
  };
}

TEST(FormatTable, TheLibraryNamesAndReadsEveryFormatOfTheTableItReads) {
  const auto fixtures = FormatFixtures();
  TempDir dir;
  for (const platform::PictureFormat &format : platform::PictureFormats()) {
    if (format.readerEntry == nullptr) continue;
    SCOPED_TRACE(format.name);
    EXPECT_NE(GetProcAddress(Crde().Handle(), format.readerEntry), nullptr) << format.readerEntry;
    const auto fixture = fixtures.find(QLatin1String(format.name));
    ASSERT_NE(fixture, fixtures.end()) << "a library format of the table needs a fixture here";
    const QByteArray path = Path((*fixture)(dir));
    char type[6] = "?????", compression[26] = "?";
    uint16_t w = 0, h = 0, bpp = 0, pages = 0, dpi = 0;
    const int16_t r =
        CRDE(fileinfo)(path.constData(), type, &w, &h, &bpp, &pages, &dpi, compression, 0);
    ASSERT_GT(r, 0) << FailureText(r);
    EXPECT_STREQ(type, format.name) << "the library's name is the table's name";
  }
}

TEST(FormatTable, EveryReaderEntryOfTheTableHasAFuzzTarget) {
  const QString cmake = SourceText("fuzz/CMakeLists.txt");
  const QString runner = SourceText("fuzz/run_all.sh");
  const QString reader = SourceText("fuzz/FuzzReader.cpp");
  ASSERT_FALSE(cmake.isEmpty() || runner.isEmpty() || reader.isEmpty());
  const QRegularExpressionMatch targets =
      QRegularExpression(QStringLiteral("set\\(MURALIX_FUZZ_TARGETS ([^)]*)\\)")).match(cmake);
  const QRegularExpressionMatch run =
      QRegularExpression(QStringLiteral("\ntargets=\"([^\"]*)\"")).match(runner);
  ASSERT_TRUE(targets.hasMatch() && run.hasMatch());
  const QStringList built = targets.captured(1).split(u' ', Qt::SkipEmptyParts);
  const QStringList runs = run.captured(1).split(u' ', Qt::SkipEmptyParts);
  for (const platform::PictureFormat &format : platform::PictureFormats()) {
    if (format.readerEntry == nullptr) continue;
    SCOPED_TRACE(format.name);
    const QString target = QLatin1String(format.fuzzTarget);
    EXPECT_TRUE(built.contains(target.toUpper())) << "fuzz/CMakeLists.txt";
    EXPECT_TRUE(runs.contains(target)) << "fuzz/run_all.sh";
    EXPECT_TRUE(reader.contains(QStringLiteral("defined(FUZZ_%1)").arg(target.toUpper())));
    EXPECT_TRUE(reader.contains(QLatin1String(format.readerEntry) + u'('))
        << "fuzz/FuzzReader.cpp calls " << format.readerEntry;
  }
}

}  // namespace
