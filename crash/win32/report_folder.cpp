#include "crash/win32/report_folder.h"

#include <aclapi.h>
#include <winternl.h>

#include <cwchar>
#include <iterator>

#include "common/win32/system_library.h"
#include "crash/report.h"

namespace zeph::crash {
namespace {

// ntdll's file functions: only they open a name relative to a directory handle.
using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                        ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtQueryDirectoryFileFn = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);
using NtQueryInformationFileFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
NtCreateFileFn g_createFile = nullptr;
NtQueryDirectoryFileFn g_queryDirectory = nullptr;
NtQueryInformationFileFn g_queryInformation = nullptr;

constexpr auto kFileInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
constexpr auto kFileAttributeTagInformation = static_cast<FILE_INFORMATION_CLASS>(35);
constexpr auto kFileIdBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(37);
constexpr std::size_t kMaxName = 255;  // of one path component, in UTF-16 units
constexpr DWORD kReadAndList = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE | GENERIC_READ | GENERIC_EXECUTE;

bool FindNtFunctions() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");  // in every process: loads nothing
  g_createFile = SystemFunction<NtCreateFileFn>(ntdll, "NtCreateFile");
  g_queryDirectory = SystemFunction<NtQueryDirectoryFileFn>(ntdll, "NtQueryDirectoryFile");
  g_queryInformation = SystemFunction<NtQueryInformationFileFn>(ntdll, "NtQueryInformationFile");
  return g_createFile && g_queryDirectory && g_queryInformation;
}

bool Copy(const wchar_t* from, wchar_t* to, std::size_t capacity) {
  const std::size_t length = std::wcslen(from);
  if (length >= capacity) return false;
  std::wmemcpy(to, from, length + 1);
  return true;
}

bool Append(const wchar_t* from, wchar_t* to, std::size_t capacity) {
  const std::size_t length = std::wcslen(to);
  return Copy(from, to + length, capacity - length);
}

// "C:\..." on a drive: no network share, no device path, no relative path.
bool IsLocalAbsolute(const wchar_t* path) {
  const wchar_t drive = path[0];
  return ((drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z')) && path[1] == L':' &&
         path[2] == L'\\';
}

// One path component that names a file here: not empty, no separator, no stream
// (':'), no wildcard, not "." or "..".
bool IsPlainName(const wchar_t* name) {
  const std::size_t length = name ? std::wcslen(name) : 0;
  if (length == 0 || length > kMaxName) return false;
  if (std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (name[i] < 0x20 || std::wcschr(L"\\/:*?\"<>|", name[i])) return false;
  }
  return true;
}

// ProgramData as the machine's profile list names it. Not the ProgramData or
// ALLUSERSPROFILE variable: a process's environment is its starter's, and the log-on
// task builds it from the user's own HKCU\Environment, which the user's unelevated
// programs can write. The profile list is in HKLM; its "%SystemDrive%" is taken from
// the Windows folder, which comes from the system, not from the environment either.
bool FindProgramData(wchar_t (&path)[MAX_PATH]) {
  wchar_t windows[MAX_PATH];
  const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length < 3 || length >= MAX_PATH || !IsLocalAbsolute(windows)) return false;
  const wchar_t drive[3] = {windows[0], L':', L'\0'};
  wchar_t value[MAX_PATH] = {};
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
    DWORD size = sizeof value - sizeof(wchar_t);
    if (::RegGetValueW(key, nullptr, L"ProgramData", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                       value, &size) != ERROR_SUCCESS) {
      value[0] = L'\0';
    }
    ::RegCloseKey(key);
  }
  constexpr wchar_t kSystemDrive[] = L"%SystemDrive%";
  constexpr std::size_t kSystemDriveLength = sizeof kSystemDrive / sizeof(wchar_t) - 1;
  path[0] = L'\0';
  if (_wcsnicmp(value, kSystemDrive, kSystemDriveLength) == 0) {
    Copy(drive, path, MAX_PATH);
    if (!Append(value + kSystemDriveLength, path, MAX_PATH)) return false;
  } else if (value[0]) {
    Copy(value, path, MAX_PATH);
  } else {
    Copy(drive, path, MAX_PATH);
    Append(L"\\ProgramData", path, MAX_PATH);
  }
  return IsLocalAbsolute(path) && !std::wcschr(path, L'%');
}

