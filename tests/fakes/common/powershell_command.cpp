#include "powershell_command.hpp"

namespace velmora {

namespace {

constexpr std::string_view preamble =
    "$ProgressPreference='SilentlyContinue'; $ErrorActionPreference='Stop'; ";

// Before a download only: TLS 1.2 switched on where the language mode allows.
constexpr std::string_view tls12 =
    "try { [Net.ServicePointManager]::SecurityProtocol = "
    "[Net.ServicePointManager]::SecurityProtocol -bor [Net.SecurityProtocolType]::Tls12 } "
    "catch {}; ";

// The length of the single quote that starts text, 0 when there is none:
// PowerShell takes ' and U+2018..U+201B (E2 80 98..9B) alike.
std::size_t quote_length(std::string_view text) {
    if (text.starts_with('\''))
        return 1;
    const bool typographic = text.size() >= 3 && text.starts_with("\xE2\x80") &&
                             static_cast<unsigned char>(text[2]) >= 0x98 &&
                             static_cast<unsigned char>(text[2]) <= 0x9B;
    return typographic ? 3 : 0;
}

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

    // Called just after an opening quote; consumes the closing one. Any of
    // the five quote characters ends the literal unless another follows it,
    // and then the pair reads as the second one.
    std::optional<std::string> literal() {
        std::string value;
        while (!rest_.empty()) {
            const std::size_t quote = quote_length(rest_);
            if (quote == 0) {
                value += rest_.front();
                rest_.remove_prefix(1);
                continue;
            }
            rest_.remove_prefix(quote);
            const std::size_t next = quote_length(rest_);
            if (next == 0)
                return value;
            value += rest_.substr(0, next);
            rest_.remove_prefix(next);
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
    if (auto download = read_two_literals(
            text, std::string(tls12) + "Invoke-WebRequest -UseBasicParsing -Uri '", " -OutFile '",
            ""))
        return WebRequestCommand{std::move(download->first), std::move(download->second)};
    if (auto expand = read_two_literals(text, "Expand-Archive -LiteralPath '",
                                        " -DestinationPath '", " -Force"))
        return ExpandArchiveCommand{std::move(expand->first), std::move(expand->second)};
    return std::nullopt;
}

} // namespace velmora
