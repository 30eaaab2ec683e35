// implemented by the window-creation task
#include "app/frm_tidewell.h"

namespace zeph::app {

void TFrmTidewell::FormCreate() {}
std::intptr_t TFrmTidewell::WMInstanceRequest(std::uintptr_t) { return 0; }
void TFrmTidewell::TrayIconClick(ui::Component&) {}
void TFrmTidewell::BtnOpenClick(ui::Component&) {}
void TFrmTidewell::BtnCopyrightClick(ui::Component&) {}
void TFrmTidewell::BtnDonateClick(ui::Component&) {}
void TFrmTidewell::UpdateCompleted(bool, const std::wstring&) {}

}  // namespace zeph::app
