#pragma once
// The outcome of a set-up step or a file operation: success, or a failure with the message
// the user is shown (naming the file or the thing that failed, and why).

#include <cstring>
#include <string>
#include <utility>

struct [[nodiscard]] Result {
  bool ok = true;
  std::string message;
  // A failure on one file names it and the system's reason apart, for a screen that shows
  // the reason first.
  std::string file;
  std::string reason;
  int error = 0;  // the system's error number, when one caused the failure

  explicit operator bool() const { return ok; }
  static Result Ok() { return Result{}; }
  static Result Fail(std::string text) {
    Result result;
    result.ok = false;
    result.message = std::move(text);
    return result;
  }
  // "<file>: <what>: <the system's text for error>".
  static Result FileFailure(const std::string& file, const std::string& what, int error) {
    Result result{false, {}, file, std::strerror(error), error};
    result.message = file + ": " + what + ": " + result.reason;
    return result;
  }
};
