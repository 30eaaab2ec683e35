#pragma once
// Records every message box and answers from a script (then with `defaultAnswer`).
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "app/application.h"

namespace zeph::app::testing {

class FakeMessageBoxes : public MessageBoxes {
 public:
  struct Shown {
    WindowHandle owner;
    std::wstring text;
    std::wstring caption;
    std::uint32_t flags;
  };

  int Show(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
           std::uint32_t flags) override {
    shown.push_back({owner, text, caption, flags});
    if (answers.empty()) return defaultAnswer;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<Shown> shown;
  std::deque<int> answers;
  int defaultAnswer = kIdNo;
};

}  // namespace zeph::app::testing
