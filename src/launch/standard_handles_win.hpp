#pragma once
// What a started program inherits from this one: its standard handles and
// nothing else.

#include "common/handle_win.hpp"
#include "common/inherit_list_win.hpp"
#include "common/setup_error.hpp"

#include <windows.h>

#include <memory>
#include <vector>

namespace velmora {

// Inheritable duplicates of this process's standard input, output and error,
// named in an explicit handle list, so that a child inherits exactly these.
// A handle that is missing (a windowed program normally has none), no longer
// valid, or not a file, pipe or console cannot be handed on and is left out.
class StandardHandles {
  public:
    StandardHandles();
    StandardHandles(const StandardHandles&) = delete;
    StandardHandles& operator=(const StandardHandles&) = delete;

    // False when there is nothing to hand on.
    bool any() const { return !list_.empty(); }
    // Puts the handles and the handle list into `startup`, whose lifetime
    // must not exceed this object's.
    Status put_into(STARTUPINFOEXW& startup);

  private:
    UniqueHandle copies_[3];
    std::vector<HANDLE> list_;
    std::unique_ptr<InheritList> inherit_;
};

} // namespace velmora
