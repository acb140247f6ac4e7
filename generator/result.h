#pragma once
// The outcome of a set-up step or a file operation: success, or a failure with the message
// the user is shown (naming the file or the thing that failed, and why).

#include <string>
#include <utility>

struct [[nodiscard]] Result {
  bool ok = true;
  std::string message;

  explicit operator bool() const { return ok; }
  static Result Ok() { return Result{}; }
  static Result Fail(std::string text) { return Result{false, std::move(text)}; }
};
