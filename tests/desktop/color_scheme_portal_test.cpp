// The desktop's light or dark preference, as the settings portal answers
// Read and carries it in SettingChanged.
#include "desktop/color_scheme_portal.h"

#include <gtest/gtest.h>

namespace plugscope {
namespace {

TEST(ColorSchemeTest, OnlyAPreferenceForDarkIsDrawnDark) {
  const auto u = [](std::uint32_t value) { return g_variant_new_uint32(value); };
  const auto v = [](GVariant* inner) { return g_variant_new_variant(inner); };
  struct Row {
    const char* name;
    GVariant* value;  // floating; none for a portal that gave no answer
    Appearance expected;
  };
  const Row rows[] = {
      {"no preference (0)", u(0), Appearance::light},
      {"prefers dark (1)", u(1), Appearance::dark},
      {"prefers light (2)", u(2), Appearance::light},
      {"a value from a later version (3)", u(3), Appearance::light},
      {"no answer", nullptr, Appearance::light},
      {"dark in SettingChanged's variant", v(u(1)), Appearance::dark},
      {"dark wrapped twice, as old portals answer Read", v(v(u(1))), Appearance::dark},
      {"light wrapped twice", v(v(u(2))), Appearance::light},
      {"dark in Read's reply tuple", g_variant_new("(v)", v(u(1))), Appearance::dark},
      {"light in Read's reply tuple", g_variant_new("(v)", v(u(2))), Appearance::light},
      {"a string", v(g_variant_new_string("dark")), Appearance::light},
      {"a signed number", v(g_variant_new_int32(1)), Appearance::light},
  };
  for (const Row& row : rows) {
    GVariant* value = row.value ? g_variant_ref_sink(row.value) : nullptr;
    EXPECT_EQ(appearanceForColorScheme(colorSchemeFromVariant(value)), row.expected) << row.name;
    if (value) g_variant_unref(value);
  }
}

}  // namespace
}  // namespace plugscope
