#include "update/update.h"

#include <atomic>
#include <exception>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "common/error.h"
#include "common/utf.h"
#include "crash/fault.h"

namespace zeph::update {
namespace {

// The reply names the download address in the string member "update", written
// without blanks around its colon.
const wchar_t kUpdateStartTag[] = L"\"update\":\"";
const wchar_t kUpdateEndTag[] = L"\"";

struct PromptEntry {
  const wchar_t* lang;
  const wchar_t* text;
};

// Not translated through the table: the choice follows the system's language, not
// the interface language, so a Korean system gets the Korean text even with an
// English window.
const PromptEntry kPromptTexts[] = {
    {L"ko", L"업데이트가 정보가 있습니다.\r\r안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.\r\r다운로드 받으시겠습니까?"},
    {L"ja", L"このプログラムがアップデートされました。\r\r安定的に使用するために新しくダウンロード·実行することをお勧めします。\r\rダウンロードしますか。"},
    {L"zh", L"该程序已更新。\r\r建议下载并执行新程序以稳定使用。\r\r您要下载吗？"},
    {L"de", L"Dieses Programm ist aktualisiert worden.\r\rEs wird empfohlen, es herunterzuladen und neu auszuführen, um es stabil zu verwenden.\r\rMöchten Sie es herunterladen?"},
    {L"ru", L"Данная программа была обновлена.\r\rРекомендуется скачать и выполнить новое для стабильного использования.\r\rВы хотите загрузить ее?"},
    {L"it", L"Questo programma è stato aggiornato.\r\rSi raccomanda di scaricarlo ed eseguirlo per un uso stabile.\r\rVolete scaricarlo?"},
    {L"fr", L"Ce programme a été mis à jour.\r\rIl est recommandé de télécharger et d'exécuter la nouvelle version pour une utilisation stable.\r\rVoulez-vous le télécharger?"},
};
const wchar_t kEnglishPromptText[] =
    L"This program has been updated.\r\rIt is recommended to download and execute new for stable use.\r\rDo you want to download it?";

// One check: created on the UI thread, then shared by the caller's handle, the
// worker and the reply handling; freed by the last of them.
class CheckState final : public UpdateCheck, public std::enable_shared_from_this<CheckState> {
 public:
  CheckState(std::wstring url, bool debug, UpdateProc proc, UpdateCheckEnvironment environment)
      : url_(std::move(url)),
        debug_(debug),
        proc_(std::move(proc)),
        env_(std::move(environment)),
        lang_(env_.userLanguage.substr(0, 2)) {}

  void Stop() override {
    stopRequested_ = true;
    env_.stop->Set();
  }

  // Worker thread.
  void Run() {
    for (int attempt = 0; attempt < kUpdateAttempts && !stopRequested_; ++attempt) {
      const HttpResult result = RequestUpdateInfo(*env_.http, *env_.versionBlock, url_, lang_, debug_, data_);
      if (result != HttpResult::Failed) break;  // a reply, or one too large to be any: no point asking again
      if (env_.stop->Wait(kUpdatePauseMilliseconds)) stopRequested_ = true;
    }
    // False: the window is gone, and there is nobody left to tell.
    if (!env_.ui->Invoke([self = shared_from_this()] { self->Ask(); })) return;
    if (!accepted_) return;
    // The desktop shell may take seconds to answer, or hang: here, not on the UI thread.
    const bool opened = env_.shell->ExecuteAsDesktopUser(L"open", item_, kSwShowNormal);
    env_.ui->Invoke([self = shared_from_this(), opened] { self->Finish(opened); });
  }

 private:
  // UI thread, while the worker waits: the prompt. Unless the user accepted, the
  // check ends here.
  void Ask() {
    item_ = JsonUnescape(ExtractBetween(data_, kUpdateStartTag, kUpdateEndTag));
    if (!stopRequested_ && IsWebAddress(item_)) {
      const int answer = env_.prompt->Show(env_.owner, UpdatePromptText(lang_), env_.title, kMbYesNoInformationTopmost);
      accepted_ = answer == kIdYes;
    }
    if (!accepted_ && proc_) proc_(false, data_);
  }

  // UI thread, after the shell was asked: where it could not open the page, the
  // user gets the address before the caller ends the program.
  void Finish(bool opened) {
    if (!opened) env_.addressBox->Show(env_.owner, env_.title, item_);
    if (proc_) proc_(true, data_);
  }

