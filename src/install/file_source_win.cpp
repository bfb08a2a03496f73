#include "install/file_source_win.hpp"

#include "common/system_error_win.hpp"

namespace velmora {

Result<std::string_view> FileSource::next_chunk() {
    DWORD read = 0;
    VELMORA_WIN32(
        ::ReadFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &read, nullptr));
    return std::string_view(buffer_.data(), read);
}

} // namespace velmora
