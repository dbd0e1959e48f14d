#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "shared/snapshot_json.h"

namespace plugscope {
namespace {

const char kSampleLine[] =
    R"({"ports":[{"id":"Port-USB-C@1","number":1,"connected":true,"protocols":["USB 3","USB 2"],)"
    R"("speed":"10 Gbps","device":"iPhone","smartCable":true,"activeCable":false,"opticalCable":false,)"
    R"("usbPowerWatts":4.5,"powerIn":false},{"id":"Port-USB-C@2","number":2,"connected":false,)"
    R"("protocols":[],"smartCable":false,"activeCable":false,"opticalCable":false,"powerIn":false}],)"
    R"("taken":60.5})";

Snapshot decoded(std::string_view json) {
  auto result = decodeSnapshot(json);
  if (auto* error = std::get_if<JsonReadError>(&result)) {
    ADD_FAILURE() << "read failed at " << error->where;
    return {};
  }
  return std::get<Snapshot>(result);
}

TEST(SnapshotJson, SampleLineRoundTripsByteForByte) {
  const Snapshot s = decoded(kSampleLine);
  ASSERT_EQ(s.ports.size(), 2u);
  EXPECT_EQ(s.ports[0].usbPowerWatts, 4.5);
  EXPECT_FALSE(s.ports[1].speed.has_value());
  EXPECT_EQ(s.taken.seconds, 60.5);
  EXPECT_EQ(encodeSnapshot(s), kSampleLine);
}

TEST(SnapshotJson, AbsentOptionalsAreLeftOut) {
  EXPECT_EQ(encodeSnapshot(Snapshot{}), R"({"ports":[],"taken":0})");
  PortStatus bare;
  bare.id = "p";
  EXPECT_EQ(encodePortStatus(bare),
            R"({"id":"p","number":0,"connected":false,"protocols":[],"smartCable":false,)"
            R"("activeCable":false,"opticalCable":false,"powerIn":false})");
  // Null optionals read as absent and are not written back.
  const Snapshot s = decoded(R"({"ports":[{"id":"a","number":1,"connected":true,"protocols":[],)"
                             R"("speed":null,"device":null,"usbPowerWatts":null,"smartCable":false,)"
                             R"("activeCable":false,"opticalCable":false,"powerIn":false}],)"
                             R"("chargerWatts":null,"taken":0})");
  EXPECT_FALSE(s.chargerWatts);
  EXPECT_FALSE(s.ports.at(0).usbPowerWatts);
  EXPECT_EQ(encodeSnapshot(s)->find("null"), std::string::npos);
}

TEST(SnapshotJson, DoublesUseShortestDigitsInEcmaScriptLayout) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {15.0, "15"},
      {2.5, "2.5"},
      {0.0, "0"},
      {-0.0, "-0"},
      {790000000.0, "790000000"},
      {1e21, "1e+21"},
      {1e300, "1e+300"},
      {0.1, "0.1"},
      {5e-324, "5e-324"},
      {0.001, "0.001"},
      {0.000001, "0.000001"},
      {1e-7, "1e-7"},
      {1.5e-8, "1.5e-8"},
      {-2.5, "-2.5"},
      {123456789012345680000.0, "123456789012345680000"},
      {1.7976931348623157e308, "1.7976931348623157e+308"},
      {0.30000000000000004, "0.30000000000000004"},
      {1.12, "1.12"},
  };
  for (const Case& c : cases) {
    Snapshot s;
    s.taken.seconds = c.value;
    const std::string expected = std::string(R"({"ports":[],"taken":)") + c.text + "}";
    EXPECT_EQ(encodeSnapshot(s), expected) << c.text;
    const Snapshot back = decoded(expected);
    EXPECT_EQ(back.taken.seconds, c.value) << c.text;  // -0 reads back equal to 0
  }
}

TEST(SnapshotJson, NonFiniteDoubleFailsTheWholeWrite) {
  for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
    Snapshot withBadTaken;
    withBadTaken.taken.seconds = bad;
    EXPECT_FALSE(encodeSnapshot(withBadTaken));

    Snapshot withBadPower;
    withBadPower.ports.resize(2);
    withBadPower.ports[1].usbPowerWatts = bad;
    EXPECT_FALSE(encodeSnapshot(withBadPower));
    EXPECT_FALSE(encodeSnapshot(withBadPower, JsonLayout::pretty));
  }
}

