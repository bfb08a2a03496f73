#pragma once
// A process-thread attribute list naming exactly the handles a child process
// may inherit, so that nothing else of ours leaks into it.

#include "common/setup_error.hpp"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace velmora {

class InheritList {
  public:
    // Each handle at most once in `handles`.
    static Result<std::unique_ptr<InheritList>> create(std::vector<HANDLE> handles);
    InheritList(const InheritList&) = delete;
    InheritList& operator=(const InheritList&) = delete;
    ~InheritList();

    LPPROC_THREAD_ATTRIBUTE_LIST get() const {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
    }

  private:
    explicit InheritList(std::vector<HANDLE> handles) : handles_(std::move(handles)) {}

    std::vector<HANDLE> handles_; // the attribute points here: lives as long as the list
    std::unique_ptr<std::byte[]> storage_;
    bool initialized_ = false;
};

} // namespace velmora
