// What the package asks of the program when it installs, upgrades, repairs or
// removes it: pure decisions, no Windows calls (custom_actions.c carries them out;
// install_plan_test.cpp runs them on the host).
//
// The program's log-on task is the only record of the user's autostart choice, and
// every released version of the program reacts to only three requests: "/inst"
// (register the task, then start), "/uninst" (ask the running copy to remove the task
// and quit) and the end of a log-on (WM_QUERYENDSESSION: close at once, task
// untouched). So only a first install may send "/inst", only an uninstall "/uninst",
// and an upgrade ends the old copy as a log-off would: the new copy, started plainly,
// finds the task where the user left it and re-registers it with its own path.
#ifndef TIDEWELL_INSTALLER_INSTALL_PLAN_H
#define TIDEWELL_INSTALLER_INSTALL_PLAN_H

#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  TW_FIRST_INSTALL,  // no Tidewell of this upgrade code is installed
  TW_UPGRADE,        // this package replaces an installed one (either architecture)
  TW_REPAIR,         // the installed package itself again
  TW_UNINSTALL,
} tw_operation;

// The copy running in the installing user's session when the package began.
typedef enum { TW_COPY_NONE, TW_COPY_SHOWN, TW_COPY_HIDDEN } tw_running_copy;

typedef enum {
  TW_STOP_NOTHING,
  TW_STOP_UNINST,  // start "tidewell.exe /uninst": the copy removes the task and quits
  TW_STOP_CLOSE,   // end every copy of the installed exe as at the end of a log-on
} tw_stop;

typedef struct {
  tw_stop stop;                   // before the files are touched
  int start;                      // after the install: start the installed exe ...
  const wchar_t* start_argument;  // ... with this first argument (L"" for none)
} tw_install_plan;

// The operation from Windows Installer's properties: Installed, REMOVE="ALL",
// WIX_UPGRADE_DETECTED (each given as set or not).
tw_operation tw_operation_of(int installed, int removing_all, int upgrade_detected);

// Whether a program started now would appear on a desktop a user sees: not in session 0
// (services, deployment tools), and only in a session whose connection state is
// "active". When the state can't be read, a visible window station (WinSta0) decides.
int tw_session_is_interactive(unsigned long session_id, int connect_state_known,
                              int connect_state_active, int window_station_visible);

// What goes out for this operation, running copy and session. Nothing is ever started
// outside an active interactive session: it would run hidden and elevated there, for
// the deploying account.
tw_install_plan tw_plan_install(tw_operation operation, tw_running_copy copy, int interactive);

#ifdef __cplusplus
}
#endif

#endif
