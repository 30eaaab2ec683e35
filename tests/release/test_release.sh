#!/usr/bin/env bash
# The release, end to end, with a throw-away key made at test time (test_key.sh) and
# a time-stamp server on 127.0.0.1 (tsa_server.py): scripts/release --from-builds
# from the win32 and win64 builds as they are (no reproducibility rebuild), then
#  - every file's signature verifies with osslsigncode against the test CA: SHA-256,
#    the product name and page, a time stamp; the packages' exe and custom-action DLL
#    are signed too; a one-byte change, or another CA's key, is rejected
#  - under Wine, with the CA trusted in this test's prefix only, WinVerifyTrust
#    (twtrust.exe) accepts the signed exes, DLLs and packages and rejects unsigned
#    files and changed exes
#  - the builds' exes are untouched, and each signed exe is its build's exe plus a
#    signature: the reproducibility check compares what is signed
#  - SHA256SUMS and the winget manifests match the files (check_winget.py), and the
#    check rejects broken manifests
#  - neither the password nor the key's path shows in any log or output, nor the
#    password on osslsigncode's command line or in its environment
# Prints "release: N passed, N failed".
#
#   tests/release/test_release.sh   (needs build/win32 and build/win64, with tests)
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
source tests/e2e/lib.sh
source tests/release/test_key.sh
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY

RUN=$(mktemp -d /tmp/tidewell-release-test.XXXXXX)
TW_RUN_DIR=$RUN TW_PREFIXES=() TW_LEFTOVERS=0
cleanup() {
  [ -n "${tsa_pid:-}" ] && kill "$tsa_pid" 2> /dev/null
  tw_harness_stop
  rm -rf "$RUN"
}
trap cleanup EXIT
OUT=$ROOT/build/release
DOWNLOAD=https://downloads.tidewell.test/releases
T0=$(date +%s)

passed=0 failed=0
check() {  # NAME CMD...: one case
  local name=$1; shift
  if "$@" > "$RUN/case.log" 2>&1; then
    passed=$((passed + 1)); echo "ok      $name"
  else
    failed=$((failed + 1)); echo "FAILED  $name"; tail -n 15 "$RUN/case.log" | sed 's/^/    /'
  fi
  { echo "---- $name"; cat "$RUN/case.log"; } >> "$RUN/checks.log"
}
fails() { ! "$@"; }
winpath() { printf 'Z:%s\n' "${1//\//\\}"; }
flip_middle_byte() {  # FILE COPY: COPY is FILE with one byte changed
  cp "$1" "$2"
  local at=$(( $(stat -c %s "$1") / 2 )) byte
  byte=$(od -An -tu1 -j "$at" -N1 "$1" | tr -d ' ')
  printf "\\$(printf '%03o' $(( byte ^ 0x20 )))" | dd of="$2" bs=1 seek="$at" conv=notrunc status=none
}

# --- The key, the time-stamp server, and osslsigncode seen from outside ------------------
tw_test_signing_key "$RUN/key" || { echo "release: 0 passed, 1 failed"; exit 1; }
(tw_test_signing_key "$RUN/rogue") || exit 1
python3 tests/release/tsa_server.py "$RUN/key/tsa.cnf" "$RUN/key/tsa.pem" "$RUN/key/tsa.key" "$RUN/tsa.port" \
  2> "$RUN/tsa.log" &
tsa_pid=$!
tw_poll 10 test -s "$RUN/tsa.port" || { echo "the time-stamp server did not start"; exit 1; }
export TIDEWELL_SIGN_TIMESTAMP_URL=http://127.0.0.1:$(cat "$RUN/tsa.port")
export TIDEWELL_DOWNLOAD_ROOT=$DOWNLOAD
# Every osslsigncode call records its command line and environment (not a log: where
# a password must never be).
mkdir -p "$RUN/shim" "$RUN/tmp"
real=$(command -v osslsigncode)
printf '#!/bin/sh\n{ echo "argv: $*"; env; } >> "%s/osslsigncode-calls"\nexec "%s" "$@"\n' "$RUN" "$real" \
  > "$RUN/shim/osslsigncode"
chmod +x "$RUN/shim/osslsigncode"

