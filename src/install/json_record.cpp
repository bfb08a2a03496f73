#include "install/json_record.hpp"

#include "install/json_cursor.hpp"
#include "install/json_message.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

enum class Kind { string, integer, floating, boolean, null, sequence, map };

// A JSON value as far as a record needs it: what to store and what to say
// about it when it does not fit.
struct JsonValue {
    Kind kind;
    std::string text; // string contents, the number's text, "true"/"false"
    std::optional<std::uint64_t> unsigned_value = std::nullopt; // integers 0..2^64-1
};

std::string describe(const JsonValue& value) {
    switch (value.kind) {
    case Kind::string:
        return "string " + quoted_excerpt(value.text);
    case Kind::integer:
        return "integer `" + literal_excerpt(value.text) + "`";
    case Kind::floating:
        return "floating point `" + value.text + "`";
    case Kind::boolean:
        return "boolean `" + value.text + "`";
    case Kind::null:
        return "null";
    case Kind::sequence:
        return "sequence";
    case Kind::map:
        return "map";
    }
    return {};
}

std::string invalid_type(const JsonValue& value, std::string_view expected) {
    return "invalid type: " + describe(value) + ", expected " + std::string(expected);
}

// Shortest text that reads back as the same double, fixed or scientific
// whichever is shorter (fixed on a tie), never mistaken for an integer.
// Built on the C library's conversions: std::to_chars for double would add
// about 200 KB of tables to the executable for a text seen only in messages.
std::string float_text(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    // 17 significant digits always read back; fewer often do.
    char scientific[48];
    for (int digits = 1;; ++digits) {
        std::snprintf(scientific, sizeof scientific, "%.*e", digits - 1, value);
        if (digits == 17 || std::strtod(scientific, nullptr) == value)
            break;
    }

    const std::string_view text(scientific);
    const bool negative = text.front() == '-';
    const auto e = text.find('e');
    const auto mantissa = text.substr(negative, e - negative);
    const int exponent = std::atoi(scientific + e + 1);
    std::string significant;
    for (char c : mantissa)
        if (c != '.')
            significant += c;

    std::string fixed;
    if (exponent + 1 >= static_cast<int>(significant.size())) {
        // A whole number: its exact digits, as many as the shortest ones.
        char whole[320];
        std::snprintf(whole, sizeof whole, "%.0f", std::fabs(value));
        fixed = whole;
    } else if (exponent >= 0) {
        fixed = significant.substr(0, exponent + 1) + "." + significant.substr(exponent + 1);
    } else {
        fixed = "0." + std::string(-exponent - 1, '0') + significant;
    }
    std::string result = negative ? "-" : "";
    if (fixed.size() <= text.size() - negative)
        result += fixed;
    else
        result += text.substr(negative);
    if (result.find_first_of(".e") == std::string::npos)
        result += ".0";
    return result;
}

// The library reads integers beyond 64 bits as floating point; their
// literal still tells them apart.
bool is_integer_literal(std::string_view text) {
    if (!text.empty() && text.front() == '-')
        text.remove_prefix(1);
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The library's description without its "[json.exception...] parse error at
// line X, column Y: " lead; the position is added in the record's own terms.
std::string library_description(std::string_view what) {
    const auto lead = what.find("parse error");
    const auto colon = lead == std::string_view::npos ? lead : what.find(": ", lead);
    return std::string(colon == std::string_view::npos ? what : what.substr(colon + 2));
}

// The library's description with its echo of the last token cut short, and
// a NUL byte that ended its input named for what it is: the library reads
// one as the end of a C string, but a document may not hold one there.
std::string library_fault(const JsonCursor& cursor, std::string_view what,
                          const std::string& last_token) {
    std::string description = library_description(what);
    constexpr std::string_view echo_lead = "; last read: '";
    const std::string echo = std::string(echo_lead) + last_token + "'";
    if (const auto at = description.find(echo); at != std::string::npos)
        description.replace(at + echo_lead.size(), last_token.size(), token_excerpt(last_token));
    constexpr std::string_view early_end = "unexpected end of input";
    const auto end = description.find(early_end);
    if (end != std::string::npos && cursor.last_byte() == '\0' && !cursor.inside_string())
        description.replace(end, early_end.size(), "invalid character U+0000");
    return description;
}

std::string with_position(std::string_view description, TextPosition at) {
    return std::string(description) + " at line " + std::to_string(at.line) + " column " +
           std::to_string(at.column);
}

// Receives the parser's events and fills the record's fields, stopping at the
// first fault.
class RecordReader {
  public:
    RecordReader(JsonCursor& cursor, std::string_view name, std::span<const RecordField> fields)
        : cursor_(cursor), name_(name), fields_(fields), seen_(fields.size(), false) {}

    const std::optional<SetupError>& fault() const { return fault_; }

    // The parser's event interface.
    bool null() { return on_value({Kind::null, {}}, cursor_.position()); }
    bool boolean(bool value) {
        return on_value({Kind::boolean, value ? "true" : "false"}, cursor_.position());
    }
    bool number_integer(std::int64_t value) { // the library's choice for a leading '-'
        if (value >= 0)
            return number_unsigned(static_cast<std::uint64_t>(value));
        return on_value({Kind::integer, std::to_string(value)}, number_end());
    }
    bool number_unsigned(std::uint64_t value) {
        return on_value({Kind::integer, std::to_string(value), value}, number_end());
    }
    bool number_float(double value, const std::string& literal) {
        if (is_integer_literal(literal))
            return on_value({Kind::integer, literal}, number_end());
        return on_value({Kind::floating, float_text(value)}, number_end());
    }
    bool string(std::string& value) {
        return on_value({Kind::string, std::move(value)}, cursor_.position());
    }
    bool binary(nlohmann::json::binary_t&) { return true; } // not part of JSON text
    bool start_object(std::size_t) { return on_value({Kind::map, {}}, cursor_.position()); }
    bool start_array(std::size_t) { return on_value({Kind::sequence, {}}, cursor_.position()); }
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
    const bool container = value.kind == Kind::map || value.kind == Kind::sequence;
    const Container which = value.kind == Kind::map ? Container::object : Container::array;
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
        if (value.kind != Kind::string)
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
    if (value.kind != Kind::integer)
        return fail(invalid_type(value, type), at);
    if (!value.unsigned_value || *value.unsigned_value > max)
        return fail("invalid value: " + describe(value) + ", expected " + std::string(type), at);
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
