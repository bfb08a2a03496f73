// Stand-in tar.exe: the argument list of the program's tar_arguments
// ("-xf ARCHIVE -C DEST") unpacks a zip archive below an existing DEST, as
// the system's bsdtar-based tar.exe does.

#include "standin_win.hpp"
#include "tool_request.hpp"
#include "zip_extract_win.hpp"

#include "process/tool_commands.hpp"

namespace {

constexpr std::string_view tool = "tar.exe";

} // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace velmora;
    const std::vector<std::string> args = utf8_arguments(argc, argv);
    const auto request = tar_request(args);
    const auto start =
        start_stand_in(tool, args, request ? request->source : joined_arguments(args));
    if (start.exit_code)
        return static_cast<int>(*start.exit_code);
    if (!request) {
        report(tool, "expected " + joined_arguments(tar_arguments("ARCHIVE", "DEST")));
        return 2;
    }
    if (auto extracted = extract_zip(request->source, request->target); !extracted) {
        report(tool, extracted.error().message);
        return 1;
    }
    return 0;
}
