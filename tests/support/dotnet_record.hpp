#pragma once
// What the stand-in dotnet.exe recorded about its start.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::test {

struct DotnetRecord {
    std::vector<std::string> arguments;
    std::string working_directory;
    std::vector<std::pair<std::string, std::string>> environment; // block order
};

// Reads the record; throws when it is missing or not a record.
DotnetRecord read_dotnet_record(std::string_view path);

// The values of every variable whose name equals `name` without regard to
// ASCII case (a correct block has at most one).
std::vector<std::string> values_of(const DotnetRecord& record, std::string_view name);

// The environment variable that points the stand-in at its record file.
inline constexpr std::string_view dotnet_record_variable = "VELMORA_STANDIN_DOTNET_RECORD";

} // namespace velmora::test
