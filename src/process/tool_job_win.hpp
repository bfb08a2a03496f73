#pragma once
// The one job object that holds every tool this program starts. It is killed
// when its last handle closes, which is when this program ends, however it
// ends: a closed window or a killed setup leaves no curl.exe retrying behind.

#include <windows.h>

namespace velmora {

// Puts a process (created suspended, not yet running) into the tools' job.
// Best effort: where the system refuses (a job around this program that
// forbids nesting, or no job could be made), the tool runs outside one.
void join_tool_job(HANDLE process);

} // namespace velmora
