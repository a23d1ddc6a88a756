#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <csignal>

#include "FileSizeLimit.h"
#include "RowName.h"
#include "TempDir.h"
#include "core/CheckedOutput.h"
#include "core/Errors.h"
#include "core/FileCopy.h"
#include "core/TextFile.h"

using platform::AtomicFileWriter;
using platform::TextFileReader;

namespace {
QByteArray ReadAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Files left in the folder besides the expected ones (temporary files must not remain).
QStringList Entries(const TempDir &dir) {
  return QDir(dir.Path()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

TEST(TextFileReader, ReadsNumbersTheWayFormattedInputDoes) {
  TempDir dir;
  const QString path = dir.Write("n.txt", "  12 rest of line\r\n\r\n\t-7\r\n+3x\r\n");
  TextFileReader r(path);
  EXPECT_EQ(r.ReadInteger(), 12);
  r.SkipLine();
  EXPECT_EQ(r.ReadInteger(), -7);  // blank lines and tabs before a number are skipped
  r.SkipLine();
  EXPECT_THROW(r.ReadInteger(), platform::ConvertError);  // "+3x" is not a number
}

TEST(TextFileReader, EndOfFileReadsAsZeroAndEmpty) {
  TempDir dir;
  TextFileReader r(dir.Write("e.txt", "only\r\n"));
  EXPECT_EQ(r.ReadLine(), QStringLiteral("only"));
  EXPECT_EQ(r.ReadInteger(), 0);
  EXPECT_EQ(r.ReadLine(), QString());
  EXPECT_TRUE(r.AtEnd());
}

TEST(TextFileReader, NumbersOutside32BitsAreRefused) {
  TempDir dir;
  TextFileReader r(dir.Write("big.txt", "99999999999\r\n"));
  EXPECT_THROW(r.ReadInteger(), platform::ConvertError);
}

TEST(TextFileReader, AcceptsBareLineFeeds) {
  TempDir dir;
  TextFileReader r(dir.Write("lf.txt", "a\nb\n5\n"));
  EXPECT_EQ(r.ReadLine(), QStringLiteral("a"));
  EXPECT_EQ(r.ReadLine(), QStringLiteral("b"));
  EXPECT_EQ(r.ReadInteger(), 5);
}

TEST(TextFileReader, MissingFileRaisesTheOpenText) {
  try {
    TextFileReader r(QStringLiteral("/nonexistent/x.aff"));
    FAIL() << "no failure";
  } catch (const platform::InOutError &e) {
    EXPECT_EQ(e.Text(), QStringLiteral("Impossible d'ouvrir le fichier /nonexistent/x.aff"));
  }
}

TEST(AtomicFileWriter, ReplacesTheTargetOnlyWhenCommitted) {
  TempDir dir;
  const QString path = dir.Write("poster.aff", "old contents");
  {
    AtomicFileWriter w(path);
    w.WriteLine(QStringLiteral("new"));
    EXPECT_EQ(ReadAll(path), QByteArray("old contents"));  // not yet
    w.Commit();
  }
  EXPECT_EQ(ReadAll(path), QByteArray("new\r\n"));
  EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("poster.aff")});
}

TEST(AtomicFileWriter, AnAbandonedWriteLeavesTheOldFileAndNoTemporary) {
  TempDir dir;
  const QString path = dir.Write("poster.aff", "old contents");
  {
    AtomicFileWriter w(path);
    w.WriteLine(QStringLiteral("half"));
  }
  EXPECT_EQ(ReadAll(path), QByteArray("old contents"));
  EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("poster.aff")});
}

TEST(AtomicFileWriter, AWriteFailingPartWayRaisesDiskFullAndKeepsTheOldFile) {
  TempDir dir;
  const QString path = dir.Write("poster.aff", "old contents");
  try {
    FileSizeLimit limit(100);
    AtomicFileWriter w(path);
    w.Write(QByteArray(1000, 'x'));
    w.Commit();
    FAIL() << "the write went through";
  } catch (const platform::InOutError &e) {
    EXPECT_EQ(e.Text(), QStringLiteral("Disque plein"));
  }
  EXPECT_EQ(ReadAll(path), QByteArray("old contents"));
  EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("poster.aff")});
}

