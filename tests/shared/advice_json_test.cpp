// The advice document: its exact written form, strict reading within
// bounds, and the sentence pieces every writer of hint texts shares.
#include "shared/advice_json.h"

#include <gtest/gtest.h>

#include <cmath>

namespace plugscope {
namespace {

Advice sample() {
  return {{60.5},
          {{2, "cable-limits-speed", {{"cableMbps", 480}, {"deviceMbps", 10000}},
            "The cable limits this port to 480 Mb/s; the device can do 10 Gb/s."},
           {2, "device-below-its-speed",
            {{"device", std::string("SSD \"X\"/2")}, {"nowMbps", 480}, {"bestMbps", 5000},
             {"blame", std::string("cable")}},
            "t"},
           {3, "load-exceeds-charger", {}, "u"}}};
}

TEST(AdviceJson, WrittenCompactInMemberOrderAndReadBack) {
  const std::string expected =
      R"({"taken":60.5,"advice":[{"port":2,"hint":"cable-limits-speed",)"
      R"("values":{"cableMbps":480,"deviceMbps":10000},)"
      R"("text":"The cable limits this port to 480 Mb\/s; the device can do 10 Gb\/s."},)"
      R"({"port":2,"hint":"device-below-its-speed","values":{"device":"SSD \"X\"\/2",)"
      R"("nowMbps":480,"bestMbps":5000,"blame":"cable"},"text":"t"},)"
      R"({"port":3,"hint":"load-exceeds-charger","values":{},"text":"u"}]})";
  EXPECT_EQ(encodeAdvice(sample()), expected);
  EXPECT_EQ(decodeAdviceOrNone(expected), sample());
  EXPECT_EQ(encodeAdvice(Advice{{0}, {}}), R"({"taken":0,"advice":[]})");
  EXPECT_EQ(encodeAdvice(Advice{{NAN}, {}}), std::nullopt);
  EXPECT_EQ(encodeAdvice(Advice{{INFINITY}, {}}), std::nullopt);
}

TEST(AdviceJson, ReadFailuresAreToldApart) {
  using F = JsonReadFailure;
  const auto entry = [](const std::string& members) {
    return R"({"taken":1,"advice":[{)" + members + "}]}";
  };
  const std::string good = R"("port":1,"hint":"h","values":{},"text":"t")";
  struct Case {
    const char* name;
    std::string text;
    std::optional<JsonReadError> error;
  };
  const Case cases[] = {
      {"good", entry(good), std::nullopt},
      {"unknown members ignored", entry(good + R"(,"more":[{"x":1}])"), std::nullopt},
      {"port 2.0 reads as 2", entry(R"("port":2.0,"hint":"h","values":{},"text":"t")"), std::nullopt},
      {"no taken", R"({"advice":[]})", JsonReadError{F::missingKey, "/taken"}},
      {"null advice", R"({"taken":1,"advice":null})", JsonReadError{F::nullValue, "/advice"}},
      {"entry without text", entry(R"("port":1,"hint":"h","values":{})"),
       JsonReadError{F::missingKey, "/advice/0/text"}},
      {"port 1.5", entry(R"("port":1.5,"hint":"h","values":{},"text":"t")"),
       JsonReadError{F::wrongType, "/advice/0/port"}},
      {"a value that is true", entry(R"("port":1,"hint":"h","values":{"a":true},"text":"t")"),
       JsonReadError{F::wrongType, "/advice/0/values/a"}},
      {"a value that is null", entry(R"("port":1,"hint":"h","values":{"a":null},"text":"t")"),
       JsonReadError{F::wrongType, "/advice/0/values/a"}},
      {"a value that is a list", entry(R"("port":1,"hint":"h","values":{"a":[1]},"text":"t")"),
       JsonReadError{F::wrongType, "/advice/0/values/a"}},
      {"values as a list", entry(R"("port":1,"hint":"h","values":[],"text":"t")"),
       JsonReadError{F::wrongType, "/advice/0/values"}},
      {"not an object", "[]", JsonReadError{F::malformedJson, ""}},
  };
  for (const Case& c : cases) {
    const auto result = decodeAdvice(c.text);
    if (!c.error) {
      EXPECT_TRUE(std::holds_alternative<Advice>(result)) << c.name;
      continue;
    }
    const auto* error = std::get_if<JsonReadError>(&result);
    ASSERT_NE(error, nullptr) << c.name;
    EXPECT_EQ(error->failure, c.error->failure) << c.name;
    EXPECT_EQ(error->where, c.error->where) << c.name;
  }
}

TEST(AdviceJson, ValuesKeepTheirOrderARepeatedNameItsLastValue) {
  const auto advice = decodeAdviceOrNone(
      R"({"taken":1,"advice":[{"port":1,"hint":"h","values":{"b":1,"a":"x","b":2},"text":"t"}]})");
  ASSERT_TRUE(advice);
  EXPECT_EQ(advice->entries.at(0).values,
            (std::vector<AdviceValue>{{"b", 2}, {"a", std::string("x")}}));
}

TEST(AdviceJson, DocumentsBeyondTheBoundsDoNotRead) {
  const std::string one = R"({"port":1,"hint":"h","values":{},"text":"t"})";
  const auto entries = [&](std::size_t count) {
    std::string text = R"({"taken":1,"advice":[)";
    for (std::size_t i = 0; i < count; ++i) text += (i ? "," : "") + one;
    return text + "]}";
  };
  EXPECT_TRUE(decodeAdviceOrNone(entries(kMaxAdviceEntries)));
  EXPECT_FALSE(decodeAdviceOrNone(entries(kMaxAdviceEntries + 1)));
  std::string values;
  for (std::size_t i = 0; i <= kMaxAdviceValues; ++i) {
    values += (i ? "," : "") + std::string("\"v") + std::to_string(i) + "\":1";
  }
  EXPECT_FALSE(decodeAdviceOrNone(R"({"taken":1,"advice":[{"port":1,"hint":"h","values":{)" +
                                  values + R"(},"text":"t"}]})"));
  EXPECT_FALSE(decodeAdviceOrNone(R"({"taken":1,"advice":[{"port":1,"hint":")" +
                                  std::string(kMaxJsonStringBytes + 1, 'h') +
                                  R"(","values":{},"text":"t"}]})"));
}

TEST(AdviceText, SpeedsAndTemplates) {
  const std::pair<std::int64_t, const char*> speeds[] = {
      {1, "1 Mb/s"},        {480, "480 Mb/s"}, {999, "999 Mb/s"}, {1000, "1 Gb/s"},
      {1500, "1.5 Gb/s"},   {5000, "5 Gb/s"},  {10000, "10 Gb/s"}, {1234, "1.234 Gb/s"},
      {80000, "80 Gb/s"},
  };
  for (const auto& [megabits, text] : speeds) EXPECT_EQ(adviceSpeedText(megabits), text);

  const AdviceEntry e{1, "h", {{"nowMbps", 480}, {"watts", 15}, {"mode", std::string("usb3")}}, {}};
  const auto upper = [](std::string_view, const std::string& word) { return "<" + word + ">"; };
  EXPECT_EQ(fillAdviceTemplate("{nowMbps}, {watts} W, {mode}", e, upper), "480 Mb/s, 15 W, <usb3>");
  EXPECT_EQ(fillAdviceTemplate("{missing} {nowMbps} {", e, upper), "{missing} 480 Mb/s {");
  EXPECT_EQ(fillAdviceTemplate("{{watts}}", e, upper), "{15}");
}

}  // namespace
}  // namespace plugscope
