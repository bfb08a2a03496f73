#pragma once
// The error value of every fallible operation, and the result type that carries it.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace velmora {

// One user-facing message. The operation that fails composes it; callers pass
// it up unchanged unless they add a documented prefix.
struct SetupError {
    std::string message;
};

// A value or a SetupError. The project's own small type rather than
// std::expected, so that the core also builds with the fuzzing toolchain.
template <class T> class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(SetupError error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const SetupError& error() const& { return std::get<1>(state_); }
    SetupError&& error() && { return std::get<1>(std::move(state_)); }

  private:
    std::variant<T, SetupError> state_;
};

template <> class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(SetupError error) : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }

    const SetupError& error() const& { return *error_; }
    SetupError&& error() && { return std::move(*error_); }

  private:
    std::optional<SetupError> error_;
};

using Status = Result<void>;

} // namespace velmora

// Ends the enclosing function with the failure of a Status or Result.
#define VELMORA_TRY(expression)                                                                    \
    do {                                                                                           \
        if (auto velmora_result = (expression); !velmora_result)                                   \
            return std::move(velmora_result).error();                                              \
    } while (false)

// Declares or assigns `target` from a Result's value, or ends the enclosing
// function with its failure:  VELMORA_TRY_ASSIGN(auto root, install_root());
#define VELMORA_TRY_ASSIGN(target, expression)                                                     \
    VELMORA_TRY_ASSIGN_IMPL(target, expression, VELMORA_TRY_NAME(__LINE__))
#define VELMORA_TRY_NAME(line) VELMORA_TRY_NAME_IMPL(line)
#define VELMORA_TRY_NAME_IMPL(line) velmora_result_##line
#define VELMORA_TRY_ASSIGN_IMPL(target, expression, result)                                        \
    auto result = (expression);                                                                    \
    if (!result)                                                                                   \
        return std::move(result).error();                                                          \
    target = std::move(result).value()