TEST(AtomicFileWriter, AFolderThatRefusesFilesRaisesAccessDenied) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  QDir().mkdir(dir.File("ro"));
  QFile::setPermissions(dir.File("ro"), QFile::ReadOwner | QFile::ExeOwner);
  try {
    AtomicFileWriter w(dir.File("ro/poster.aff"));
    FAIL() << "created a file in a read-only folder";
  } catch (const platform::InOutError &e) {
    EXPECT_EQ(e.Text(), QStringLiteral("Accès au fichier refusé"));
  }
  QFile::setPermissions(dir.File("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(AtomicFileWriter, AMissingFolderFails) {
  TempDir dir;
  EXPECT_THROW(AtomicFileWriter(dir.File("no/such/poster.aff")), platform::InOutError);
}

TEST(CopyFileAtomic, CopiesEveryByteAcrossChunkBoundaries) {
  TempDir dir;
  for (int size : {0, 1, 8191, 8192, 8193, 3 * 8192}) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) bytes[i] = char(i * 7 + 3);
    const QString source = dir.Write(QStringLiteral("src%1").arg(size), bytes);
    platform::CopyFileAtomic(source, dir.File(QStringLiteral("dst%1").arg(size)));
    EXPECT_EQ(ReadAll(dir.File(QStringLiteral("dst%1").arg(size))), bytes) << size;
  }
}

TEST(CopyFileAtomic, FailuresNameTheFileConcerned) {
  TempDir dir;
  try {
    platform::CopyFileAtomic(dir.File("missing.bmp"), dir.File("out.bmp"));
    FAIL();
  } catch (const platform::Failure &e) {
    EXPECT_EQ(e.Text(),
              QStringLiteral("Impossible d'ouvrir le fichier ") + dir.File("missing.bmp"));
  }
  const QString source = dir.Write("a.bmp", "BM....");
  try {
    platform::CopyFileAtomic(source, dir.File("nofolder/a.bmp"));
    FAIL();
  } catch (const platform::Failure &e) {
    EXPECT_EQ(e.Text(),
              QStringLiteral("Impossible de créer le fichier ") + dir.File("nofolder/a.bmp"));
  }
}

TEST(CopyFileAtomic, AnInterruptedCopyLeavesNothingUnderTheFinalName) {
  TempDir dir;
  const QString source = dir.Write("big.bmp", QByteArray(100000, 'p'));
  QDir().mkdir(dir.File("images"));
  {
    FileSizeLimit limit(20000);
    EXPECT_THROW(platform::CopyFileAtomic(source, dir.File("images/big.bmp")), platform::Failure);
  }
  EXPECT_TRUE(QDir(dir.File("images")).isEmpty());
}

TEST(FreeNameFor, SkipsNamesHeldByOtherPicturesAndReusesTheSameBytes) {
  TempDir dir;
  QDir().mkdir(dir.File("images"));
  const QString folder = dir.File("images");
  const QString mine = dir.Write("photo.jpg", "my picture");
  EXPECT_EQ(platform::FreeNameFor(mine, folder, "photo.jpg"), QStringLiteral("photo.jpg"));
  dir.Write("images/photo.jpg", "someone else's picture");
  EXPECT_EQ(platform::FreeNameFor(mine, folder, "photo.jpg"), QStringLiteral("photo-2.jpg"));
  dir.Write("images/photo-2.jpg", "a third picture");
  EXPECT_EQ(platform::FreeNameFor(mine, folder, "photo.jpg"), QStringLiteral("photo-3.jpg"));
  dir.Write("images/photo-3.jpg", "my picture");  // already copied once: reused
  EXPECT_EQ(platform::FreeNameFor(mine, folder, "photo.jpg"), QStringLiteral("photo-3.jpg"));
  EXPECT_EQ(platform::FreeNameFor(mine, folder, "noext"), QStringLiteral("noext"));
}

TEST(TextFileReader, OnlyRegularFilesWithinTheLimitAreRead) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.File("pipe")).constData(), 0600), 0);
  const QString small = dir.Write("small.aff", QByteArray(100, '1'));
  const QString large = dir.Write("large.aff", QByteArray(5000, '1'));
  const struct {
    const char *name;
    QString path;
  } refused[] = {
      {"a pipe, which would wait for a writer for good", dir.File("pipe")},
      {"a device that never ends", QStringLiteral("/dev/zero")},
      {"a folder", dir.Path()},
      {"a file over the limit", large},
  };
  for (const auto &c : refused) {
    SCOPED_TRACE(c.name);
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(TextFileReader(c.path, 4096), platform::InOutError);
    EXPECT_LT(clock.elapsed(), 5000);
  }
  EXPECT_NO_THROW(TextFileReader(small, 4096));
  EXPECT_NO_THROW(TextFileReader{large});  // no limit asked
}

TEST(AtomicFileWriter, AFileNobodyMayWriteIsNotReplaced) {
  TempDir dir;
  const QString path = dir.Write("poster.aff", "old contents");
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  try {
    AtomicFileWriter w(path);
    w.WriteLine(QStringLiteral("new"));
    w.Commit();
    FAIL() << "a read-only file was replaced";
  } catch (const platform::InOutError &e) {
    EXPECT_EQ(e.Text(), QStringLiteral("Accès au fichier refusé"));
  }
  EXPECT_EQ(ReadAll(path), QByteArray("old contents"));
  EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("poster.aff")});
}

