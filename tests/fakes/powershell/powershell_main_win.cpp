// Stand-in powershell.exe: understands only the two commands that the setup
// program sends (a download and an archive extraction), reading their
// single-quoted literals as PowerShell does. Everything else exits 1.

#include "powershell_command.hpp"
#include "standin_win.hpp"
#include "web_serve_win.hpp"
#include "zip_extract_win.hpp"

#include "files/file_system_win.hpp"
#include "process/powershell.hpp"
#include "support/tool_starts.hpp"

namespace {

using namespace velmora;

constexpr std::string_view tool = "powershell.exe";

// The program's PowerShell start with a command this stand-in understands.
std::optional<PowershellCommand> command_of(const std::vector<std::string>& args) {
    if (args.empty() || args != powershell_arguments(args.back()))
        return std::nullopt;
    return parse_powershell_command(args.back());
}

std::string subject_of(const std::optional<PowershellCommand>& command,
                       const std::vector<std::string>& args) {
    if (!command)
        return joined_arguments(args);
    if (const auto* download = std::get_if<WebRequestCommand>(&*command))
        return download->url;
    return std::get<ExpandArchiveCommand>(*command).archive;
}

int run(const WebRequestCommand& download, const std::optional<Rule>& rule) {
    const ServeResult result = serve_url(download.url, download.out_file, rule);
    if (result == ServeResult::served)
        return 0;
    report(tool, "Invoke-WebRequest failed for " + download.url);
    return 1;
}

int run(const ExpandArchiveCommand& expand, const std::optional<Rule>&) {
    Status done = create_directories(expand.destination);
    if (done)
        done = extract_zip(expand.archive, expand.destination);
    if (done)
        return 0;
    report(tool, "Expand-Archive failed: " + done.error().message);
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::string> args = utf8_arguments(argc, argv);
    const auto command = command_of(args);
    const auto start = start_stand_in(tool, args, subject_of(command, args));
    if (start.exit_code)
        return static_cast<int>(*start.exit_code);
    if (!command) {
        report(tool, "unrecognised command line");
        return 1;
    }
    if (start.rule && start.rule->action == RuleAction::status)
        return 1;
    return std::visit([&](const auto& which) { return run(which, start.rule); }, *command);
}
