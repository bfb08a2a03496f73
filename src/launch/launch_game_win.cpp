#include "launch/launch_game_win.hpp"

#include "common/command_line.hpp"
#include "common/handle_win.hpp"
#include "common/path.hpp"
#include "common/path_exists_win.hpp"
#include "common/system_error_win.hpp"
#include "common/text_win.hpp"
#include "install/state_file_win.hpp"
#include "launch/game_environment.hpp"

#include <windows.h>

#include <cstddef>
#include <vector>

namespace velmora {
namespace {

constexpr const char* incomplete_message =
    "Velmora is incomplete. Run its setup again to repair it.";

// The setup program's environment block, copied before it is released.
std::u16string current_environment() {
    wchar_t* block = ::GetEnvironmentStringsW();
    if (!block)
        return std::u16string(2, u'\0');
    const wchar_t* end = block;
    while (*end || *(end + 1))
        ++end;
    std::u16string copy(reinterpret_cast<const char16_t*>(block), end - block + 2);
    ::FreeEnvironmentStringsW(block);
    return copy;
}

// Inheritable copies of the setup program's standard handles, so that the
// game gets exactly these three and nothing else of ours. A handle that is
// missing (a windowed program normally has none) or no longer valid cannot be
// handed on and is left out.
class StandardHandles {
  public:
    StandardHandles() {
        for (int i = 0; i < 3; ++i) {
            const HANDLE own = ::GetStdHandle(std_ids[i]);
            HANDLE copy = nullptr;
            if (own && own != INVALID_HANDLE_VALUE &&
                ::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &copy, 0, TRUE,
                                  DUPLICATE_SAME_ACCESS))
                copies_[i].reset(copy);
            if (copies_[i])
                list_.push_back(copies_[i].get());
        }
    }
    const std::vector<HANDLE>& list() const { return list_; }
    void put_into(STARTUPINFOW& startup) const {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = copies_[0].get();
        startup.hStdOutput = copies_[1].get();
        startup.hStdError = copies_[2].get();
    }

  private:
    static constexpr DWORD std_ids[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    UniqueHandle copies_[3];
    std::vector<HANDLE> list_;
};

// A process attribute list that limits inheritance to the given handles.
class InheritOnly {
  public:
    explicit InheritOnly(const std::vector<HANDLE>& handles) : handles_(handles) {}
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;
    ~InheritOnly() {
        if (list_)
            ::DeleteProcThreadAttributeList(list_);
    }
    Status build() {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        if (!::InitializeProcThreadAttributeList(list, 1, 0, &size))
            return last_system_error();
        list_ = list;
        if (!::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                         handles_.data(), handles_.size() * sizeof(HANDLE), nullptr,
                                         nullptr))
            return last_system_error();
        return {};
    }
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

  private:
    std::vector<HANDLE> handles_;
    std::vector<std::byte> buffer_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

Status start_host(const std::string& host, const std::string& game,
                  const std::string& working_directory, const std::string& dotnet_root) {
    const std::string prefix = "Could not start Velmora: ";
    auto command_line = build_command_line(host, {game});
    if (!command_line)
        return SetupError{prefix + command_line.error().message};
    std::wstring command_w = widen(*command_line);
    std::u16string environment =
        make_game_environment(current_environment(), utf8_to_utf16(dotnet_root));

    const StandardHandles standard;
    InheritOnly inherit(standard.list());
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup.StartupInfo);
    DWORD flags = CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT;
    const bool hand_on = !standard.list().empty();
    if (hand_on) {
        if (Status built = inherit.build(); !built)
            return SetupError{prefix + built.error().message};
        standard.put_into(startup.StartupInfo);
        startup.StartupInfo.cb = sizeof(startup);
        startup.lpAttributeList = inherit.get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(widen(host).c_str(), command_w.data(), nullptr, nullptr, hand_on, flags,
                          environment.data(), widen(working_directory).c_str(),
                          &startup.StartupInfo, &info))
        return SetupError{prefix + last_system_error().message};
    // The game runs on by itself: nobody waits for it.
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    return {};
}

} // namespace

Status launch_game() {
    auto state = read_state();
    if (!state)
        return std::move(state).error();
    const std::string host = join_path(state->dotnetRoot, "dotnet.exe");
    const std::string game = join_path(state->launcherDirectory, "VelmoraGame.dll");
    if (!path_exists(host) || !path_exists(game))
        return SetupError{incomplete_message};
    return start_host(host, game, state->launcherDirectory, state->dotnetRoot);
}

} // namespace velmora
