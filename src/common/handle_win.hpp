#pragma once
// Ownership of Windows handles: one small template over a traits type that
// names the handle type, its invalid value and its close function. Handles
// whose invalid value is null and those whose invalid value is
// INVALID_HANDLE_VALUE are different types, so they cannot be mixed up.

#include <windows.h>

#include <bcrypt.h>

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

// A handle that is null when invalid and is closed by one call taking it alone.
template <class T, auto Close> struct NullInvalidTraits {
    using type = T;
    static type invalid() { return nullptr; }
    static void close(type h) { Close(h); }
};

// Likewise for the handles that are INVALID_HANDLE_VALUE when invalid.
template <auto Close> struct InvalidValueTraits {
    using type = HANDLE;
    static type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(type h) { Close(h); }
};

inline void close_algorithm_provider(BCRYPT_ALG_HANDLE provider) {
    ::BCryptCloseAlgorithmProvider(provider, 0);
}

// Process, thread, event, pipe ends: null when invalid.
using UniqueHandle = UniqueResource<NullInvalidTraits<HANDLE, ::CloseHandle>>;
// CreateFileW results: INVALID_HANDLE_VALUE when invalid.
using UniqueFile = UniqueResource<InvalidValueTraits<::CloseHandle>>;
using UniqueFind = UniqueResource<InvalidValueTraits<::FindClose>>;
// What the system allocates for its caller: FormatMessageW's text, the
// environment block.
using UniqueLocalText = UniqueResource<NullInvalidTraits<wchar_t*, ::LocalFree>>;
using UniqueEnvironmentBlock =
    UniqueResource<NullInvalidTraits<wchar_t*, ::FreeEnvironmentStringsW>>;
// The cryptography provider's (CNG) algorithm and hash handles.
using UniqueAlgorithm =
    UniqueResource<NullInvalidTraits<BCRYPT_ALG_HANDLE, close_algorithm_provider>>;
using UniqueHash = UniqueResource<NullInvalidTraits<BCRYPT_HASH_HANDLE, ::BCryptDestroyHash>>;

// The sharing of an open that must not stand in anyone's way: reading an
// entry's attributes, or opening it to rename it.
inline constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace velmora
