// The record reader on a document of another shape than the snapshot's: a
// list of entries, each with an object whose keys are data and whose values
// are numbers or texts.
#include "shared/json_record_reader.h"

#include <gtest/gtest.h>

namespace plugscope {
namespace {

struct Value {
  std::variant<std::int64_t, std::string> held;
  bool operator==(const Value&) const = default;
};

bool readJsonScalar(const JsonScalar& scalar, Value& out) {
  std::int64_t number = 0;
  std::string text;
  if (plugscope::readJsonScalar(scalar, number)) {
    out.held = number;
  } else if (plugscope::readJsonScalar(scalar, text)) {
    out.held = std::move(text);
  } else {
    return false;
  }
  return true;
}

struct Entry {
  std::int64_t port = 0;
  std::string hint;
  std::map<std::string, Value, std::less<>> values;
  bool operator==(const Entry&) const = default;
};

struct Document {
  double taken = 0;
  std::vector<Entry> entries;
  bool operator==(const Document&) const = default;
};

const JsonFields<Entry>& entryFields() {
  static const JsonFields<Entry> fields{
      jsonField("port", &Entry::port),
      jsonField("hint", &Entry::hint),
      jsonMap("values", &Entry::values, 2),
  };
  return fields;
}

const JsonFields<Document>& documentFields() {
  static const JsonFields<Document> fields{
      jsonField("taken", &Document::taken),
      jsonList("entries", &Document::entries, entryFields(), 2),
  };
  return fields;
}

TEST(JsonRecordReader, ReadsADocumentOfAnotherShapeFromItsTables) {
  const auto withValues = [](const std::string& values) {
    return R"({"taken":5,"entries":[{"port":2,"hint":"h","values":)" + values + "}]}";
  };
  struct Case {
    const char* name;
    std::string json;
    std::variant<Document, JsonReadError> expected;
  };
  const Entry entry{2, "h", {{"mbps", {480}}, {"blame", {"cable"}}}};
  const Case cases[] = {
      {"numbers and texts", withValues(R"({"mbps":480,"blame":"cable"})"), Document{5, {entry}}},
      {"repeated value key", withValues(R"({"mbps":1,"blame":"cable","mbps":480})"),
       Document{5, {entry}}},
      {"no values", withValues("{}"), Document{5, {{2, "h", {}}}}},
      {"value of another kind", withValues(R"({"mbps":true})"),
       JsonReadError{JsonReadFailure::wrongType, "/entries/0/values/mbps"}},
      {"value that is an object", withValues(R"({"mbps":{"x":1}})"),
       JsonReadError{JsonReadFailure::wrongType, "/entries/0/values/mbps"}},
      {"values as a list", withValues("[]"),
       JsonReadError{JsonReadFailure::wrongType, "/entries/0/values"}},
      {"more values than kept", withValues(R"({"a":1,"b":2,"c":3})"),
       JsonReadError{JsonReadFailure::beyondBounds, "/entries/0/values/c"}},
      {"more entries than kept", R"({"taken":5,"entries":[{},{},{}]})",
       JsonReadError{JsonReadFailure::beyondBounds, "/entries/2"}},
      {"entry without hint", R"({"taken":5,"entries":[{"port":2,"values":{}}]})",
       JsonReadError{JsonReadFailure::missingKey, "/entries/0/hint"}},
  };
  for (const Case& c : cases) {
    const auto read = readJsonRecord(c.json, documentFields());
    ASSERT_EQ(read.index(), c.expected.index()) << c.name;
    if (const auto* error = std::get_if<JsonReadError>(&read)) {
      const auto& expected = std::get<JsonReadError>(c.expected);
      EXPECT_EQ(error->failure, expected.failure) << c.name;
      EXPECT_EQ(error->where, expected.where) << c.name;
    } else {
      EXPECT_EQ(std::get<Document>(read), std::get<Document>(c.expected)) << c.name;
    }
  }
}

}  // namespace
}  // namespace plugscope
