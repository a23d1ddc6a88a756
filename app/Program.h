#pragma once
// The program's entry: splash, main window, format dialog and about box, message loop.
namespace app {
int RunMuralix(int argc, char **argv);
}
