#include "host/text_fitting.h"

#include <gtest/gtest.h>

#include "fake_measurer.h"

namespace plugscope {
namespace {

TEST(CharacterBoundariesTest, NeverSplitAUserPerceivedCharacter) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::size_t> expected;
  };
  const Case cases[] = {
      {"empty", "", {0}},
      {"ascii", "abc", {0, 1, 2, 3}},
      {"combining acute", "e\u0301x", {0, 3, 4}},
      {"flag", "\U0001F1E9\U0001F1EA", {0, 8}},
      {"zwj family", "\U0001F468\u200D\U0001F469\u200D\U0001F467", {0, 18}},
      {"crlf", "a\r\nb", {0, 1, 3, 4}},
      {"two-byte letters", "\u00fc\u00df", {0, 2, 4}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(characterBoundaries(c.text), c.expected) << c.name;
  }
}

TEST(FitOneLineTest, CutsAtTheEndWithAnEllipsis) {
  // Caption 10: 5 points per code point.
  const FontSpec font{10, FontWeight::regular, false};
  struct Case {
    const char* name;
    std::string text;
    double maxWidth;
    std::string expected;
    bool truncated;
  };
  const Case cases[] = {
      {"fits", "abcd", 20, "abcd", false},
      {"fits exactly", "abcd", 20.0, "abcd", false},
      {"one point short", "abcd", 19.9, "ab\u2026", true},
      {"room for three", "abcdefgh", 15, "ab\u2026", true},
      {"spaces before the cut dropped", "ab   cdef", 30, "ab\u2026", true},
      {"only the ellipsis", "abcdef", 5, "\u2026", true},
      {"not even the ellipsis", "abcdef", 4.9, "", true},
      {"zero width", "abc", 0, "", true},
      {"combining mark kept with its letter", "e\u0301e\u0301e\u0301e\u0301", 15.5,
       "e\u0301\u2026", true},
      {"empty text", "", 0, "", false},
  };
  const test::FakeMeasurer measurer;
  for (const auto& c : cases) {
    const FittedText fitted = fitOneLine(c.text, font, c.maxWidth, measurer);
    EXPECT_EQ(fitted.text, c.expected) << c.name;
    EXPECT_EQ(fitted.truncated, c.truncated) << c.name;
  }
}

TEST(FitOneLineTest, SearchesRatherThanTryingEveryLength) {
  const test::FakeMeasurer measurer;
  const std::string text(4000, 'x');
  const FittedText fitted = fitOneLine(text, FontSpec{10, FontWeight::regular, false}, 100, measurer);
  EXPECT_EQ(fitted.text, std::string(19, 'x') + "\u2026");
  EXPECT_LT(measurer.calls, 20);
}

}  // namespace
}  // namespace plugscope
