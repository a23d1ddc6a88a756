#include <gtest/gtest.h>

#include <QFile>

#include "TempDir.h"
#include "core/Errors.h"
#include "core/Registry.h"

namespace {
// Points the settings at a fresh configuration folder for one test.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { qputenv("XDG_CONFIG_HOME", dir_.Path().toUtf8()); }
  void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
  TempDir dir_;
};
}  // namespace

TEST_F(RegistryTest, TheKeyIsAnIniFileInTheConfigFolder) {
  {
    platform::RegistryKey key(QStringLiteral("muralix.ini"));
    key.WriteString(QStringLiteral("DernierFichier"), QStringLiteral("Fichier"),
                    QStringLiteral("/home/anne/été.aff"));
    EXPECT_EQ(key.FilePath(), dir_.File("muralix.ini"));
  }
  EXPECT_TRUE(QFile::exists(dir_.File("muralix.ini")));
  platform::RegistryKey again(QStringLiteral("muralix.ini"));
  EXPECT_EQ(again.ReadString(QStringLiteral("DernierFichier"), QStringLiteral("Fichier")),
            QStringLiteral("/home/anne/été.aff"));
}

TEST_F(RegistryTest, AKeyWithAccentsSurvivesARoundTrip) {
  {
    platform::RegistryKey key(QStringLiteral("muralix.ini"));
    key.WriteBool(QStringLiteral("Options"), QStringLiteral("Aperçu"), false);
  }
  platform::RegistryKey key(QStringLiteral("muralix.ini"));
  EXPECT_TRUE(key.ValueExists(QStringLiteral("Options"), QStringLiteral("Aperçu")));
  EXPECT_FALSE(key.ReadBool(QStringLiteral("Options"), QStringLiteral("Aperçu"), true));
}

TEST_F(RegistryTest, IntegersThatDoNotReadGiveTheirDefault) {
  dir_.Write("muralix.ini", "[MainW]\nx=12\ny=abc\nw=\nMaxi=0\n");
  platform::RegistryKey key(QStringLiteral("muralix.ini"));
  EXPECT_EQ(key.ReadInteger(QStringLiteral("MainW"), QStringLiteral("x"), 0), 12);
  EXPECT_EQ(key.ReadInteger(QStringLiteral("MainW"), QStringLiteral("y"), 7), 7);
  EXPECT_EQ(key.ReadInteger(QStringLiteral("MainW"), QStringLiteral("w"), 800), 800);
  EXPECT_EQ(key.ReadInteger(QStringLiteral("MainW"), QStringLiteral("h"), 600), 600);
  EXPECT_FALSE(key.ReadBool(QStringLiteral("MainW"), QStringLiteral("Maxi"), true));
}

TEST_F(RegistryTest, AValueThatIsNotATextRaisesTheTypeError) {
  dir_.Write("muralix.ini", "[DernierFichier]\nFichier=a, b\n");
  platform::RegistryKey key(QStringLiteral("muralix.ini"));
  try {
    key.ReadString(QStringLiteral("DernierFichier"), QStringLiteral("Fichier"));
    FAIL() << "a list read as text";
  } catch (const platform::RegistryError &e) {
    EXPECT_EQ(e.Text(), QStringLiteral("Type de données incorrect pour 'Fichier'"));
  }
}

TEST_F(RegistryTest, ErasingASectionRemovesAllItsValues) {
  {
    platform::RegistryKey key(QStringLiteral("muralix.ini"));
    key.WriteString(QStringLiteral("Options"), QStringLiteral("Old"), QStringLiteral("1"));
    key.WriteString(QStringLiteral("MainW"), QStringLiteral("x"), QStringLiteral("5"));
    key.EraseSection(QStringLiteral("Options"));
    key.WriteBool(QStringLiteral("Options"), QStringLiteral("Aperçu"), true);
  }
  platform::RegistryKey key(QStringLiteral("muralix.ini"));
  EXPECT_FALSE(key.ValueExists(QStringLiteral("Options"), QStringLiteral("Old")));
  EXPECT_TRUE(key.ValueExists(QStringLiteral("Options"), QStringLiteral("Aperçu")));
  EXPECT_EQ(key.ReadInteger(QStringLiteral("MainW"), QStringLiteral("x"), 0), 5);
}
