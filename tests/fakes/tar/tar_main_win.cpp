// Stand-in tar.exe: "-xf ARCHIVE -C DEST" unpacks a zip archive below an
// existing DEST, as the system's bsdtar-based tar.exe does.

#include "standin_win.hpp"
#include "zip_extract_win.hpp"

namespace {

constexpr std::string_view tool = "tar.exe";

bool is_extract_form(const std::vector<std::string>& args) {
    return args.size() == 4 && args[0] == "-xf" && args[2] == "-C";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace velmora;
    const std::vector<std::string> args = utf8_arguments(argc, argv);
    const bool valid = is_extract_form(args);
    const auto start = start_stand_in(tool, args, valid ? args[1] : joined_arguments(args));
    if (start.exit_code)
        return static_cast<int>(*start.exit_code);
    if (!valid) {
        report(tool, "expected -xf ARCHIVE -C DEST");
        return 2;
    }
    if (auto extracted = extract_zip(args[1], args[3]); !extracted) {
        report(tool, extracted.error().message);
        return 1;
    }
    return 0;
}
