#pragma once

// Reading records from JSON files that other processes write, in memory
// bounded by the input: the parser streams (nlohmann's SAX interface) and
// each value goes straight into the record field that keeps it. Members no
// field reads are skipped without being stored. A record is described once,
// as a table of its fields; the tables of the snapshot file are in
// snapshot_json.cpp.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace plugscope {

enum class JsonReadFailure {
  malformedJson,  // not one JSON value, or not an object where one is needed
  missingKey,     // a required member is missing
  nullValue,      // a required member is null
  wrongType,      // a value of the wrong kind, or a number that is not a valid integer
  beyondBounds,   // a string, a list or an ignored member's nesting beyond what is read
};

struct JsonReadError {
  JsonReadFailure failure;
  std::string where;  // JSON pointer of the offending member, for people
};

template <typename T>
using JsonReadResult = std::variant<T, JsonReadError>;

// Any string or key longer than this (in bytes, escapes resolved) fails the
// read; so does a member no field reads when its value nests deeper than
// kMaxIgnoredJsonNesting (its own array or object is the first level).
inline constexpr std::size_t kMaxJsonStringBytes = 4096;
inline constexpr std::size_t kMaxIgnoredJsonNesting = 64;

// One scalar as the parser gives it. Integers without sign come as unsigned;
// the string is the parser's buffer, valid during the call only.
using JsonScalar =
    std::variant<std::nullptr_t, bool, std::int64_t, std::uint64_t, double, const std::string*>;

// Strict conversions: false when the value has another type. A string takes
// only a JSON string, a boolean only true or false, an integer a number whose
// value is whole and fits int64 (3.0 reads as 3), a double any number.
bool readJsonScalar(const JsonScalar& value, std::string& out);
bool readJsonScalar(const JsonScalar& value, bool& out);
bool readJsonScalar(const JsonScalar& value, std::int64_t& out);
bool readJsonScalar(const JsonScalar& value, double& out);

// Where the parser stands, for the readers below.
class JsonCursor {
 public:
  virtual ~JsonCursor() = default;
  // JSON pointer of the value being read (in close(), of the container).
  virtual std::string pointer() const = 0;
  JsonReadError error(JsonReadFailure failure) const { return {failure, pointer()}; }
  JsonReadError error(JsonReadFailure failure, std::string_view key) const {
    return {failure, pointer() + "/" + std::string(key)};
  }
  // Ends the whole read with beyondBounds.
  virtual void beyondBounds() = 0;

  // Counts one more element of a list or map that holds at most `max`; when
  // that is one too many, ends the read and returns false.
  bool count(std::size_t& seen, std::size_t max) {
    if (++seen <= max) return true;
    beyondBounds();
    return false;
  }
};

// Reads the contents of one object or array that a record keeps.
class JsonContainerReader {
 public:
  virtual ~JsonContainerReader() = default;
  // An object's next member; false when nothing reads it, so that its value
  // is skipped.
  virtual bool member(std::string_view key) {
    (void)key;
    return false;
  }
  // The current member or the array's next element, when it is a scalar.
  virtual void scalar(const JsonScalar& value, JsonCursor& at) = 0;
  // ... when it is an object or array: the reader of its contents, or none
  // to skip them.
  virtual std::unique_ptr<JsonContainerReader> open(bool object, JsonCursor& at) = 0;
  // The container is complete.
  virtual void close(JsonCursor& at) { (void)at; }
};

// Parses `bytes` as one JSON object whose contents `root` reads. Returns the
// failure that ends the read early: malformed JSON (which outranks any
// failure a reader found), a root that is not an object, or a bound
// exceeded; none when the parse went through. Before parsing, a text with
// more than 64 KiB between two structural characters (a longer string than
// any read, a giant number) is refused as beyondBounds, so that no token
// buffer of the parser outgrows that.
std::optional<JsonReadError> parseJsonObject(std::string_view bytes, JsonContainerReader& root);

// ---- records described by a table of fields ----

// What a field's last occurrence gave, kept until its object ends: a
// repeated key forgets the earlier value and any failure in it, and
// failures are told in the order of the fields.
struct JsonFieldState {
  enum class Kind { missing, null, value, failed };
  Kind kind = Kind::missing;
  std::optional<JsonReadError> error;
  void fail(JsonReadError e) {
    if (kind == Kind::failed) return;  // the first failure is the one told
    kind = Kind::failed;
    error = std::move(e);
  }
};

// One member of a record. Presence: a required field's member must be there
// and not null; an optional one (std::optional) reads missing or null as
// absent.
template <typename Record>
struct JsonField {
  std::string_view key;
  bool required = true;
  // Stores a scalar (not null); false for a wrong type.
  std::function<bool(Record&, const JsonScalar&)> scalar;
  // The reader of an object or array value; none when the field takes none.
  std::function<std::unique_ptr<JsonContainerReader>(Record&, bool object, JsonFieldState&)> open;
  // Forgets the value on null (optional fields).
  std::function<void(Record&)> clear;
};

