#include "CommandLineModes.h"
#include "Program.h"

int main(int argc, char **argv) {
  // The modes for scripts run without a window; otherwise the program starts as usual.
  if (const int code = app::RunCommandLineMode(argc, argv); code >= 0) return code;
  return app::RunMuralix(argc, argv);
}
