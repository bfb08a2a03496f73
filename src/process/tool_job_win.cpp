#include "process/tool_job_win.hpp"

#include "common/handle_win.hpp"

namespace velmora {
namespace {

UniqueHandle create_tool_job() {
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job)
        return {};
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                   sizeof limits))
        return {};
    return job;
}

} // namespace

void join_tool_job(HANDLE process) {
    // Made on first use and never closed by hand: the system closes it when
    // the process ends, and that ends the tools.
    static const UniqueHandle job = create_tool_job();
    if (job)
        ::AssignProcessToJobObject(job.get(), process); // refused: the tool runs unjoined
}

} // namespace velmora
