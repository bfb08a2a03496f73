#include "launch/standard_handles_win.hpp"

namespace velmora {
namespace {

UniqueHandle inheritable_copy(DWORD which) {
    const HANDLE own = ::GetStdHandle(which);
    HANDLE copy = nullptr;
    // In a windowed program a stale value may name some unrelated handle of
    // ours by now: only a file, pipe or console is a standard handle.
    if (own && own != INVALID_HANDLE_VALUE && ::GetFileType(own) != FILE_TYPE_UNKNOWN &&
        ::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &copy, 0, TRUE,
                          DUPLICATE_SAME_ACCESS))
        return UniqueHandle(copy);
    return UniqueHandle();
}

} // namespace

StandardHandles duplicate_standard_handles() {
    return {inheritable_copy(STD_INPUT_HANDLE), inheritable_copy(STD_OUTPUT_HANDLE),
            inheritable_copy(STD_ERROR_HANDLE)};
}

} // namespace velmora