  const std::wstring url_;
  const bool debug_;
  const UpdateProc proc_;
  const UpdateCheckEnvironment env_;
  const std::wstring lang_;
  // Written by the worker before the first hand-over (data_) or on the UI thread
  // inside it (item_, accepted_), read only after it: the hand-overs order them.
  std::wstring data_;
  std::wstring item_;
  bool accepted_ = false;
  std::atomic<bool> stopRequested_{false};
};

}  // namespace

std::wstring UpdatePromptText(const std::wstring& lang) {
  for (const PromptEntry& entry : kPromptTexts) {
    if (lang == entry.lang) return entry.text;
  }
  return kEnglishPromptText;
}

std::wstring GetAppVersion(const VersionBlock& versionBlock, const std::wstring& format) {
  const std::optional<FileVersion> version = versionBlock.RunningExeVersion();
  if (!version) return L"0.0.0.0";
  const unsigned parts[] = {version->dwFileVersionMS >> 16, version->dwFileVersionMS & 0xFFFFu,
                            version->dwFileVersionLS >> 16, version->dwFileVersionLS & 0xFFFFu};
  std::wstring out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == L'%' && i + 1 < format.size()) {
      if (format[i + 1] == L'd' && next < std::size(parts)) {
        out += DecimalText(parts[next++]);
        ++i;
        continue;
      }
      if (format[i + 1] == L'%') {
        out += L'%';
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

bool BoundedCall(ThreadStarter& threads, std::shared_ptr<StopEvent> answered, std::function<bool()> call,
                 std::uint32_t timeoutMilliseconds) {
  // Shared by the caller and the worker: whichever leaves last frees it.
  struct Exchange {
    std::function<bool()> call;
    std::shared_ptr<StopEvent> answered;
    std::atomic<bool> result{false};
  };
  auto exchange = std::make_shared<Exchange>();
  exchange->call = std::move(call);
  exchange->answered = std::move(answered);
  try {
    threads.Start([exchange] {
      bool result = false;
      // A call that failed is a false answer, and the caller still hears at once; a
      // hardware fault goes to the crash reporter like one on any other thread.
      crash::RunGuarded([&] { result = exchange->call(); });
      exchange->result = result;
      exchange->answered->Set();
    });
  } catch (const std::exception&) {
    return false;  // no worker: nothing was asked
  }
  return exchange->answered->Wait(timeoutMilliseconds) && exchange->result;
}

void ShellOpen(const ShellOpenServices& services, WindowHandle owner, const std::wstring& caption,
               const std::wstring& target) {
  if (!IsWebAddress(target)) return;
  Shell& shell = services.shell;
  AddressBox& addressBox = services.addressBox;
  UiDispatcher& ui = services.ui;
  try {
    services.threads.Start([&shell, &addressBox, &ui, owner, caption, target] {
      if (shell.ExecuteAsDesktopUser(L"open", target, kSwShowNormal)) return;
      ui.Queue([&addressBox, owner, caption, target] { addressBox.Show(owner, caption, target); });
    });
  } catch (const std::exception&) {
    // No worker to ask the shell without blocking the window: the address at once.
    addressBox.Show(owner, caption, target);
  }
}

HttpResult RequestUpdateInfo(HttpClient& http, const VersionBlock& versionBlock, const std::wstring& url,
                       const std::wstring& lang, bool debug, std::wstring& data) {
  const std::vector<HttpHeader> headers = {
      {L"User-Version", GetAppVersion(versionBlock, L"%d.%d.%d.%d")},
      {L"User-Language", lang},
      {L"User-Debug", debug ? L"true" : L"false"},
  };
  std::wstring body;
  HttpResult result = HttpResult::Failed;
  try {
    result = http.Get(url, headers, body);
  } catch (const std::exception&) {
    return HttpResult::Failed;  // e.g. no memory to hold the text: one more failed attempt, never an end of the worker
  }
  if (result == HttpResult::Reply) data = std::move(body);
  return result;
}

std::shared_ptr<UpdateCheck> CheckUpdate(const std::wstring& url, bool debug, UpdateProc proc,
                                         UpdateCheckEnvironment environment, ThreadStarter& threads) {
  if (!environment.http || !environment.versionBlock || !environment.stop || !environment.prompt ||
      !environment.shell || !environment.addressBox || !environment.ui) {
    throw Error(L"CheckUpdate: every service of the environment is needed");
  }
  auto state = std::make_shared<CheckState>(url, debug, std::move(proc), std::move(environment));
  threads.Start([state] { state->Run(); });
  return state;
}

}  // namespace zeph::update
