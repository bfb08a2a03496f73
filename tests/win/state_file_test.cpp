#include "files/file_system_win.hpp"
#include "install/state_file_win.hpp"

#include "common/system_queries_win.hpp"
#include "common/text_win.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

namespace velmora {
namespace {

namespace fs = std::filesystem;

void set_variable(const wchar_t* name, const std::optional<std::wstring>& value) {
    ASSERT_TRUE(::SetEnvironmentVariableW(name, value ? value->c_str() : nullptr));
}

// Puts the two variables that choose the install root back as they were.
class RootVariables {
  public:
    RootVariables()
        : test_root_(environment_variable(L"VELMORA_TEST_ROOT")),
          local_(environment_variable(L"LOCALAPPDATA")) {}
    ~RootVariables() {
        set_variable(L"VELMORA_TEST_ROOT", test_root_);
        set_variable(L"LOCALAPPDATA", local_);
    }
    void set(const std::optional<std::wstring>& test_root,
             const std::optional<std::wstring>& local) {
        set_variable(L"VELMORA_TEST_ROOT", test_root);
        set_variable(L"LOCALAPPDATA", local);
    }

  private:
    std::optional<std::wstring> test_root_, local_;
};

struct RootCase {
    std::optional<std::wstring> test_root;
    std::optional<std::wstring> local;
    std::string root;
    std::string state_file;
};

TEST(InstallRoot, TestRootWinsEvenEmptyAndIsMadeAbsolute) {
    const std::string here = narrow(fs::current_path().wstring());
    const RootCase cases[] = {
        {L"C:\\t", L"C:\\l", "C:\\t", "C:\\t\\Velmora\\state\\bootstrap.json"},
        {L"", L"C:\\l", here, here + "\\Velmora\\state\\bootstrap.json"},
        {L"C:\\t\\", L"C:\\l", "C:\\t\\", "C:\\t\\Velmora\\state\\bootstrap.json"},
        {std::nullopt, L"C:\\l", "C:\\l", "C:\\l\\Velmora\\state\\bootstrap.json"},
        {std::nullopt, L"rel ative", here + "\\rel ative",
         here + "\\rel ative\\Velmora\\state\\bootstrap.json"},
        {L"D:\\J\u00f6rg O'Neil", std::nullopt, "D:\\J\xC3\xB6rg O'Neil",
         "D:\\J\xC3\xB6rg O'Neil\\Velmora\\state\\bootstrap.json"},
    };
    RootVariables variables;
    for (const auto& c : cases) {
        variables.set(c.test_root, c.local);
        const Result<std::string> root = install_root();
        ASSERT_TRUE(root.ok()) << c.root;
        EXPECT_EQ(*root, c.root);
        const Result<InstallLayout> layout = install_layout();
        ASSERT_TRUE(layout.ok()) << c.root;
        EXPECT_EQ(layout->state_file(), c.state_file);
    }
}

TEST(InstallRoot, NeitherVariableLeavesNoLayout) {
    RootVariables variables;
    variables.set(std::nullopt, std::nullopt);
    const std::string message = "LOCALAPPDATA is unavailable";
    EXPECT_EQ(install_root().error().message, message);
    EXPECT_EQ(install_layout().error().message, message);
}

// A fresh folder whose name holds a blank, an apostrophe and non-ASCII
// letters, made the install root for the test's lifetime.
class StateFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        ASSERT_GT(::GetTempPathW(MAX_PATH + 1, temp), 0u);
        base_ = fs::path(temp) / (L"velmora state J\u00f6rg O'Neil \u65e5 " +
                                  std::to_wstring(::GetCurrentProcessId()));
        fs::remove_all(base_);
        root_ = base_ / L"root \u00e9";
        layout_ = InstallLayout{narrow(root_.wstring())};
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }

