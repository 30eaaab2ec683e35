// implemented by the monitor task
#include "app/frm_tidewell.h"

namespace zeph::app {

void TFrmTidewell::TmrStatusTimer(ui::Component&) {}
void TFrmTidewell::Clean(bool) {}
void TFrmTidewell::SetIsRunning(bool) {}
void TFrmTidewell::BtnCleanClick(ui::Component&) {}
void TFrmTidewell::ShowNotification(const std::wstring&) {}

}  // namespace zeph::app
