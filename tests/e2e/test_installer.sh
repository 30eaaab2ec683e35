# The x64 Windows Installer package as an administrator deploys it, silently:
# "msiexec /i /qn" puts the exe into Program Files, adds one Start-menu shortcut and
# the Programs and Features entry, and starts the program with its window ("/inst").
# A package of a higher version upgrades in place: the running copy is closed as at
# the end of a log-on, which leaves the log-on task as the user had it (no "/uninst"
# is started, so no task-removal request reaches it), the files are replaced, and the
# new version starts plainly, without "/inst" (it finds the task itself): one entry,
# one running copy, the new file version, the user's settings untouched. The lower
# version is then refused. "msiexec /x /qn" asks the running copy to quit through
# "/uninst", removes the files, the shortcut, the entry and a left-over log-on task,
# and leaves the settings key. An uninstall with no copy running ends promptly and
# starts nothing. (Wine's scheduler never holds the program's own task: it refuses the
# task's run level. What the package starts is read from its log and from /proc.)
#
# The higher version is a real build of the same sources with the CMake cache
# variable TIDEWELL_VERSION_OVERRIDE, in build/win64-upgrade-test (only the tidewell
# target; incremental after the first run).
set -uo pipefail
CLS=TFrmTidewell
KEY='HKCU\Software\Quillmere\Tidewell'
UNINSTALL='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
DIR="$WINEPREFIX/drive_c/Program Files/Tidewell"
PKG=$TW_RUN_DIR/installer-packages
# Windows puts a per-machine package's shortcut in the all-users Start menu; Wine's
# msiexec puts it in the user's. Either counts, and both must be empty at the end.
SHORTCUTS=("$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tidewell.lnk"
           "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tidewell.lnk")
TASK="$WINEPREFIX/drive_c/windows/system32/tasks/TidewellTaskMachine"

fail() { echo "FAIL: $*"; [ -n "${TW_SHOTS:-}" ] && tw_shot "$TW_SHOTS/installer-failed.png"; exit 1; }
probe() { tw_wine "$TW_PROBE" "$@" | tr -d '\r'; }
text_of() { probe control $CLS "$1" | cut -f9; }
ms_since() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
T0=$(date +%s%N)
say() { echo "[$(ms_since "$T0") ms] $*"; }
# Windows' name of a file of this machine: Wine's drive Z: is /.
winpath() { printf 'Z:%s\n' "${1//\//\\}"; }

# The version block of an exe: "major.minor.patch.tweak".
exe_version() {
  python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
key = data.find("VS_VERSION_INFO".encode("utf-16-le"))
at = data.find(struct.pack("<I", 0xFEEF04BD), key) if key >= 0 else -1
ms, ls = struct.unpack_from("<II", data, at + 8) if at >= 0 else (0, 0)
print(f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}")
EOF
}

# msiexec with a verbose log; its exit status is Windows' (1603 shows as 1603 & 255).
# LC_ALL reaches the program the package starts: its version line reads "ver: …".
msi() {  # LOG ARGS...
  local log=$TW_RUN_DIR/installer-$1.log
  shift
  LC_ALL=C.UTF-8 TW_WINE_TIMEOUT=90 tw_wine msiexec "$@" /l*v "$(winpath "$log")" > /dev/null 2>&1
}
# The package's own lines in an msiexec log, without Windows line ends.
own_lines() { grep -a 'Tidewell: ' "$TW_RUN_DIR/installer-$1.log" | tr -d '\r'; }
cmdline_of() { tr '\0' ' ' < "/proc/$1/cmdline" | sed 's/ *$//'; }
show_log() { grep -a -E 'Tidewell:|Return value 3|^Action (start|ended).*(Tidewell|RemoveExisting|LaunchConditions)' \
               "$TW_RUN_DIR/installer-$1.log" | tail -n 20; }

