#include "install/extract.hpp"

#include "common/path.hpp"
#include "process/powershell.hpp"

namespace velmora {

TarPaths choose_tar_paths(std::string_view archive, std::string_view destination,
                          const Readable& readable, const ShortPath& short_path) {
    TarPaths as_given{std::string(archive), std::string(destination), std::nullopt};
    if (readable(archive) && readable(destination))
        return as_given;
    if (auto common = relative_to_common_folder(archive, destination);
        common && readable(common->first) && readable(common->second))
        return {std::move(common->first), std::move(common->second), std::move(common->folder)};
    auto short_archive = short_path(archive);
    auto short_destination = short_path(destination);
    if (short_archive && short_destination && readable(*short_archive) &&
        readable(*short_destination))
        return {std::move(*short_archive), std::move(*short_destination), std::nullopt};
    return as_given;
}

std::vector<std::string> tar_arguments(std::string_view archive, std::string_view destination) {
    return {"-xf", std::string(archive), "-C", std::string(destination)};
}

std::string expand_archive_command(std::string_view archive, std::string_view destination) {
    return std::string(powershell_quiet_and_strict) + "Expand-Archive -LiteralPath '" +
           powershell_quote(archive) + "' -DestinationPath '" + powershell_quote(destination) +
           "' -Force";
}

} // namespace velmora