namespace {

struct LinkCase {
  const char *name;
  QStringList links;  // each link points at the next name; the last name is the file
  bool targetExists;
};
const LinkCase kLinkCases[] = {
    {"a link to a file beside it", {"link.aff", "real.aff"}, true},
    {"a chain of two links", {"a.aff", "b.aff", "real.aff"}, true},
    {"a link into a sub-folder", {"link.aff", "sub/real.aff"}, true},
    {"a link whose file is not there yet", {"link.aff", "real.aff"}, false},
};
class AtomicFileWriterLinks : public testing::TestWithParam<LinkCase> {};

TEST_P(AtomicFileWriterLinks, AreWrittenThrough) {
  const LinkCase &c = GetParam();
  SCOPED_TRACE(c.name);
  TempDir dir;
  QDir().mkdir(dir.File("sub"));
  const QString real = dir.File(c.links.last());
  if (c.targetExists) dir.Write(c.links.last(), "old poster");
  for (int i = 0; i + 1 < c.links.size(); ++i)
    ASSERT_EQ(::symlink(QFile::encodeName(c.links[i + 1]).constData(),
                        QFile::encodeName(dir.File(c.links[i])).constData()),
              0);
  AtomicFileWriter w(dir.File(c.links.first()));
  w.WriteLine(QStringLiteral("new poster"));
  w.Commit();
  EXPECT_EQ(ReadAll(real), QByteArray("new poster\r\n"));
  EXPECT_TRUE(QFileInfo(dir.File(c.links.first())).isSymLink()) << "the link was replaced";
  EXPECT_EQ(ReadAll(dir.File(c.links.first())), QByteArray("new poster\r\n"));
}
INSTANTIATE_TEST_SUITE_P(, AtomicFileWriterLinks, testing::ValuesIn(kLinkCases), ByRowName());

}  // namespace

TEST(AtomicFileWriter, ALoopOfLinksIsRefused) {
  TempDir dir;
  ASSERT_EQ(::symlink("b", QFile::encodeName(dir.File("a")).constData()), 0);
  ASSERT_EQ(::symlink("a", QFile::encodeName(dir.File("b")).constData()), 0);
  EXPECT_THROW(AtomicFileWriter(dir.File("a")), platform::InOutError);
}

TEST(CheckedOutputFile, FailedWritesAreReportedAndNothingIsLeft) {
  TempDir dir;
  const QString path = dir.Write("out.pdf", "previous output");
  const struct {
    const char *name;
    QString path;
    rlim_t limit;
  } cases[] = {
      {"a device that is always full", QStringLiteral("/dev/full"), RLIM_INFINITY},
      {"a file-size limit", path, 30000},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    try {
      FileSizeLimit limit(c.limit);
      platform::CheckedOutputFile out(c.path);
      for (int i = 0; i < 100; ++i) out.write(QByteArray(1000, 'p'));
      out.Commit();
      FAIL() << "a failed output was taken for written";
    } catch (const platform::InOutError &e) {
      EXPECT_EQ(e.Text(),
                QStringLiteral("Impossible de créer le fichier %1 : Disque plein").arg(c.path));
    }
  }
  EXPECT_EQ(ReadAll(path), QByteArray("previous output"));
  EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("out.pdf")});
  {
    platform::CheckedOutputFile out(path);
    out.write(QByteArray(70000, 'q'));
    out.Commit();
  }
  EXPECT_EQ(ReadAll(path), QByteArray(70000, 'q'));
}

TEST(SameFile, FollowsLinksAndNeedsBothFiles) {
  TempDir dir;
  const QString a = dir.Write("a.aff", "x");
  const QString b = dir.Write("b.aff", "x");
  ASSERT_EQ(::symlink("a.aff", QFile::encodeName(dir.File("l.aff")).constData()), 0);
  EXPECT_TRUE(platform::SameFile(a, dir.Path() + QStringLiteral("./a.aff")));
  EXPECT_TRUE(platform::SameFile(dir.File("l.aff"), a));
  EXPECT_FALSE(platform::SameFile(a, b)) << "same bytes, other file";
  EXPECT_FALSE(platform::SameFile(dir.File("none.pdf"), a));
  EXPECT_TRUE(platform::IsPlainFile(a));
  EXPECT_FALSE(platform::IsPlainFile(dir.File("l.aff")));
  EXPECT_FALSE(platform::IsPlainFile(dir.Path()));
}