struct Name {
  UNICODE_STRING text;
  explicit Name(const wchar_t* name) {
    text.Buffer = const_cast<wchar_t*>(name);
    text.Length = static_cast<USHORT>(std::wcslen(name) * sizeof(wchar_t));
    text.MaximumLength = text.Length;
  }
};

// `name` in the folder `parent`, opened as itself when it is a reparse point (the
// name is one component, so that is the only place a reparse could happen). Null on
// failure; `created` tells whether it was made now.
HANDLE OpenRelative(HANDLE parent, const wchar_t* name, ACCESS_MASK access, ULONG share, ULONG disposition,
                    ULONG options, SECURITY_DESCRIPTOR* security = nullptr, bool* created = nullptr) {
  Name text(name);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text.text, OBJ_CASE_INSENSITIVE, parent, security);
  IO_STATUS_BLOCK status{};
  HANDLE handle = nullptr;
  if (g_createFile(&handle, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                   disposition, options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0) < 0) {
    return nullptr;
  }
  if (created) *created = status.Information == FILE_CREATED;
  return handle;
}

struct Identity {
  DWORD attributes = 0;
  ULONGLONG fileId = 0;
};

// The open file's attributes (with the reparse point flag) and file id: two queries
// of the object itself that, unlike GetFileInformationByHandle, need no name.
bool Identify(HANDLE handle, Identity& identity) {
  IO_STATUS_BLOCK status{};
  FILE_ATTRIBUTE_TAG_INFO tag{};
  LARGE_INTEGER fileId{};
  if (g_queryInformation(handle, &status, &tag, sizeof tag, kFileAttributeTagInformation) < 0 ||
      g_queryInformation(handle, &status, &fileId, sizeof fileId, kFileInternalInformation) < 0) {
    return false;
  }
  identity.attributes = tag.FileAttributes;
  identity.fileId = ULONGLONG(fileId.QuadPart);
  return true;
}

bool IsPlain(DWORD attributes, bool directory) {
  return !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == directory;
}

// Calls `visit(entry, name)` for each entry of the open folder `folder`, the name
// null-terminated; `mask` (no wildcards: one name) limits it to that entry. NTFS
// honours a mask only on a handle's first query, so a masked query wants a fresh
// handle. No heap: one buffer on the stack.
template <typename Visit>
void ForEachEntry(HANDLE folder, const wchar_t* mask, Visit&& visit) {
  alignas(LONGLONG) unsigned char buffer[8 * 1024];
  Name maskText(mask ? mask : L"");
  for (BOOLEAN restart = TRUE;; restart = FALSE) {
    IO_STATUS_BLOCK status{};
    if (g_queryDirectory(folder, nullptr, nullptr, nullptr, &status, buffer, sizeof buffer,
                         kFileIdBothDirectoryInformation, FALSE, mask ? &maskText.text : nullptr, restart) < 0) {
      return;  // also the end: STATUS_NO_MORE_FILES
    }
    for (std::size_t at = 0;;) {
      const auto& entry = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + at);
      const std::size_t length = entry.FileNameLength / sizeof(wchar_t);
      if (length <= kMaxName) {
        wchar_t name[kMaxName + 1];
        std::wmemcpy(name, entry.FileName, length);
        name[length] = L'\0';
        visit(entry, static_cast<const wchar_t*>(name));
      }
      if (entry.NextEntryOffset == 0) break;
      at += entry.NextEntryOffset;
    }
  }
}

