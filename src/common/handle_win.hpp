#pragma once
// Ownership of Windows handles: one small template over a traits type that
// names the handle type, its invalid value and its close function. Handles
// whose invalid value is null and those whose invalid value is
// INVALID_HANDLE_VALUE are different types, so they cannot be mixed up.

#include <windows.h>

#include <utility>

namespace velmora {

template <class Traits> class UniqueResource {
  public:
    using pointer = typename Traits::type;

    UniqueResource() = default;
    explicit UniqueResource(pointer value) : value_(value) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueResource() { reset(); }

    pointer get() const { return value_; }
    bool valid() const { return value_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    pointer release() { return std::exchange(value_, Traits::invalid()); }
    void reset(pointer value = Traits::invalid()) {
        const pointer old = std::exchange(value_, value);
        if (old != Traits::invalid())
            Traits::close(old);
    }
    // For out-parameters of Win32 calls: closes the current value first.
    pointer* put() {
        reset();
        return &value_;
    }

  private:
    pointer value_ = Traits::invalid();
};

struct KernelHandleTraits {
    using type = HANDLE;
    static type invalid() { return nullptr; }
    static void close(type h) { ::CloseHandle(h); }
};

struct FileHandleTraits {
    using type = HANDLE;
    static type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using type = HANDLE;
    static type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(type h) { ::FindClose(h); }
};

// Process, thread, event, pipe ends: null when invalid.
using UniqueHandle = UniqueResource<KernelHandleTraits>;
// CreateFileW results: INVALID_HANDLE_VALUE when invalid.
using UniqueFile = UniqueResource<FileHandleTraits>;
using UniqueFind = UniqueResource<FindHandleTraits>;

} // namespace velmora
