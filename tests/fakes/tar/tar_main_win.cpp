// Stand-in tar.exe: the argument list of the program's tar_arguments
// ("-xf ARCHIVE -C DEST") unpacks a zip archive below an existing DEST, as
// the system's bsdtar-based tar.exe does.

#include "standin_win.hpp"
#include "zip_extract_win.hpp"

#include "install/extract.hpp"

namespace {

constexpr std::string_view tool = "tar.exe";

} // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace velmora;
    const auto start =
        start_request_tool(tool, utf8_arguments(argc, argv), tar_arguments, "ARCHIVE");
    if (start.exit_code)
        return static_cast<int>(*start.exit_code);
    if (auto extracted = extract_zip(start.request.source, start.request.target); !extracted) {
        report(tool, extracted.error().message);
        return 1;
    }
    return 0;
}
