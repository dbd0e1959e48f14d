#include <gtest/gtest.h>

#include "scanner/property_reads.h"
#include "scanner/registry_fixture.h"
#include "test_support.h"

namespace plugscope {
namespace {

using test::registryFromJson;

TEST(RegistryFixture, ValuesKeepTheirKinds) {
  const MemoryRegistry r = registryFromJson(R"({"entries":[{"classes":["X"],"properties":{
      "b":true, "i":-42, "big":9223372036854775807, "f":3.0, "e":2e3, "s":"text",
      "a":[1,"x",false], "d":{"k":{"$data":"AQI="}, "n":1}, "data":{"$data":"/+8="},
      "notData":{"$data":"AQI=","other":1}, "emptyData":{"$data":""}}}]})");
  const PropertyMap p = r.readProperties(r.matching("X").at(0));
  EXPECT_EQ(*p.find("b"), RegistryValue(true));
  EXPECT_EQ(*p.find("i"), RegistryValue(std::int64_t{-42}));
  EXPECT_EQ(*p.find("big"), RegistryValue(INT64_MAX));
  EXPECT_EQ(*p.find("f"), RegistryValue(RegistryOther{3.0}));
  EXPECT_EQ(*p.find("e"), RegistryValue(RegistryOther{2000.0}));
  EXPECT_EQ(*p.find("s"), RegistryValue("text"));
  EXPECT_EQ(*p.find("a"), RegistryValue(RegistryArray{1, "x", false}));
  EXPECT_EQ(*p.find("data"), RegistryValue(RegistryData{{0xff, 0xef}}));
  EXPECT_EQ(*p.find("emptyData"), RegistryValue(RegistryData{}));
  const PropertyMap* d = readDictionary(p, "d");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(*d->find("k"), RegistryValue(RegistryData{{1, 2}}));
  EXPECT_NE(readDictionary(p, "notData"), nullptr);
  // Member order is kept.
  std::vector<std::string> keys;
  for (const auto& item : p.items()) keys.push_back(item.first);
  EXPECT_EQ(keys, (std::vector<std::string>{"b", "i", "big", "f", "e", "s", "a", "d", "data",
                                            "notData", "emptyData"}));
}

TEST(RegistryFixture, RegistryOrderIsPreOrderAndMatchingIsByMembership) {
  const MemoryRegistry r = registryFromJson(R"({"ignored":1,"entries":[
      {"classes":["IOService","IOPort"],"properties":{"n":1},"children":[
        {"classes":["IOPort"],"properties":{"n":2},"children":[{"classes":["IOPort"],"properties":{"n":3}}]},
        {"classes":["Other"],"properties":{"PortTypeDescription":"USB-C"}},
        {"classes":["IOPortSub","IOPort"],"properties":{"n":4}}]},
      {"classes":["IOPort"],"properties":{"n":5},"extra":"ignored"}]})");
  std::vector<std::int64_t> order;
  for (EntryRef e : r.matching("IOPort")) order.push_back(*readInteger(r.readProperties(e), "n"));
  EXPECT_EQ(order, (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(r.matching("IOPortSub").size() == 1);
  EXPECT_TRUE(r.matching("IOPor").empty());

  const EntryRef first = r.matching("IOPort")[0];
  EXPECT_FALSE(r.parent(first));
  ASSERT_EQ(r.children(first).size(), 3u);
  EXPECT_EQ(r.parent(r.children(first)[1]), first);
  EXPECT_TRUE(r.readProperties(r.matching("IOPort")[2]).find("n"));
  EXPECT_TRUE(r.children(r.matching("IOPort")[4]).empty());
}

TEST(RegistryFixture, SearchAndSinglePropertyReads) {
  const MemoryRegistry r = registryFromJson(R"({"entries":[
      {"classes":["A"],"properties":{"Socket ID":1,"UsbIOPort":"p"},"children":[
        {"classes":["B"],"children":[{"classes":["C"],"properties":{"Socket ID":"2"}}]}]}]})");
  const EntryRef b = r.matching("B")[0];
  const EntryRef c = r.matching("C")[0];
  EXPECT_EQ(r.searchProperty(c, "Socket ID"), RegistryValue("2"));  // own value wins
  EXPECT_EQ(r.searchProperty(b, "Socket ID"), RegistryValue(1));
  EXPECT_FALSE(r.searchProperty(c, "Missing"));
  EXPECT_FALSE(r.readProperty(b, "UsbIOPort"));  // no climbing
  EXPECT_TRUE(r.readProperties(b).empty());
}

