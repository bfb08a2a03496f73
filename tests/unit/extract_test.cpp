#include "install/extract.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora {
namespace {

// tar reads its command line through the ANSI code page (ASCII here): each
// path text it gets must be readable there, whichever form it takes.
TEST(TarPaths, GiveTarOnlyTextItCanRead) {
    const auto ascii = [](std::string_view text) {
        return std::all_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    const auto short_names = [](std::string_view path) -> std::optional<std::string> {
        if (path.find("nolongnames") != std::string_view::npos)
            return std::nullopt;
        return "C:\\SHORT~" + std::to_string(path.size());
    };
    struct Case {
        const char* archive;
        const char* destination;
        const char* tar_archive;
        const char* tar_destination;
        const char* working_directory; // nullptr: the program's own
    } const cases[] = {
        {R"(C:\t\a.zip)", R"(C:\r\d)", R"(C:\t\a.zip)", R"(C:\r\d)", nullptr},
        {"C:\\\xD0\x96 \xE7\x8E\x8B\\Temp\\a.zip", "C:\\\xD0\x96 \xE7\x8E\x8B\\Velmora\\d",
         R"(Temp\a.zip)", R"(Velmora\d)", "C:\\\xD0\x96 \xE7\x8E\x8B"},
        {R"(C:\Temp\a.zip)", "C:\\\xE7\x8E\x8B\\d", "C:\\SHORT~13", "C:\\SHORT~8", nullptr},
        {R"(C:\nolongnames\a.zip)", "C:\\\xE7\x8E\x8B\\d", R"(C:\nolongnames\a.zip)",
         "C:\\\xE7\x8E\x8B\\d", nullptr},
    };
    for (const auto& c : cases) {
        const TarPaths tar = choose_tar_paths(c.archive, c.destination, ascii, short_names);
        EXPECT_EQ(tar.archive, c.tar_archive) << c.destination;
        EXPECT_EQ(tar.destination, c.tar_destination) << c.destination;
        EXPECT_EQ(tar.working_directory.value_or("(own)"),
                  c.working_directory ? c.working_directory : "(own)")
            << c.destination;
    }
}

TEST(TarArguments, TarGetsFourArgumentsWithThePathsUnchanged) {
    const std::vector<std::string> expected = {"-xf", "C:\\a'b[1].zip", "-C", "D:\\out dir"};
    EXPECT_EQ(tar_arguments("C:\\a'b[1].zip", "D:\\out dir"), expected);
}

// No progress bar (it slows Expand-Archive many times over) and stop on error
// come first. Every value reads literally, whatever quote characters it holds.
TEST(ExpandArchiveCommand, QuotesEveryValueLiterally) {
    const std::string quiet =
        "$ProgressPreference='SilentlyContinue'; $ErrorActionPreference='Stop'; ";
    // ' and U+2018..U+201B, each doubled inside the literal.
    const std::string quotes = "'\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9A\xE2\x80\x9B";
    const std::string doubled = "''\xE2\x80\x98\xE2\x80\x98\xE2\x80\x99\xE2\x80\x99"
                                "\xE2\x80\x9A\xE2\x80\x9A\xE2\x80\x9B\xE2\x80\x9B";
    struct Case {
        std::string actual;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {expand_archive_command("C:\\a.zip", "C:\\out"),
         quiet + "Expand-Archive -LiteralPath 'C:\\a.zip' -DestinationPath 'C:\\out' -Force"},
        {expand_archive_command("C:\\it's [1].zip", "C:\\Jos\xC3\xA9's"),
         quiet + "Expand-Archive -LiteralPath 'C:\\it''s [1].zip' "
                 "-DestinationPath 'C:\\Jos\xC3\xA9''s' -Force"},
        {expand_archive_command("C:\\" + quotes + ".zip", "C:\\" + quotes),
         quiet + "Expand-Archive -LiteralPath 'C:\\" + doubled + ".zip' -DestinationPath 'C:\\" +
             doubled + "' -Force"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

} // namespace
} // namespace velmora
