#include "app/application.h"

#include "common/error.h"
#include "common/utf.h"

namespace zeph::app {

Application::Application(tray::WindowSystem& windows, MessageBoxes& boxes, std::vector<std::wstring> args)
    : windows_(windows), boxes_(boxes), args_(std::move(args)) {}

std::wstring Application::ParamStr(std::size_t index) const {
  if (index == 0 || index > args_.size()) return {};
  return args_[index - 1];
}

void Application::SetTitle(std::wstring title) {
  title_ = std::move(title);
  if (handle_ != 0) windows_.SetWindowText(handle_, title_);
}

void Application::SetHandle(WindowHandle handle) {
  handle_ = handle;
  if (handle_ != 0) windows_.SetWindowText(handle_, title_);
}

void Application::Minimize() {
  if (minimized_) return;
  minimized_ = true;
  if (mainWindow_ != 0 && windows_.IsWindowVisible(mainWindow_)) windows_.ShowWindow(mainWindow_, tray::kSwMinimize);
}

void Application::Restore() {
  if (!minimized_) return;
  minimized_ = false;
  if (mainWindow_ != 0 && windows_.IsIconic(mainWindow_)) windows_.ShowWindow(mainWindow_, tray::kSwRestore);
}

int Application::MessageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t flags) {
  return boxes_.Show(handle_, text, caption, flags);
}

std::wstring GenericErrorText(const std::exception_ptr& error) {
  std::wstring text = L"An unexpected error occurred.";
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    const std::wstring detail = Utf8ToWide(e.what());
    if (!detail.empty()) text += L"\r\n\r\n" + detail;
  } catch (...) {
    crash::HandOverForeignFault();
  }
  return text;
}

void Application::HandleException(std::exception_ptr error) noexcept {
  // A failure that repeats every tick would otherwise nest one box per second, each
  // inside the last one's modal loop, until the stack runs out.
  if (!error || reportingError_) return;
  reportingError_ = true;
  // Reporting must never end the program; a box that cannot be shown is dropped.
  // A fault while showing it is another matter.
  crash::RunGuarded([&] {
    std::wstring text;
    try {
      std::rethrow_exception(error);
    } catch (const Error& e) {
      text = e.Message();
    } catch (...) {
      crash::HandOverForeignFault();
      text = GenericErrorText(error);
    }
    if (reporter_ == nullptr) {
      boxes_.Show(handle_, text, title_, kMbOk | kMbIconError);
    } else {
      const std::wstring details = reporter_->SaveReport(text);
      switch (reporter_->Show(handle_, text, title_, details)) {
        case crash::ErrorChoice::Continue: break;
        case crash::ErrorChoice::Restart: reporter_->Restart(); break;
        case crash::ErrorChoice::Close: reporter_->Close(); break;
      }
    }
  });
  reportingError_ = false;
}

}  // namespace zeph::app
