#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "RowName.h"
#include "TempDir.h"
#include "core/Errors.h"
#include "core/Paths.h"

namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char *name, const QString &value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    if (value.isNull())
      qunsetenv(name);
    else
      qputenv(name, value.toUtf8());
  }
  ~ScopedEnv() {
    if (had_)
      qputenv(name_, old_);
    else
      qunsetenv(name_);
  }

 private:
  const char *name_;
  bool had_;
  QByteArray old_;
};

}  // namespace

TEST(ProgramDataFolder, IsTheUsersDataFolderAndTheProgramsName) {
  TempDir dir;
  platform::SetProgramFileOverride(dir.File("lib/muralix/muralix"));
  {
    ScopedEnv data("XDG_DATA_HOME", dir.File("data"));
    EXPECT_EQ(platform::DataFolder(), dir.File("data/"));
    EXPECT_EQ(platform::ProgramDataFolder(), dir.File("data/muralix/"));
  }
  {
    ScopedEnv home("HOME", dir.File("home"));
    ScopedEnv unset("XDG_DATA_HOME", QString());
    EXPECT_EQ(platform::ProgramDataFolder(), dir.File("home/.local/share/muralix/"));
    ScopedEnv relative("XDG_DATA_HOME", QStringLiteral("relative/data"));
    EXPECT_EQ(platform::DataFolder(), dir.File("home/.local/share/"))
        << "a relative XDG_DATA_HOME is ignored";
  }
  platform::SetProgramFileOverride(QString());
}

struct FindCase {
  const char *name;
  bool inData, besideProgram;
  const char *expected;  // relative to the test's folder
};
const FindCase kFindCases[] = {
    {"only in the data folder", true, false, "data/muralix/images/a.bmp"},
    {"only beside the program", false, true, "lib/muralix/images/a.bmp"},
    {"in both: the data folder's", true, true, "data/muralix/images/a.bmp"},
    {"in neither: its place in the data folder", false, false, "data/muralix/images/a.bmp"},
};

namespace {

class ProgramDataFile : public testing::TestWithParam<FindCase> {};

TEST_P(ProgramDataFile, IsFoundThereFirstThenBesideTheProgram) {
  const FindCase &c = GetParam();
  SCOPED_TRACE(c.name);
  TempDir dir;
  ScopedEnv data("XDG_DATA_HOME", dir.File("data"));
  platform::SetProgramFileOverride(dir.File("lib/muralix/muralix"));
  QDir().mkpath(dir.File("data/muralix/images"));
  QDir().mkpath(dir.File("lib/muralix/images"));
  if (c.inData) dir.Write("data/muralix/images/a.bmp", "d");
  if (c.besideProgram) dir.Write("lib/muralix/images/a.bmp", "p");
  EXPECT_EQ(platform::FindProgramDataFile(QStringLiteral("images/a.bmp")),
            dir.File(QString::fromLatin1(c.expected)));
  platform::SetProgramFileOverride(QString());
}
INSTANTIATE_TEST_SUITE_P(, ProgramDataFile, testing::ValuesIn(kFindCases), ByRowName());

}  // namespace

TEST(ProgramDataFolder, PreparingAFolderMakesItAndTheMissingFoldersAbove) {
  TempDir dir;
  platform::PrepareWritableFolder(dir.File("a/b/c"));
  EXPECT_TRUE(QFileInfo(dir.File("a/b/c")).isDir());
  EXPECT_EQ(QFile::permissions(dir.File("a")) & 0x0077, 0) << "folders made above are private";
  EXPECT_NO_THROW(platform::PrepareWritableFolder(dir.File("a/b/c"))) << "an existing one is fine";
}

TEST(ProgramDataFolder, AFolderThatCannotBeMadeIsNamedInTheFailure) {
  TempDir dir;
  dir.Write("file", "x");
  for (const QString &folder : {dir.File("file"), dir.File("file/images")}) {
    SCOPED_TRACE(folder.toStdString());
    try {
      platform::PrepareWritableFolder(folder);
      FAIL() << "no failure";
    } catch (const platform::InOutError &e) {
      EXPECT_TRUE(e.Text().startsWith("Impossible de créer le dossier " + folder + " : "))
          << e.Text().toStdString();
      EXPECT_EQ(e.Code(), ENOTDIR);
    }
  }
}
