#include "widget_api/localized_text.h"

#include <gtest/gtest.h>

#include "host/tree_renderer.h"
#include "widget_test_support.h"

namespace plugscope {
namespace {

TEST(LocalizedText, FillsOnlyTheIntegerPlaceholder) {
  struct Row {
    const char* name;
    const char* format;
    std::int64_t value;
    std::string expected;
  };
  const Row rows[] = {
      {"watts", "%lld W", 96, "96 W"},
      {"zero", "%lld W", 0, "0 W"},
      {"negative", "%lld W", -5, "-5 W"},
      {"largest", "%lld", INT64_MAX, "9223372036854775807"},
      {"smallest", "%lld", INT64_MIN, "-9223372036854775808"},
      {"percent sign", "%lld %%", 5, "5 %"},
      // A translation with other conversions must not read missing
      // arguments: they stay as text.
      {"foreign conversions", "%s %n %lld %d", 7, "%s %n 7 %d"},
      {"twice", "%lld/%lld", 3, "3/3"},
      {"none", "W", 3, "W"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(fillIntegerPlaceholder(row.format, row.value), row.expected) << row.name;
  }
}

TEST(LocalizedText, KeysAreLookedUpVerbatimTextsAreNot) {
  const test::MapStrings strings({{"Cables", "Kabel"}, {"%lld W", "%lld Watt"}});
  EXPECT_EQ(resolveText(TextContent::key("Cables"), strings), "Kabel");
  EXPECT_EQ(resolveText(TextContent::verbatim("Cables"), strings), "Cables");
  EXPECT_EQ(resolveText(TextContent::key("%lld W", 45), strings), "45 Watt");
  EXPECT_EQ(resolveText(TextContent::key("Untranslated %lld", 1), strings), "Untranslated 1");
  // Without an argument a key's text is shown as it stands.
  EXPECT_EQ(resolveText(TextContent::key("100%% sure"), strings), "100%% sure");
}

TEST(TreeRenderer, StringLiteralsEscapeOnlyWhatJsonNeeds) {
  struct Row {
    const char* name;
    std::string input;
    std::string expected;
  };
  const Row rows[] = {
      {"plain", "USB-C 1", "\"USB-C 1\""},
      {"solidus stays", "10/40 Gbps", "\"10/40 Gbps\""},
      {"non-ASCII stays", "Charging \u00b7 96 W", "\"Charging \u00b7 96 W\""},
      {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
      {"short escapes", "a\nb\tc\rd", "\"a\\nb\\tc\\rd\""},
      {"escape character", "\x1b[2J", "\"\\u001b[2J\""},
      {"C1 control", "\u009b", "\"\\u009b\""},
      {"delete", "\x7f", "\"\\u007f\""},
      {"invalid UTF-8", "\xc3(", "\"\uFFFD(\""},
  };
  for (const auto& row : rows) EXPECT_EQ(jsonStringLiteral(row.input), row.expected) << row.name;
}

}  // namespace
}  // namespace plugscope
