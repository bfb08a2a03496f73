#include "launch/standard_handles_win.hpp"

#include "common/system_error_win.hpp"

namespace velmora {

StandardHandles::StandardHandles() {
    const DWORD ids[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int i = 0; i < 3; ++i) {
        const HANDLE own = ::GetStdHandle(ids[i]);
        HANDLE copy = nullptr;
        // A stale handle value fails to duplicate: it is left out, as a missing one.
        if (own && own != INVALID_HANDLE_VALUE &&
            ::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &copy, 0, TRUE,
                              DUPLICATE_SAME_ACCESS)) {
            copies_[i].reset(copy);
            list_.push_back(copy);
        }
    }
}

StandardHandles::~StandardHandles() {
    if (attributes_)
        ::DeleteProcThreadAttributeList(attributes_);
}

Status StandardHandles::put_into(STARTUPINFOEXW& startup) {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    buffer_.resize(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &size))
        return last_system_error();
    attributes_ = attributes;
    if (!::UpdateProcThreadAttribute(attributes_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                     list_.data(), list_.size() * sizeof(HANDLE), nullptr, nullptr))
        return last_system_error();
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = copies_[0].get();
    startup.StartupInfo.hStdOutput = copies_[1].get();
    startup.StartupInfo.hStdError = copies_[2].get();
    startup.lpAttributeList = attributes_;
    return {};
}

} // namespace velmora
