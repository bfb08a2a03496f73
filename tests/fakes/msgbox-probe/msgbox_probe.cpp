// msgbox-probe [--pid N] [--timeout-ms N] [--press ID | --keep] [CAPTION]
// Waits for a message box (a top-level "#32770" dialog) of the process, or of
// any process, with that caption, or any caption; prints what it shows as one
// JSON object and answers it by pressing the button ID (default IDOK).
// Exit codes: 0 found, 1 none appeared in time, 2 bad arguments.
#include "support/message_box.hpp"

#include "common/text_win.hpp"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

namespace {

using velmora::narrow;
using namespace velmora::test;

struct Request {
    DWORD process_id = 0;
    long timeout_ms = 10000;
    int button = IDOK;
    bool press = true;
    std::string caption;
};

bool parse(int argc, wchar_t** argv, Request& request) {
    try {
        for (int i = 1; i < argc; ++i) {
            const std::wstring arg = argv[i];
            const bool has_value = i + 1 < argc;
            if (arg == L"--pid" && has_value)
                request.process_id = std::stoul(argv[++i]);
            else if (arg == L"--timeout-ms" && has_value)
                request.timeout_ms = std::stol(argv[++i]);
            else if (arg == L"--press" && has_value)
                request.button = std::stoi(argv[++i]);
            else if (arg == L"--keep")
                request.press = false;
            else if (arg.starts_with(L"--") || !request.caption.empty())
                return false;
            else
                request.caption = narrow(arg);
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Request request;
    if (!parse(argc, argv, request)) {
        std::fputs("usage: msgbox-probe [--pid N] [--timeout-ms N] [--press ID | --keep] "
                   "[CAPTION]\n",
                   stderr);
        return 2;
    }
    const auto box = wait_for_message_box(request.process_id, request.caption,
                                          std::chrono::milliseconds(request.timeout_ms));
    if (!box)
        return 1;
    nlohmann::ordered_json buttons = nlohmann::ordered_json::array();
    for (const auto& button : box->buttons)
        buttons.push_back({{"text", button.text}, {"id", button.id}});
    const nlohmann::ordered_json report{
        {"process", box->process_id}, {"caption", box->caption},      {"text", box->text},
        {"buttons", buttons},         {"icon", icon_name(box->icon)}, {"owner", box->has_owner}};
    std::puts(report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    if (request.press)
        answer_message_box(box->window, request.button);
    return 0;
}
