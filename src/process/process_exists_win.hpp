#pragma once

#include <cstdint>

namespace velmora {

// True while a process of this id runs, or may run: one that cannot be
// opened for any reason but "no such process" counts as running.
bool process_exists(std::uint32_t process_id);

} // namespace velmora
