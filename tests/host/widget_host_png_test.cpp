// plugscope-widget-host --format png, run as a process on a stored
// snapshot under temporary XDG directories.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/system/xdg_dirs.h"
#include "test_support.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

const std::string kHost = test::builtProgram("bin/plugscope-widget-host");

class WidgetHostPngTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = test::freshDirectory("host-png");
    fs::create_directories(root_ / "data" / kAppGroupIdentifier);
    fs::create_directories(root_ / "run");
    std::ofstream(root_ / "data" / kAppGroupIdentifier / "snapshot.json")
        << test::readFixture("laptop-dock-display-charger.expected.json");
  }
  void TearDown() override { fs::remove_all(root_); }

  // The host under /usr/bin/env, so that only it sees our directories.
  test::ProgramResult host(std::vector<std::string> args) const {
    args.insert(args.begin(), {"XDG_DATA_HOME=" + (root_ / "data").string(),
                               "XDG_RUNTIME_DIR=" + (root_ / "run").string(), kHost});
    return test::runProgram("/usr/bin/env", args);
  }

  fs::path root_;
};

// Width and height from a PNG's header; 0 by 0 when it is not one.
std::pair<int, int> pngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
  const auto at = [&](std::size_t i) {
    return (static_cast<unsigned char>(bytes[i]) << 24) |
           (static_cast<unsigned char>(bytes[i + 1]) << 16) |
           (static_cast<unsigned char>(bytes[i + 2]) << 8) | static_cast<unsigned char>(bytes[i + 3]);
  };
  return {static_cast<int>(at(16)), static_cast<int>(at(20))};
}

TEST_F(WidgetHostPngTest, WritesOnePictureAtTheScaleTimesTheFamilySize) {
  struct Case {
    const char* family;
    const char* appearance;
    const char* scale;  // null: the default, twice
    std::pair<int, int> size;
  };
  for (const Case& c : {Case{"small", "light", nullptr, {340, 340}},
                        Case{"medium", "dark", nullptr, {728, 340}},
                        Case{"large", "light", nullptr, {728, 764}},
                        Case{"medium", "light", "1", {364, 170}},
                        Case{"small", "dark", "3", {510, 510}}}) {
    const fs::path picture = root_ / (std::string(c.family) + ".png");
    std::vector<std::string> args = {"--family", c.family, "--format", "png", "--appearance",
                                      c.appearance, "--output", picture.string()};
    if (c.scale) args.insert(args.end(), {"--scale", c.scale});
    const auto result = host(args);
    EXPECT_EQ(result.exitStatus, 0) << c.family << ": " << result.err;
    EXPECT_EQ(result.out, "") << c.family;
    std::ifstream file(picture, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(pngSize(bytes), c.size) << c.family;
  }
}

TEST_F(WidgetHostPngTest, BadArgumentsGiveOneLineAndStatusTwo) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"png without output", {"--format", "png"}},
      {"unknown appearance", {"--format", "png", "--appearance", "sepia", "--output", "x.png"}},
      {"scale not 1, 2 or 3", {"--format", "png", "--scale", "4", "--output", "x.png"}},
      {"unwritable output", {"--format", "png", "--output", "/nonexistent/dir/x.png"}},
  };
  for (const auto& c : cases) {
    test::expectUsageError(host(c.args), "", c.name);
  }
}

}  // namespace
}  // namespace plugscope
