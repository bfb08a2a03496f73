// The adapter over nlohmann/json, and the one source that knows the library.
// Its SAX parser reads the document through a cursor that counts lines and
// characters, and its events go on to the JsonEvents with the position of
// each; its syntax faults become the reader's descriptions. Everything this
// relies on about the library is written down here and holds for the version
// checked below: how far its lexer reads ahead, what it counts, the shape of
// its messages and its error ids. The record reader's unit tests pin every
// text down; run them before moving the check to another version.

#include "json/parser.hpp"

#include "json/fault_text.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <iterator>

static_assert(NLOHMANN_JSON_VERSION_MAJOR == 3 && NLOHMANN_JSON_VERSION_MINOR == 11 &&
                  NLOHMANN_JSON_VERSION_PATCH == 2,
              "json/parser.cpp was written for nlohmann/json 3.11.2: check what it assumes "
              "about the library against this version before changing this check");

namespace velmora {
namespace {

// The library's parse errors: its lead before the description ("[json.
// exception.parse_error.101] parse error at line 1, column 7: "), then
// "syntax error while parsing <context> - " and either "unexpected <token>"
// or the lexer's own fault with an echo of what it read ("; last read: '…'"),
// and "; expected <token>" for some. Its line and column count bytes.
constexpr std::string_view lead_end = ": ";
constexpr std::string_view lead_start = "parse error";
constexpr std::string_view context_start = "while parsing ";
constexpr std::string_view context_end = " - ";
constexpr std::string_view echo_lead = "; last read: '";
// The token after "unexpected" when the input ended, or a NUL byte came: the
// lexer reads that as the end of a C string.
constexpr std::string_view end_token = "unexpected end of input";
// Faults of the lexer inside a string start so.
constexpr std::string_view string_fault = "invalid string";
// A number beyond the range of double (out_of_range.406); its text would
// repeat the whole literal, however long, behind the library's tag.
constexpr int number_overflow_id = 406;
// The echo writes a control character as "<U+XXXX>".
constexpr std::size_t control_echo_size = 8;

// What stands in for the library's text where it would mislead.
constexpr std::string_view bom_fault = "syntax error: byte order mark U+FEFF before the value";
constexpr std::string_view nul_fault = "invalid character U+0000";
constexpr std::string_view overflow_fault = "number out of range";

struct TextPosition {
    std::size_t line = 1;   // from 1
    std::size_t column = 0; // characters read on this line, 0 before the first
};

std::string with_position(std::string_view description, TextPosition at) {
    return std::string(description) + " at line " + std::to_string(at.line) + " column " +
           std::to_string(at.column);
}

bool is_json_whitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The bytes of a document streamed from a ByteSource, as the library reads
// them, with their line and column. The library's lexer reads one byte past
// a number and gives it back to itself, so the position before the last byte
// is kept too.
class Cursor {
  public:
    // An input iterator over the remaining bytes. All copies share the cursor,
    // so reading may go on through the cursor after the parser has finished.
    class Iterator {
      public:
        using iterator_category = std::input_iterator_tag;
        using value_type = char;
        using difference_type = std::ptrdiff_t;
        using pointer = const char*;
        using reference = const char&;

        Iterator() = default; // the end
        explicit Iterator(Cursor* cursor) : cursor_(cursor) {}

        reference operator*() const { return cursor_->peek(); }
        Iterator& operator++() {
            cursor_->advance();
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.at_end() == b.at_end();
        }

      private:
        bool at_end() const { return cursor_ == nullptr || cursor_->at_end(); }
        Cursor* cursor_ = nullptr;
    };

    explicit Cursor(ByteSource& source) : source_(source) {}
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    Iterator begin() { return Iterator(this); }
    static Iterator end() { return Iterator(); }

    // Fetches the next chunk when the current one is used up. A read error
    // ends the input; it is kept for read_error().
    bool at_end();
    const char& peek() const { return chunk_[offset_]; }
    void advance();

    // After every byte read, and before the last one read.
    TextPosition position() const { return position_; }
    TextPosition position_before_last() const { return previous_; }
    std::uint64_t bytes_read() const { return bytes_read_; }
    // Whether a reader has asked for a byte past the last one.
    bool end_seen() const { return end_seen_; }
    // Whether the document began with a UTF-8 byte-order mark, read whole.
    bool starts_with_bom() const { return bom_bytes_ == 3; }
    const std::optional<SetupError>& read_error() const { return read_error_; }

  private:
    bool starts_character(unsigned char byte);

    ByteSource& source_;
    std::string_view chunk_;
    std::size_t offset_ = 0;
    bool finished_ = false;
    bool end_seen_ = false;
    std::optional<SetupError> read_error_;

    TextPosition position_;
    TextPosition previous_;
    std::uint64_t bytes_read_ = 0;
    int bom_bytes_ = 0; // leading bytes that matched EF BB BF

