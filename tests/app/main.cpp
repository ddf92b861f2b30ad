#include <QApplication>
#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  // Test discovery runs the binary at build time, where no platform plugin is
  // chosen; listing the tests needs no application object.
  if (::testing::GTEST_FLAG(list_tests))
    return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
