// The window's creation sequence, a second copy's requests, the tray click, the web
// links and the end of the update check, driven through fakes that write every
// call that matters into one shared log, so the order across subsystems shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frm_tidewell.h"
#include "app/testing/fake_message_boxes.h"
#include "app/testing/fake_tray_shell.h"
#include "app/testing/fake_window_system.h"
#include "app/testing/test_window.h"
#include "autostart/autostart.h"
#include "autostart/testing/fake_task_scheduler.h"
#include "common/error.h"
#include "common/testing/fake_clock.h"
#include "common/testing/manual_dispatcher.h"
#include "config/testing/fake_registry.h"
#include "memory/testing/fake_kernel.h"
#include "update/testing/fake_platform.h"
#include "update/web_addresses.h"

namespace zeph::app {
namespace {

using autostart::testing::Step;
using Log = std::vector<std::string>;

constexpr WindowHandle kAppWindow = 0x100;
constexpr WindowHandle kMainWindow = 0x200;
constexpr IconHandle kMainIcon = 0x300;
const std::wstring kSettingsKey = L"Software\\Quillmere\\Tidewell";

// The scheduler's work is logged when an apartment opens or closes, which brackets
// every use of it; the steps in between are logged in the order they were made.
class LoggingScheduler : public autostart::testing::FakeTaskScheduler {
 public:
  explicit LoggingScheduler(Log& log) : log_(log) {}
  autostart::HResult InitializeApartment() override {
    Flush();
    const autostart::HResult hr = FakeTaskScheduler::InitializeApartment();
    calls.pop_back();
    log_.push_back(autostart::Succeeded(hr) ? "CoInitialize" : "CoInitialize failed");
    flushed_ = calls.size();
    return hr;
  }
  void UninitializeApartment() override {
    Flush();
    FakeTaskScheduler::UninitializeApartment();
    log_.push_back("CoUninitialize");
  }

 private:
  void Flush() {
    for (; flushed_ < calls.size(); ++flushed_) {
      if (calls[flushed_] == Step::RegisterTaskDefinition) log_.push_back("RegisterTask");
      if (calls[flushed_] == Step::GetTasks) log_.push_back("ListTasks");
      if (calls[flushed_] == Step::DeleteTask) log_.push_back("DeleteTask");
    }
  }
  Log& log_;
  std::size_t flushed_ = 0;
};

class LoggingRegistry : public config::testing::FakeRegistry {
 public:
  explicit LoggingRegistry(Log& log) : log_(log) {}
  config::RegStatus CreateKey(config::RootKey root, const std::wstring& subKey, std::uint32_t access,
                              std::unique_ptr<config::RegistryKey>& key) override {
    log_.push_back("SettingsKey");
    return FakeRegistry::CreateKey(root, subKey, access, key);
  }

 private:
  Log& log_;
};

class LoggingTrayShell : public tray::testing::FakeTrayShell {
 public:
  explicit LoggingTrayShell(Log& log) : log_(log) {}
  bool Add(const tray::TrayIconData& data) override {
    log_.push_back("TrayAdd");
    return FakeTrayShell::Add(data);
  }

 private:
  Log& log_;
};

// Privileges named in `refused` cannot be looked up, as on a token without them.
class LoggingKernel : public memory::testing::FakeKernel {
 public:
  explicit LoggingKernel(Log& log) : log_(log) { status.ullTotalPhys = 8ull << 30; }
  bool GlobalMemoryStatusEx(memory::MemoryStatusEx& out) override {
    log_.push_back("Snapshot");
    return FakeKernel::GlobalMemoryStatusEx(out);
  }
  bool LookupPrivilegeValueW(const std::wstring& name, memory::Luid& luid) override {
    log_.push_back("Privilege " + std::string(name.begin(), name.end()));
    if (std::find(refused.begin(), refused.end(), name) == refused.end())
      return FakeKernel::LookupPrivilegeValueW(name, luid);
    tokenCalls.push_back("LookupPrivilegeValueW");
    lastError = lookupError;
    return false;
  }
  std::vector<std::wstring> refused;

