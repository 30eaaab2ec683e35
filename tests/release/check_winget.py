#!/usr/bin/env python3
"""Checks a release's winget manifests offline against the rules of the winget
manifest schema 1.6.0 that matter here (required fields, allowed fields, value
patterns and enumerations, one schema version) and against the release itself (each
InstallerSha256 is its package's, each ProductCode the one in its package, every
InstallerUrl under the download root). Prints one line per fault; exit 1 on any.

    check_winget.py RELEASE_DIR DOWNLOAD_ROOT
"""
import hashlib
import os
import re
import subprocess
import sys

import yaml

SCHEMA = "1.6.0"
IDENTIFIER = re.compile(r'^[^.\s\\/:*?"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?"<>|\x01-\x1f]{1,32}){1,7}$')
VERSION = re.compile(r'^[^\\/:*?"<>|\x01-\x1f]{1,128}$')
URL = re.compile(r"^https?://\S+$")
SHA256 = re.compile(r"^[A-F0-9]{64}$")  # winget-pkgs takes upper case only
GUID = re.compile(r"^\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}$")
OS_VERSION = re.compile(r"^(0|[1-9]\d{0,4})(\.(0|[1-9]\d{0,4})){0,3}$")

COMMON = {"PackageIdentifier", "PackageVersion", "ManifestType", "ManifestVersion"}
# Per manifest type: the fields it must have, and all it may have (of those we use or
# may come to use; the schema rejects any other).
RULES = {
    "version": (COMMON | {"DefaultLocale"}, COMMON | {"DefaultLocale"}),
    "defaultLocale": (
        COMMON | {"PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"},
        COMMON | {"PackageLocale", "Publisher", "PublisherUrl", "PublisherSupportUrl", "PrivacyUrl", "Author",
                  "PackageName", "PackageUrl", "License", "LicenseUrl", "Copyright", "CopyrightUrl",
                  "ShortDescription", "Description", "Moniker", "Tags", "ReleaseNotes", "ReleaseNotesUrl"}),
    "installer": (
        COMMON | {"Installers"},
        COMMON | {"MinimumOSVersion", "InstallerType", "Scope", "InstallModes", "InstallerSwitches",
                  "UpgradeBehavior", "ElevationRequirement", "InstallerLocale", "Platform", "ProductCode",
                  "ReleaseDate", "AppsAndFeaturesEntries", "Installers"}),
}
INSTALLER_FIELDS = {"Architecture", "InstallerUrl", "InstallerSha256", "ProductCode", "InstallerType", "Scope",
                    "InstallerSwitches", "UpgradeBehavior", "InstallModes", "AppsAndFeaturesEntries"}
ENUMS = {
    "Architecture": {"x86", "x64", "arm", "arm64", "neutral"},
    "InstallerType": {"msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa", "portable"},
    "Scope": {"user", "machine"},
    "UpgradeBehavior": {"install", "uninstallPrevious", "deny"},
    "ElevationRequirement": {"requireAdmin", "elevationProhibited", "elevatesSelf"},
}
SWITCHES = {"Silent", "SilentWithProgress", "Interactive", "InstallLocation", "Log", "Upgrade", "Custom"}
MODES = {"interactive", "silent", "silentWithProgress"}
LENGTHS = {"Publisher": (2, 256), "PackageName": (2, 256), "License": (3, 512), "ShortDescription": (3, 256),
           "Description": (3, 10000), "Moniker": (1, 40)}


def product_code(msi):
    table = subprocess.run(["msiinfo", "export", msi, "Property"], capture_output=True, text=True, check=True).stdout
    for line in table.splitlines():
        name, _, value = line.rstrip("\r").partition("\t")
        if name == "ProductCode":
            return value
    return None


