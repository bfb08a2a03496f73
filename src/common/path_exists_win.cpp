#include "common/path_exists_win.hpp"

#include "common/text_win.hpp"

#include <windows.h>

namespace velmora {

bool path_exists(std::string_view path) {
    // A NUL would cut the path short and let Windows answer for another one.
    if (path.find('\0') != std::string_view::npos)
        return false;
    return ::GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace velmora
