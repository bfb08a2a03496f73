#include "install/state.hpp"

#include "common/texts.hpp"
#include "json/record_reader.hpp"

#include <nlohmann/json.hpp>

namespace velmora {

std::string format_state(const BootstrapState& state) {
    const nlohmann::ordered_json record = {
        {"dotnetRoot", state.dotnetRoot},
        {"launcherDirectory", state.launcherDirectory},
    };
    // Values are UTF-8 from the path conversion; replace rather than throw if not.
    return record.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

Result<BootstrapState> parse_state(ByteSource& source) {
    BootstrapState state;
    const RecordField fields[] = {
        {"dotnetRoot", &state.dotnetRoot},
        {"launcherDirectory", &state.launcherDirectory},
    };
    VELMORA_TRY(read_record(source, "BootstrapState", fields));
    return state;
}

Result<BootstrapState> parse_state(std::string_view document) {
    MemorySource source(document);
    return parse_state(source);
}

std::string not_installed_message() {
    return std::string(game_not_installed_message);
}

std::string damaged_state_message(std::string_view description) {
    return std::string(state_damaged_prefix) + std::string(description);
}

} // namespace velmora
