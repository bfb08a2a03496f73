#include "app/run_mode.hpp"

#include "common/command_line.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct ModeCase {
    std::u16string_view line;
    std::string_view own_file_name;
    RunMode mode;
};

// The mode follows from the command line as the program receives it, so the
// cases go through the splitter too (quotes around a switch are removed).
TEST(ChooseRunMode, FromCommandLineAndFileName) {
    const ModeCase cases[] = {
        {u"setup.exe", "VelmoraSetup.exe", RunMode::interactive},
        {u"setup.exe", "VELMORA.EXE", RunMode::launch},
        {u"setup.exe", "velmora.exe", RunMode::launch},
        {u"Velmora.exe --install-headless", "Velmora.exe", RunMode::headless_install},
        {u"Velmora.exe --apply-launcher-update 12 a.zip d", "Velmora.exe",
         RunMode::launcher_update},
        {u"Velmora.exe foo", "Velmora.exe", RunMode::launch},
        {u"Velmora.exe --INSTALL-HEADLESS", "Velmora.exe", RunMode::launch},
        {u"setup.exe --install-headless", "s.exe", RunMode::headless_install},
        {u"setup.exe \"--install-headless\"", "s.exe", RunMode::headless_install},
        {u"setup.exe --apply-launcher-update", "s.exe", RunMode::launcher_update},
        {u"setup.exe --launch", "s.exe", RunMode::launch},
        {u"setup.exe --launch extra --install-headless", "s.exe", RunMode::launch},
        {u"setup.exe --Launch", "s.exe", RunMode::interactive},
        {u"setup.exe --launch=1", "s.exe", RunMode::interactive},
        {u"setup.exe -launch", "s.exe", RunMode::interactive},
        {u"setup.exe --launc", "s.exe", RunMode::interactive},
        {u"setup.exe \" --launch\"", "s.exe", RunMode::interactive},
        {u"setup.exe \"--launch \"", "s.exe", RunMode::interactive},
        {u"setup.exe foo --install-headless", "s.exe", RunMode::interactive},
        {u"setup.exe \"\"", "s.exe", RunMode::interactive},
        {u"setup.exe \"\" --launch", "s.exe", RunMode::interactive},
        // Element 0 is the program name, never a switch.
        {u"--launch", "s.exe", RunMode::interactive},
        {u"--install-headless x", "s.exe", RunMode::interactive},
    };
    for (const auto& c : cases)
        EXPECT_EQ(choose_run_mode(command_line_arguments(c.line), c.own_file_name), c.mode)
            << command_line_arguments(c.line).size() << " elements, name " << c.own_file_name;
}

TEST(ChooseRunMode, OwnNameMatchesOnlyUnderAsciiCaseFolding) {
    const std::pair<std::string_view, RunMode> cases[] = {
        {"Velmora.exe", RunMode::launch},
        {"vElMoRa.ExE", RunMode::launch},
        {"", RunMode::interactive},
        {"Velmora", RunMode::interactive},
        {"Velmora.ex", RunMode::interactive},
        {"Velmora.exe ", RunMode::interactive},
        {"xVelmora.exe", RunMode::interactive},
        {"Velmora.exe.lnk", RunMode::interactive},
        {R"(C:\Games\Velmora.exe)", RunMode::interactive},
        {"Velmora_exe", RunMode::interactive},
        // Non-ASCII look-alikes: Cyrillic a, and a replaced unpaired surrogate.
        {"Velmor\xD0\xB0.exe", RunMode::interactive},
        {"Velmora.exe\xEF\xBF\xBD", RunMode::interactive},
    };
    for (const auto& [name, mode] : cases) {
        EXPECT_EQ(choose_run_mode({"setup.exe"}, name), mode) << name;
        EXPECT_EQ(choose_run_mode({}, name), mode) << name << " (empty list)";
    }
}

TEST(ChooseRunMode, UnpairedSurrogateNeverMatchesASwitch) {
    const std::u16string switches[] = {u"--launch", u"--install-headless",
                                       u"--apply-launcher-update"};
    for (const auto& name : switches) {
        for (const char16_t unit : {char16_t(0xD800), char16_t(0xDBFF), char16_t(0xDC00)}) {
            const std::u16string line = u"setup.exe " + name + unit;
            const std::vector<std::string> arguments = command_line_arguments(line);
            ASSERT_EQ(arguments.size(), 2u);
            EXPECT_EQ(choose_run_mode(arguments, "s.exe"), RunMode::interactive) << arguments[1];
        }
    }
    const std::u16string lone = std::u16string(u"setup.exe ") + char16_t(0xDFFF);
    EXPECT_EQ(choose_run_mode(command_line_arguments(lone), "s.exe"), RunMode::interactive);
}

} // namespace
} // namespace velmora
