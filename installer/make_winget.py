#!/usr/bin/env python3
"""Writes the winget manifest of a release: make_winget.py SETUP OUT_DIR [URL]

SETUP is the signed setup program (Vantrel-<version>-setup.exe); OUT_DIR
gets the three files of a multi-file manifest (version, installer and the
default locale's), named after the package. URL is where the setup program
is downloaded from (by default the maker's site, the setup program's name
after it). The version is taken from the setup program's name.
"""
import hashlib
import os
import re
import sys

PACKAGE = "Brelnix.Vantrel"
PUBLISHER = "Brelnix"
NAME = "Vantrel"
MANIFEST_VERSION = "1.6.0"
DEFAULT_URL = "https://www.brelnix.com/vantrel/"

# The setup program's exit codes (README, "Exit codes of the setup
# program") and the uninstaller's 3010, as winget names them.
RETURN_CODES = [
    (1, "cancelledByUser"),
    (2, "contactSupport"),
    (3, "invalidParameter"),
    (4, "fileInUse"),
    (5, "contactSupport"),
    (740, "blockedByPolicy"),
    (3010, "rebootRequiredToFinish"),
]


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            h.update(block)
    return h.hexdigest().upper()


def quoted(text):
    return "'" + text.replace("'", "''") + "'"


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    setup, out = sys.argv[1], sys.argv[2]
    name = os.path.basename(setup)
    m = re.fullmatch(r"Vantrel-([0-9]+\.[0-9]+\.[0-9]+)-setup\.exe", name)
    if not m:
        sys.exit("make_winget: %s is not a setup program's name" % name)
    version = m.group(1)
    url = sys.argv[3] if len(sys.argv) == 4 else DEFAULT_URL + name
    head = "# Written by make dist (installer/make_winget.py).\n"
    common = "PackageIdentifier: %s\nPackageVersion: %s\n" % (PACKAGE, version)
    codes = "".join("- InstallerReturnCode: %d\n  ReturnResponse: %s\n" % c for c in RETURN_CODES)
    files = {
        PACKAGE + ".yaml": head + common +
        "DefaultLocale: zh-CN\nManifestType: version\nManifestVersion: %s\n" % MANIFEST_VERSION,
        PACKAGE + ".installer.yaml": head + common +
        "MinimumOSVersion: 5.1.2600\n"
        "InstallerType: nullsoft\n"
        "Scope: machine\n"
        "InstallModes:\n- interactive\n- silent\n"
        "InstallerSwitches:\n"
        "  Silent: /S\n"
        "  SilentWithProgress: /S\n"
        "  InstallLocation: /D=<INSTALLPATH>\n"
        "ExpectedReturnCodes:\n" + codes +
        "UpgradeBehavior: install\n"
        "ElevationRequirement: elevatesSelf\n"
        "AppsAndFeaturesEntries:\n"
        "- DisplayName: %s\n  Publisher: %s\n  DisplayVersion: %s\n  InstallerType: nullsoft\n"
        % (NAME, PUBLISHER, version) +
        "Installers:\n"
        "- Architecture: x86\n"
        "  InstallerUrl: %s\n"
        "  InstallerSha256: %s\n" % (url, sha256(setup)) +
        "ManifestType: installer\nManifestVersion: %s\n" % MANIFEST_VERSION,
        PACKAGE + ".locale.zh-CN.yaml": head + common +
        "PackageLocale: zh-CN\n"
        "Publisher: %s\n"
        "PackageName: %s\n"
        "License: Proprietary\n"
        "ShortDescription: %s\n"
        "ManifestType: defaultLocale\nManifestVersion: %s\n"
        % (PUBLISHER, NAME, quoted("托盘里的定时任务：提醒、打开文件、关机、重启等"), MANIFEST_VERSION),
    }
    os.makedirs(out, exist_ok=True)
    for file, text in files.items():
        with open(os.path.join(out, file), "w", encoding="utf-8", newline="\n") as f:
            f.write(text)


if __name__ == "__main__":
    main()
