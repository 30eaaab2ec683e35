// implemented by the settings task
#include "app/frm_tidewell.h"

namespace zeph::app {

void TFrmTidewell::LoadConfig() {}
void TFrmTidewell::SaveConfig(const std::wstring&, int) {}
void TFrmTidewell::SaveConfig(const std::wstring&, bool) {}
void TFrmTidewell::SaveConfig(const std::wstring&, const std::wstring&) {}
void TFrmTidewell::ChkUsagePhysClick(ui::Component&) {}
void TFrmTidewell::ChkUsagePageClick(ui::Component&) {}
void TFrmTidewell::ChkUsageWorkClick(ui::Component&) {}
void TFrmTidewell::ChkMinuteClick(ui::Component&) {}
void TFrmTidewell::ChkCleanOnTrayClick(ui::Component&) {}
void TFrmTidewell::ChkAutoStartClick(ui::Component&) {}
void TFrmTidewell::EditUsagePhysChange(ui::Component&) {}
void TFrmTidewell::EditUsagePageChange(ui::Component&) {}
void TFrmTidewell::EditUsageWorkChange(ui::Component&) {}
void TFrmTidewell::EditMinuteChange(ui::Component&) {}

}  // namespace zeph::app
