#pragma once
// The folder the crash reports go to: %ProgramData%\Tidewell\Crashes, which only
// SYSTEM and Administrators can change. The program runs elevated, so a folder the
// user's unelevated programs could change (their profile, or a folder they made
// first) would let them steer its writes and deletes to any file through a junction
// or a link. So the folder is created with a protected descriptor, an existing one is
// used only when it already is as it would have been made, no reparse point is ever
// followed, and the folder stays open from Open() on: it cannot be renamed or swapped
// meanwhile, and every file is opened by its plain name relative to that handle.
//
// Open() runs at start: it reads the registry and allocates. The other functions run
// on the crash path: they take no heap and no lock beyond the file system's.
#include <windows.h>

#include <cstddef>

#include "common/unique_handle.h"

namespace zeph::crash {

// True when an existing folder's security lets no one but SYSTEM and Administrators
// change it (see OnlyAdministratorsCanChange).
using FolderSecurityCheck = bool (*)(HANDLE folder);

// The descriptor the folders are created with, in the object's own storage: owned by
// Administrators, its DACL protected (nothing inherited from ProgramData, which lets
// every user create folders and files), SYSTEM and Administrators full control and
// Users read and execute, each inherited by the files and folders inside.
class FolderSecurity {
 public:
  // False when Windows could not make the well-known SIDs or the ACL.
  bool Build();
  SECURITY_DESCRIPTOR* Descriptor() { return &descriptor_; }

 private:
  alignas(void*) unsigned char system_[SECURITY_MAX_SID_SIZE] = {};
  alignas(void*) unsigned char administrators_[SECURITY_MAX_SID_SIZE] = {};
  alignas(void*) unsigned char users_[SECURITY_MAX_SID_SIZE] = {};
  alignas(void*) unsigned char acl_[256] = {};
  SECURITY_DESCRIPTOR descriptor_ = {};
};

// True when `descriptor` is owned by SYSTEM or Administrators, its DACL is protected,
// and no ACE allows anyone else more than to read and list.
bool OnlyAdministratorsCanChange(PSECURITY_DESCRIPTOR descriptor);
// The same for the open folder `folder` (opened with READ_CONTROL); allocates.
bool OnlyAdministratorsCanChangeFolder(HANDLE folder);

class ReportFolder {
 public:
  // The folder under the machine's ProgramData folder. Constant-initialised: a static
  // one is ready before any code runs (MinGW still writes its 1 KB into the exe).
  constexpr ReportFolder() = default;
  // Tests: the folder under `root` instead, an existing folder judged by `check`.
  ReportFolder(const wchar_t* root, FolderSecurityCheck check);
  ReportFolder(const ReportFolder&) = delete;
  ReportFolder& operator=(const ReportFolder&) = delete;

  // Finds or creates the folder and keeps it open; false: no usable folder (then
  // Path() is "" and nothing is written). Refuses a folder that is a reparse point,
  // not a directory, or whose owner or DACL would let others change it.
  bool Open();
  // "C:\ProgramData\Tidewell\Crashes"; "" until Open succeeded.
  const wchar_t* Path() const { return path_; }
  // A new file `fileName` (a plain name: no separators, no "..", no stream) in the
  // folder, open for writing; never an existing file or a link. INVALID_HANDLE_VALUE
  // on failure. The caller closes it.
  HANDLE CreateReportFile(const wchar_t* fileName);
  // Keeps the newest `keep` reports (tidewell-*.txt and .dmp of one stem go together);
  // other files, folders and links stay. Deletes through the handle of the very file
  // it checked.
  void Prune(std::size_t keep);

 private:
  struct HandleTraits {
    using Value = HANDLE;
    static constexpr Value Invalid() { return nullptr; }
    static void Close(Value handle) { ::CloseHandle(handle); }
  };
  using Handle = UniqueAny<HandleTraits>;

  wchar_t root_[MAX_PATH] = {};  // "": the machine's ProgramData folder
  FolderSecurityCheck check_ = nullptr;  // null: OnlyAdministratorsCanChangeFolder
  wchar_t path_[MAX_PATH] = {};
  Handle folder_;
};

}  // namespace zeph::crash
