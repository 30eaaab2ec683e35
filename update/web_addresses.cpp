#include "update/web_addresses.h"

#include "web_root.h"

namespace zeph::update {

std::wstring UpdateEndpoint() { return std::wstring(TIDEWELL_WEB_ROOT) + L"/api.init.php"; }

std::wstring ProductPageAddress(const std::wstring& version) {
  return std::wstring(TIDEWELL_WEB_ROOT) + L"/tidewell?v=" + version;
}

std::wstring DonationPageAddress() { return std::wstring(TIDEWELL_WEB_ROOT) + L"/donate?tidewell"; }

std::wstring CrashReportEndpoint() { return std::wstring(TIDEWELL_WEB_ROOT) + L"/api.crash.php"; }

}  // namespace zeph::update
