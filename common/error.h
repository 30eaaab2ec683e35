#pragma once
// The program's one exception type for errors that must reach the user: the
// registry store's messages, a privilege that can't be enabled. It carries the
// text exactly as it is shown; the application's error handler displays it.
//
// It derives from std::exception itself rather than std::runtime_error: that class
// keeps its text in the runtime's old reference-counted string, whose code is some
// 40 KB of the 32-bit executable that nothing else needs.
#include <exception>
#include <string>

namespace zeph {

class Error : public std::exception {
 public:
  explicit Error(std::wstring message) : message_(std::move(message)) {}
  const std::wstring& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return "zeph::Error"; }

 private:
  std::wstring message_;
};

}  // namespace zeph
