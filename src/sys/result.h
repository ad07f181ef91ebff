#pragma once
// Failures travel as values: an operation returns its value or one human-readable text.
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace vl {

struct Failure {
  std::string text;
};

inline Failure fail(std::string text) { return Failure{std::move(text)}; }

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  const std::string& error() const { return std::get<1>(state_).text; }
  Failure failure() const { return std::get<1>(state_); }

 private:
  std::variant<T, Failure> state_;
};

// Success or one failure text.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Failure failure) : error_(std::move(failure.text)) {}
  static Status success() { return Status(); }

  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  const std::string& error() const { return *error_; }
  Failure failure() const { return Failure{*error_}; }

 private:
  std::optional<std::string> error_;
};

}  // namespace vl