TEST(SnapshotJson, StringEscapes) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"a\"b", R"("a\"b")"},
      {"a\\b", R"("a\\b")"},
      {"a/b", R"("a\/b")"},
      {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
      {std::string("\0", 1), R"("\u0000")"},
      {"\x01\x1f", R"("\u0001\u001f")"},
      {"\x7f", "\"\x7f\""},
      {"Gr\xc3\xbc\xc3\x9f \xf0\x9f\x94\x8c", "\"Gr\xc3\xbc\xc3\x9f \xf0\x9f\x94\x8c\""},
      // Bytes that are not UTF-8 would make the file unreadable: replaced.
      {"a\xff" "b", "\"a\xef\xbf\xbd" "b\""},
      {"\xc3", "\"\xef\xbf\xbd\""},
      {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
  };
  for (const Case& c : cases) {
    PortStatus p;
    p.id = c.in;
    const std::string json = *encodePortStatus(p);
    EXPECT_EQ(json.substr(6, c.out.size()), c.out) << json;
    auto back = decodePortStatus(json);
    ASSERT_TRUE(std::holds_alternative<PortStatus>(back)) << json;
  }
  // Control characters and escapes read back to the same text.
  PortStatus p;
  p.id = std::string("q\"\\/\b\f\n\r\t\x01\0z", 12);
  EXPECT_EQ(std::get<PortStatus>(decodePortStatus(*encodePortStatus(p))).id, p.id);
}

TEST(SnapshotJson, ReadFailuresAreToldApart) {
  const std::string port =
      R"("id":"a","number":1,"connected":true,"protocols":[],"smartCable":false,)"
      R"("activeCable":false,"opticalCable":false)";
  const auto withPort = [&](const std::string& extra) {
    return R"({"ports":[{)" + port + extra + R"(}],"taken":1})";
  };
  struct Case {
    const char* name;
    std::string json;
    JsonReadFailure failure;
  };
  const Case cases[] = {
      {"empty text", "", JsonReadFailure::malformedJson},
      {"cut off", R"({"ports":[],"ta)", JsonReadFailure::malformedJson},
      {"array at top", "[]", JsonReadFailure::malformedJson},
      {"trailing garbage", R"({"ports":[],"taken":0} x)", JsonReadFailure::malformedJson},
      {"two values", R"({"ports":[],"taken":0}{})", JsonReadFailure::malformedJson},
      {"invalid UTF-8", "{\"ports\":[],\"taken\":0,\"x\":\"\xff\"}", JsonReadFailure::malformedJson},
      {"empty object", "{}", JsonReadFailure::missingKey},
      {"no taken", R"({"ports":[]})", JsonReadFailure::missingKey},
      {"port without powerIn", withPort(""), JsonReadFailure::missingKey},
      {"taken null", R"({"ports":[],"taken":null})", JsonReadFailure::nullValue},
      {"ports null", R"({"ports":null,"taken":0})", JsonReadFailure::nullValue},
      {"powerIn null", withPort(R"(,"powerIn":null)"), JsonReadFailure::nullValue},
      {"connected as 1",
       R"({"ports":[{"id":"a","number":1,"connected":1,"protocols":[],"smartCable":false,)"
       R"("activeCable":false,"opticalCable":false,"powerIn":false}],"taken":1})",
       JsonReadFailure::wrongType},
      {"powerIn as string", withPort(R"(,"powerIn":"false")"), JsonReadFailure::wrongType},
      {"number 3.5",
       R"({"ports":[{"id":"a","number":3.5,"connected":true,"protocols":[],"smartCable":false,)"
       R"("activeCable":false,"opticalCable":false,"powerIn":false}],"taken":1})",
       JsonReadFailure::wrongType},
      {"protocols holding a number", withPort(R"(,"powerIn":false,"speed":"x")").replace(
                                         withPort("").find("[]"), 2, "[1]"),
       JsonReadFailure::wrongType},
      {"speed as number", withPort(R"(,"powerIn":false,"speed":10)"), JsonReadFailure::wrongType},
      {"usbPowerWatts as string", withPort(R"(,"powerIn":false,"usbPowerWatts":"4.5")"),
       JsonReadFailure::wrongType},
      {"chargerWatts 2.5", R"({"ports":[],"chargerWatts":2.5,"taken":0})", JsonReadFailure::wrongType},
      {"chargerWatts beyond int64", R"({"ports":[],"chargerWatts":9223372036854775808,"taken":0})",
       JsonReadFailure::wrongType},
      {"chargerWatts 2^63 as float", R"({"ports":[],"chargerWatts":9.223372036854775808e18,"taken":0})",
       JsonReadFailure::wrongType},
      {"taken as string", R"({"ports":[],"taken":"0"})", JsonReadFailure::wrongType},
      {"ports as object", R"({"ports":{},"taken":0})", JsonReadFailure::wrongType},
      {"port as array", R"({"ports":[[]],"taken":0})", JsonReadFailure::wrongType},
      {"number overflowing double", R"({"ports":[],"taken":1e400})", JsonReadFailure::malformedJson},
  };
  for (const Case& c : cases) {
    auto result = decodeSnapshot(c.json);
    const auto* error = std::get_if<JsonReadError>(&result);
    ASSERT_NE(error, nullptr) << c.name;
    EXPECT_EQ(error->failure, c.failure) << c.name << " at " << error->where;
  }
}