def check(release, download_root):
    faults = []
    folder = os.path.join(release, "winget")
    manifests = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            text = f.read()
        if "winget-manifest." not in text.splitlines()[0] or SCHEMA not in text.splitlines()[0]:
            faults.append(f"{name}: no schema {SCHEMA} line")
        data = yaml.safe_load(text)
        kind = data.get("ManifestType")
        if kind not in RULES:
            faults.append(f"{name}: ManifestType {kind!r}")
            continue
        if kind in manifests:
            faults.append(f"{name}: a second {kind} manifest")
        manifests[kind] = (name, data)
        required, allowed = RULES[kind]
        faults += [f"{name}: {field} is missing" for field in sorted(required - data.keys())]
        faults += [f"{name}: {field} is not a {kind} field" for field in sorted(data.keys() - allowed)]
        if data.get("ManifestVersion") != SCHEMA:
            faults.append(f"{name}: ManifestVersion {data.get('ManifestVersion')!r}, not {SCHEMA}")
        if not IDENTIFIER.match(str(data.get("PackageIdentifier", ""))):
            faults.append(f"{name}: PackageIdentifier {data.get('PackageIdentifier')!r}")
        if not VERSION.match(str(data.get("PackageVersion", ""))):
            faults.append(f"{name}: PackageVersion {data.get('PackageVersion')!r}")
        expected = f"{data.get('PackageIdentifier')}{'' if kind == 'version' else '.installer' if kind == 'installer' else '.locale.' + str(data.get('PackageLocale'))}.yaml"
        if name != expected:
            faults.append(f"{name}: should be named {expected}")
        for field, (low, high) in LENGTHS.items():
            if field in data and not low <= len(str(data[field])) <= high:
                faults.append(f"{name}: {field} has {len(str(data[field]))} characters")
        for field in ("PublisherUrl", "PackageUrl", "LicenseUrl"):
            if field in data and not URL.match(str(data[field])):
                faults.append(f"{name}: {field} {data[field]!r} is not a web address")
    missing = sorted(RULES.keys() - manifests.keys())
    faults += [f"no {kind} manifest" for kind in missing]
    if missing:
        return faults

    ids = {(m[1]["PackageIdentifier"], str(m[1]["PackageVersion"])) for m in manifests.values()}
    if len(ids) != 1:
        faults.append(f"the manifests name different packages: {sorted(ids)}")
    if manifests["version"][1].get("DefaultLocale") != manifests["defaultLocale"][1].get("PackageLocale"):
        faults.append("DefaultLocale is not the locale manifest's PackageLocale")

    name, installer = manifests["installer"]
    for field in ENUMS:
        if field in installer and installer[field] not in ENUMS[field]:
            faults.append(f"{name}: {field} {installer[field]!r}")
    if not OS_VERSION.match(str(installer.get("MinimumOSVersion", "0"))):
        faults.append(f"{name}: MinimumOSVersion {installer.get('MinimumOSVersion')!r}")
    entries = installer.get("Installers") or []
    if not entries:
        faults.append(f"{name}: no installers")
    seen = set()
    for i, entry in enumerate(entries):
        where = f"{name}: installer {i + 1}"
        faults += [f"{where}: {field} is not an installer field" for field in sorted(entry.keys() - INSTALLER_FIELDS)]
        merged = {**{k: v for k, v in installer.items() if k != "Installers"}, **entry}
        for field in ("Architecture", "InstallerUrl", "InstallerSha256", "InstallerType"):
            if field not in merged:
                faults.append(f"{where}: {field} is missing")
        for field in ENUMS:
            if field in merged and merged[field] not in ENUMS[field]:
                faults.append(f"{where}: {field} {merged[field]!r}")
        key = (merged.get("Architecture"), merged.get("Scope"))
        if key in seen:
            faults.append(f"{where}: a second installer for {key}")
        seen.add(key)
        switches = merged.get("InstallerSwitches") or {}
        faults += [f"{where}: unknown switch {s}" for s in sorted(switches.keys() - SWITCHES)]
        faults += [f"{where}: install mode {m!r}" for m in merged.get("InstallModes", []) if m not in MODES]
        url, sha = str(merged.get("InstallerUrl", "")), str(merged.get("InstallerSha256", ""))
        if not URL.match(url) or not url.startswith(download_root.rstrip("/") + "/"):
            faults.append(f"{where}: InstallerUrl {url!r} is not under {download_root}")
            continue
        if not SHA256.match(sha):
            faults.append(f"{where}: InstallerSha256 {sha!r} is not 64 upper-case hex digits")
        package = os.path.join(release, url.rsplit("/", 1)[1])
        if not os.path.isfile(package):
            faults.append(f"{where}: {url} is no file of the release")
            continue
        actual = hashlib.sha256(open(package, "rb").read()).hexdigest().upper()
        if sha.upper() != actual:
            faults.append(f"{where}: InstallerSha256 is not the package's ({actual})")
        code = str(merged.get("ProductCode", ""))
        if merged.get("InstallerType") in ("msi", "wix"):
            if not GUID.match(code):
                faults.append(f"{where}: ProductCode {code!r} is not a GUID in braces")
            elif code != product_code(package):
                faults.append(f"{where}: ProductCode {code} is not the package's ({product_code(package)})")
    return faults


if __name__ == "__main__":
    found = check(sys.argv[1], sys.argv[2])
    for fault in found:
        print(fault)
    sys.exit(1 if found else 0)
