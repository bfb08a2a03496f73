// Stand-in curl.exe: serves URLs from the test web root, with curl's exit
// codes for the failures that the setup program meets. It accepts exactly
// the argument list that the program's curl_arguments makes.

#include "standin_win.hpp"
#include "web_serve_win.hpp"

#include "install/download.hpp"

namespace {

constexpr std::string_view tool = "curl.exe";

// curl's own codes (its usage error, 2, comes from start_request_tool).
constexpr int unsupported_protocol = 1;
constexpr int malformed_url = 3;
constexpr int host_unresolved = 6;
constexpr int write_error = 23;
constexpr int http_error = 22; // an HTTP status of 400 or above under --fail

int exit_code_of(velmora::ServeResult result) {
    using velmora::ServeResult;
    switch (result) {
    case ServeResult::served:
        return 0;
    case ServeResult::unsupported_scheme:
        return unsupported_protocol;
    case ServeResult::malformed:
        return malformed_url;
    case ServeResult::http_error:
        return http_error;
    case ServeResult::no_web_root:
        return host_unresolved;
    case ServeResult::write_failed:
        return write_error;
    }
    return write_error;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace velmora;
    const auto start = start_request_tool(tool, utf8_arguments(argc, argv), curl_arguments, "URL");
    if (start.exit_code)
        return static_cast<int>(*start.exit_code);
    return exit_code_of(serve_url(start.request.source, start.request.target, start.rule));
}
