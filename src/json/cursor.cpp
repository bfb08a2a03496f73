#include "json/cursor.hpp"

namespace velmora {

bool JsonCursor::at_end() {
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

void JsonCursor::advance() {
    const char c = chunk_[offset_++];
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (bytes_read_ == static_cast<std::uint64_t>(bom_bytes_) && bom_bytes_ < 3 &&
        c == bom[bom_bytes_])
        ++bom_bytes_;
    ++bytes_read_;
    last_byte_ = c;
    previous_ = position_;
    if (c == '\n') {
        ++position_.line;
        position_.column = 0;
    } else if (starts_character(static_cast<unsigned char>(c))) {
        ++position_.column;
    }
    track_token(c);
}

bool JsonCursor::starts_character(unsigned char byte) {
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

void JsonCursor::track_token(char c) {
    if (inside_string_) {
        if (escaped_)
            escaped_ = false;
        else if (c == '\\')
            escaped_ = true;
        else if (c == '"')
            inside_string_ = false;
        return;
    }
    if (is_json_whitespace(c))
        return;
    inside_string_ = c == '"';
    last_significant_ = c;
    last_significant_index_ = bytes_read_;
}

} // namespace velmora