// The folder `name` in `parent`, created with `security` when it is not there. An
// existing one must be a directory, not a reparse point, both as opened and as its
// parent lists it, the very entry listed (same file id), and pass `check`. Held
// without delete sharing: while open it cannot be renamed, removed or swapped.
HANDLE OpenFolder(HANDLE parent, const wchar_t* name, SECURITY_DESCRIPTOR* security, FolderSecurityCheck check) {
  bool created = false;
  HANDLE folder = OpenRelative(parent, name,
                               FILE_LIST_DIRECTORY | FILE_ADD_FILE | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN_IF, FILE_DIRECTORY_FILE, security, &created);
  if (!folder) return nullptr;
  Identity opened;
  bool usable = Identify(folder, opened) && IsPlain(opened.attributes, true);
  if (usable && !created) {
    bool listed = false;
    ForEachEntry(parent, name, [&](const FILE_ID_BOTH_DIR_INFO& entry, const wchar_t*) {
      listed = IsPlain(entry.FileAttributes, true) && ULONGLONG(entry.FileId.QuadPart) == opened.fileId;
    });
    usable = listed && (check ? check(folder) : OnlyAdministratorsCanChangeFolder(folder));
  }
  if (usable) return folder;
  ::CloseHandle(folder);
  return nullptr;
}

bool AcceptAfterTheOtherChecks(HANDLE) { return true; }

// Whether the file system keeps the descriptors it is given: a probe folder made in
// `parent` with `security` must read back as that descriptor. Where it does not
// (Wine maps descriptors to Unix mode bits, and every file reads back as the user's,
// unprotected) an existing folder's descriptor says nothing and cannot be judged;
// there the other checks alone decide, or no run after the first could keep reports.
// A probe that cannot be made counts as keeping them: the strict judgement stands.
bool KeepsSecurity(HANDLE parent, SECURITY_DESCRIPTOR* security) {
  wchar_t digits[16];
  std::size_t at = std::size(digits);
  digits[--at] = L'\0';
  for (DWORD id = ::GetCurrentProcessId(); at > 0 && (id != 0 || at == std::size(digits) - 1); id /= 10) {
    digits[--at] = static_cast<wchar_t>(L'0' + id % 10);
  }
  wchar_t name[48] = L"Tidewell.probe-";
  Append(digits + at, name, std::size(name));
  const HANDLE probe = OpenRelative(parent, name, DELETE | READ_CONTROL, 0, FILE_CREATE,
                                    FILE_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE, security);
  if (!probe) return true;
  const bool keeps = OnlyAdministratorsCanChangeFolder(probe);
  ::CloseHandle(probe);
  return keeps;
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) { return sid && ::IsWellKnownSid(sid, type); }

bool IsAdministration(PSID sid) {
  return IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid);
}

// `name` is "<stem>.txt" or "<stem>.dmp".
bool NamesReportOf(const wchar_t* name, const wchar_t* stem) {
  const std::size_t length = std::wcslen(stem);
  if (std::wcsncmp(name, stem, length) != 0) return false;
  return _wcsicmp(name + length, L".txt") == 0 || _wcsicmp(name + length, L".dmp") == 0;
}

}  // namespace

bool FolderSecurity::Build() {
  DWORD size = sizeof system_;
  if (!::CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &size)) return false;
  size = sizeof administrators_;
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators_, &size)) return false;
  size = sizeof users_;
  if (!::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users_, &size)) return false;
  const auto acl = reinterpret_cast<PACL>(acl_);
  constexpr DWORD kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
  return ::InitializeAcl(acl, sizeof acl_, ACL_REVISION) &&
         ::AddAccessAllowedAceEx(acl, ACL_REVISION, kInherited, FILE_ALL_ACCESS, system_) &&
         ::AddAccessAllowedAceEx(acl, ACL_REVISION, kInherited, FILE_ALL_ACCESS, administrators_) &&
         ::AddAccessAllowedAceEx(acl, ACL_REVISION, kInherited, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, users_) &&
         ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
         ::SetSecurityDescriptorOwner(&descriptor_, administrators_, FALSE) &&
         ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
         ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

