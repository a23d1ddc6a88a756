#include "SaneTestBackend.h"

#include <dlfcn.h>

#include <QtGlobal>

#include "TempDir.h"

void KeepSaneTestBackendLoaded() {
  // Opened once, never closed: RTLD_NODELETE keeps it mapped whatever SANE does.
  static void *backend = dlopen(MX_SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
  (void)backend;
}

void UseSaneTestScanner(bool any, const char *readStatus) {
  KeepSaneTestBackendLoaded();
  static TempDir *folder = new TempDir;
  folder->Write(QStringLiteral("dll.conf"), any ? "test\n" : "\n");
  folder->Write(QStringLiteral("test.conf"),
                QByteArray("number_of_devices 1\ntest-picture \"Color pattern\"\nresolution 25.0\n"
                           "read-status-code \"") +
                    readStatus + "\"\n");
  qputenv("SANE_CONFIG_DIR", folder->Path().toLocal8Bit());
}

// The leak checker's suppressions for the SANE test backend are in QtTestMain.cpp, with the
// others, since a program may define them only once.
