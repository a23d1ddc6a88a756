// gtest main for the program's tests: the offscreen platform and the program's own
// application object, so event handling and message boxes behave as in the program.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>

#include "ui/Application.h"

// The leak checker reads these when it starts. The SANE test backend keeps what it
// allocates; the system's PDF library keeps a few small blocks of every document it fails
// to open, and the tests open damaged files on purpose. Neither is the program's. The SANE
// backend is unloaded before the check runs, so its leaks show only as the string copy that
// made them (named one way by gcc's runtime, another by clang's); the program itself never
// calls strdup.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libsane-test.so\n"
         "leak:__interceptor_strdup\n"
         "leak:^strdup$\n"
         "leak:libQt6Pdf.so\n"
         "leak:libx265.so\n";
}

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  platform::Application app(argc, argv);
  // What a test program writes into the user's data folder stays out of the real one.
  QTemporaryDir data(QStringLiteral("/tmp/muralix-test-data-XXXXXX"));
  setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
