// Entry point of the window tests: the common controls are registered as the
// application object would, then GoogleTest runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "framework/Afx.h"

int main(int argc, char** argv) {
  // A child that just runs until it is ended, for the process-list tests.
  if (argc == 2 && std::string(argv[1]) == "--idle") {
    ::Sleep(INFINITE);
    return 0;
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  // A run that dies under Wine still shows which test it was in.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