# --- The release ---------------------------------------------------------------------------
declare -A build=([x64]=build/win64 [x86]=build/win32)
before=$(sha256sum build/win64/app/tidewell.exe build/win32/app/tidewell.exe)
PATH=$RUN/shim:$PATH TMPDIR=$RUN/tmp scripts/release --from-builds > "$RUN/release.log" 2>&1
release_status=$?
check "scripts/release --from-builds succeeds" test "$release_status" -eq 0
[ "$release_status" -eq 0 ] || { tail -n 30 "$RUN/release.log"; echo "release: $passed passed, $failed failed"; exit 1; }
version=$(sed -n 's/^release: Tidewell \([^ ]*\) in .*/\1/p' "$RUN/release.log")
web_root=$(sed -n 's/^TIDEWELL_WEB_ROOT:[A-Z]*=//p' build/win64/CMakeCache.txt)
msis=("$OUT/Tidewell-$version-x64.msi" "$OUT/Tidewell-$version-x86.msi")
exes=("$OUT/tidewell-$version-x64.exe" "$OUT/tidewell-$version-x86.exe")

check "the builds' exes are untouched" test "$before" = "$(sha256sum build/win64/app/tidewell.exe build/win32/app/tidewell.exe)"
for arch in x64 x86; do
  unsigned_is_build() {
    osslsigncode remove-signature -in "$OUT/tidewell-$version-$arch.exe" -out "$RUN/unsigned-$arch.exe" &&
      cmp "$RUN/unsigned-$arch.exe" "${build[$arch]}/app/tidewell.exe"
  }
  check "the signed $arch exe is the build's plus its signature" unsigned_is_build
  # What Windows Installer takes out of the package.
  mkdir -p "$RUN/contents-$arch"
  (cd "$RUN/contents-$arch" && msiextract "$OUT/Tidewell-$version-$arch.msi" > /dev/null)
  msiinfo extract "$OUT/Tidewell-$version-$arch.msi" Binary.TidewellActions > "$RUN/contents-$arch/custom_actions.dll"
done
inner=("$RUN/contents-x64/custom_actions.dll" "$RUN/contents-x86/custom_actions.dll"
       "$(find "$RUN/contents-x64" -name tidewell.exe)" "$(find "$RUN/contents-x86" -name tidewell.exe)")
check "the packages hold the signed exes" cmp "${inner[2]}" "${exes[0]}"

# --- osslsigncode ------------------------------------------------------------------------
# A signature as a user's Windows shows it: valid against the test CA, SHA-256, the
# product's name and page, time-stamped by the test server.
sound_signature() {
  local log=$RUN/verify-$(basename "$1").log
  osslsigncode verify -CAfile "$TIDEWELL_SIGN_CAFILE" -TSA-CAfile "$TIDEWELL_SIGN_CAFILE" -in "$1" > "$log" 2>&1
  grep -q '^Signature verification: ok' "$log" && grep -q '^Message digest algorithm *: SHA256' "$log" &&
    grep -q 'Text description: Tidewell$' "$log" && grep -q "URL description: $web_root/tidewell\$" "$log" &&
    grep -q '^Timestamp Server Signature verification: ok' "$log" && grep -q 'Subject: /CN=Quillmere Test Signing' "$log"
}
for file in "${msis[@]}" "${exes[@]}" "${inner[@]}"; do
  check "osslsigncode: $(sed "s|^$RUN/||; s|^$OUT/||" <<<"$file") is soundly signed" sound_signature "$file"
done
for file in "${msis[@]}" "${exes[@]}"; do
  flip_middle_byte "$file" "$RUN/changed-$(basename "$file")"
  check "osslsigncode: $(basename "$file") with one byte changed is rejected" \
    fails osslsigncode verify -CAfile "$TIDEWELL_SIGN_CAFILE" -in "$RUN/changed-$(basename "$file")"
done
rogue_signed() {
  cp "${exes[0]}" "$RUN/rogue.exe"
  TIDEWELL_SIGN_PKCS12=$RUN/rogue/sign.p12 TIDEWELL_SIGN_PASSWORD=$(cat "$RUN/rogue/password") \
    scripts/sign sign --url "$web_root/tidewell" "$RUN/rogue.exe" > "$RUN/rogue-sign.log" 2>&1 &&
    fails scripts/sign verify "$RUN/rogue.exe"
}
check "scripts/sign verify: a file signed with another CA's key is rejected" rogue_signed
# Without a time-stamp server the signature has none: "verify" accepts it, unless a
# time stamp is asked for.
unstamped() {
  cp "${build[x64]}/app/tidewell.exe" "$RUN/unstamped.exe"
  env -u TIDEWELL_SIGN_TIMESTAMP_URL scripts/sign sign --url "$web_root/tidewell" "$RUN/unstamped.exe" &&
    env -u TIDEWELL_SIGN_TIMESTAMP_URL scripts/sign verify "$RUN/unstamped.exe" | grep -q 'no time stamp$' &&
    fails scripts/sign verify "$RUN/unstamped.exe"
}
check "scripts/sign verify: no time stamp is accepted only when none is asked for" unstamped
check "scripts/sign verify: the release's files verify" scripts/sign verify "${msis[@]}" "${exes[@]}" "${inner[@]}"
check "scripts/sign: a wrong password fails" fails env TIDEWELL_SIGN_PASSWORD=wrong TMPDIR="$RUN/tmp" \
  scripts/sign sign --url "$web_root/tidewell" "$RUN/rogue.exe"

