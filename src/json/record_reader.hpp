#pragma once
// Reads one JSON document into a record: a fixed, ordered list of typed
// fields. The record may be written as an object (members in any order,
// members of other names skipped) or as an array of its values in field order.
// The top of the json layer: the record reader takes the parser's events
// (parser.hpp) and says which it refuses; the parser places each fault.

#include "common/setup_error.hpp"
#include "json/byte_source.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace velmora {

// One field: its JSON member name and where its value goes. The type of the
// target decides what the field accepts (a string, or an integer in range).
struct RecordField {
    std::string_view name;
    std::variant<std::string*, std::uint32_t*, std::uint64_t*> target;
};

// Fills every field from the source, which must hold exactly one such record
// and nothing but JSON white space after it. A fault in the content is
// described with " at line L column C" at its end; when the source fails to
// read, its error is the result instead.
Status read_record(ByteSource& source, std::string_view record_name,
                   std::span<const RecordField> fields);

} // namespace velmora
