#include "Application.h"

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  // Test discovery runs the binary at build time, where no platform plugin is
  // chosen; listing the tests needs no application object.
  if (::testing::GTEST_FLAG(list_tests))
    return RUN_ALL_TESTS();
  // The program's own application object, so that the crash reporter is the
  // one under test.
  TApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
