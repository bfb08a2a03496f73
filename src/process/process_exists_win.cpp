#include "process/process_exists_win.hpp"

#include "common/handle_win.hpp"
#include "common/system_error.hpp"

#include <windows.h>

namespace velmora {

bool process_exists(std::uint32_t process_id) {
    const UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, process_id));
    if (!process)
        return meaning_of_open_failure(::GetLastError()) == OpenFailure::may_still_run;
    return ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

} // namespace velmora
