#include <gtest/gtest.h>

#include "shared/integer_text.h"

namespace plugscope {
namespace {

TEST(IntegerText, FollowsTheOneRule) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> value;
  };
  const Case cases[] = {
      {"0", 0},
      {"7", 7},
      {"+2", 2},
      {"-1", -1},
      {"007", 7},
      {"-0", 0},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", std::nullopt},
      {"-9223372036854775809", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-1", std::nullopt},
      {"--1", std::nullopt},
      {" 2", std::nullopt},
      {"2 ", std::nullopt},
      {"2\n", std::nullopt},
      {"3a", std::nullopt},
      {"0x10", std::nullopt},
      {"1e3", std::nullopt},
      {"1.0", std::nullopt},
      {"\xd9\xa3", std::nullopt},  // ARABIC-INDIC DIGIT THREE is not ASCII
  };
  for (const Case& c : cases) EXPECT_EQ(parseIntegerText(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(parseIntegerText(std::string_view("12\0", 3)), std::nullopt);
}

}  // namespace
}  // namespace plugscope
