#pragma once
// The reading position in a JSON document streamed from a ByteSource: the
// bytes handed to the parser, their line and column, and enough of the token
// structure to say what an early end of the input cut short.

#include "common/setup_error.hpp"
#include "json/byte_source.hpp"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

namespace velmora {

struct TextPosition {
    std::size_t line = 1;   // from 1
    std::size_t column = 0; // characters read on this line, 0 before the first
};

class JsonCursor {
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
        explicit Iterator(JsonCursor* cursor) : cursor_(cursor) {}

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
        JsonCursor* cursor_ = nullptr;
    };

    explicit JsonCursor(ByteSource& source) : source_(source) {}
    JsonCursor(const JsonCursor&) = delete;
    JsonCursor& operator=(const JsonCursor&) = delete;

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
    char last_byte() const { return last_byte_; } // '\0' before any
    const std::optional<SetupError>& read_error() const { return read_error_; }

    // Token structure of what was read, outside string contents.
    bool inside_string() const { return inside_string_; }
    char last_significant() const { return last_significant_; } // '\0' before any
    std::uint64_t last_significant_index() const { return last_significant_index_; }

  private:
    bool starts_character(unsigned char byte);
    void track_token(char c);

    ByteSource& source_;
    std::string_view chunk_;
    std::size_t offset_ = 0;
    bool finished_ = false;
    bool end_seen_ = false;
    std::optional<SetupError> read_error_;

    TextPosition position_;
    TextPosition previous_;
    std::uint64_t bytes_read_ = 0;
    char last_byte_ = '\0';
    int bom_bytes_ = 0; // leading bytes that matched EF BB BF

    // The UTF-8 sequence being read: continuation bytes still due, and the
    // range the next one must fall in. Anything else starts a new character,
    // so an ill-formed part counts as one character.
    int continuations_due_ = 0;
    unsigned char next_low_ = 0x80;
    unsigned char next_high_ = 0xBF;

    bool inside_string_ = false;
    bool escaped_ = false;
    char last_significant_ = '\0';
    std::uint64_t last_significant_index_ = 0;
};

inline bool is_json_whitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace velmora
