// gtest main for the program's tests: the offscreen platform and the program's own
// application object, so event handling and message boxes behave as in the program.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/Application.h"

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  platform::Application app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