    fs::path state_file() const { return root_ / L"Velmora" / L"state" / L"bootstrap.json"; }
    std::string state_bytes() const {
        std::ifstream in(state_file(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void put_state_bytes(std::string_view bytes) const {
        fs::create_directories(state_file().parent_path());
        std::ofstream(state_file(), std::ios::binary) << bytes;
    }

    fs::path base_, root_;
    InstallLayout layout_;
};

TEST_F(StateFileTest, WriteCreatesFoldersAndReadsBack) {
    const BootstrapState state{narrow(root_.wstring()) + "\\Velmora\\dotnet\\8.0.7",
                               narrow(root_.wstring()) + "\\Programs\\Velmora"};
    const Status written = write_state(layout_, state);
    ASSERT_TRUE(written.ok()) << written.error().message;
    EXPECT_EQ(state_bytes(), format_state(state));
    const Result<BootstrapState> read = read_state(layout_);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->dotnetRoot, state.dotnetRoot);
    EXPECT_EQ(read->launcherDirectory, state.launcherDirectory);
}

TEST_F(StateFileTest, RewritingOverALongerFileLeavesNoTrace) {
    ASSERT_TRUE(write_state(layout_, {std::string(5000, 'x'), std::string(3000, 'y')}).ok());
    const BootstrapState shorter{"C:\\d", "C:\\l"};
    ASSERT_TRUE(write_state(layout_, shorter).ok());
    EXPECT_EQ(state_bytes(), format_state(shorter));
    const Result<BootstrapState> read = read_state(layout_);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->dotnetRoot, "C:\\d");
}

TEST_F(StateFileTest, RewritingClearsReadOnlyHiddenAndSystem) {
    ASSERT_TRUE(write_state(layout_, {"C:\\old", "C:\\old"}).ok());
    const std::wstring file = state_file().wstring();
    ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                       FILE_ATTRIBUTE_SYSTEM));
    const BootstrapState state{"C:\\d", "C:\\l"};
    const Status written = write_state(layout_, state);
    ASSERT_TRUE(written.ok()) << written.error().message;
    EXPECT_EQ(state_bytes(), format_state(state));
    EXPECT_EQ(::GetFileAttributesW(file.c_str()) &
                  (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              0u);
}

TEST_F(StateFileTest, MissingFileOrADirectoryIsNotInstalled) {
    const std::string not_installed = "Velmora is not installed. Run its setup first.";
    EXPECT_EQ(read_state(layout_).error().message, not_installed);
    fs::create_directories(state_file());
    EXPECT_EQ(read_state(layout_).error().message, not_installed);
}

TEST_F(StateFileTest, DamagedContentIsReportedWithItsPosition) {
    put_state_bytes(R"({"dotnetRoot":5,"launcherDirectory":"b"})");
    EXPECT_EQ(read_state(layout_).error().message,
              "Velmora installation state is damaged: invalid type: integer `5`, expected a string "
              "at line 1 column 15");
    put_state_bytes("");
    EXPECT_EQ(
        read_state(layout_).error().message,
        "Velmora installation state is damaged: EOF while parsing a value at line 1 column 0");
}

TEST_F(StateFileTest, LargeFileIsReadAcrossBufferBoundaries) {
    // A skipped member far larger than one read keeps line and column right.
    const std::string filler(200000, 'z');
    put_state_bytes("{\"pad\":\"" + filler + "\",\n\"dotnetRoot\":\"d\"}");
    EXPECT_EQ(read_state(layout_).error().message,
              "Velmora installation state is damaged: missing field `launcherDirectory` at line 2 "
              "column 17");
}

TEST_F(StateFileTest, ReadersDuringAWriteFailNeitherTheWriteNorThemselves) {
    const BootstrapState state{"C:\\d", "C:\\l"};
    ASSERT_TRUE(write_state(layout_, state).ok());
    std::atomic<int> failed_writes = 0;
    std::atomic<bool> writing = true;
    std::thread writer([&] {
        for (int i = 0; i < 300; ++i)
            failed_writes += write_state(layout_, state).ok() ? 0 : 1;
        writing = false;
    });
    int not_installed = 0;
    while (writing) {
        const Result<BootstrapState> read = read_state(layout_);
        not_installed += !read.ok() && read.error().message.starts_with("Velmora is not");
    }
    writer.join();
    EXPECT_EQ(failed_writes, 0);
    EXPECT_EQ(not_installed, 0) << "a half-written file is damaged, not missing";
}

TEST_F(StateFileTest, WriteReportsTheSystemErrorWhenAFileBlocksTheFolder) {
    fs::create_directories(root_);
    std::ofstream(root_ / L"Velmora") << "in the way";
    const Status written = write_state(layout_, {"a", "b"});
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find(" (os error "), std::string::npos)
        << written.error().message;
    EXPECT_EQ(written.error().message.back(), ')');
}

TEST_F(StateFileTest, CreateDirectoriesBuildsAncestorsAndRefusesFiles) {
    const fs::path deep = root_ / L"a b" / L"c'\u00e9" / L"d";
    ASSERT_TRUE(create_directories(narrow(deep.wstring())).ok());
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(create_directories(narrow(deep.wstring())).ok()) << "an existing one is no error";
    EXPECT_TRUE(create_directories(narrow(deep.wstring()) + "\\").ok());
    std::ofstream(deep / L"file") << "x";
    for (const fs::path& blocked : {deep / L"file", deep / L"file" / L"below"}) {
        const Status made = create_directories(narrow(blocked.wstring()));
        ASSERT_FALSE(made.ok()) << blocked.string();
        EXPECT_NE(made.error().message.find(" (os error "), std::string::npos);
    }
}

} // namespace
} // namespace velmora
