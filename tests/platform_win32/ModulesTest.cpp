#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstdlib>

#include "TempDir.h"
#include "win32/WinApi.h"

namespace {

// Points the Windows folder at a fresh folder for one test.
class WindowsFolder {
 public:
  WindowsFolder() : old_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", dir_.Path().toUtf8());
  }
  ~WindowsFolder() { qputenv("XDG_CONFIG_HOME", old_); }
  QString Path() const { return dir_.Path(); }

 private:
  TempDir dir_;
  QByteArray old_;
};

struct ApplicationFolder {
  explicit ApplicationFolder(const QString &folder) {
    MxSetApplicationFolder(folder.toUtf8().constData());
  }
  ~ApplicationFolder() { MxSetApplicationFolder(nullptr); }
};

}  // namespace

TEST(Modules, ABareNameIsFoundInTheApplicationFolderWhateverItsCase) {
  WindowsFolder windows;
  ApplicationFolder app(STRINGS_MODULE_DIR);
  for (const char *name : {"STRINGS.DLL", "strings.dll", "Strings"}) {
    SCOPED_TRACE(name);
    HMODULE module = LoadLibrary(name);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetProcAddress(module, "MxLoadString"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "NoSuchEntry"), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST(Modules, ABareNameIsNotFoundOutsideTheWindowsSearchOrder) {
  WindowsFolder windows;
  TempDir empty;
  ApplicationFolder app(empty.Path());
  EXPECT_EQ(LoadLibrary("STRINGS.DLL"), nullptr);
  EXPECT_EQ(LoadLibrary("libc.so.6"), nullptr) << "the Linux library path is not searched";
}

TEST(Modules, AFullPathIsLoadedFromThere) {
  WindowsFolder windows;
  HMODULE module = LoadLibrary(STRINGS_MODULE_DIR "STRINGS.DLL");
  ASSERT_NE(module, nullptr);
  char path[1024];
  ASSERT_GT(GetModuleFileName(module, path, sizeof path), 0u);
  EXPECT_TRUE(QString::fromUtf8(path).endsWith("STRINGS.DLL"));
  FreeLibrary(module);
}

TEST(Modules, LoadStringReadsTheLibrarysTable) {
  HMODULE module = LoadLibrary(STRINGS_MODULE_DIR "STRINGS.DLL");
  ASSERT_NE(module, nullptr);
  char buffer[256];
  EXPECT_EQ(LoadString(module, 65535, buffer, sizeof buffer), 11);
  EXPECT_STREQ(buffer, "Last string");
  EXPECT_EQ(LoadString(module, 8, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "") << "no such string";
  // "Déjà vu" is 9 bytes: a cut never splits the two bytes of "é".
  EXPECT_EQ(LoadString(module, 7, buffer, 3), 1);
  EXPECT_STREQ(buffer, "D");
  EXPECT_EQ(LoadString(module, 7, buffer, 4), 3);
  EXPECT_STREQ(buffer, "Dé");
  FreeLibrary(module);
}

TEST(Modules, TheProgramsOwnStringsComeFromItsRegisteredTable) {
  MxRegisterStringLoader([](uint32_t id, char *buffer, int size) {
    if (id != 1 || size < 3) return 0;
    std::strcpy(buffer, "ok");
    return 2;
  });
  char buffer[16];
  EXPECT_EQ(LoadString(GetModuleHandle(nullptr), 1, buffer, sizeof buffer), 2);
  EXPECT_STREQ(buffer, "ok");
  MxRegisterStringLoader(nullptr);
  EXPECT_EQ(LoadString(GetModuleHandle(nullptr), 1, buffer, sizeof buffer), 0);
}

TEST(Profiles, ValuesAreWrittenAndReadBackWithoutRegardToCase) {
  WindowsFolder windows;
  EXPECT_TRUE(WritePrivateProfileString("Imaging Twain", "App Name", "muralix", "imtwain.ini"));
  EXPECT_TRUE(WritePrivateProfileString("Other", "Key", "1", "imtwain.ini"));
  EXPECT_TRUE(WritePrivateProfileString("Imaging Twain", "Source", "test:0", "imtwain.ini"));
  char buffer[64];
  EXPECT_EQ(GetPrivateProfileString("imaging twain", "app name", "", buffer, sizeof buffer,
                                    "imtwain.ini"),
            7u);
  EXPECT_STREQ(buffer, "muralix");
  GetPrivateProfileString("Imaging Twain", "Source", "", buffer, sizeof buffer, "imtwain.ini");
  EXPECT_STREQ(buffer, "test:0");
  GetPrivateProfileString("Imaging Twain", "Missing", "default", buffer, sizeof buffer,
                          "imtwain.ini");
  EXPECT_STREQ(buffer, "default");
  EXPECT_EQ(GetPrivateProfileInt("Other", "Key", 5, "imtwain.ini"), 1u);
  QFile file(windows.Path() + "imtwain.ini");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "[Imaging Twain]\nApp Name=muralix\nSource=test:0\n[Other]\nKey=1\n");
}

TEST(Profiles, SearchPathLooksInEachFolderInTurn) {
  TempDir first, second;
  second.Write("CRDE2000.DLL", "x");
  const QByteArray list = (first.Path() + "\\;" + second.Path()).toUtf8();
  char found[1024];
  char *part = nullptr;
  ASSERT_GT(SearchPath(list.constData(), "crde2000.dll", nullptr, sizeof found, found, &part), 0u);
  EXPECT_EQ(QString::fromUtf8(found), QDir(second.Path()).absoluteFilePath("CRDE2000.DLL"));
  EXPECT_STREQ(part, "CRDE2000.DLL");
  EXPECT_EQ(SearchPath(first.Path().toUtf8().constData(), "CRDE2000.DLL", nullptr, sizeof found,
                       found, &part),
            0u);
}
