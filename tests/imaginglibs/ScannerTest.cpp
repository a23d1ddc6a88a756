// Scanning for real through SANE's "test" backend, configured for the test alone.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QListWidget>

#include "SaneTestBackend.h"
#include "ScriptedDialogHost.h"
#include "Support.h"
#include "TempDir.h"

namespace {

// SANE reads SANE_CONFIG_DIR once per process, so all tests share one configuration
// folder; each has its own settings folder.
const TempDir &SaneConfig() {
  static TempDir *dir = new TempDir;
  return *dir;
}

class Scanner : public ::testing::Test {
 protected:
  void SetUp() override {
    KeepSaneTestBackendLoaded();
    dir_ = std::make_unique<TempDir>();
    SaneConfig().Write(QStringLiteral("dll.conf"), "test\n");
    SaneConfig().Write(QStringLiteral("test.conf"),
                       "number_of_devices 2\ntest-picture \"Color pattern\"\nresolution 25.0\n");
    qputenv("SANE_CONFIG_DIR", SaneConfig().Path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir_->Path().toLocal8Bit());
  }
  void TearDown() override {
    platform::SetDialogHost(nullptr);
    qunsetenv("XDG_CONFIG_HOME");
  }
  QString Ini() const {
    QFile f(dir_->File(QStringLiteral("imtwain.ini")));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
  }
  std::unique_ptr<TempDir> dir_;
};

TEST_F(Scanner, AcquiresAColourPicture) {
  for (int bits : {0, 8, 24, int(MX_PROGRAM_ROWS)}) {
    HGLOBAL dib = nullptr;
    const int16_t r = CRDE(aquiredibimage)(nullptr, bits, 0, 0, &dib, nullptr, nullptr, nullptr, 0);
    ASSERT_GE(r, 0) << FailureText(r);
    DibFacts f = TakeDib(dib);
    ASSERT_TRUE(f.valid);
    EXPECT_EQ(f.bits, bits == 0 ? 24 : bits);
    // 80 x 100 mm at 25 dots per inch.
    EXPECT_NEAR(f.width, 79, 1);
    EXPECT_NEAR(f.height, 98, 1);
    bool coloured = false;
    for (int y = 0; y < f.height && !coloured; ++y)
      for (int x = 0; x < f.width; ++x) {
        const QRgb c = f.image.pixel(x, y);
        if (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c)) coloured = true;
      }
    EXPECT_TRUE(coloured);
  }
}

TEST_F(Scanner, AColourScanInTheProgramsRowsHoldsTheColoursOfTheTwentyFourBitScan) {
  HGLOBAL old = nullptr, rows = nullptr;
  ASSERT_GE(CRDE(aquiredibimage)(nullptr, 24, 0, 0, &old, nullptr, nullptr, nullptr, 0), 0);
  ASSERT_GE(
      CRDE(aquiredibimage)(nullptr, MX_PROGRAM_ROWS, 0, 0, &rows, nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(ProgramRowsProblem(old, rows), "");
}

int16_t Stop(int16_t, void *) {
  return 0;
}

TEST_F(Scanner, CancelledScanGivesNoPicture) {
  HGLOBAL dib = reinterpret_cast<HGLOBAL>(1);
  const int16_t r = CRDE(aquiredibimage)(nullptr, 24, 0, 0, &dib, nullptr, nullptr, Stop, 0);
  EXPECT_GE(r, 0);
  EXPECT_EQ(dib, nullptr);
}

TEST_F(Scanner, SourceChosenInTheDialogIsRemembered) {
  ScriptedDialogs host;
  host->AnswerModal([](QDialog &dialog) {
    auto *list = dialog.findChild<QListWidget *>(QStringLiteral("Sources"));
    EXPECT_NE(list, nullptr);
    if (list == nullptr) return static_cast<int>(QDialog::Rejected);
    EXPECT_EQ(list->count(), 2);
    list->setCurrentRow(1);
    return static_cast<int>(QDialog::Accepted);
  });
  host->AnswerModal([](QDialog &dialog) {
    // The dialog opens on the remembered source.
    auto *list = dialog.findChild<QListWidget *>(QStringLiteral("Sources"));
    EXPECT_EQ(list->currentRow(), 1);
    return static_cast<int>(QDialog::Rejected);
  });
  const int16_t r = CRDE(selectsource)(nullptr, 0);
  ASSERT_GE(r, 0) << FailureText(r);
  EXPECT_TRUE(Ini().contains(QStringLiteral("[Imaging Twain]")));
  EXPECT_TRUE(Ini().contains(QStringLiteral("Scanner=test:1")));
  EXPECT_EQ(CRDE(selectsource)(nullptr, 0), MX_ERR_CANCELLED);
  EXPECT_TRUE(Ini().contains(QStringLiteral("Scanner=test:1")));

  HGLOBAL dib = nullptr;
  ASSERT_GE(CRDE(aquiredibimage)(nullptr, 24, 0, 0, &dib, nullptr, nullptr, nullptr, 0), 0);
  EXPECT_TRUE(TakeDib(dib).valid);
}

TEST_F(Scanner, NoScannerAtAll) {
  SaneConfig().Write(QStringLiteral("dll.conf"), "");
  HGLOBAL dib = nullptr;
  EXPECT_EQ(CRDE(aquiredibimage)(nullptr, 24, 0, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_NO_SCANNER);
  EXPECT_EQ(CRDE(selectsource)(nullptr, 0), MX_ERR_NO_SCANNER);
  EXPECT_EQ(FailureText(MX_ERR_NO_SCANNER), "Aucun scanner trouvé");
  EXPECT_EQ(CRDE(scannercount)(0), 0);
}

TEST_F(Scanner, CountsTheScannersWithoutShowingAnything) {
  EXPECT_EQ(CRDE(scannercount)(0), 2);  // the scripted host would fail on any dialog
}

TEST_F(Scanner, AFailingScannerGivesItsOwnReason) {
  SaneConfig().Write(QStringLiteral("test.conf"),
                     "number_of_devices 1\nresolution 25.0\n"
                     "read-status-code \"SANE_STATUS_JAMMED\"\n");
  HGLOBAL dib = nullptr;
  EXPECT_EQ(CRDE(aquiredibimage)(nullptr, 24, 0, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_SCANNER);
  EXPECT_EQ(dib, nullptr);
  const std::string text = FailureText(MX_ERR_SCANNER);
  const std::string plain = "Échec du scanner : ";
  EXPECT_EQ(text.rfind(plain, 0), 0u) << text;
  EXPECT_GT(text.size(), plain.size()) << "the scanner's reason follows";
  // The next session starts without the old reason.
  EXPECT_EQ(CRDE(scannercount)(0), 1);
  EXPECT_EQ(FailureText(MX_ERR_SCANNER), "Échec du scanner");
}

}  // namespace
