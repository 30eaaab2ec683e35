// Runs under Wine (win64 preset): this executable links tw_resources exactly as
// tidewell.exe does, so what it finds in itself is what the product carries.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<char> OwnVersionBlock() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return {};
  const DWORD size = ::GetFileVersionInfoSizeW(path, nullptr);
  std::vector<char> block(size);
  if (size == 0 || !::GetFileVersionInfoW(path, 0, size, block.data())) return {};
  return block;
}

std::wstring VersionString(std::vector<char>& block, const wchar_t* name) {
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT chars = 0;
  if (!::VerQueryValueW(block.data(), key.c_str(), &value, &chars) || !value) return L"<missing>";
  return std::wstring(static_cast<const wchar_t*>(value));
}

TEST(Resources, VersionBlockCarriesTheProjectVersion) {
  std::vector<char> block = OwnVersionBlock();
  ASSERT_FALSE(block.empty());
  void* root = nullptr;
  UINT size = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", &root, &size));
  ASSERT_GE(size, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(root);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  wchar_t text[64];
  std::swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
  EXPECT_STREQ(text, TW_VERSION_4);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

  EXPECT_EQ(VersionString(block, L"CompanyName"), L"Quillmere");
  EXPECT_EQ(VersionString(block, L"ProductName"), L"Tidewell");
  EXPECT_EQ(VersionString(block, L"FileVersion"), TW_VERSION_4);
  // The script is UTF-8: the sign must arrive as one character, not as two bytes.
  EXPECT_EQ(VersionString(block, L"LegalCopyright"), L"\u00A9 Quillmere. All rights reserved.");
}

TEST(Resources, ManifestIsEmbeddedAndActive) {
  HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(info, nullptr);
  const auto* data = static_cast<const char*>(::LockResource(::LoadResource(nullptr, info)));
  ASSERT_NE(data, nullptr);
  const std::string_view manifest(data, ::SizeofResource(nullptr, info));
  for (const char* needle : {"level=\"requireAdministrator\"", "name=\"Microsoft.Windows.Common-Controls\"",
                             ">true/pm<", ">PerMonitorV2<", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_NE(manifest.find(needle), std::string_view::npos) << needle;
  }
  EXPECT_EQ(manifest.find('@'), std::string_view::npos) << "unconfigured placeholder";

  // The loader took the manifest: comctl32 resolves to the version 6 assembly.
  ACTCTX_SECTION_KEYED_DATA keyed{};
  keyed.cbSize = sizeof(keyed);
  EXPECT_TRUE(::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                         L"comctl32.dll", &keyed));
}

}  // namespace
