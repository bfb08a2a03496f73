#include "install/json_cursor.hpp"

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
    ++bytes_read_;
    previous_ = position_;
    if (c == '\n') {
        ++position_.line;
        position_.column = 0;
    } else {
        ++position_.column;
    }
    track_token(c);
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
