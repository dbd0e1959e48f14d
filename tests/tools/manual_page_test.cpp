#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "test_support.h"

namespace plugscope {
namespace {

// Every long option a text names, such as "--sysfs".
std::set<std::string> longOptions(const std::string& text) {
  static const std::regex option("--[a-z][a-z-]*");
  std::set<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) {
    found.insert(it->str());
  }
  return found;
}

// The page's text with roff's escaped hyphens ("\-") made plain.
std::string plainPage(const std::string& name) {
  std::string page = test::readAll(std::string(PLUGSCOPE_MANUAL_DIR) + "/" + name + ".1");
  for (std::size_t at = 0; (at = page.find("\\-", at)) != std::string::npos;) page.erase(at, 1);
  return page;
}

TEST(ManualPages, NameTheOptionsThatHelpLists) {
  const std::pair<const char*, const char*> programs[] = {
      {"plugscope-scan", "tools/plugscope-scan"},
      {"plugscope-widget-host", "bin/plugscope-widget-host"},
      {"plugscope-desktop", "bin/plugscope-desktop"},
  };
  for (const auto& [name, built] : programs) {
    const auto help = test::runProgram(test::builtProgram(built), {"--help"});
    ASSERT_EQ(help.exitStatus, 0) << name << ": " << help.err;
    const std::string page = plainPage(name);
    ASSERT_FALSE(page.empty()) << name;
    EXPECT_EQ(longOptions(page), longOptions(help.out)) << name << "\n" << help.out;
  }
}

}  // namespace
}  // namespace plugscope
