#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QElapsedTimer>
#include <QFile>
#include <functional>

#include "PosterFile.h"
#include "RowName.h"
#include "TempDir.h"
#include "core/Errors.h"

using app::PosterFileContents;
using app::ReadPosterFileContents;

namespace {
QByteArray ReadAll(const QString &path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}
}  // namespace

TEST(PosterFile, WritesSixCrLfLines) {
  TempDir dir;
  PosterFileContents c;
  c.posterWidth = 1587;
  c.posterHeight = 1123;
  c.imageFileName = QStringLiteral("photo.jpg");
  c.keepRatio = true;
  c.landscape = false;
  app::WritePosterFileContents(dir.File("a.aff"), c);
  EXPECT_EQ(ReadAll(dir.File("a.aff")),
            QByteArray("version1\r\n1587\r\n1123\r\nphoto.jpg\r\n1\r\n0\r\n"));
}

namespace {
struct RoundTripCase {
  const char *name;
  QString picture;
};
const RoundTripCase kRoundTripCases[] = {
    {"spaces", QStringLiteral("my holiday photo.jpg")},
    {"accents", QStringLiteral("été à Nice.bmp")},
    {"Greek letters", QStringLiteral("Ωμέγα.png")},
    {"no picture", QString()},
};
class PosterFileRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(PosterFileRoundTrip, ReadsWhatItWrites) {
  const QString &name = GetParam().picture;
  TempDir dir;
  PosterFileContents c;
  c.posterWidth = 3;
  c.posterHeight = 2646;
  c.imageFileName = name;
  c.landscape = true;
  app::WritePosterFileContents(dir.File("rt.aff"), c);
  const PosterFileContents r = ReadPosterFileContents(dir.File("rt.aff"));
  EXPECT_EQ(r.versionTag, QStringLiteral("version1"));
  EXPECT_EQ(r.posterWidth, 3);
  EXPECT_EQ(r.posterHeight, 2646);
  EXPECT_EQ(r.imageFileName, name);
  EXPECT_FALSE(r.keepRatio);
  EXPECT_TRUE(r.landscape);
}
INSTANTIATE_TEST_SUITE_P(, PosterFileRoundTrip, testing::ValuesIn(kRoundTripCases), ByRowName());

struct ReadingCase {
  const char *name;
  QByteArray bytes;
  QString tag;
  int width, height;
  QString image;
  bool keepRatio, landscape;
};
const ReadingCase kReadingCases[] = {
    {"any first line is accepted", "hello\r\n10\r\n20\r\nx.bmp\r\n1\r\n1\r\n", "hello", 10, 20,
     "x.bmp", true, true},
    {"a file ending after line 1 reads as zeros and off", "version1\r\n", "version1", 0, 0, "",
     false, false},
    {"an empty file", "", "", 0, 0, "", false, false},
    {"flags other than 1 are off", "v\r\n1\r\n2\r\np.bmp\r\n2\r\n-1\r\n", "v", 1, 2, "p.bmp", false,
     false},
    {"text after a number on its line is skipped",
     "v\r\n15 px\r\n16\tpx\r\np q.bmp\r\n1 yes\r\n0\r\n", "v", 15, 16, "p q.bmp", true, false},
    {"a Windows-1252 name", "v\r\n1\r\n1\r\ncaf\xE9.bmp\r\n1\r\n0\r\n", "v", 1, 1,
     QStringLiteral("café.bmp"), true, false},
    {"a flag that wraps at 16 bits is read as the 16-bit value",
     "v\r\n1\r\n1\r\np\r\n65537\r\n65536\r\n", "v", 1, 1, "p", true, false},
};
class PosterFileReading : public testing::TestWithParam<ReadingCase> {};

TEST_P(PosterFileReading, ReadingCases) {
  const ReadingCase &c = GetParam();
  TempDir dir;
  const PosterFileContents r = ReadPosterFileContents(dir.Write("c.aff", c.bytes));
  EXPECT_EQ(r.versionTag, c.tag);
  EXPECT_EQ(r.posterWidth, c.width);
  EXPECT_EQ(r.posterHeight, c.height);
  EXPECT_EQ(r.imageFileName, c.image);
  EXPECT_EQ(r.keepRatio, c.keepRatio);
  EXPECT_EQ(r.landscape, c.landscape);
}
INSTANTIATE_TEST_SUITE_P(, PosterFileReading, testing::ValuesIn(kReadingCases), ByRowName());

struct MalformedCase {
  const char *name;
  QByteArray bytes;
};
const MalformedCase kMalformedCases[] = {
    {"text where the width belongs", "version1\r\nwide\r\n20\r\n"},
    {"a number glued to text", "version1\r\n12mm\r\n20\r\n"},
    {"text where a flag belongs", "version1\r\n1\r\n2\r\np.bmp\r\noui\r\n0\r\n"},
    {"a width beyond 32 bits", "version1\r\n99999999999\r\n20\r\n"},
    {"binary garbage", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
    {"a size no format dialog gives", "version1\r\n99999999\r\n99999999\r\np.bmp\r\n"},
    {"a negative width", "version1\r\n-3\r\n20\r\np.bmp\r\n"},
    {"a height past 2970 mm", "version1\r\n20\r\n11226\r\np.bmp\r\n"},
};
class PosterFileMalformed : public testing::TestWithParam<MalformedCase> {};

TEST_P(PosterFileMalformed, MalformedFilesFailCleanly) {
  TempDir dir;
  EXPECT_THROW(ReadPosterFileContents(dir.Write("bad.aff", GetParam().bytes)), platform::Failure);
}
INSTANTIATE_TEST_SUITE_P(, PosterFileMalformed, testing::ValuesIn(kMalformedCases), ByRowName());
}  // namespace

TEST(PosterFile, AMissingFileFailsAsAnInputError) {
  TempDir dir;
  EXPECT_THROW(ReadPosterFileContents(dir.File("absent.aff")), platform::InOutError);
}

TEST(PosterFile, TheLargestSizeFollowsTheScreensResolution) {
  TempDir dir;
  const QString path = dir.Write("big.aff", "version1\r\n22450\r\n20\r\np.bmp\r\n");
  EXPECT_EQ(ReadPosterFileContents(path, 192).posterWidth, 22450);  // 2970 mm at 192 ppi
  EXPECT_THROW(ReadPosterFileContents(path, 96), platform::ConvertError);
}

namespace {
struct PictureNameCase {
  const char *name;
  QByteArray picture;
  bool accepted;
};
const PictureNameCase kPictureNameCases[] = {
    {"a plain name", "photo.jpg", true},
    {"spaces and dots inside a name", "mes photos..2024.jpg", true},
    {"no name at all", "", true},
    {"a way up and out", "../../somewhere/secret.png", false},
    {"an absolute path", "/proc/self/environ", false},
    {"a sub-folder", "sub/photo.jpg", false},
    {"a Windows folder", "sub\\photo.jpg", false},
    {"the parent folder itself", "..", false},
    {"the picture folder itself", ".", false},
    {"a NUL inside the name", QByteArray("a.png\0../x", 10), false},
};
class PosterFilePictureName : public testing::TestWithParam<PictureNameCase> {};

TEST_P(PosterFilePictureName, APictureNameWithAFolderMakesTheFileMalformed) {
  const PictureNameCase &c = GetParam();
  TempDir dir;
  const QString path =
      dir.Write("p.aff", "version1\r\n10\r\n20\r\n" + c.picture + "\r\n1\r\n0\r\n");
  if (c.accepted)
    EXPECT_EQ(ReadPosterFileContents(path).imageFileName, QString::fromLatin1(c.picture));
  else
    EXPECT_THROW(ReadPosterFileContents(path), platform::ConvertError);
}
INSTANTIATE_TEST_SUITE_P(, PosterFilePictureName, testing::ValuesIn(kPictureNameCases),
                         ByRowName());

const QByteArray kSoundPoster = "version1\r\n10\r\n20\r\nphoto.jpg\r\n1\r\n0\r\n";

// A file that is not a small regular one, made in the test's folder.
struct NotAPosterCase {
  const char *name;
  std::function<QString(const TempDir &)> make;
};
const NotAPosterCase kNotAPosterCases[] = {
    {"a pipe, which would block for good",
     [](const TempDir &dir) {
       EXPECT_EQ(::mkfifo(QFile::encodeName(dir.File("pipe.aff")).constData(), 0600), 0);
       return dir.File("pipe.aff");
     }},
    {"a device that never ends", [](const TempDir &) { return QStringLiteral("/dev/zero"); }},
    {"a poster file padded past a few kilobytes",
     [](const TempDir &dir) {
       return dir.Write("padded.aff",
                        kSoundPoster + QByteArray(int(app::kPosterFileMaxBytes), ' '));
     }},
};
class PosterFileNotRegular : public testing::TestWithParam<NotAPosterCase> {};

TEST_P(PosterFileNotRegular, OnlyASmallRegularFileIsReadAsAPosterFile) {
  TempDir dir;
  const QString path = GetParam().make(dir);
  ASSERT_FALSE(::testing::Test::HasFailure()) << "the file could not be made";
  QElapsedTimer clock;
  clock.start();
  EXPECT_THROW(ReadPosterFileContents(path), platform::Failure);
  EXPECT_LT(clock.elapsed(), 5000);
}
INSTANTIATE_TEST_SUITE_P(, PosterFileNotRegular, testing::ValuesIn(kNotAPosterCases), ByRowName());
}  // namespace

TEST(PosterFile, ASmallRegularFileIsReadAsAPosterFile) {
  TempDir dir;
  EXPECT_EQ(ReadPosterFileContents(dir.Write("sound.aff", kSoundPoster)).posterHeight, 20);
}

TEST(PosterFile, TheDocumentWritesItsSixLinesAndTakesThemBack) {
  TempDir dir;
  layout::PosterDocument document;
  document.PosterWidth = 1587;
  document.PosterHeight = 1123;
  document.ImageFileName = QStringLiteral("photo.jpg");
  document.KeepRatio = false;
  document.Landscape = true;
  document.VersionTag = QStringLiteral("version9");  // kept when read, never written
  app::WritePosterFileContents(dir.File("a.aff"), app::PosterFileContentsOf(document));
  EXPECT_EQ(ReadAll(dir.File("a.aff")),
            QByteArray("version1\r\n1587\r\n1123\r\nphoto.jpg\r\n0\r\n1\r\n"));

  // What the file does not hold stays as the document had it.
  layout::PosterDocument opened;
  opened.ImagePath = QStringLiteral("/elsewhere/photo.jpg");
  opened.ImageOrigin = layout::PictureOrigin::Scan;
  opened.Modified = true;
  app::TakePosterFileContents(opened, ReadPosterFileContents(dir.File("a.aff")));
  EXPECT_EQ(opened.VersionTag, QStringLiteral("version1"));
  EXPECT_EQ(opened.PosterWidth, 1587);
  EXPECT_EQ(opened.PosterHeight, 1123);
  EXPECT_EQ(opened.ImageFileName, QStringLiteral("photo.jpg"));
  EXPECT_FALSE(opened.KeepRatio);
  EXPECT_TRUE(opened.Landscape);
  EXPECT_EQ(opened.ImagePath, QStringLiteral("/elsewhere/photo.jpg"));
  EXPECT_EQ(opened.ImageOrigin, layout::PictureOrigin::Scan);
  EXPECT_TRUE(opened.Modified);
}
