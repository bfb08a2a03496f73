#include "powershell_command.hpp"

namespace velmora {

namespace {

constexpr std::string_view preamble = "$ErrorActionPreference='Stop'; ";

// Reads the fixed text, then a literal up to its closing quote.
class CommandReader {
  public:
    explicit CommandReader(std::string_view text) : rest_(text) {}

    bool expect(std::string_view fixed) {
        if (!rest_.starts_with(fixed))
            return false;
        rest_.remove_prefix(fixed.size());
        return true;
    }

    // Called just after an opening quote; consumes the closing one.
    std::optional<std::string> literal() {
        std::string value;
        for (std::size_t i = 0; i < rest_.size(); ++i) {
            if (rest_[i] != '\'') {
                value += rest_[i];
                continue;
            }
            if (i + 1 < rest_.size() && rest_[i + 1] == '\'') {
                value += '\'';
                ++i;
                continue;
            }
            rest_.remove_prefix(i + 1);
            return value;
        }
        return std::nullopt; // unterminated
    }

    bool at_end() const { return rest_.empty(); }

  private:
    std::string_view rest_;
};

// PREFIX 'first' MIDDLE 'second' SUFFIX, nothing after.
std::optional<std::pair<std::string, std::string>> read_two_literals(std::string_view text,
                                                                     std::string_view prefix,
                                                                     std::string_view middle,
                                                                     std::string_view suffix) {
    CommandReader reader(text);
    if (!reader.expect(preamble) || !reader.expect(prefix))
        return std::nullopt;
    auto first = reader.literal();
    if (!first || !reader.expect(middle))
        return std::nullopt;
    auto second = reader.literal();
    if (!second || !reader.expect(suffix) || !reader.at_end())
        return std::nullopt;
    return std::pair(std::move(*first), std::move(*second));
}

} // namespace

std::optional<PowershellCommand> parse_powershell_command(std::string_view text) {
    if (auto download =
            read_two_literals(text, "Invoke-WebRequest -UseBasicParsing -Uri '", " -OutFile '", ""))
        return WebRequestCommand{std::move(download->first), std::move(download->second)};
    if (auto expand = read_two_literals(text, "Expand-Archive -LiteralPath '",
                                        " -DestinationPath '", " -Force"))
        return ExpandArchiveCommand{std::move(expand->first), std::move(expand->second)};
    return std::nullopt;
}

} // namespace velmora