# tidewell.exe processes of this test's prefix (other Wine runs may share the machine),
# not counting a copy's crash watcher.
copies() {
  local mine
  mine=$(grep -l -s -z -x "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ | sed 's|/environ$|/cmdline|')
  [ -n "$mine" ] || return 0
  grep -l -s -z -i 'tidewell\.exe' $mine | xargs -r grep -L -s -z -- '/crash-watcher:' | sed 's|^/proc/||; s|/cmdline$||'
}
one_copy() { [ "$(copies | wc -l)" -eq 1 ]; }
no_copy() { [ -z "$(copies)" ]; }

# The Programs and Features entries named "Tidewell", one registry key per line.
entries() {
  tw_wine reg query "$UNINSTALL" /s 2> /dev/null | tr -d '\r' | awk '
    /^HKEY_/ { key = $0; next }
    $1 == "DisplayName" && $2 == "REG_SZ" { if (substr($0, index($0, "REG_SZ") + 10) == "Tidewell") print key }'
}
values_of() {  # KEY: one "NAME<tab>DATA" line per value
  tw_wine reg query "$1" 2> /dev/null | tr -d '\r' |
    awk '/^    [^ ]/ { name = $1; sub(/^ *[^ ]+ +[^ ]+ */, ""); print name "\t" $0 }'
}
value_of() { values_of "$1" | awk -F'\t' -v n="$2" '$1 == n { print $2 }'; }  # KEY NAME
shortcut_exists() { local s; for s in "${SHORTCUTS[@]}"; do [ -f "$s" ] && return 0; done; return 1; }

# One entry, of this version, with what Programs and Features shows and needs.
expect_entry() {  # VERSION
  local keys key values code icon
  keys=$(entries)
  [ "$(grep -c . <<< "$keys")" -eq 1 ] || fail "$(grep -c . <<< "$keys") uninstall entries: $keys"
  key=$keys
  values=$(values_of "$key")
  field() { awk -F'\t' -v n="$1" '$1 == n { print $2 }' <<< "$values"; }
  [ "$(field DisplayVersion)" = "$1" ] || fail "the entry shows version '$(field DisplayVersion)'"
  [ "$(field Publisher)" = Quillmere ] || fail "the entry's publisher is '$(field Publisher)'"
  field UninstallString | grep -qi '^MsiExec.exe /X{' || fail "no MsiExec uninstall command in the entry"
  [ "$(field InstallLocation)" = 'C:\Program Files\Tidewell\' ] ||
    fail "the entry's install location is '$(field InstallLocation)'"
  # Its icon: published with the product, a file that exists.
  code=${key##*\\}
  icon=$(tw_wine reg query 'HKLM\Software\Classes\Installer\Products' /s 2> /dev/null | tr -d '\r' |
         awk '$1 == "ProductIcon" { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }' | grep -F "$code" | head -n1)
  [ -n "$(find "$WINEPREFIX/drive_c/windows" -maxdepth 3 -ipath "*/installer/$code/tidewell.ico")" ] ||
    fail "no product icon for $code ('$icon')"
  say "entry $code: version $1, icon $icon"
}

# --- The packages: this build, and the same sources one version higher ---------------
v1=$(exe_version "$TW_EXE")
IFS=. read -r major minor patch tweak <<< "$v1"
v2=$major.$minor.$((patch + 1)).$tweak  # Windows Installer compares the first three fields
NEXT=$TW_ROOT/build/win64-upgrade-test
t0=$(date +%s%N)
cmake --preset win64 -B "$NEXT" -DTIDEWELL_VERSION_OVERRIDE="$v2" -DTIDEWELL_TESTS=OFF > /dev/null ||
  fail "cannot configure the version $v2 build"
cmake --build "$NEXT" --target tidewell > "$TW_RUN_DIR/installer-build.log" 2>&1 ||
  { tail -n 20 "$TW_RUN_DIR/installer-build.log"; fail "cannot build version $v2"; }
[ "$(exe_version "$NEXT/app/tidewell.exe")" = "$v2" ] || fail "the $v2 build says $(exe_version "$NEXT/app/tidewell.exe")"
# Version v1 is installed as it is released: its exe, its custom-action DLL and the
# package signed (a key made for this test; the password stays in the subshell).
SIGNED_EXE=$PKG/signed/tidewell.exe
( source "$TW_ROOT/tests/release/test_key.sh" && tw_test_signing_key "$TW_RUN_DIR/signing-key" &&
  mkdir -p "$PKG/signed" && cp "$TW_EXE" "$SIGNED_EXE" &&
  "$TW_ROOT/scripts/sign" sign --url https://tidewell.test/tidewell "$SIGNED_EXE" &&
  "$TW_ROOT/scripts/package" --from "$TW_BUILD" --exe "$SIGNED_EXE" --sign --out "$PKG" x64 ) 2>&1 ||
  fail "cannot package version $v1, signed"
"$TW_ROOT/scripts/package" --from "$NEXT" --out "$PKG" x64 || fail "cannot package version $v2"
msi1=$(winpath "$PKG/Tidewell-$v1-x64.msi")
msi2=$(winpath "$PKG/Tidewell-$v2-x64.msi")
say "packages $v1 and $v2 ready after $(ms_since "$t0") ms"

# --- Install -------------------------------------------------------------------------
t0=$(date +%s%N)
msi install /i "$msi1" /qn || { rc=$?; show_log install; fail "the install ended with $rc"; }
say "install: $(ms_since "$t0") ms"
grep -a -q -F 'Tidewell: started "C:\Program Files\Tidewell\tidewell.exe" /inst' "$TW_RUN_DIR/installer-install.log" ||
  { show_log install; fail "the install did not start the installed exe with /inst"; }
[ -f "$DIR/tidewell.exe" ] || fail "no C:\\Program Files\\Tidewell\\tidewell.exe"
[ "$(exe_version "$DIR/tidewell.exe")" = "$v1" ] || fail "the installed exe is $(exe_version "$DIR/tidewell.exe")"
cmp -s "$DIR/tidewell.exe" "$SIGNED_EXE" || fail "the installed exe is not the signed one"
shortcut_exists || fail "no Start-menu shortcut"
expect_entry "$v1"
probe wait 20000 shown $CLS || { show_log install; fail "the installed program's window did not appear"; }
tw_poll 10 one_copy || fail "running copies after the install: $(copies | wc -l)"
first=$(copies)
tr '\0' ' ' < "/proc/$first/cmdline" | grep -q 'Program Files\\Tidewell\\tidewell.exe /inst' ||
  fail "the running copy is '$(tr '\0' ' ' < "/proc/$first/cmdline")', not the installed exe with /inst"
[ "$(text_of EditInfo)" = "ver: ${v1%.*}" ] || fail "version line is '$(text_of EditInfo)'"
# A setting of the user's, changed as the user does: it must survive everything below.
probe click $CLS BtnConfig > /dev/null
probe click $CLS ChkCleanOnTray || fail "no ChkCleanOnTray"
probe wait 5000 checked $CLS ChkCleanOnTray 1 || fail "ChkCleanOnTray did not become checked"
setting() { [ "$(value_of "$KEY" cleanontray)" = 0x1 ]; }
tw_poll 10 setting || fail "the setting was not stored"
tw_shot "$TW_SHOTS/installer-installed.png"

# --- Upgrade in place -----------------------------------------------------------------
t0=$(date +%s%N)
msi upgrade /i "$msi2" /qn || { rc=$?; show_log upgrade; fail "the upgrade ended with $rc"; }
say "upgrade: $(ms_since "$t0") ms"
# The old copy ends as at a log-off, without a task-removal request; the new one is
# started without "/inst", which would turn autostart on for a user who had turned it off.
! own_lines upgrade | grep -q -E 'started .*/(un)?inst' ||
  { show_log upgrade; fail "the upgrade started /uninst or /inst: $(own_lines upgrade | grep started)"; }
own_lines upgrade | grep -q 'asked the running copy to close as at the end of a log-on' &&
  own_lines upgrade | grep -q 'the running copy has ended' ||
  { show_log upgrade; fail "the upgrade did not close the old copy as at the end of a log-on"; }
own_lines upgrade | grep -q -x -F 'Tidewell: started "C:\Program Files\Tidewell\tidewell.exe"' ||
  { show_log upgrade; fail "the upgrade did not start the new version plainly"; }
# The Windows process has ended when the action logs it; Wine's Linux process behind
# it may take a moment longer to go.
ended() { [ ! -e "/proc/$1" ] || grep -q '^[0-9]* (.*) [ZX] ' "/proc/$1/stat"; }  # PID
tw_poll 10 ended "$first" || fail "the old copy still runs after the upgrade"
[ "$(exe_version "$DIR/tidewell.exe")" = "$v2" ] || fail "the upgraded exe is $(exe_version "$DIR/tidewell.exe")"
expect_entry "$v2"
probe wait 20000 shown $CLS || { show_log upgrade; fail "the upgraded program's window did not appear"; }
tw_poll 10 one_copy || fail "running copies after the upgrade: $(copies | wc -l)"
second=$(copies)
[ "$second" != "$first" ] || fail "the old copy's process is still the running one"
[[ "$(cmdline_of "$second")" == *'Program Files\Tidewell\tidewell.exe' ]] ||
  fail "the new copy runs as '$(cmdline_of "$second")', not the installed exe without an argument"
[ "$(text_of EditInfo)" = "ver: ${v2%.*}" ] || fail "version line after the upgrade is '$(text_of EditInfo)'"
probe click $CLS BtnConfig > /dev/null
probe wait 5000 checked $CLS ChkCleanOnTray 1 || fail "the upgrade lost the user's setting"
tw_shot "$TW_SHOTS/installer-upgraded.png"

# --- Downgrade: refused, nothing touched ------------------------------------------------
msi downgrade /i "$msi1" /qn
rc=$?
[ "$rc" -eq $((1603 & 255)) ] || { show_log downgrade; fail "the downgrade ended with $rc, not 1603"; }
[ "$(exe_version "$DIR/tidewell.exe")" = "$v2" ] || fail "the refused downgrade changed the exe"
expect_entry "$v2"
[ "$(copies)" = "$second" ] || fail "the refused downgrade touched the running copy"

# --- Upgrade of a copy in the tray: a rebuilt package of the same version --------------
# It replaces the installed one (a new product code), and the copy, hidden in the tray,
# comes back there: "/start", no window.
"$TW_ROOT/scripts/package" --from "$NEXT" --out "$PKG/rebuilt" x64 || fail "cannot rebuild the $v2 package"
probe post $CLS 0x10 0 0 > /dev/null
probe wait 10000 hidden $CLS || fail "the close box did not hide the window"
msi rebuilt /i "$(winpath "$PKG/rebuilt/Tidewell-$v2-x64.msi")" /qn || {
  rc=$?; show_log rebuilt; fail "the upgrade by a rebuilt package ended with $rc"; }
own_lines rebuilt | grep -q -x -F 'Tidewell: started "C:\Program Files\Tidewell\tidewell.exe" /start' &&
  ! own_lines rebuilt | grep -q -E 'started .*/(un)?inst' ||
  { show_log rebuilt; fail "the copy in the tray was not restarted with /start alone"; }
tw_poll 10 ended "$second" || fail "the replaced copy still runs"
tw_poll 10 one_copy || fail "running copies after the rebuilt upgrade: $(copies | wc -l)"
probe wait 20000 exists $CLS && probe wait 5000 hidden $CLS || fail "the restarted copy is not hidden in the tray"
expect_entry "$v2"

# --- Uninstall while the program runs ---------------------------------------------------
t0=$(date +%s%N)
msi uninstall /x "$msi2" /qn || { rc=$?; show_log uninstall; fail "the uninstall ended with $rc"; }
say "uninstall with a running copy: $(ms_since "$t0") ms"
own_lines uninstall | grep -q -F 'Tidewell: started "C:\Program Files\Tidewell\tidewell.exe" /uninst' &&
  own_lines uninstall | grep -q 'Tidewell: the running copy has ended' ||
  { show_log uninstall; fail "the uninstall did not end the running copy through /uninst"; }
probe wait 5000 gone $CLS || fail "the window outlived the uninstall"
tw_poll 10 no_copy || fail "copies still running after the uninstall: $(copies)"
[ ! -e "$DIR" ] || fail "the install folder is still there: $(ls -A "$DIR")"
! shortcut_exists || fail "the Start-menu shortcut is still there"
[ -z "$(entries)" ] || fail "the uninstall entry is still there: $(entries)"
setting || fail "the uninstall removed the user's settings"

# --- Uninstall with no copy running -----------------------------------------------------
# The program has quit (the end of a log-on), so nothing removes its log-on task but
# the package. Under Wine the program can't register the task (the Task Scheduler has
# no run levels there): one is planted as the program would leave it.
msi reinstall /i "$msi2" /qn || { rc=$?; show_log reinstall; fail "the second install ended with $rc"; }
probe wait 20000 shown $CLS || fail "the reinstalled program's window did not appear"
[ "$(probe send $CLS 0x11 0 0)" = 1 ] || fail "WM_QUERYENDSESSION was not answered 1"
tw_poll 10 no_copy || fail "the program did not end at log-off"
if [ ! -f "$TASK" ]; then
  cat > "$TW_RUN_DIR/task.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>
  <Actions Context="Author"><Exec><Command>C:\Program Files\Tidewell\tidewell.exe</Command><Arguments>/start</Arguments></Exec></Actions>
</Task>
EOF
  tw_wine schtasks /create /tn TidewellTaskMachine /xml "$(winpath "$TW_RUN_DIR/task.xml")" > /dev/null 2>&1
fi
[ -f "$TASK" ] || fail "no log-on task to leave over"
t0=$(date +%s%N)
msi quiet-uninstall /x "$msi2" /qn || {
  rc=$?; show_log quiet-uninstall; fail "the uninstall with no copy running ended with $rc"; }
took=$(ms_since "$t0")
say "uninstall with no copy running: $took ms"
[ "$took" -lt 45000 ] || fail "the uninstall with no copy running took $took ms"
grep -a -q 'Tidewell: no running copy' "$TW_RUN_DIR/installer-quiet-uninstall.log" ||
  { show_log quiet-uninstall; fail "the uninstall did not see that no copy runs"; }
no_copy || fail "the uninstall started a copy: $(copies)"
[ ! -e "$DIR" ] || fail "the install folder is still there"
[ -z "$(entries)" ] || fail "the uninstall entry is still there"
[ ! -e "$TASK" ] || fail "the log-on task outlived the uninstall"
setting || fail "the uninstall removed the user's settings"

# --- A deployment outside an interactive session --------------------------------------
# Deployment tools and remote shells install where no user sees a desktop. Under Wine
# every process shares one session: a window station other than WinSta0 stands for
# that (Windows shows users only WinSta0). The package must start nothing there; a copy
# would run hidden and elevated for the deploying account.
cat > "$TW_RUN_DIR/deploy.c" <<'EOF'
#include <windows.h>
// deploy.exe COMMAND...: runs COMMAND on the desktop of a window station of its own.
int wmain(void) {
  wchar_t* line = GetCommandLineW();
  if (*line == L'"') line = wcschr(line + 1, L'"') + 1;
  while (*line != L'\0' && *line != L' ') line++;
  while (*line == L' ') line++;
  HWINSTA own = GetProcessWindowStation();
  HWINSTA station = CreateWindowStationW(L"TidewellDeploy", 0, WINSTA_ALL_ACCESS, NULL);
  if (station == NULL || !SetProcessWindowStation(station)) return 90;
  HDESK desktop = CreateDesktopW(L"Default", NULL, NULL, 0, GENERIC_ALL, NULL);
  SetProcessWindowStation(own);
  if (desktop == NULL) return 91;
  STARTUPINFOW startup = {.cb = sizeof startup, .lpDesktop = L"TidewellDeploy\\Default"};
  PROCESS_INFORMATION process;
  if (!CreateProcessW(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) return 92;
  DWORD status = 93;
  if (WaitForSingleObject(process.hProcess, 100000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &status);
  return (int)status;
}
EOF
x86_64-w64-mingw32-gcc-posix -municode -O2 -o "$TW_RUN_DIR/deploy.exe" "$TW_RUN_DIR/deploy.c" ||
  fail "cannot build deploy.exe"
LC_ALL=C.UTF-8 TW_WINE_TIMEOUT=110 tw_wine "$TW_RUN_DIR/deploy.exe" msiexec /i "$msi2" /qn \
  /l*v "$(winpath "$TW_RUN_DIR/installer-deploy.log")" > /dev/null 2>&1 ||
  { rc=$?; show_log deploy; fail "the install outside an interactive session ended with $rc"; }
[ "$(exe_version "$DIR/tidewell.exe")" = "$v2" ] || fail "the deployment did not install the exe"
own_lines deploy | grep -q 'not an active interactive session' && ! own_lines deploy | grep -q 'started' ||
  { show_log deploy; fail "the install outside an interactive session did not refrain from starting"; }
no_copy || fail "the install outside an interactive session started a copy: $(cmdline_of "$(copies | head -n1)")"
msi deploy-uninstall /x "$msi2" /qn || { rc=$?; show_log deploy-uninstall; fail "removing the deployment ended with $rc"; }
exit 0
