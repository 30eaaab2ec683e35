#include "installer/install_plan.h"

tw_operation tw_operation_of(int installed, int removing_all, int upgrade_detected) {
  if (removing_all) return TW_UNINSTALL;
  if (installed) return TW_REPAIR;
  return upgrade_detected ? TW_UPGRADE : TW_FIRST_INSTALL;
}

int tw_session_is_interactive(unsigned long session_id, int connect_state_known,
                              int connect_state_active, int window_station_visible) {
  if (session_id == 0) return 0;
  return connect_state_known ? connect_state_active : window_station_visible;
}

tw_install_plan tw_plan_install(tw_operation operation, tw_running_copy copy, int interactive) {
  tw_install_plan plan = {TW_STOP_NOTHING, 0, L""};
  switch (operation) {
    case TW_FIRST_INSTALL:
      plan.start = 1;
      plan.start_argument = L"/inst";
      break;
    case TW_UPGRADE:
      // Always: a copy may run in another session, unseen from here, and still hold
      // the exe. The new version comes back only where one ran, as it was: a copy in
      // the tray comes back in the tray.
      plan.stop = TW_STOP_CLOSE;
      plan.start = copy != TW_COPY_NONE;
      plan.start_argument = copy == TW_COPY_HIDDEN ? L"/start" : L"";
      break;
    case TW_REPAIR:
      break;
    case TW_UNINSTALL:
      // With no copy running, "/uninst" would only end at once, after a consent prompt.
      if (copy != TW_COPY_NONE) plan.stop = TW_STOP_UNINST;
      break;
  }
  if (!interactive) plan.start = 0;
  if (!plan.start) plan.start_argument = L"";
  return plan;
}
