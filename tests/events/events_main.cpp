// The device event tests run under umockdev's preload library; see
// runUnderUmockdev.
#include <gtest/gtest.h>

#include <filesystem>

#include "umockdev_agent.h"

int main(int argc, char** argv) {
  const std::filesystem::path root = plugscope::test::runUnderUmockdev(argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return status;
}
