#pragma once
// A notification area that keeps state like the shell does: it holds the icon once
// added (while `ready`), refuses to delete an icon it does not hold, and records
// every call in order.
#include <string>
#include <vector>

#include "app/tray/tray_shell.h"

namespace zeph::tray::testing {

class FakeTrayShell : public TrayShell {
 public:
  enum class Op { Add, Modify, Delete, Balloon };
  struct Call {
    Op op = Op::Add;
    TrayIconData data;     // Add, Modify
    std::wstring title;    // Balloon
    std::wstring text;     // Balloon
    bool result = false;
  };

  bool Add(const TrayIconData& data) override {
    const bool ok = ready && !holds;
    if (ok) {
      holds = true;
      shown = data;
    }
    Record(Op::Add, ok).data = data;
    return ok;
  }
  bool Modify(const TrayIconData& data) override {
    const bool ok = holds;
    if (ok) shown = data;
    Record(Op::Modify, ok).data = data;
    return ok;
  }
  bool Delete() override {
    const bool ok = holds;
    holds = false;
    Record(Op::Delete, ok);
    return ok;
  }
  bool Balloon(const std::wstring& title, const std::wstring& text) override {
    Call& call = Record(Op::Balloon, holds);
    call.title = title;
    call.text = text;
    return holds;
  }

  Call& Record(Op op, bool result) {
    Call& call = calls.emplace_back();
    call.op = op;
    call.result = result;
    return call;
  }

  std::vector<Op> Ops() const {
    std::vector<Op> ops;
    for (const Call& call : calls) ops.push_back(call.op);
    return ops;
  }

  bool ready = true;  // false: the shell is not up yet and takes no icon
  bool holds = false; // the shell shows the icon
  TrayIconData shown;
  std::vector<Call> calls;
};

}  // namespace zeph::tray::testing