 private:
  Log& log_;
};

class LoggingWindowSystem : public tray::testing::FakeWindowSystem {
 public:
  explicit LoggingWindowSystem(Log& log) : log_(log) {}
  void ShowWindow(WindowHandle window, int command) override {
    if (window == kMainWindow && command == tray::kSwHide) log_.push_back("HideMain");
    FakeWindowSystem::ShowWindow(window, command);
  }
  bool AllowMessageFromLowerIntegrity(WindowHandle window, std::uint32_t message) override {
    if (window == kMainWindow && message == registeredMessages[L"TaskbarCreated"]) log_.push_back("AllowTaskbarCreated");
    return FakeWindowSystem::AllowMessageFromLowerIntegrity(window, message);
  }

 private:
  Log& log_;
};

class LoggingThreads : public zeph::testing::ManualThreads {
 public:
  explicit LoggingThreads(Log& log) : log_(log) {}
  void Start(std::function<void()> body) override {
    log_.push_back("Thread");
    ManualThreads::Start(std::move(body));
  }

 private:
  Log& log_;
};

// A TFrmTidewell on logging fakes, with the application's windows set up as the
// view sets them up before FormCreate runs. The form is built on first use.
struct Rig {
  explicit Rig(std::vector<std::wstring> args = {}) : application(windows, boxes, std::move(args)) {
    platform = testing::TestPlatform(kernel, dispatcher, threads, clock, boxes, windows, shell, locale, registry,
                                     scheduler, versionBlock);
    platform.shell = &webShell;
    platform.addressBox = &addressBox;
    platform.newUpdateCheck = [this] {
      log.push_back("UpdateServices");
      update::UpdateCheckEnvironment environment;
      environment.userLanguage = L"must be replaced";
      environment.http = http;
      environment.versionBlock = std::make_shared<update::testing::FakeVersionBlock>(1, 6, 6, 0);
      environment.stop = stop;
      environment.prompt = prompt;
      environment.shell = std::shared_ptr<update::Shell>(std::shared_ptr<void>(), &webShell);
      environment.addressBox = std::shared_ptr<update::AddressBox>(std::shared_ptr<void>(), &addressBox);
      environment.ui = std::shared_ptr<UiDispatcher>(std::shared_ptr<void>(), &dispatcher);
      return environment;
    };
    application.SetTitle(L"타이드웰");
    application.SetHandle(kAppWindow);
    application.SetMainWindow(kMainWindow);
    application.SetIcon(kMainIcon);
    windows.visible.insert(kMainWindow);
    windows.foreground = kMainWindow;
    windows.threadOf = {{kAppWindow, 11}, {kMainWindow, 11}};
  }

  TFrmTidewell& Form() {
    if (!form) form = std::make_unique<TFrmTidewell>(platform, application);
    return *form;
  }
  // As start-up runs it: an error ends creation and reaches the error handler.
  bool Create() {
    TFrmTidewell& f = Form();
    log.clear();
    return application.Guard([&] { f.FormCreate(); });
  }
  std::size_t Count(const std::string& entry) const { return std::count(log.begin(), log.end(), entry); }
  // Position of the first `entry` in the log; the log's size when it is absent.
  std::size_t First(const std::string& entry) const {
    return std::find(log.begin(), log.end(), entry) - log.begin();
  }
  std::size_t Last(const std::string& entry) const {
    const auto it = std::find(log.rbegin(), log.rend(), entry);
    return it == log.rend() ? log.size() : log.rend() - it - 1;
  }
  bool MainVisible() const { return windows.visible.count(kMainWindow) != 0; }

