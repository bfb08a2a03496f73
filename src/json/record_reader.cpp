// The record reader is one JsonEvents: it sees values, member names and
// closing brackets and answers with the text of what it refuses. Where a fault
// lies, and every fault of the JSON text itself, is the parser's business.

#include "json/record_reader.hpp"

#include "json/fault_text.hpp"
#include "json/parser.hpp"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace velmora {
namespace {

// Objects and arrays may nest this deep, the record itself included.
constexpr std::size_t max_depth = 128;

// Receives the document's events and fills the record's fields, refusing
// the first value that does not fit.
class RecordReader final : public JsonEvents {
  public:
    RecordReader(std::string_view name, std::span<const RecordField> fields)
        : name_(name), fields_(fields), seen_(fields.size(), false) {}

    JsonFault value(const JsonValue& value) override;
    JsonFault key(std::string_view name) override;
    JsonFault close() override;

  private:
    enum class Container { object, array };

    std::optional<std::size_t> take_slot();
    JsonFault store(const RecordField& field, const JsonValue& value);
    JsonFault store_integer(const JsonValue& value, std::uint64_t max, std::string_view type,
                            std::uint64_t& target);
    JsonFault open(Container container);

    std::string_view name_;
    std::span<const RecordField> fields_;
    std::vector<bool> seen_;                  // object form: fields met so far
    std::optional<std::size_t> pending_slot_; // object form: field of the member being read
    std::size_t elements_ = 0;                // array form: values met so far
    std::optional<Container> form_;
    std::vector<Container> open_; // every open container, the record first
};

JsonFault RecordReader::value(const JsonValue& value) {
    const bool container = value.kind == JsonKind::map || value.kind == JsonKind::sequence;
    const Container which = value.kind == JsonKind::map ? Container::object : Container::array;
    if (open_.empty()) {
        if (!container)
            return invalid_type(value, "struct " + std::string(name_));
        form_ = which;
        return open(which);
    }
    if (const auto slot = take_slot())
        return store(fields_[*slot], value);
    if (container)
        return open(which); // skipped, with whatever it holds
    return std::nullopt;
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

JsonFault RecordReader::store(const RecordField& field, const JsonValue& value) {
    if (auto* text = std::get_if<std::string*>(&field.target)) {
        if (value.kind != JsonKind::string)
            return invalid_type(value, "a string");
        **text = value.text;
        return std::nullopt;
    }
    if (auto* number = std::get_if<std::uint32_t*>(&field.target)) {
        std::uint64_t wide = 0;
        if (JsonFault fault =
                store_integer(value, std::numeric_limits<std::uint32_t>::max(), "u32", wide))
            return fault;
        **number = static_cast<std::uint32_t>(wide);
        return std::nullopt;
    }
    return store_integer(value, std::numeric_limits<std::uint64_t>::max(), "u64",
                         *std::get<std::uint64_t*>(field.target));
}

JsonFault RecordReader::store_integer(const JsonValue& value, std::uint64_t max,
                                      std::string_view type, std::uint64_t& target) {
    if (value.kind != JsonKind::integer)
        return invalid_type(value, type);
    if (!value.unsigned_value || *value.unsigned_value > max)
        return invalid_value(value, type);
    target = *value.unsigned_value;
    return std::nullopt;
}

JsonFault RecordReader::open(Container container) {
    if (open_.size() == max_depth)
        return "recursion limit exceeded";
    open_.push_back(container);
    return std::nullopt;
}

JsonFault RecordReader::key(std::string_view name) {
    if (open_.size() != 1)
        return std::nullopt;
    const auto found = std::find_if(fields_.begin(), fields_.end(),
                                    [&](const RecordField& field) { return field.name == name; });
    if (found == fields_.end()) {
        pending_slot_.reset();
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(found - fields_.begin());
    if (seen_[index])
        return "duplicate field `" + std::string(name) + "`";
    seen_[index] = true;
    pending_slot_ = index;
    return std::nullopt;
}

// At the record's closing bracket: every field must have been given.
JsonFault RecordReader::close() {
    open_.pop_back();
    if (!open_.empty())
        return std::nullopt;
    if (form_ == Container::array) {
        if (elements_ == fields_.size())
            return std::nullopt;
        return "invalid length " + std::to_string(elements_) + ", expected struct " +
               std::string(name_) + " with " + std::to_string(fields_.size()) + " elements";
    }
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (!seen_[i])
            return "missing field `" + std::string(fields_[i].name) + "`";
    }
    return std::nullopt;
}

} // namespace

Status read_record(ByteSource& source, std::string_view record_name,
                   std::span<const RecordField> fields) {
    RecordReader reader(record_name, fields);
    return parse_json(source, reader);
}

} // namespace velmora
