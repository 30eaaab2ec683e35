#pragma once
// The program's one exception type for errors that must reach the user: the
// registry store's messages, a privilege that can't be enabled. It carries the
// text exactly as it is shown; the application's error handler displays it.
#include <stdexcept>
#include <string>

namespace zeph {

class Error : public std::runtime_error {
 public:
  explicit Error(std::wstring message)
      : std::runtime_error("zeph::Error"), message_(std::move(message)) {}
  const std::wstring& Message() const noexcept { return message_; }

 private:
  std::wstring message_;
};

}  // namespace zeph
