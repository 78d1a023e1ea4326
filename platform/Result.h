#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace platform {

// Why an operation failed: the words a user is shown, and the system's own
// code (errno, a Win32 error) where there is one, else 0.
struct Error {
    std::string text;
    int code = 0;
};

// What an operation that can fail gave: its value, or why there is none.
// [[nodiscard]] so that no caller drops a failure unseen; one that means to
// ignore it says so with a cast to void.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : outcome_(std::in_place_index<0>, std::move(value)) {}      // NOLINT(google-explicit-constructor)
    Result(Error error) : outcome_(std::in_place_index<1>, std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return outcome_.index() == 0; }
    explicit operator bool() const { return ok(); }
    // Only when ok().
    const T& value() const& { return std::get<0>(outcome_); }
    T&& value() && { return std::get<0>(std::move(outcome_)); }
    // Only when not ok().
    const Error& error() const { return std::get<1>(outcome_); }

private:
    std::variant<T, Error> outcome_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only when not ok().
    const Error& error() const { return *error_; }

private:
    std::optional<Error> error_;
};

}  // namespace platform
