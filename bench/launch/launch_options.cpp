#include "launch_options.hpp"

#include <charconv>
#include <utility>

namespace velmora {

Result<LaunchOptions> parse_launch_options(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    const std::pair<const char*, std::string*> paths[] = {
        {"--setup", &options.setup},
        {"--minimal", &options.minimal},
        {"--host", &options.host},
        {"--game", &options.game},
        {"--launcher-directory", &options.launcher_directory},
        {"--dotnet-root", &options.dotnet_root},
        {"--record", &options.record},
    };
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        const std::string& name = arguments[i];
        if (i + 1 == arguments.size())
            return SetupError{"missing value after " + name};
        const std::string& value = arguments[i + 1];
        if (name == "--rounds") {
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), options.rounds);
            if (error != std::errc() || end != value.data() + value.size() || options.rounds < 1)
                return SetupError{"--rounds takes a whole number from 1, not " + value};
            continue;
        }
        bool known = false;
        for (const auto& [option, field] : paths)
            if (name == option) {
                *field = value;
                known = true;
            }
        if (!known)
            return SetupError{"unknown option " + name};
    }
    for (const auto& [option, field] : paths)
        if (field->empty())
            return SetupError{std::string("missing ") + option};
    return options;
}

} // namespace velmora