TEST(RegistryFixture, RejectsWhatAFixtureMayNotHold) {
  struct Case {
    const char* name;
    const char* json;
    const char* message;  // a piece the one-line error must hold
  };
  const Case cases[] = {
      {"not JSON", "{\"entries\":[", "not JSON"},
      {"top level array", "[]", "top level"},
      {"no entries", "{}", "\"entries\" missing"},
      {"entries not array", R"({"entries":{}})", "/entries"},
      {"entry not object", R"({"entries":[1]})", "/entries/0"},
      {"null value", R"({"entries":[{"classes":["X"],"properties":{"k":[1,null]}}]})",
       "null is not allowed at /entries/0/properties/k/1"},
      {"integer too large", R"({"entries":[{"classes":["X"],"properties":{"k":9223372036854775808}}]})",
       "outside int64 at /entries/0/properties/k"},
      {"integer too small",
       R"({"entries":[{"classes":["X"],"properties":{"k":-99999999999999999999}}]})",
       "outside int64 at /entries/0/properties/k"},
      {"classes missing", R"({"entries":[{"properties":{}}]})", "\"classes\" missing at /entries/0"},
      {"classes empty", R"({"entries":[{"classes":[]}]})", "/entries/0/classes"},
      {"class not string", R"({"entries":[{"classes":["A",1]}]})", "/entries/0/classes/1"},
      {"properties wrong", R"({"entries":[{"classes":["A"],"properties":[]}]})",
       "/entries/0/properties"},
      {"children wrong", R"({"entries":[{"classes":["A"],"children":{}}]})", "/entries/0/children"},
      {"children null", R"({"entries":[{"classes":["A"],"children":null}]})", "/entries/0/children"},
      {"nested child", R"({"entries":[{"classes":["A"],"children":[{"classes":"B"}]}]})",
       "/entries/0/children/0/classes"},
      {"bad base64 length", R"({"entries":[{"classes":["A"],"properties":{"d":{"$data":"QQ="}}}]})",
       "base64 at /entries/0/properties/d/$data"},
      {"bad base64 char", R"({"entries":[{"classes":["A"],"properties":{"d":{"$data":"QQ-="}}}]})",
       "base64"},
      {"base64 whitespace", R"({"entries":[{"classes":["A"],"properties":{"d":{"$data":"QQ== "}}}]})",
       "base64"},
      {"padding inside", R"({"entries":[{"classes":["A"],"properties":{"d":{"$data":"QQ==QQ=="}}}]})",
       "base64"},
      {"key with slash", R"({"entries":[{"classes":["A"],"properties":{"a/b~":null}}]})",
       "/entries/0/properties/a~1b~0"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(loadRegistryFixture(c.json, error)) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << c.name;
  }
}

TEST(RegistryFixture, DeepNestingIsRefusedNotFollowed) {
  std::string deep(200000, '[');
  std::string error;
  EXPECT_FALSE(loadRegistryFixture(R"({"entries":)" + deep, error));
  EXPECT_NE(error.find("too deep"), std::string::npos) << error;
}

TEST(PropertyReads, EachKindReadsOnlyAsItself) {
  const MemoryRegistry r = registryFromJson(R"({"entries":[{"classes":["X"],"properties":{
      "s":"USB-C", "i":3, "b":true, "f":1.0, "list":["a","b"], "empty":[], "mixed":["a",1],
      "dict":{"Watts":96}, "data":{"$data":"AA=="}, "si":"+12", "sx":"12 "}}]})");
  const PropertyMap p = r.readProperties(r.matching("X")[0]);
  EXPECT_EQ(readString(p, "s"), "USB-C");
  EXPECT_FALSE(readString(p, "i"));
  EXPECT_EQ(readInteger(p, "i"), 3);
  EXPECT_FALSE(readInteger(p, "f"));
  EXPECT_FALSE(readInteger(p, "b"));
  EXPECT_FALSE(readInteger(p, "si"));
  EXPECT_EQ(readBoolean(p, "b"), true);
  EXPECT_FALSE(readBoolean(p, "i"));
  EXPECT_EQ(readStringList(p, "list"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(readStringList(p, "empty"), std::vector<std::string>{});
  EXPECT_FALSE(readStringList(p, "mixed"));
  EXPECT_FALSE(readStringList(p, "s"));
  EXPECT_NE(readDictionary(p, "dict"), nullptr);
  EXPECT_EQ(readDictionary(p, "data"), nullptr);
  EXPECT_FALSE(readString(p, "missing"));
  EXPECT_EQ(integerViaText(*p.find("i")), 3);
  EXPECT_EQ(integerViaText(*p.find("si")), 12);
  EXPECT_FALSE(integerViaText(*p.find("sx")));
  EXPECT_FALSE(integerViaText(*p.find("data")));
  EXPECT_FALSE(integerViaText(*p.find("f")));
}

}  // namespace
}  // namespace plugscope