template <typename Record>
using JsonFields = std::vector<JsonField<Record>>;

// Reads one record: members by exact key, in any order, unknown ones
// skipped; once the object ends, every field is checked in table order and
// the first failure fails the record as a whole.
template <typename Record>
class JsonRecordReader final : public JsonContainerReader {
 public:
  JsonRecordReader(const JsonFields<Record>& fields, std::function<void(Record&&)> done,
                   std::function<void(JsonReadError)> failed)
      : fields_(fields), states_(fields.size()), done_(std::move(done)),
        failed_(std::move(failed)) {}

  bool member(std::string_view key) override {
    for (current_ = 0; current_ < fields_.size(); ++current_) {
      if (fields_[current_].key == key) {
        states_[current_] = {};
        return true;
      }
    }
    return false;
  }

  void scalar(const JsonScalar& value, JsonCursor& at) override {
    const JsonField<Record>& field = fields_[current_];
    JsonFieldState& state = states_[current_];
    if (std::holds_alternative<std::nullptr_t>(value)) {
      state.kind = JsonFieldState::Kind::null;
      if (field.clear) field.clear(record_);
    } else if (field.scalar && field.scalar(record_, value)) {
      state.kind = JsonFieldState::Kind::value;
    } else {
      state.fail(at.error(JsonReadFailure::wrongType));
    }
  }

  std::unique_ptr<JsonContainerReader> open(bool object, JsonCursor& at) override {
    JsonFieldState& state = states_[current_];
    state.kind = JsonFieldState::Kind::value;
    if (const auto& open = fields_[current_].open) {
      if (auto reader = open(record_, object, state)) return reader;
    }
    state.fail(at.error(JsonReadFailure::wrongType));
    return nullptr;
  }

  void close(JsonCursor& at) override {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      const JsonFieldState& state = states_[i];
      const bool required = fields_[i].required;
      if (state.kind == JsonFieldState::Kind::failed) return failed_(*state.error);
      if (required && state.kind == JsonFieldState::Kind::missing) {
        return failed_(at.error(JsonReadFailure::missingKey, fields_[i].key));
      }
      if (required && state.kind == JsonFieldState::Kind::null) {
        return failed_(at.error(JsonReadFailure::nullValue, fields_[i].key));
      }
    }
    done_(std::move(record_));
  }

 private:
  const JsonFields<Record>& fields_;
  std::vector<JsonFieldState> states_;
  std::function<void(Record&&)> done_;
  std::function<void(JsonReadError)> failed_;
  Record record_{};
  std::size_t current_ = 0;
};

// Reads one JSON object from `bytes` as a Record.
template <typename Record>
JsonReadResult<Record> readJsonRecord(std::string_view bytes, const JsonFields<Record>& fields) {
  std::optional<JsonReadResult<Record>> result;
  JsonRecordReader<Record> root(
      fields, [&](Record&& record) { result.emplace(std::move(record)); },
      [&](JsonReadError error) { result.emplace(std::move(error)); });
  if (auto error = parseJsonObject(bytes, root)) return std::move(*error);
  return std::move(*result);
}

namespace json_detail {

template <typename T>
struct IsOptional : std::false_type {};
template <typename T>
struct IsOptional<std::optional<T>> : std::true_type {};

// The elements of a list of scalars, at most `max`.
template <typename T>
class ScalarListReader final : public JsonContainerReader {
 public:
  ScalarListReader(std::vector<T>& list, JsonFieldState& state, std::size_t max)
      : list_(list), state_(state), max_(max) {}
  void scalar(const JsonScalar& value, JsonCursor& at) override {
    if (!at.count(count_, max_)) return;
    T element{};
    if (!readJsonScalar(value, element)) return state_.fail(at.error(JsonReadFailure::wrongType));
    list_.push_back(std::move(element));
  }
  std::unique_ptr<JsonContainerReader> open(bool, JsonCursor& at) override {
    if (at.count(count_, max_)) state_.fail(at.error(JsonReadFailure::wrongType));
    return nullptr;
  }

 private:
  std::vector<T>& list_;
  JsonFieldState& state_;
  std::size_t max_;
  std::size_t count_ = 0;
};

// The elements of a list of records, at most `max`.
template <typename Element>
class RecordListReader final : public JsonContainerReader {
 public:
  RecordListReader(std::vector<Element>& list, JsonFieldState& state,
                   const JsonFields<Element>& fields, std::size_t max)
      : list_(list), state_(state), fields_(fields), max_(max) {}
  void scalar(const JsonScalar&, JsonCursor& at) override {
    if (at.count(count_, max_)) state_.fail(at.error(JsonReadFailure::wrongType));
  }
  std::unique_ptr<JsonContainerReader> open(bool object, JsonCursor& at) override {
    if (!at.count(count_, max_)) return nullptr;
    if (!object) {
      state_.fail(at.error(JsonReadFailure::wrongType));
      return nullptr;
    }
    return std::make_unique<JsonRecordReader<Element>>(
        fields_, [this](Element&& element) { list_.push_back(std::move(element)); },
        [this](JsonReadError error) { state_.fail(std::move(error)); });
  }

