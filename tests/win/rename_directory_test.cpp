#include "files/file_system_win.hpp"

#include "common/handle_win.hpp"
#include "common/system_error_win.hpp"
#include "support/tool_sandbox.hpp"

#include <gtest/gtest.h>
#include <windows.h>

namespace velmora {
namespace {
namespace fs = std::filesystem;

// A denied MoveFileExW (here: the target is a folder already, which it never
// replaces) is followed by the rename through a handle, while a scanner holds
// a file inside. Wine 8 renames folders with open files inside without
// complaint, and does not know FileRenameInfoEx: its "invalid parameter" is
// the second attempt's own error, so it arriving proves that attempt ran.
TEST(RenameDirectory, DeniedMoveIsTriedAgainThroughAHandle) {
    const test::ToolSandbox sandbox;
    const fs::path staging = sandbox.root() / L"8.0.staging-1";
    const fs::path runtime = sandbox.root() / L"8.0.11";
    fs::create_directories(staging);
    fs::create_directories(runtime);
    const UniqueFile scanner(::CreateFileW((staging / L"dotnet.exe").c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(scanner);

    const Status renamed = rename_directory(test::u8text(staging), test::u8text(runtime));
    ASSERT_FALSE(renamed.ok());
    EXPECT_EQ(renamed.error().message, system_error(ERROR_INVALID_PARAMETER).message);
    EXPECT_TRUE(fs::exists(staging / L"dotnet.exe"));
}

} // namespace
} // namespace velmora
