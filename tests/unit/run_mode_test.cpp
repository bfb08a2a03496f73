#include "main/run_mode.hpp"

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
        {u"setup.exe", "VelmoraSetup.exe", RunMode::Interactive},
        {u"setup.exe", "VELMORA.EXE", RunMode::Launch},
        {u"setup.exe", "velmora.exe", RunMode::Launch},
        {u"Velmora.exe --install-headless", "Velmora.exe", RunMode::HeadlessInstall},
        {u"Velmora.exe --apply-launcher-update 12 a.zip d", "Velmora.exe", RunMode::LauncherUpdate},
        {u"Velmora.exe foo", "Velmora.exe", RunMode::Launch},
        {u"Velmora.exe --INSTALL-HEADLESS", "Velmora.exe", RunMode::Launch},
        {u"setup.exe --install-headless", "s.exe", RunMode::HeadlessInstall},
        {u"setup.exe \"--install-headless\"", "s.exe", RunMode::HeadlessInstall},
        {u"setup.exe --apply-launcher-update", "s.exe", RunMode::LauncherUpdate},
        {u"setup.exe --launch", "s.exe", RunMode::Launch},
        {u"setup.exe --launch extra --install-headless", "s.exe", RunMode::Launch},
        {u"setup.exe --Launch", "s.exe", RunMode::Interactive},
        {u"setup.exe --launch=1", "s.exe", RunMode::Interactive},
        {u"setup.exe -launch", "s.exe", RunMode::Interactive},
        {u"setup.exe --launc", "s.exe", RunMode::Interactive},
        {u"setup.exe \" --launch\"", "s.exe", RunMode::Interactive},
        {u"setup.exe \"--launch \"", "s.exe", RunMode::Interactive},
        {u"setup.exe foo --install-headless", "s.exe", RunMode::Interactive},
        {u"setup.exe \"\"", "s.exe", RunMode::Interactive},
        {u"setup.exe \"\" --launch", "s.exe", RunMode::Interactive},
        // Element 0 is the program name, never a switch.
        {u"--launch", "s.exe", RunMode::Interactive},
        {u"--install-headless x", "s.exe", RunMode::Interactive},
    };
    for (const auto& c : cases)
        EXPECT_EQ(choose_run_mode(command_line_arguments(c.line), c.own_file_name), c.mode)
            << command_line_arguments(c.line).size() << " elements, name " << c.own_file_name;
}

TEST(ChooseRunMode, OwnNameMatchesOnlyUnderAsciiCaseFolding) {
    const std::pair<std::string_view, RunMode> cases[] = {
        {"Velmora.exe", RunMode::Launch},
        {"vElMoRa.ExE", RunMode::Launch},
        {"", RunMode::Interactive},
        {"Velmora", RunMode::Interactive},
        {"Velmora.ex", RunMode::Interactive},
        {"Velmora.exe ", RunMode::Interactive},
        {"xVelmora.exe", RunMode::Interactive},
        {"Velmora.exe.lnk", RunMode::Interactive},
        {R"(C:\Games\Velmora.exe)", RunMode::Interactive},
        {"Velmora_exe", RunMode::Interactive},
        // Non-ASCII look-alikes: Cyrillic a, and a replaced unpaired surrogate.
        {"Velmor\xD0\xB0.exe", RunMode::Interactive},
        {"Velmora.exe\xEF\xBF\xBD", RunMode::Interactive},
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
            EXPECT_EQ(choose_run_mode(arguments, "s.exe"), RunMode::Interactive) << arguments[1];
        }
    }
    const std::u16string lone = std::u16string(u"setup.exe ") + char16_t(0xDFFF);
    EXPECT_EQ(choose_run_mode(command_line_arguments(lone), "s.exe"), RunMode::Interactive);
}

} // namespace
} // namespace velmora