bool OnlyAdministratorsCanChange(PSECURITY_DESCRIPTOR descriptor) {
  PSID owner = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  PACL dacl = nullptr;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!descriptor || !::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !IsAdministration(owner) ||
      !::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl ||
      !::GetSecurityDescriptorControl(descriptor, &control, &revision) || !(control & SE_DACL_PROTECTED)) {
    return false;  // no DACL at all: everyone has full control
  }
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace)) return false;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return false;  // callback, object ACEs: not judged, refused
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if ((allowed->Mask & ~kReadAndList) != 0 && !IsAdministration(sid)) return false;
  }
  return true;
}

bool OnlyAdministratorsCanChangeFolder(HANDLE folder) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool only = OnlyAdministratorsCanChange(descriptor);
  ::LocalFree(descriptor);
  return only;
}

ReportFolder::ReportFolder(const wchar_t* root, FolderSecurityCheck check) : check_(check) {
  if (!root || !Copy(root, root_, MAX_PATH)) root_[0] = L'\0';
}

bool ReportFolder::Open() {
  folder_.reset();
  path_[0] = L'\0';
  wchar_t path[MAX_PATH];
  if (root_[0]) {
    Copy(root_, path, MAX_PATH);
  } else if (!FindProgramData(path)) {
    return false;
  }
  if (!FindNtFunctions()) return false;
  // The base folder is the system's (or the test's own), opened as it is.
  const HANDLE opened = ::CreateFileW(path, FILE_LIST_DIRECTORY | FILE_TRAVERSE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const Handle base(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
  if (!base) return false;
  FolderSecurity security;
  if (!security.Build()) return false;
  FolderSecurityCheck check = check_;
  if (!check && !KeepsSecurity(base.get(), security.Descriptor())) check = AcceptAfterTheOtherChecks;
  const Handle tidewell(OpenFolder(base.get(), L"Tidewell", security.Descriptor(), check));
  if (!tidewell) return false;
  Handle crashes(OpenFolder(tidewell.get(), L"Crashes", security.Descriptor(), check));
  if (!crashes || !Append(L"\\Tidewell\\Crashes", path, MAX_PATH)) return false;
  folder_ = std::move(crashes);
  Copy(path, path_, MAX_PATH);
  return true;
}

HANDLE ReportFolder::CreateReportFile(const wchar_t* fileName) {
  if (!folder_ || !IsPlainName(fileName)) return INVALID_HANDLE_VALUE;
  const HANDLE file = OpenRelative(folder_.get(), fileName, GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, FILE_CREATE,
                                   FILE_NON_DIRECTORY_FILE);
  if (!file) return INVALID_HANDLE_VALUE;
  Identity made;
  if (Identify(file, made) && IsPlain(made.attributes, false)) return file;
  ::CloseHandle(file);
  return INVALID_HANDLE_VALUE;
}

void ReportFolder::Prune(std::size_t keep) {
  if (!folder_) return;
  // Only plain files count as reports: a folder or a link named like one is left
  // alone and must not push a real report out.
  ReportStems stems;
  ForEachEntry(folder_.get(), nullptr, [&](const FILE_ID_BOTH_DIR_INFO& entry, const wchar_t* name) {
    if (IsPlain(entry.FileAttributes, false)) stems.Add(name);
  });
  const std::size_t old = stems.SortAndCountOld(keep);
  if (old == 0) return;
  ForEachEntry(folder_.get(), nullptr, [&](const FILE_ID_BOTH_DIR_INFO& entry, const wchar_t* name) {
    if (!IsPlain(entry.FileAttributes, false)) return;
    bool isOld = false;
    for (std::size_t i = 0; i < old && !isOld; ++i) isOld = NamesReportOf(name, stems[i]);
    if (!isOld) return;
    // Deleted through the handle that was checked: the listed entry itself, a plain
    // file, never what a name might lead to by the time of a delete by name.
    const HANDLE file = OpenRelative(folder_.get(), name, DELETE | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                                     FILE_NON_DIRECTORY_FILE);
    if (!file) return;
    Identity found;
    if (Identify(file, found) && IsPlain(found.attributes, false) &&
        found.fileId == ULONGLONG(entry.FileId.QuadPart)) {
      FILE_DISPOSITION_INFO disposition{TRUE};
      ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
    }
    ::CloseHandle(file);
  });
}

}  // namespace zeph::crash