# --- WinVerifyTrust under Wine --------------------------------------------------------------
# Wine 8 checks a PE file's digest against its signature, but it neither checks the
# chain's root (a self-signed signature passes) nor an .msi's digest (its SIP finds the
# signature; "Cannot verify hash" for it): a changed package is osslsigncode's to catch.
tw_prefix_new release > /dev/null
trust() { tw_wine build/win64/tests/winprobe/twtrust.exe "$@" 2> /dev/null | tr -d '\r'; }
check "Wine: the test CA goes into this prefix's root store" \
  tw_wine build/win64/update/update_testhelper.exe trust-ca "$(winpath "$RUN/key/ca.der")"
wine_files=()
for file in "${exes[@]}" "${inner[@]}" "${msis[@]}"; do wine_files+=("$(winpath "$file")"); done
check "Wine: WinVerifyTrust accepts the signed exes, DLLs and packages" trust "${wine_files[@]}"
scripts/package --from build/win64 --out "$RUN/unsigned" x64 > /dev/null
for file in "$RUN/changed-tidewell-$version-x64.exe" "$RUN/changed-tidewell-$version-x86.exe" \
            build/win64/app/tidewell.exe "$RUN/unsigned/Tidewell-$version-x64.msi"; do
  check "Wine: WinVerifyTrust rejects ${file##*/} ($([[ $file == */changed-* ]] && echo "one byte changed" || echo unsigned))" \
    fails trust "$(winpath "$(realpath "$file")")"
done

# --- Checksums and winget manifests -------------------------------------------------------
check "SHA256SUMS covers the four files and matches them" \
  bash -c "cd '$OUT' && [ \$(wc -l < SHA256SUMS) -eq 4 ] && sha256sum --strict -c SHA256SUMS"
check "winget manifests follow the rules and match the packages" python3 tests/release/check_winget.py "$OUT" "$DOWNLOAD"
other_hash=$(sed -n "s/^\([0-9a-f]*\)  Tidewell-$version-x86.msi/\1/p" "$OUT/SHA256SUMS" | tr a-f A-F)
other_code=$(grep -A3 'Architecture: x86' "$OUT/winget/Quillmere.Tidewell.installer.yaml" | sed -n "s/.*ProductCode: //p")
while IFS='|' read -r what file edit; do
  rm -rf "$RUN/mutant"; cp -r "$OUT" "$RUN/mutant"
  sed -i "$edit" "$RUN/mutant/winget/Quillmere.Tidewell$file.yaml"
  check "winget check rejects: $what" fails python3 tests/release/check_winget.py "$RUN/mutant" "$DOWNLOAD"
done <<EOF
another schema version|| s/^ManifestVersion: .*/ManifestVersion: 1.5.0/
no ShortDescription|.locale.en-US| /^ShortDescription:/d
a misspelt field|.installer| s/^UpgradeBehavior:/UpgradeBehaviour:/
a lower-case hash|.installer| 0,/InstallerSha256:/s/\(InstallerSha256: \)\(.*\)/\1\L\2/
the other package's hash|.installer| 0,/InstallerSha256:/s/\(InstallerSha256: \).*/\1$other_hash/
the other package's product code|.installer| 0,/ProductCode:/s/\(ProductCode: \).*/\1$other_code/
EOF

# --- Secrets --------------------------------------------------------------------------------
no_secret_in_logs() {
  ! grep -r -a -l -F -e "$TIDEWELL_SIGN_PASSWORD" -e "$TIDEWELL_SIGN_PKCS12" \
      "$RUN"/*.log "$OUT" build/win64/CMakeCache.txt
}
check "no password or key path in any log or in build/release" no_secret_in_logs
check "no password on osslsigncode's command line or in its environment" \
  fails grep -a -q -F "$TIDEWELL_SIGN_PASSWORD" "$RUN/osslsigncode-calls"
check "scripts/sign leaves no private files behind" test -z "$(ls -A "$RUN/tmp")"

echo "release test: $(( $(date +%s) - T0 )) s"
echo "release: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
