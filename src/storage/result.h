#pragma once
// The program's one way to tell that something failed: the system's error code (a Win32 error
// code, as GetLastError gives it) carried with the outcome, never a bare bool, an out-parameter or
// a later call to GetLastError. A Result must be looked at; a Status may be let go where nothing
// depends on it (a best-effort clean-up), and the functions whose failure matters say [[nodiscard]].

#include <cstdint>
#include <optional>
#include <utility>

namespace varnel {

// A system error code; kNoError (ERROR_SUCCESS) is none.
using SystemError = std::uint32_t;
inline constexpr SystemError kNoError = 0;

// Done, or the system error that stopped it.
class Status {
 public:
  // Done.
  constexpr Status() noexcept = default;
  // Failed with error; kNoError makes a Status that is done.
  static constexpr Status Failure(SystemError error) noexcept { return Status(error); }

  constexpr bool ok() const noexcept { return error_ == kNoError; }
  constexpr explicit operator bool() const noexcept { return ok(); }
  constexpr SystemError error() const noexcept { return error_; }

 private:
  constexpr explicit Status(SystemError error) noexcept : error_(error) {}
  SystemError error_ = kNoError;
};

// A value, or the system error that kept it from being had.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: a value is a result
  Result(Status failure) : error_(failure.ok() ? kFailedWithoutCode : failure.error()) {}  // NOLINT

  bool ok() const noexcept { return value_.has_value(); }
  explicit operator bool() const noexcept { return ok(); }
  // kNoError exactly when there is a value.
  SystemError error() const noexcept { return error_; }
  Status status() const noexcept { return Status::Failure(error_); }

  T& operator*() & noexcept { return *value_; }
  const T& operator*() const& noexcept { return *value_; }
  T&& operator*() && noexcept { return std::move(*value_); }
  T* operator->() noexcept { return &*value_; }
  const T* operator->() const noexcept { return &*value_; }

 private:
  // A failure made from a Status that was done has no code of its own: ERROR_GEN_FAILURE.
  static constexpr SystemError kFailedWithoutCode = 31;
  std::optional<T> value_;
  SystemError error_ = kNoError;
};

}  // namespace varnel
