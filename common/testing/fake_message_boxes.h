#pragma once
// Records every message box and answers from a script (then with `defaultAnswer`).
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/message_boxes.h"

namespace zeph::testing {

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
    if (duringShow) duringShow();
    if (answers.empty()) return defaultAnswer;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  // What the messages handled while the box waits do (a quit request, a log-off).
  std::function<void()> duringShow;
  std::vector<Shown> shown;
  std::deque<int> answers;
  int defaultAnswer = kIdNo;
};

}  // namespace zeph::testing
