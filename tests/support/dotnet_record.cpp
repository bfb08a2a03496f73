#include "support/dotnet_record.hpp"

#include "common/text.hpp"
#include "support/harness.hpp"

#include <nlohmann/json.hpp>

#include <stdexcept>

namespace velmora::test {

DotnetRecord read_dotnet_record(std::string_view path) {
    const auto bytes = read_file(path);
    if (!bytes)
        throw std::runtime_error("no dotnet record at " + std::string(path));
    const auto json = nlohmann::json::parse(*bytes);
    DotnetRecord record;
    record.arguments = json.at("arguments").get<std::vector<std::string>>();
    record.working_directory = json.at("workingDirectory").get<std::string>();
    for (const auto& pair : json.at("environment"))
        record.environment.emplace_back(pair.at(0).get<std::string>(),
                                        pair.at(1).get<std::string>());
    return record;
}

std::vector<std::string> values_of(const DotnetRecord& record, std::string_view name) {
    std::vector<std::string> values;
    for (const auto& [key, value] : record.environment)
        if (ascii_iequals(key, name))
            values.push_back(value);
    return values;
}

} // namespace velmora::test