 private:
  std::vector<Element>& list_;
  JsonFieldState& state_;
  const JsonFields<Element>& fields_;
  std::size_t max_;
  std::size_t count_ = 0;
};

// The members of an object whose keys are data, each a scalar; at most
// `max` keys. A repeated key keeps its last value; a value of the wrong
// type fails the field, even when its key comes again.
template <typename T>
class ScalarMapReader final : public JsonContainerReader {
 public:
  ScalarMapReader(std::map<std::string, T, std::less<>>& map, JsonFieldState& state,
                  std::size_t max)
      : map_(map), state_(state), max_(max) {}
  bool member(std::string_view key) override {
    key_ = key;
    return true;
  }
  void scalar(const JsonScalar& value, JsonCursor& at) override {
    T element{};
    if (!readJsonScalar(value, element)) return state_.fail(at.error(JsonReadFailure::wrongType));
    if (auto it = map_.find(key_); it != map_.end()) {
      it->second = std::move(element);
    } else if (map_.size() < max_) {
      map_.emplace(key_, std::move(element));
    } else {
      at.beyondBounds();
    }
  }
  std::unique_ptr<JsonContainerReader> open(bool, JsonCursor& at) override {
    state_.fail(at.error(JsonReadFailure::wrongType));
    return nullptr;
  }

 private:
  std::map<std::string, T, std::less<>>& map_;
  JsonFieldState& state_;
  std::size_t max_;
  std::string key_;
};

}  // namespace json_detail

// A field holding a scalar (std::string, bool, std::int64_t, double, or any
// type with a readJsonScalar), required unless it is a std::optional.
// `access` gives the field within the record.
template <typename Record, typename Access>
JsonField<Record> jsonField(std::string_view key, Access access) {
  using T = std::remove_reference_t<std::invoke_result_t<Access, Record&>>;
  JsonField<Record> field{key, !json_detail::IsOptional<T>::value, {}, {}, {}};
  if constexpr (json_detail::IsOptional<T>::value) {
    field.scalar = [access](Record& record, const JsonScalar& value) {
      typename T::value_type v{};
      if (!readJsonScalar(value, v)) return false;
      access(record) = std::move(v);
      return true;
    };
    field.clear = [access](Record& record) { access(record).reset(); };
  } else {
    field.scalar = [access](Record& record, const JsonScalar& value) {
      return readJsonScalar(value, access(record));
    };
  }
  return field;
}

template <typename Record, typename T>
JsonField<Record> jsonField(std::string_view key, T Record::*member) {
  return jsonField<Record>(key, [member](Record& record) -> T& { return record.*member; });
}

// A required list of scalars, or of records read by `fields`, of at most
// `max` elements; an element of the wrong type fails the field.
template <typename Record, typename T>
JsonField<Record> jsonList(std::string_view key, std::vector<T> Record::*member, std::size_t max) {
  JsonField<Record> field{key, true, {}, {}, {}};
  field.open = [member, max](Record& record, bool object,
                             JsonFieldState& state) -> std::unique_ptr<JsonContainerReader> {
    if (object) return nullptr;
    (record.*member).clear();
    return std::make_unique<json_detail::ScalarListReader<T>>(record.*member, state, max);
  };
  return field;
}

template <typename Record, typename Element>
JsonField<Record> jsonList(std::string_view key, std::vector<Element> Record::*member,
                           const JsonFields<Element>& fields, std::size_t max) {
  JsonField<Record> field{key, true, {}, {}, {}};
  field.open = [member, &fields, max](Record& record, bool object,
                                      JsonFieldState& state) -> std::unique_ptr<JsonContainerReader> {
    if (object) return nullptr;
    (record.*member).clear();
    return std::make_unique<json_detail::RecordListReader<Element>>(record.*member, state, fields,
                                                                    max);
  };
  return field;
}

// A required object of at most `max` members whose keys are data and whose
// values are scalars.
template <typename Record, typename T>
JsonField<Record> jsonMap(std::string_view key,
                          std::map<std::string, T, std::less<>> Record::*member, std::size_t max) {
  JsonField<Record> field{key, true, {}, {}, {}};
  field.open = [member, max](Record& record, bool object,
                             JsonFieldState& state) -> std::unique_ptr<JsonContainerReader> {
    if (!object) return nullptr;
    (record.*member).clear();
    return std::make_unique<json_detail::ScalarMapReader<T>>(record.*member, state, max);
  };
  return field;
}

}  // namespace plugscope
