#pragma once
// One JSON document read from a ByteSource as a stream of events, in the
// program's own terms. The layers: a reader of records (record_reader)
// receives the events and says what it refuses; this parser, an adapter over
// the JSON library's own parser (parser.cpp, the one file that knows the
// library), places each fault at its line and column and words the faults of
// the text itself; fault_text holds the texts both of them quote values with.

#include "common/setup_error.hpp"
#include "json/byte_source.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

enum class JsonKind { string, integer, floating, boolean, null, sequence, map };

// A JSON value as far as a record needs it: what to store and what to say
// about it when it does not fit.
struct JsonValue {
    JsonKind kind;
    std::string text; // string contents, the number's text, "true"/"false"
    std::optional<std::uint64_t> unsigned_value = std::nullopt; // integers 0..2^64-1
};

// The description of why an event stops the reading; none to read on.
using JsonFault = std::optional<std::string>;

// What a reader of the document does with each event, in document order.
class JsonEvents {
  public:
    virtual ~JsonEvents() = default;
    // A value; for an object or an array, its opening bracket.
    virtual JsonFault value(const JsonValue& value) = 0;
    virtual JsonFault key(std::string_view name) = 0;
    // The closing bracket of an object or an array.
    virtual JsonFault close() = 0;
};

// Reads exactly one value from the source, an object or an array (the events
// refuse a value of another kind at the top), followed by nothing but JSON
// white space. A fault, the events' or the text's, comes back described with
// " at line L column C" at its end: the line from 1, the column in characters
// read on that line, where the fault was found. When the source fails to
// read, its error is the result instead.
Status parse_json(ByteSource& source, JsonEvents& events);

} // namespace velmora
