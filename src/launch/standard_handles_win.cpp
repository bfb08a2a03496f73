#include "launch/standard_handles_win.hpp"

#include "common/system_error_win.hpp"

namespace velmora {

StandardHandles::StandardHandles() {
    const DWORD ids[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int i = 0; i < 3; ++i) {
        const HANDLE own = ::GetStdHandle(ids[i]);
        HANDLE copy = nullptr;
        // In a windowed program a stale value may name some unrelated handle of
        // ours by now: only a file, pipe or console is a standard handle.
        if (own && own != INVALID_HANDLE_VALUE && ::GetFileType(own) != FILE_TYPE_UNKNOWN &&
            ::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &copy, 0, TRUE,
                              DUPLICATE_SAME_ACCESS)) {
            copies_[i].reset(copy);
            list_.push_back(copy);
        }
    }
}

Status StandardHandles::put_into(STARTUPINFOEXW& startup) {
    auto inherit = InheritList::create(list_);
    if (!inherit)
        return std::move(inherit).error();
    inherit_ = std::move(*inherit);
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = copies_[0].get();
    startup.StartupInfo.hStdOutput = copies_[1].get();
    startup.StartupInfo.hStdError = copies_[2].get();
    startup.lpAttributeList = inherit_->get();
    return {};
}

} // namespace velmora
