#include "json/record_reader.hpp"

#include "json/fault_text.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace velmora {
namespace {

// Objects and arrays may nest this deep, the record itself included.
constexpr std::size_t max_depth = 128;

// The library skips a leading byte-order mark, but no record file holds one:
// the writer writes none, and an editor that adds one has changed the file.
constexpr std::string_view bom_fault = "syntax error: byte order mark U+FEFF before the value";

// The library reads integers beyond 64 bits as floating point; their
// literal still tells them apart.
bool is_integer_literal(std::string_view text) {
    if (!text.empty() && text.front() == '-')
        text.remove_prefix(1);
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Receives the parser's events and fills the record's fields, stopping at the
// first fault.
class RecordReader {
  public:
    RecordReader(JsonCursor& cursor, std::string_view name, std::span<const RecordField> fields)
        : cursor_(cursor), name_(name), fields_(fields), seen_(fields.size(), false) {}

    const std::optional<SetupError>& fault() const { return fault_; }

    // The parser's event interface.
    bool null() { return on_value({JsonKind::null, {}}, cursor_.position()); }
    bool boolean(bool value) {
        return on_value({JsonKind::boolean, value ? "true" : "false"}, cursor_.position());
    }
    bool number_integer(std::int64_t value) { // the library's choice for a leading '-'
        if (value >= 0)
            return number_unsigned(static_cast<std::uint64_t>(value));
        return on_value({JsonKind::integer, std::to_string(value)}, number_end());
    }
    bool number_unsigned(std::uint64_t value) {
        return on_value({JsonKind::integer, std::to_string(value), value}, number_end());
    }
    bool number_float(double value, const std::string& literal) {
        if (is_integer_literal(literal))
            return on_value({JsonKind::integer, literal}, number_end());
        return on_value({JsonKind::floating, float_text(value)}, number_end());
    }
    bool string(std::string& value) {
        return on_value({JsonKind::string, std::move(value)}, cursor_.position());
    }
    bool binary(nlohmann::json::binary_t&) { return true; } // not part of JSON text
    bool start_object(std::size_t) { return on_value({JsonKind::map, {}}, cursor_.position()); }
    bool start_array(std::size_t) { return on_value({JsonKind::sequence, {}}, cursor_.position()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(std::string& name);
    bool parse_error(std::size_t position, const std::string& last_token,
                     const nlohmann::json::exception& error);

  private:
    enum class Container { object, array };

    bool on_value(const JsonValue& value, TextPosition at);
    bool refuse_bom() { return fail(bom_fault, {1, 1}); }
    std::optional<std::size_t> take_slot();
    bool store(const RecordField& field, const JsonValue& value, TextPosition at);
    bool store_integer(const JsonValue& value, std::uint64_t max, std::string_view type,
                       TextPosition at, std::uint64_t& target);
    bool open(Container container, TextPosition at);
    bool close();
    std::string_view cut_short() const;
    bool fail(std::string_view description, TextPosition at) {
        fault_ = SetupError{with_position(description, at)};
        return false;
    }

    // The parser has read one byte past a number unless the input ended there.
    TextPosition number_end() const {
        return cursor_.end_seen() ? cursor_.position() : cursor_.position_before_last();
    }

    JsonCursor& cursor_;
    std::string_view name_;
    std::span<const RecordField> fields_;
    std::vector<bool> seen_;                  // object form: fields met so far
    std::optional<std::size_t> pending_slot_; // object form: field of the member being read
    std::size_t elements_ = 0;                // array form: values met so far
    std::optional<Container> form_;
    std::vector<Container> open_;      // every open container, the record first
    std::uint64_t last_value_end_ = 0; // bytes read when the last value was complete
    std::optional<SetupError> fault_;
};

bool RecordReader::on_value(const JsonValue& value, TextPosition at) {
    last_value_end_ = cursor_.bytes_read();
    const bool container = value.kind == JsonKind::map || value.kind == JsonKind::sequence;
    const Container which = value.kind == JsonKind::map ? Container::object : Container::array;
    if (open_.empty()) {
        if (cursor_.starts_with_bom())
            return refuse_bom();
        if (!container)
            return fail(invalid_type(value, "struct " + std::string(name_)), at);
        form_ = which;
        return open(which, at);
    }
    if (const auto slot = take_slot())
        return store(fields_[*slot], value, at);
    return !container || open(which, at); // skipped, with whatever it holds
}

// The field that a value at the record's own level fills, if any.
std::optional<std::size_t> RecordReader::take_slot() {
    if (open_.size() != 1)
        return std::nullopt;
    if (form_ == Container::object)
        return std::exchange(pending_slot_, std::nullopt);
    const std::size_t index = elements_++;
    return index < fields_.size() ? std::optional(index) : std::nullopt;
}

bool RecordReader::store(const RecordField& field, const JsonValue& value, TextPosition at) {
    if (auto* text = std::get_if<std::string*>(&field.target)) {
        if (value.kind != JsonKind::string)
            return fail(invalid_type(value, "a string"), at);
        **text = value.text;
        return true;
    }
    if (auto* number = std::get_if<std::uint32_t*>(&field.target)) {
        std::uint64_t wide = 0;
        if (!store_integer(value, std::numeric_limits<std::uint32_t>::max(), "u32", at, wide))
            return false;
        **number = static_cast<std::uint32_t>(wide);
        return true;
    }
    return store_integer(value, std::numeric_limits<std::uint64_t>::max(), "u64", at,
                         *std::get<std::uint64_t*>(field.target));
}

bool RecordReader::store_integer(const JsonValue& value, std::uint64_t max, std::string_view type,
                                 TextPosition at, std::uint64_t& target) {
    if (value.kind != JsonKind::integer)
        return fail(invalid_type(value, type), at);
    if (!value.unsigned_value || *value.unsigned_value > max)
        return fail(invalid_value(value, type), at);
    target = *value.unsigned_value;
    return true;
}

bool RecordReader::open(Container container, TextPosition at) {
    if (open_.size() == max_depth)
        return fail("recursion limit exceeded", at);
    open_.push_back(container);
    return true;
}

bool RecordReader::key(std::string& name) {
    if (open_.size() != 1)
        return true;
    const auto found = std::find_if(fields_.begin(), fields_.end(),
                                    [&](const RecordField& field) { return field.name == name; });
    if (found == fields_.end()) {
        pending_slot_.reset();
        return true;
    }
    const auto index = static_cast<std::size_t>(found - fields_.begin());
    if (seen_[index])
        return fail("duplicate field `" + name + "`", cursor_.position());
    seen_[index] = true;
    pending_slot_ = index;
    return true;
}

// At the record's closing bracket: every field must have been given.
bool RecordReader::close() {
    open_.pop_back();
    if (!open_.empty())
        return true;
    const TextPosition at = cursor_.position();
    if (form_ == Container::array) {
        if (elements_ == fields_.size())
            return true;
        return fail("invalid length " + std::to_string(elements_) + ", expected struct " +
                        std::string(name_) + " with " + std::to_string(fields_.size()) +
                        " elements",
                    at);
    }
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (!seen_[i])
            return fail("missing field `" + std::string(fields_[i].name) + "`", at);
    }
    return true;
}

bool RecordReader::parse_error(std::size_t position, const std::string& last_token,
                               const nlohmann::json::exception& error) {
    if (cursor_.starts_with_bom())
        return refuse_bom();
    // The library counts its reads past the end too; a fault found there is
    // an early end. A count one short means it holds back one byte it read.
    const std::uint64_t read = cursor_.bytes_read();
    if (position > read)
        return fail("EOF while parsing " + std::string(cut_short()), cursor_.position());
    const TextPosition at = position < read ? cursor_.position_before_last() : cursor_.position();
    // A number beyond the double range: the library's text would repeat the
    // whole literal, however long, behind its own exception tag.
    constexpr int number_overflow = 406;
    if (error.id == number_overflow)
        return fail("number out of range", at);
    return fail(library_fault(cursor_, error.what(), last_token), at);
}

// What the end of the input interrupted, judged by the last token read.
std::string_view RecordReader::cut_short() const {
    if (cursor_.inside_string())
        return "a string";
    switch (cursor_.last_significant()) {
    case '\0':
    case ':':
    case ',':
        return "a value";
    case '{':
        return "an object";
    case '[':
        return "a list";
    case '"':
    case '}':
    case ']':
        break;
    default: // a literal or number, complete once the parser reported it
        if (last_value_end_ < cursor_.last_significant_index())
            return "a value";
    }
    if (open_.empty())
        return "a value";
    return open_.back() == Container::array ? "a list" : "an object";
}

std::optional<SetupError> trailing_fault(JsonCursor& cursor) {
    while (!cursor.at_end()) {
        const char c = cursor.peek();
        cursor.advance();
        if (!is_json_whitespace(c))
            return SetupError{with_position("trailing characters", cursor.position())};
    }
    return std::nullopt;
}

} // namespace

Status read_record(ByteSource& source, std::string_view record_name,
                   std::span<const RecordField> fields) {
    JsonCursor cursor(source);
    RecordReader reader(cursor, record_name, fields);
    const bool parsed = nlohmann::json::sax_parse(cursor.begin(), JsonCursor::end(), &reader,
                                                  nlohmann::json::input_format_t::json,
                                                  /*strict=*/false);
    // The parser stops after the value; what follows is checked here.
    std::optional<SetupError> fault = parsed ? trailing_fault(cursor) : reader.fault();
    if (cursor.read_error())
        return *cursor.read_error();
    if (fault)
        return *std::move(fault);
    return {};
}

} // namespace velmora
