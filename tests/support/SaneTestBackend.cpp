#include "SaneTestBackend.h"

#include <dlfcn.h>

#include <QtGlobal>

#include "TempDir.h"

void KeepSaneTestBackendLoaded() {
  // Opened once, never closed: RTLD_NODELETE keeps it mapped whatever SANE does.
  static void *backend = dlopen(MX_SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
  (void)backend;
}

void UseSaneTestScanner(bool any) {
  KeepSaneTestBackendLoaded();
  static TempDir *folder = new TempDir;
  folder->Write(QStringLiteral("dll.conf"), any ? "test\n" : "\n");
  folder->Write(QStringLiteral("test.conf"),
                "number_of_devices 1\ntest-picture \"Color pattern\"\nresolution 25.0\n");
  qputenv("SANE_CONFIG_DIR", folder->Path().toLocal8Bit());
}

// The leak checker reads these when it starts; linked in with the function above. The HEVC
// encoder that writes the tests' HEIC pictures keeps a few tables until the process ends.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libsane-test.so\n"
         "leak:__interceptor_strdup\n"
         "leak:libx265.so\n";
}