TEST(SnapshotJson, LenientWhereTheFormAllows) {
  const Snapshot s = decoded(
      R"({"taken":7,"extra":{"x":[null]},"chargerWatts":-9223372036854775808,"ports":[)"
      R"({"powerIn":true,"opticalCable":true,"activeCable":true,"smartCable":true,"protocols":["x"],)"
      R"("connected":true,"number":3.0,"id":"z","unknown":null,"usbPowerWatts":-1e2}]})");
  EXPECT_EQ(s.taken.seconds, 7.0);
  EXPECT_EQ(s.chargerWatts, INT64_MIN);
  ASSERT_EQ(s.ports.size(), 1u);
  EXPECT_EQ(s.ports[0].number, 3);
  EXPECT_EQ(s.ports[0].usbPowerWatts, -100.0);
  EXPECT_TRUE(s.ports[0].powerIn);
  EXPECT_EQ(decoded(R"({"ports":[],"chargerWatts":9223372036854775807,"taken":0})").chargerWatts,
            INT64_MAX);
  EXPECT_EQ(decoded(R"({"ports":[],"chargerWatts":-0.0,"taken":0})").chargerWatts, 0);
}

TEST(SnapshotJson, RepeatedKeyTakesItsLastValue) {
  // Whatever an earlier occurrence held, valid or not, is forgotten.
  const std::string port =
      R"({"id":"a","number":1,"connected":true,"protocols":[],"smartCable":false,)"
      R"("activeCable":false,"opticalCable":false,"powerIn":false)";
  struct Case {
    const char* name;
    std::string json;
    std::optional<JsonReadFailure> failure;  // none: reads as `expected`
    Snapshot expected;
  };
  PortStatus b;
  b.id = "b";
  b.number = 1;
  b.connected = true;
  b.protocols = {"USB 2"};
  const Case cases[] = {
      {"taken twice", R"({"ports":[],"taken":1,"taken":2})", {}, {{}, {}, {2}}},
      {"wrong type, then valid", R"({"ports":[],"taken":"x","taken":2})", {}, {{}, {}, {2}}},
      {"valid, then null", R"({"ports":[],"taken":2,"taken":null})", JsonReadFailure::nullValue, {}},
      {"broken ports, then none", R"({"ports":[{"id":1}],"ports":[],"taken":0})", {}, {}},
      {"ports, then broken ones", R"({"ports":[],"ports":[{"id":"a"}],"taken":0})",
       JsonReadFailure::missingKey, {}},
      {"charger, then null", R"({"ports":[],"chargerWatts":60,"chargerWatts":null,"taken":0})", {},
       {}},
      {"member of a port", port + R"(,"id":"b","protocols":["USB 2"],"usbPowerWatts":2.5,)"
                                  R"("usbPowerWatts":null}],"taken":0})",
       {}, {{b}, {}, {0}}},
  };
  for (const Case& c : cases) {
    const std::string json =
        c.json.starts_with("{\"id\"") ? R"({"ports":[)" + c.json : c.json;
    auto result = decodeSnapshot(json);
    if (c.failure) {
      const auto* error = std::get_if<JsonReadError>(&result);
      ASSERT_NE(error, nullptr) << c.name;
      EXPECT_EQ(error->failure, *c.failure) << c.name;
    } else {
      EXPECT_EQ(decoded(json), c.expected) << c.name;
    }
  }
}

