#include "SaneTestBackend.h"

#include <dlfcn.h>

void KeepSaneTestBackendLoaded() {
  // Opened once, never closed: RTLD_NODELETE keeps it mapped whatever SANE does.
  static void *backend = dlopen(MX_SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
  (void)backend;
}

// The leak checker reads these when it starts; linked in with the function above.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libsane-test.so\n"
         "leak:__interceptor_strdup\n";
}
