#pragma once
// Timing of a stand-in's whole work for VELMORA_STANDIN_TIMES (see
// work_times.hpp).

#include <string_view>

namespace velmora {

// Takes the start time now and appends the record line when the process
// ends through a return from wmain or exit(), whatever the exit code. Does
// nothing when the variable is absent or empty. Call once, first thing.
void time_whole_work(std::string_view tool);

} // namespace velmora