  Log log;
  LoggingKernel kernel{log};
  zeph::testing::ManualDispatcher dispatcher;
  LoggingThreads threads{log};
  zeph::testing::FakeClock clock;
  testing::FakeMessageBoxes boxes;
  LoggingWindowSystem windows{log};
  LoggingTrayShell shell{log};
  testing::FakeLocale locale;
  LoggingRegistry registry{log};
  LoggingScheduler scheduler{log};
  update::testing::FakeVersionBlock versionBlock{1, 6, 6, 0};
  update::testing::FakeShell webShell;
  update::testing::FakeAddressBox addressBox;
  std::shared_ptr<update::testing::FakeHttpClient> http = std::make_shared<update::testing::FakeHttpClient>();
  std::shared_ptr<update::testing::FakeStopEvent> stop = std::make_shared<update::testing::FakeStopEvent>();
  std::shared_ptr<zeph::testing::FakeMessageBoxes> prompt = std::make_shared<zeph::testing::FakeMessageBoxes>();
  Platform platform;
  Application application;
  std::unique_ptr<TFrmTidewell> form;
};

TEST(FormCreate, StepsRunInOrderAcrossTheSubsystems) {
  for (const bool hidden : {false, true}) {
    SCOPED_TRACE(hidden ? "/start" : "no argument");
    Rig rig(hidden ? std::vector<std::wstring>{L"/start"} : std::vector<std::wstring>{});
    rig.scheduler.tasks.push_back({autostart::kAutoStartTaskName});
    ASSERT_TRUE(rig.Create());
    const Rig& r = rig;

    EXPECT_EQ(r.First("CoInitialize"), 1u) << "after letting the shell's restart notice in";
    EXPECT_LT(r.First("ListTasks"), r.First("SettingsKey")) << "task query before the first settings read";
    EXPECT_LT(r.Last("CoUninitialize"), r.First("SettingsKey")) << "the apartment closes before the settings";
    EXPECT_LT(r.First("SettingsKey"), r.First("TrayAdd")) << "settings before the tray icon";
    EXPECT_LT(r.First("TrayAdd"), r.First("Privilege SeIncreaseQuotaPrivilege"));
    EXPECT_LT(r.First("Privilege SeIncreaseQuotaPrivilege"), r.First("Privilege SeProfileSingleProcessPrivilege"));
    EXPECT_LT(r.First("Privilege SeProfileSingleProcessPrivilege"), r.First("Snapshot"))
        << "privileges before the first status line";
    EXPECT_EQ(r.Count("Snapshot"), 1u) << "exactly one direct status update";
    if (hidden) {
      EXPECT_EQ(r.Count("HideMain"), 1u);
      EXPECT_LT(r.First("Snapshot"), r.First("HideMain")) << "hide after the first status line";
      EXPECT_LT(r.First("TrayAdd"), r.First("Thread")) << "the icon's re-add worker starts after the icon";
      EXPECT_LT(r.First("Thread"), r.First("Privilege SeIncreaseQuotaPrivilege"));
    } else {
      EXPECT_EQ(r.Count("HideMain"), 0u);
    }
    // The update check last: its services are made, then its worker starts.
    ASSERT_GE(r.log.size(), 2u);
    EXPECT_EQ(r.log[r.log.size() - 2], "UpdateServices");
    EXPECT_EQ(r.log.back(), "Thread");
    EXPECT_EQ(r.Count("UpdateServices"), 1u);
    EXPECT_EQ(rig.scheduler.apartmentDepth, 0);
    EXPECT_EQ(rig.boxes.shown.size(), 0u) << "no error";
  }
}

// The program runs elevated: without this the non-elevated shell's restart notice
// never arrives, and the icon stays gone after Explorer restarts.
TEST(FormCreate, TheShellsRestartNoticeIsLetInFirst) {
  Rig rig;
  rig.registry.PlantDword(kSettingsKey, L"language", 1);  // creation stops before the icon
  EXPECT_FALSE(rig.Create());
  ASSERT_FALSE(rig.log.empty());
  EXPECT_EQ(rig.log.front(), "AllowTaskbarCreated");
  EXPECT_EQ(rig.Count("AllowTaskbarCreated"), 1u);
}

TEST(FormCreate, LeavesTheWindowSetUp) {
  Rig rig({L"/start"});
  TFrmTidewell& f = rig.Form();
  f.Indicator.SetVisible(true);
  f.LblVirtual.SetFontColor(ui::kBlack);
  f.PnlMain.SetActiveCardIndex(1);
  f.FCanClose = true;
  rig.clock.AdvanceSeconds(90);
  ASSERT_TRUE(rig.Create());

  EXPECT_EQ(f.EffectiveFont(), rig.windows.iconTitleFont);
  EXPECT_EQ(f.ChkAutoStart.EffectiveFont(), rig.windows.iconTitleFont);
  EXPECT_EQ(f.LblTitle.EffectiveFont().Name, L"Tahoma") << "the title keeps its own font";
  EXPECT_EQ(f.LblTitle.EffectiveFont().Height, -59);
  EXPECT_FALSE(f.Indicator.Visible());
  for (const ui::Label* grey : {&f.LblVirtual, &f.LblVirtualStatus, &f.LblWorking, &f.LblWorkingStatus})
    EXPECT_EQ(grey->FontColor(), std::optional<ui::Color>(0x808080)) << std::string(grey->Name().begin(), grey->Name().end());
  EXPECT_EQ(f.LblPhys.FontColor(), std::nullopt);
  EXPECT_EQ(f.PnlMain.ActiveCardIndex(), 0);
  EXPECT_FALSE(f.FCanClose);
  EXPECT_DOUBLE_EQ(f.NextTime, rig.clock.Peek());
  EXPECT_FALSE(f.LblPhysStatus.Caption().empty()) << "figures are there before the window first shows";

  ASSERT_TRUE(f.TrayIcon);
  EXPECT_TRUE(f.TrayIcon->Visible());
  EXPECT_EQ(f.TrayIcon->Icon(), kMainIcon);
  EXPECT_EQ(f.TrayIcon->Hint(), L"타이드웰 1.6.6");
  EXPECT_EQ(f.TrayIcon->PopupMenu, &f.Popup);
  EXPECT_TRUE(rig.shell.holds);
  EXPECT_EQ(rig.shell.shown.Tip, L"타이드웰 1.6.6");
  EXPECT_FALSE(rig.application.ShowMainForm()) << "\"/start\" keeps the window hidden when the loop starts";

  // The click handler is wired: with cleaning on tray clicks off, a click restores.
  f.TrayIcon->LeftClick();
  EXPECT_TRUE(rig.MainVisible());
}

TEST(FormCreate, AutostartStep) {
  struct Case {
    const char* name;
    std::vector<std::wstring> args;
    bool taskBefore;
    bool apartmentFails;
    int registrations;  // registering directly on "/inst", and again through the check box
    bool ticked;
  };
  const Case cases[] = {
      {"/inst, no task yet", {L"/inst"}, false, false, 2, true},
      {"/inst, task already there", {L"/inst"}, true, false, 2, true},
      {"task found at start", {}, true, false, 1, true},
      {"no task, no /inst", {}, false, false, 0, false},
      {"/INST is not /inst", {L"/INST"}, false, false, 0, false},
      {"/inst as second argument", {L"x", L"/inst"}, false, false, 0, false},
      {"no COM: /inst registers nothing", {L"/inst"}, false, true, 0, false},
      {"no COM: found task not looked at", {}, true, true, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(c.args);
    if (c.taskBefore) rig.scheduler.tasks.push_back({autostart::kAutoStartTaskName});
    if (c.apartmentFails) rig.scheduler.Fail(Step::InitializeApartment, static_cast<autostart::HResult>(0x80010106));
    ASSERT_TRUE(rig.Create());
    EXPECT_EQ(rig.scheduler.registrations, c.registrations);
    EXPECT_EQ(rig.form->ChkAutoStart.Checked(), c.ticked);
    EXPECT_EQ(rig.scheduler.RootTask(autostart::kAutoStartTaskName) != nullptr, c.taskBefore || c.registrations > 0);
    EXPECT_EQ(rig.scheduler.apartmentDepth, 0) << "every successful CoInitialize is balanced, and only those";
    EXPECT_EQ(rig.Count("CoUninitialize"), c.apartmentFails ? 0u : rig.Count("CoInitialize"));
  }
}

// The two registrations of "/inst" come one after the other, before the settings.
TEST(FormCreate, InstRegistersTwiceInARowBeforeTheSettings) {
  Rig rig({L"/inst"});
  ASSERT_TRUE(rig.Create());
  const Log expected = {"AllowTaskbarCreated", "CoInitialize", "RegisterTask", "ListTasks", "CoInitialize", "RegisterTask",
                        "CoUninitialize", "CoUninitialize", "SettingsKey"};
  ASSERT_GE(rig.log.size(), expected.size());
  EXPECT_EQ(Log(rig.log.begin(), rig.log.begin() + expected.size()), expected);
  EXPECT_TRUE(rig.MainVisible()) << "\"/inst\" shows the window";
}

// A token without the privilege: creation stops at step 12, the error is shown, and
// the program goes on with the tray icon and the settings in place.
TEST(FormCreate, RefusedPrivilegeEndsCreationThere) {
  for (const wchar_t* refused : {L"SeIncreaseQuotaPrivilege", L"SeProfileSingleProcessPrivilege"}) {
    for (const bool hidden : {false, true}) {
      SCOPED_TRACE(std::string(refused, refused + wcslen(refused)) + (hidden ? " /start" : ""));
      Rig rig(hidden ? std::vector<std::wstring>{L"/start"} : std::vector<std::wstring>{});
      rig.registry.PlantDword(kSettingsKey, L"cleanontray", 1);
      rig.kernel.refused = {refused};
      EXPECT_FALSE(rig.Create());

      ASSERT_EQ(rig.boxes.shown.size(), 1u);
      EXPECT_EQ(rig.boxes.shown[0].text.find(L"A specified privilege does not exist"), 0u)
          << "the system's text reaches the user";
      EXPECT_EQ(rig.boxes.shown[0].flags, kMbOk | kMbIconError);
      TFrmTidewell& f = *rig.form;
      ASSERT_TRUE(f.TrayIcon);
      EXPECT_TRUE(f.TrayIcon->Visible());
      EXPECT_TRUE(f.ChkCleanOnTray.Checked()) << "settings loaded";
      EXPECT_EQ(rig.Count("Snapshot"), 0u) << "figures wait for the first tick";
      EXPECT_TRUE(f.LblPhysStatus.Caption().empty());
      EXPECT_EQ(rig.Count("HideMain"), 0u) << "a \"/start\" start shows the window";
      EXPECT_TRUE(rig.application.ShowMainForm());
      EXPECT_EQ(rig.Count("UpdateServices"), 0u) << "no update check";
      EXPECT_EQ(rig.threads.bodies.size(), hidden ? 1u : 0u) << "only the icon's re-add worker";

      // The program goes on: the timer's first tick fills the figures.
      f.TmrStatus.Tick();
      EXPECT_FALSE(f.LblPhysStatus.Caption().empty());
    }
  }
}

// A settings value of the wrong type ends creation before the tray icon exists: a
// second copy's requests are then ignored, and closing really closes rather than
// hiding into a tray that has no icon.
TEST(FormCreate, SettingsErrorLeavesNoTrayIconAndRequestsAreIgnored) {
  Rig rig;
  rig.registry.PlantDword(kSettingsKey, L"language", 1);
  EXPECT_FALSE(rig.Create());
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text, L"Invalid data type for 'language'");
  TFrmTidewell& f = *rig.form;
  EXPECT_FALSE(f.TrayIcon);
  EXPECT_EQ(rig.Count("Privilege SeIncreaseQuotaPrivilege"), 0u);

  rig.windows.visible.erase(kMainWindow);
  rig.windows.calls.clear();
  for (const std::uintptr_t code : {kRequestShow, kRequestUninstall}) EXPECT_EQ(f.WMInstanceRequest(code), 0);
  EXPECT_TRUE(rig.windows.calls.empty());
  EXPECT_FALSE(f.Closed());

  f.Close();
  EXPECT_TRUE(f.Closed());
}

// The tray menu's commands and the icon's click need the icon; before it exists
// they do nothing.
TEST(FormCreate, TrayCommandsBeforeTheIconAreIgnored) {
  Rig rig;
  rig.registry.PlantDword(kSettingsKey, L"language", 1);
  EXPECT_FALSE(rig.Create());
  TFrmTidewell& f = *rig.form;
  ASSERT_FALSE(f.TrayIcon);
  rig.windows.visible.erase(kMainWindow);
  rig.windows.calls.clear();
  f.BtnOpen.OnClick(f.BtnOpen);
  f.TrayIconClick(f);
  EXPECT_TRUE(rig.windows.calls.empty());
  EXPECT_FALSE(rig.MainVisible());
}

TEST(WMInstanceRequest, Codes) {
  struct Case {
    const char* name;
    std::uintptr_t code;
    bool apartmentFails;
    bool restored;
    bool closed;
    bool taskAfter;
  };
  const Case cases[] = {
      {"1 shows the hidden window", 1, false, true, false, true},
      {"2 removes the task and quits", 2, false, false, true, false},
      {"2 without COM still quits", 2, true, false, true, true},
      {"0 (DM_GETDEFID) is ignored", 0, false, false, false, true},
      {"3 is ignored", 3, false, false, false, true},
      {"a huge code is ignored", ~std::uintptr_t{0}, false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    ASSERT_TRUE(rig.Create());
    TFrmTidewell& f = *rig.form;
    ASSERT_TRUE(f.ChkAutoStart.Checked() == false);
    rig.scheduler.tasks.push_back({autostart::kAutoStartTaskName});
    f.Close();  // the close box: into the tray
    ASSERT_FALSE(f.Closed());
    ASSERT_FALSE(rig.MainVisible());
    if (c.apartmentFails) rig.scheduler.Fail(Step::InitializeApartment, static_cast<autostart::HResult>(0x80010106));
    const int registrationsBefore = rig.scheduler.registrations;

    EXPECT_EQ(f.WMInstanceRequest(c.code), 0);
    EXPECT_EQ(rig.MainVisible(), c.restored);
    EXPECT_EQ(f.Closed(), c.closed);
    EXPECT_EQ(f.FCanClose, c.closed);
    EXPECT_EQ(rig.scheduler.RootTask(autostart::kAutoStartTaskName) != nullptr, c.taskAfter);
    EXPECT_EQ(rig.scheduler.registrations, registrationsBefore) << "removing never registers";
    EXPECT_EQ(rig.scheduler.apartmentDepth, 0);
  }
}

TEST(TrayIconClick, CleansWhenTheBoxIsTickedElseRestores) {
  for (const bool cleanOnTray : {false, true}) {
    SCOPED_TRACE(cleanOnTray ? "clean on tray" : "restore");
    Rig rig;
    ASSERT_TRUE(rig.Create());
    TFrmTidewell& f = *rig.form;
    f.ChkCleanOnTray.SetChecked(cleanOnTray);
    f.Close();
    ASSERT_FALSE(rig.MainVisible());
    const std::size_t threadsBefore = rig.threads.bodies.size();

    f.TrayIcon->LeftClick();
    EXPECT_EQ(f.IsRunning(), cleanOnTray);
    EXPECT_EQ(rig.MainVisible(), !cleanOnTray);
    ASSERT_EQ(rig.threads.bodies.size(), threadsBefore + (cleanOnTray ? 1 : 0));
    if (!cleanOnTray) continue;
    // The clean is the tray icon's, so its end shows the completion notice.
    while (rig.threads.bodies.size() > 1) rig.threads.bodies.pop_front();
    ASSERT_TRUE(rig.threads.RunNext());
    rig.dispatcher.Pump();
    EXPECT_FALSE(f.IsRunning());
    EXPECT_EQ(rig.shell.calls.back().op, tray::testing::FakeTrayShell::Op::Balloon);
  }
}

TEST(Commands, OpenAndWebPages) {
  Rig rig;
  ASSERT_TRUE(rig.Create());
  TFrmTidewell& f = *rig.form;
  f.Close();
  f.BtnOpen.OnClick(f.BtnOpen);
  EXPECT_TRUE(rig.MainVisible());

  ASSERT_TRUE(rig.threads.RunNext());  // the update check, out of the way
  rig.dispatcher.Pump();

  // The UI thread only hands each page to a worker: a hung Explorer cannot freeze it.
  f.BtnCopyright.OnClick(f.BtnCopyright);
  f.ImgLogo.OnClick(f.ImgLogo);
  f.BtnDonate.OnClick(f.BtnDonate);
  EXPECT_TRUE(rig.webShell.calls.empty());
  ASSERT_EQ(rig.threads.bodies.size(), 3u);
  while (rig.threads.RunNext()) {
  }
  const std::wstring product = update::ProductPageAddress(L"1.6.6");
  const std::wstring expected[] = {product, product, update::DonationPageAddress()};
  ASSERT_EQ(rig.webShell.calls.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& call = rig.webShell.calls[i];
    EXPECT_EQ(call.verb, L"open");
    EXPECT_EQ(call.showCommand, 1);
    EXPECT_EQ(call.file, expected[i]);
  }
  // No desktop shell took them: each address is offered to copy, on the UI thread.
  EXPECT_TRUE(rig.addressBox.calls.empty());
  rig.dispatcher.Pump();
  ASSERT_EQ(rig.addressBox.calls.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(rig.addressBox.calls[i].owner, kAppWindow);
    EXPECT_EQ(rig.addressBox.calls[i].caption, rig.application.Title());
    EXPECT_EQ(rig.addressBox.calls[i].address, expected[i]);
  }
  EXPECT_TRUE(product.ends_with(L"/tidewell?v=1.6.6"));
  EXPECT_TRUE(update::DonationPageAddress().ends_with(L"/donate?tidewell"));
}

// The check asks the endpoint, and the answer to its prompt decides whether the
// program makes way for the download.
TEST(UpdateCheck, AskedWithTheWindowsDataAndClosesOnlyWhenAccepted) {
  for (const int answer : {kIdNo, kIdYes}) {
    SCOPED_TRACE(answer);
    Rig rig;
    rig.locale.language = L"ko";
    rig.http->replies.push_back(L"{\"update\":\"https://example.invalid/get\"}");
    rig.prompt->defaultAnswer = answer;
    ASSERT_TRUE(rig.Create());
    ASSERT_TRUE(rig.threads.RunNext());

    ASSERT_EQ(rig.http->requests.size(), 1u);
    EXPECT_EQ(rig.http->requests[0].url, update::UpdateEndpoint());
    EXPECT_TRUE(update::UpdateEndpoint().ends_with(L"/api.init.php"));
    ASSERT_EQ(rig.http->requests[0].headers.size(), 3u);
    EXPECT_EQ(rig.http->requests[0].headers[1].value, L"ko");
    EXPECT_EQ(rig.http->requests[0].headers[2].value, L"false") << "not a debug check";
    ASSERT_EQ(rig.prompt->shown.size(), 1u);
    EXPECT_EQ(rig.prompt->shown[0].owner, kAppWindow);
    EXPECT_EQ(rig.prompt->shown[0].caption, rig.application.Title());
    EXPECT_EQ(rig.form->Closed(), answer == kIdYes);
    EXPECT_EQ(rig.form->FCanClose, answer == kIdYes);
  }
}

// Accepted with no desktop shell to open the page: the address is offered while the
// program still runs, and the program ends once that box is closed.
TEST(UpdateCheck, AcceptedWithoutADesktopShellOffersTheAddressThenEnds) {
  Rig rig;
  rig.http->replies.push_back(L"{\"update\":\"https://example.invalid/get\"}");
  rig.prompt->defaultAnswer = kIdYes;
  std::vector<bool> closedDuringBox;
  rig.addressBox.duringShow = [&] { closedDuringBox.push_back(rig.form->Closed()); };
  ASSERT_TRUE(rig.Create());
  ASSERT_TRUE(rig.threads.RunNext());
  ASSERT_EQ(rig.webShell.calls.size(), 1u);
  ASSERT_EQ(rig.addressBox.calls.size(), 1u);
  EXPECT_EQ(rig.addressBox.calls[0].address, L"https://example.invalid/get");
  EXPECT_EQ(closedDuringBox, std::vector<bool>{false});
  EXPECT_TRUE(rig.form->Closed());
}

// The prompt keeps the messages flowing: a quit request or a log-off may end the
// window before the user answers. The answer then reaches nothing.
TEST(UpdateCheck, AnAnswerAfterTheWindowHasGoneIsDropped) {
  Rig rig;
  auto prompt = std::make_shared<zeph::testing::FakeMessageBoxes>();
  prompt->defaultAnswer = kIdYes;
  prompt->duringShow = [&] { rig.form.reset(); };
  rig.prompt = prompt;
  rig.http->replies.push_back(L"{\"update\":\"https://example.invalid/get\"}");
  ASSERT_TRUE(rig.Create());
  ASSERT_TRUE(rig.threads.RunNext());
  EXPECT_EQ(prompt->shown.size(), 1u);
  EXPECT_FALSE(rig.form);
}

// When the window goes, a check still waiting between attempts stops waiting and
// asks nothing more of the network.
TEST(UpdateCheck, WindowDestructionStopsTheCheck) {
  Rig rig;
  ASSERT_TRUE(rig.Create());
  rig.stop->duringWait = [&](int wait) {
    if (wait == 2) rig.form->FormDestroy();
  };
  ASSERT_TRUE(rig.threads.RunNext());
  EXPECT_TRUE(rig.stop->set);
  EXPECT_EQ(rig.http->requests.size(), 2u);
  EXPECT_TRUE(rig.prompt->shown.empty());
}

}  // namespace
}  // namespace zeph::app