TEST(SnapshotJson, FilesBeyondTheReadersBoundsDoNotRead) {
  const std::string port =
      R"({"id":"a","number":1,"connected":true,"protocols":[],"smartCable":false,)"
      R"("activeCable":false,"opticalCable":false,"powerIn":false})";
  const auto repeated = [](const std::string& item, std::size_t n) {
    std::string list;
    for (std::size_t i = 0; i < n; ++i) list += (i ? "," : "") + item;
    return list;
  };
  const auto withPorts = [](const std::string& ports) {
    return R"({"ports":[)" + ports + R"(],"taken":0})";
  };
  const auto withProtocols = [&](std::size_t n) {
    std::string p = port;
    return withPorts(p.replace(p.find("[]"), 2, "[" + repeated(R"("x")", n) + "]"));
  };
  const auto withId = [&](const std::string& id) {
    std::string p = port;
    return withPorts(p.replace(p.find(R"("a")"), 3, id));
  };
  const auto withExtra = [](const std::string& value) {
    return R"({"ports":[],"taken":0,"extra":)" + value + "}";
  };
  const auto text = [](std::size_t bytes) { return '"' + std::string(bytes, 'x') + '"'; };
  const auto escapes = [&](const char* escape, std::size_t n) {
    std::string s = "\"";
    for (std::size_t i = 0; i < n; ++i) s += escape;
    return s + '"';
  };
  struct Case {
    const char* name;
    std::string json;
    bool reads;
  };
  const Case cases[] = {
      {"64 ports", withPorts(repeated(port, 64)), true},
      {"65 ports", withPorts(repeated(port, 65)), false},
      {"65 ports, one of them broken", withPorts(repeated(port, 64) + ",1"), false},
      {"64 protocols", withProtocols(64), true},
      {"65 protocols", withProtocols(65), false},
      {"id of 4096 bytes", withId(text(4096)), true},
      {"id of 4097 bytes", withId(text(4097)), false},
      {"ignored string of 4097 bytes", withExtra(text(4097)), false},
      {"key of 4097 bytes", R"({"ports":[],"taken":0,)" + text(4097) + ":0}", false},
      // Escapes count as the bytes they stand for.
      {"2048 two-byte escapes", withExtra(escapes("\\u00e9", 2048)), true},
      {"2049 two-byte escapes", withExtra(escapes("\\u00e9", 2049)), false},
      {"4096 one-byte escapes", withExtra(escapes("\\u0041", 4096)), true},
      // A giant token costs the parser its size twice over before any bound
      // could look at it.
      {"number of 60,000 digits", withExtra("0." + std::string(60'000, '0') + "1"), true},
      {"number of 70,000 digits", withExtra("0." + std::string(70'000, '0') + "1"), false},
      {"70,000 spaces", R"({"ports":[],"taken":0,"extra":)" + std::string(70'000, ' ') + "1}",
       false},
  };
  for (const Case& c : cases) {
    const auto result = decodeSnapshot(c.json);
    const auto* error = std::get_if<JsonReadError>(&result);
    if (c.reads) {
      EXPECT_EQ(error, nullptr) << c.name << " at " << error->where;
    } else {
      ASSERT_NE(error, nullptr) << c.name;
      EXPECT_EQ(error->failure, JsonReadFailure::beyondBounds) << c.name << " at " << error->where;
    }
  }
}

TEST(SnapshotJson, PrettyLayoutHoldsTheSameMembers) {
  const Snapshot s = decoded(kSampleLine);
  const std::string pretty = *encodeSnapshot(s, JsonLayout::pretty);
  EXPECT_NE(pretty.find("\n  \"ports\": [\n    {\n      \"id\": \"Port-USB-C@1\","), std::string::npos)
      << pretty;
  EXPECT_NE(pretty.find("\"protocols\": [],"), std::string::npos) << pretty;
  EXPECT_EQ(decoded(pretty), s);
}

TEST(Records, EqualityAndHashAgree) {
  PortStatus a;
  a.id = "Port-USB-C@1";
  a.protocols = {"USB 3", "USB 2"};
  PortStatus b = a;

  a.usbPowerWatts = 0.0;
  b.usbPowerWatts = -0.0;
  EXPECT_EQ(a, b);
  EXPECT_EQ(hashValue(a), hashValue(b));

  b.usbPowerWatts.reset();  // absent differs from 0.0
  EXPECT_NE(a, b);
  EXPECT_NE(hashValue(a), hashValue(b));

  b = a;
  b.protocols = {"USB 2", "USB 3"};  // order matters
  EXPECT_NE(a, b);

  PortStatus other = a;
  other.id = "Port-USB-C@2";
  EXPECT_NE(std::vector<PortStatus>({a, other}), std::vector<PortStatus>({other, a}));
  EXPECT_NE(hashValue(std::vector<PortStatus>{a, other}), hashValue(std::vector<PortStatus>{other, a}));

  Snapshot s1{{a, other}, 96, {1.0}};
  Snapshot s2 = s1;
  EXPECT_EQ(hashValue(s1), hashValue(s2));
  s2.taken.seconds = 2.0;
  EXPECT_NE(s1, s2);
  EXPECT_EQ(s1.ports, s2.ports);
  s2 = s1;
  s2.chargerWatts.reset();
  EXPECT_NE(s1, s2);
  s1.taken.seconds = 0.0;
  s2 = s1;
  s2.taken.seconds = -0.0;
  EXPECT_EQ(s1, s2);
  EXPECT_EQ(hashValue(s1), hashValue(s2));
}

}  // namespace
}  // namespace plugscope