    // The UTF-8 sequence being read: continuation bytes still due, and the
    // range the next one must fall in. Anything else starts a new character,
    // so an ill-formed part counts as one character.
    int continuations_due_ = 0;
    unsigned char next_low_ = 0x80;
    unsigned char next_high_ = 0xBF;
};

bool Cursor::at_end() {
    while (offset_ == chunk_.size()) {
        if (finished_) {
            end_seen_ = true;
            return true;
        }
        Result<std::string_view> next = source_.next_chunk();
        if (!next) {
            read_error_ = std::move(next).error();
            finished_ = true;
        } else if (next->empty()) {
            finished_ = true;
        } else {
            chunk_ = *next;
            offset_ = 0;
        }
    }
    return false;
}

void Cursor::advance() {
    const char c = chunk_[offset_++];
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (bytes_read_ == static_cast<std::uint64_t>(bom_bytes_) && bom_bytes_ < 3 &&
        c == bom[bom_bytes_])
        ++bom_bytes_;
    ++bytes_read_;
    previous_ = position_;
    if (c == '\n') {
        ++position_.line;
        position_.column = 0;
    } else if (starts_character(static_cast<unsigned char>(c))) {
        ++position_.column;
    }
}

bool Cursor::starts_character(unsigned char byte) {
    if (continuations_due_ > 0 && byte >= next_low_ && byte <= next_high_) {
        --continuations_due_;
        next_low_ = 0x80;
        next_high_ = 0xBF;
        return false;
    }
    next_low_ = 0x80;
    next_high_ = 0xBF;
    if (byte >= 0xC2 && byte <= 0xDF) {
        continuations_due_ = 1;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        continuations_due_ = 2;
        if (byte == 0xE0)
            next_low_ = 0xA0; // no overlong forms
        if (byte == 0xED)
            next_high_ = 0x9F; // no surrogates
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        continuations_due_ = 3;
        if (byte == 0xF0)
            next_low_ = 0x90;
        if (byte == 0xF4)
            next_high_ = 0x8F; // nothing above U+10FFFF
    } else {
        continuations_due_ = 0;
    }
    return true;
}

// The library reads integers beyond 64 bits as floating point; their
// literal still tells them apart.
bool is_integer_literal(std::string_view text) {
    if (!text.empty() && text.front() == '-')
        text.remove_prefix(1);
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The parts of a parse error's text.
struct LibraryFault {
    std::string description;  // without the lead
    std::string_view context; // "value", "object key", "object separator", "object", "array"
    std::string_view fault;   // what follows the context: "unexpected …" or the lexer's fault
};

LibraryFault split(std::string_view what) {
    const auto lead = what.find(lead_start);
    const auto colon = lead == std::string_view::npos ? lead : what.find(lead_end, lead);
    LibraryFault parts{
        std::string(colon == std::string_view::npos ? what : what.substr(colon + lead_end.size())),
        {},
        {}};
    const std::string_view description = parts.description;
    const auto context = description.find(context_start);
    const auto end =
        context == std::string_view::npos ? context : description.find(context_end, context);
    if (end != std::string_view::npos) {
        const auto start = context + context_start.size();
        parts.context = description.substr(start, end - start);
        parts.fault = description.substr(end + context_end.size());
    }
    return parts;
}

std::size_t control_echo_length(std::string_view rest) {
    const bool echo = rest.size() >= control_echo_size && rest.starts_with("<U+") &&
                      rest[control_echo_size - 1] == '>';
    return echo ? control_echo_size : 0;
}

// The library's description of a syntax fault: its echo of the last token
// cut to its end, where the fault is, and a NUL byte that ended the input
// named for what it is.
std::string library_fault(const LibraryFault& parts, const std::string& last_token) {
    std::string description = parts.description;
    if (parts.fault.starts_with(end_token)) { // before the end of the bytes
        const auto at = static_cast<std::size_t>(parts.fault.data() - parts.description.data());
        return description.replace(at, end_token.size(), nul_fault);
    }
    const std::string echo = std::string(echo_lead) + last_token + "'";
    if (const auto at = description.find(echo); at != std::string::npos)
        description.replace(at + echo_lead.size(), last_token.size(),
                            end_excerpt(last_token, &control_echo_length));
    return description;
}

// Receives the library's events, hands them on with their positions, and
// keeps the first fault.
class EventAdapter {
  public:
    EventAdapter(Cursor& cursor, JsonEvents& events) : cursor_(cursor), events_(events) {}

    std::optional<SetupError>& fault() { return fault_; }

    // The library's event interface.
    bool null() { return value({JsonKind::null, {}}, cursor_.position()); }
    bool boolean(bool value) {
        return this->value({JsonKind::boolean, value ? "true" : "false"}, cursor_.position());
    }
    bool number_integer(std::int64_t value) { // the library's choice for a leading '-'
        if (value >= 0)
            return number_unsigned(static_cast<std::uint64_t>(value));
        return this->value({JsonKind::integer, std::to_string(value)}, number_end());
    }
    bool number_unsigned(std::uint64_t value) {
        return this->value({JsonKind::integer, std::to_string(value), value}, number_end());
    }
    bool number_float(double value, const std::string& literal) {
        if (is_integer_literal(literal))
            return this->value({JsonKind::integer, literal}, number_end());
        return this->value({JsonKind::floating, float_text(value)}, number_end());
    }
    bool string(std::string& value) {
        return this->value({JsonKind::string, std::move(value)}, cursor_.position());
    }
    bool binary(nlohmann::json::binary_t&) { return true; } // not part of JSON text
    bool start_object(std::size_t) { return value({JsonKind::map, {}}, cursor_.position()); }
    bool start_array(std::size_t) { return value({JsonKind::sequence, {}}, cursor_.position()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(std::string& name) {
        last_opened_.reset();
        return go_on(events_.key(name), cursor_.position());
    }
    bool parse_error(std::size_t position, const std::string& last_token,
                     const nlohmann::json::exception& error);

  private:
    bool value(const JsonValue& value, TextPosition at);
    bool close() {
        last_opened_.reset();
        return go_on(events_.close(), cursor_.position());
    }
    bool go_on(JsonFault fault, TextPosition at) {
        if (!fault)
            return true;
        fault_ = SetupError{with_position(*fault, at)};
        return false;
    }
    std::string_view cut_short(const LibraryFault& parts) const;

    // The lexer has read one byte past a number unless the input ended there.
    TextPosition number_end() const {
        return cursor_.end_seen() ? cursor_.position() : cursor_.position_before_last();
    }

    Cursor& cursor_;
    JsonEvents& events_;
    // The container whose opening bracket was the last event, if it was one.
    std::optional<JsonKind> last_opened_;
    std::uint64_t value_end_ = 0; // bytes read when the last value was complete
    std::optional<SetupError> fault_;
};

// The library skips a leading byte-order mark, but no document of this
// program holds one: the writer writes none, and an editor that adds one has
// changed the file. It is told at the first event.
bool EventAdapter::value(const JsonValue& value, TextPosition at) {
    if (cursor_.starts_with_bom())
        return go_on(std::string(bom_fault), {1, 1});
    value_end_ = cursor_.bytes_read();
    last_opened_.reset();
    if (value.kind == JsonKind::map || value.kind == JsonKind::sequence)
        last_opened_ = value.kind;
    return go_on(events_.value(value), at);
}

bool EventAdapter::parse_error(std::size_t position, const std::string& last_token,
                               const nlohmann::json::exception& error) {
    if (cursor_.starts_with_bom())
        return go_on(std::string(bom_fault), {1, 1});
    const LibraryFault parts = split(error.what());
    // The library counts its reads past the end too; a fault found there is
    // an early end. A count one short means it holds back one byte it read.
    const std::uint64_t read = cursor_.bytes_read();
    if (position > read)
        return go_on("EOF while parsing " + std::string(cut_short(parts)), cursor_.position());
    const TextPosition at = position < read ? cursor_.position_before_last() : cursor_.position();
    if (error.id == number_overflow_id)
        return go_on(std::string(overflow_fault), at);
    return go_on(library_fault(parts, last_token), at);
}

// What the end of the input interrupted, from what the parser was reading:
// a string, a value the lexer had begun (a literal or number), or what the
// parser expected next. A literal that begins with the byte a number read
// ahead ("[1f") counts as read with that number, so the end interrupts the
// container.
std::string_view EventAdapter::cut_short(const LibraryFault& parts) const {
    if (parts.fault.starts_with(string_fault))
        return "a string";
    if (!parts.fault.starts_with(end_token) && value_end_ < cursor_.bytes_read())
        return "a value";
    if (last_opened_) // nothing in it yet
        return last_opened_ == JsonKind::map ? "an object" : "a list";
    if (parts.context == "object" || parts.context == "object separator")
        return "an object";
    if (parts.context == "array")
        return "a list";
    return "a value"; // "value", or "object key" after a comma
}

std::optional<SetupError> trailing_fault(Cursor& cursor) {
    while (!cursor.at_end()) {
        const char c = cursor.peek();
        cursor.advance();
        if (!is_json_whitespace(c))
            return SetupError{with_position("trailing characters", cursor.position())};
    }
    return std::nullopt;
}

} // namespace

Status parse_json(ByteSource& source, JsonEvents& events) {
    Cursor cursor(source);
    EventAdapter adapter(cursor, events);
    const bool parsed = nlohmann::json::sax_parse(cursor.begin(), Cursor::end(), &adapter,
                                                  nlohmann::json::input_format_t::json,
                                                  /*strict=*/false);
    // The parser stops right after the closing bracket, having read nothing
    // ahead; what follows is checked here, in the reader's words.
    std::optional<SetupError> fault = parsed ? trailing_fault(cursor) : adapter.fault();
    if (cursor.read_error())
        return *cursor.read_error();
    if (fault)
        return *std::move(fault);
    return {};
}

} // namespace velmora
