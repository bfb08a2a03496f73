#pragma once
// A property that a fuzz target proves: when it does not hold, the input is a
// finding, so the run stops with the reason on standard error.

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace velmora {

inline void require(bool holds, std::string_view what) {
    if (holds)
        return;
    std::fprintf(stderr, "property failed: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

} // namespace velmora
