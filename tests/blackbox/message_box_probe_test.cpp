// The probe itself, against message boxes this process shows on a thread of
// its own: each icon must be told apart from the others, and the buttons,
// text and owner read as shown, or the error-box tests could pass on a lie.
#include "common/text_win.hpp"
#include "support/message_box.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

namespace velmora::test {
namespace {

struct BoxCase {
    const char* name;
    UINT flags;
    bool owned;
    MessageBoxIcon icon;
    std::vector<std::pair<std::string, int>> buttons;
    int answer;
};

class MessageBoxProbe : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxProbe, ReadsWhatTheBoxShowsAndAnswersIt) {
    const std::string caption = std::string("Probe ") + GetParam().name;
    const std::string text = "Ünïcode message ✓";
    std::atomic<int> answered = -1;
    std::thread shows([&] {
        // The owner lives on the box's thread: the box disables it with a
        // message that another thread would have to pump.
        HWND owner = GetParam().owned
                         ? ::CreateWindowExW(0, L"Static", L"owner", WS_POPUP, 0, 0, 10, 10,
                                             nullptr, nullptr, nullptr, nullptr)
                         : nullptr;
        answered =
            ::MessageBoxW(owner, widen(text).c_str(), widen(caption).c_str(), GetParam().flags);
        if (owner)
            ::DestroyWindow(owner);
    });

    const auto box =
        wait_for_message_box(::GetCurrentProcessId(), caption, std::chrono::seconds(15));
    if (box) {
        EXPECT_EQ(box->caption, caption);
        EXPECT_EQ(box->text, text);
        EXPECT_EQ(box->icon, GetParam().icon) << icon_name(box->icon);
        EXPECT_EQ(box->has_owner, GetParam().owned);
        std::vector<std::pair<std::string, int>> buttons;
        for (const auto& button : box->buttons)
            buttons.emplace_back(button.text, button.id);
        EXPECT_EQ(buttons, GetParam().buttons);
        answer_message_box(box->window, GetParam().answer);
    } else {
        ADD_FAILURE() << "no box found";
        for (HWND window : message_box_windows(::GetCurrentProcessId(), caption))
            ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    shows.join();
    EXPECT_EQ(answered, GetParam().answer) << "the button was not pressed";
}

const std::vector<std::pair<std::string, int>> ok_only{{"OK", IDOK}};

INSTANTIATE_TEST_SUITE_P(
    Boxes, MessageBoxProbe,
    ::testing::Values(
        BoxCase{"Error", MB_OK | MB_ICONERROR, false, MessageBoxIcon::error, ok_only, IDOK},
        BoxCase{"Warning", MB_OK | MB_ICONWARNING, false, MessageBoxIcon::warning, ok_only, IDOK},
        BoxCase{"Information", MB_OK | MB_ICONINFORMATION, false, MessageBoxIcon::information,
                ok_only, IDOK},
        BoxCase{"Question",
                MB_YESNO | MB_ICONQUESTION,
                false,
                MessageBoxIcon::question,
                {{"&Yes", IDYES}, {"&No", IDNO}},
                IDNO},
        BoxCase{"NoIcon", MB_OK, false, MessageBoxIcon::none, ok_only, IDOK},
        BoxCase{"Owned", MB_OK | MB_ICONERROR, true, MessageBoxIcon::error, ok_only, IDOK}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora::test
