#pragma once
// The program's web addresses. They share one HTTPS root, fixed when the program is
// built (the CMake cache variable TIDEWELL_WEB_ROOT); test builds point it at a
// server on the loopback address.
#include <string>

namespace zeph::update {

// root + "/api.init.php": the endpoint CheckUpdate asks.
std::wstring UpdateEndpoint();
// root + "/tidewell?v=" + version, with the three-part version ("1.6.6").
std::wstring ProductPageAddress(const std::wstring& version);
// root + "/donate?tidewell".
std::wstring DonationPageAddress();
// root + "/api.crash.php": where the crash dialog's Send posts a text report.
std::wstring CrashReportEndpoint();

}  // namespace zeph::update
