#!/usr/bin/env python3
"""The winget manifest make dist writes, against the manifest schema 1.6.0
as published with winget: every key one the schema knows for its manifest
type, every required key there, every enumerated value one of the schema's,
every pattern met, the three files agreeing on the package and version, the
installer's hash that of the file, and the Add/Remove entry the one the
setup program writes (installer/Vantrel.nsi).

    winget_manifest_test.py SOURCE_DIR XML_REPORT

A setup program is stood in for by a file of known bytes; make dist's own
run (tests/dist_test.sh) checks the hash of the real one.
"""
import hashlib
import os
import re
import subprocess
import sys
import tempfile

# From the schema (manifest.installer/defaultLocale/version.1.6.0.json).
ENUMS = {
    "InstallerType": {"msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa", "portable"},
    "Scope": {"user", "machine"},
    "InstallModes": {"interactive", "silent", "silentWithProgress"},
    "Architecture": {"x86", "x64", "arm", "arm64", "neutral"},
    "UpgradeBehavior": {"install", "uninstallPrevious"},
    "ElevationRequirement": {"elevationRequired", "elevationProhibited", "elevatesSelf"},
    "ReturnResponse": {"packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse",
                       "missingDependency", "diskFull", "insufficientMemory", "invalidParameter", "noNetwork",
                       "contactSupport", "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated",
                       "cancelledByUser", "alreadyInstalled", "downgrade", "blockedByPolicy",
                       "systemNotSupported", "custom"},
}
PATTERNS = {
    "PackageIdentifier": r"[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}){1,7}",
    "PackageVersion": r"[^\\/:*?\"<>|\x01-\x1f]+",
    "InstallerSha256": r"[A-Fa-f0-9]{64}",
    "InstallerUrl": r"[Hh][Tt][Tt][Pp][Ss]?://.+",
    "MinimumOSVersion": r"(0|[1-9][0-9]{0,4})(\.(0|[1-9][0-9]{0,4})){0,3}",
    "ManifestVersion": r"[0-9]+\.[0-9]+\.[0-9]+",
    "DefaultLocale": r"([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*",
    "PackageLocale": r"([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*",
}
INSTALLER_KEYS = {"PackageIdentifier", "PackageVersion", "Channel", "InstallerLocale", "Platform",
                  "MinimumOSVersion", "InstallerType", "NestedInstallerType", "NestedInstallerFiles", "Scope",
                  "InstallModes", "InstallerSwitches", "InstallerSuccessCodes", "ExpectedReturnCodes",
                  "UpgradeBehavior", "Commands", "Protocols", "FileExtensions", "Dependencies",
                  "PackageFamilyName", "ProductCode", "Capabilities", "RestrictedCapabilities", "Markets",
                  "InstallerAbortsTerminal", "ReleaseDate", "InstallLocationRequired", "RequireExplicitUpgrade",
                  "DisplayInstallWarnings", "UnsupportedOSArchitectures", "UnsupportedArguments",
                  "AppsAndFeaturesEntries", "ElevationRequirement", "InstallationMetadata", "Installers",
                  "ManifestType", "ManifestVersion"}
KNOWN = {
    "installer": (INSTALLER_KEYS, {"PackageIdentifier", "PackageVersion", "Installers", "ManifestType",
                                   "ManifestVersion"}),
    "version": ({"PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"},
                {"PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"}),
    "defaultLocale": ({"PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PublisherUrl",
                       "PublisherSupportUrl", "PrivacyUrl", "Author", "PackageName", "PackageUrl", "License",
                       "LicenseUrl", "Copyright", "CopyrightUrl", "ShortDescription", "Description", "Moniker",
                       "Tags", "Agreements", "ReleaseNotes", "ReleaseNotesUrl", "PurchaseUrl",
                       "InstallationNotes", "Documentation", "Icons", "ManifestType", "ManifestVersion"},
                      {"PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName",
                       "License", "ShortDescription", "ManifestType", "ManifestVersion"}),
}
SWITCHES = {"Silent", "SilentWithProgress", "Interactive", "InstallLocation", "Log", "Upgrade", "Custom"}
ARP_KEYS = {"DisplayName", "Publisher", "DisplayVersion", "ProductCode", "UpgradeCode", "InstallerType"}
INSTALLER_ITEM_REQUIRED = {"Architecture", "InstallerUrl", "InstallerSha256"}


def scalar(text):
    text = text.strip()
    if text.startswith("'") and text.endswith("'"):
        return text[1:-1].replace("''", "'")
    return text


def parse(lines, indent=0):
    """The subset make_winget.py writes: mappings, lists of scalars and of
    mappings (a list may stand at its key's own indent). Returns (value,
    lines left)."""
    result = None
    is_list = None
    while lines:
        line = lines[0]
        if not line.strip() or line.lstrip().startswith("#"):
            lines = lines[1:]
            continue
        depth = len(line) - len(line.lstrip(" "))
        body = line.strip()
        item = body.startswith("- ")
        if is_list is None:
            is_list = item
        if depth < indent or (depth == indent and item != is_list):
            break
        if item:
            result = result if result is not None else []
            value = body[2:]
            if ":" in value and not value.startswith("'"):
                # A mapping in a list: its first key on the dash's line.
                sub, lines = parse([" " * (depth + 2) + value] + lines[1:], depth + 2)
                result.append(sub)
            else:
                result.append(scalar(value))
                lines = lines[1:]
            continue
        key, _, rest = body.partition(":")
        result = result if result is not None else {}
        if key in result:
            raise ValueError("key given twice: " + key)
        if rest.strip():
            result[key] = scalar(rest)
            lines = lines[1:]
        else:
            nxt = next((l for l in lines[1:] if l.strip()), "")
            nxt_depth = len(nxt) - len(nxt.lstrip(" "))
            result[key], lines = parse(lines[1:], nxt_depth if nxt_depth >= depth else depth + 2)
    return result, lines


def load(path):
    with open(path, encoding="utf-8") as f:
        value, _ = parse(f.read().split("\n"))
    return value


failures = []
cases = []


def check(name, ok, why=""):
    cases.append((name, ok, why))
    if not ok:
        failures.append(name)
        print("winget-manifest-test: %s: %s" % (name, why), file=sys.stderr)


def main():
    src, report = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    version = re.search(r'project\(Vantrel VERSION ([0-9.]+)', open(os.path.join(src, "CMakeLists.txt")).read())
    version = version.group(1) if version else "2.0.0"
    setup = os.path.join(work, "Vantrel-%s-setup.exe" % version)
    with open(setup, "wb") as f:
        f.write(os.urandom(4096))
    out = os.path.join(work, "winget")
    subprocess.run([sys.executable, os.path.join(src, "installer", "make_winget.py"), setup, out], check=True)
    docs = {}
    for name in sorted(os.listdir(out)):
        doc = load(os.path.join(out, name))
        docs[doc.get("ManifestType")] = doc
    check("ThreeManifests", set(docs) == set(KNOWN), str(sorted(docs)))
    for kind, (known, required) in KNOWN.items():
        doc = docs.get(kind, {})
        check(kind + "KnownKeys", set(doc) <= known, str(set(doc) - known))
        check(kind + "RequiredKeys", required <= set(doc), str(required - set(doc)))
        check(kind + "SamePackage", doc.get("PackageIdentifier") == "Brelnix.Vantrel" and
              doc.get("PackageVersion") == version and doc.get("ManifestVersion") == "1.6.0", str(doc))
        for key, pattern in PATTERNS.items():
            if key in doc:
                check(kind + "Pattern" + key, re.fullmatch(pattern, doc[key]) is not None, doc[key])
    inst = docs.get("installer", {})
    for key in ("InstallerType", "Scope", "UpgradeBehavior", "ElevationRequirement"):
        check("Enum" + key, inst.get(key) in ENUMS[key], str(inst.get(key)))
    check("Nullsoft", inst.get("InstallerType") == "nullsoft")
    check("MachineScope", inst.get("Scope") == "machine")
    check("ModesKnown", set(inst.get("InstallModes", [])) <= ENUMS["InstallModes"], str(inst.get("InstallModes")))
    switches = inst.get("InstallerSwitches", {})
    check("SwitchesKnown", set(switches) <= SWITCHES, str(switches))
    check("SilentAndLocation", switches.get("Silent") == "/S" and switches.get("InstallLocation") == "/D=<INSTALLPATH>",
          str(switches))
    codes = inst.get("ExpectedReturnCodes", [])
    check("ReturnCodesKnown", all(set(c) <= {"InstallerReturnCode", "ReturnResponse", "ReturnResponseUrl"} and
                                  c.get("ReturnResponse") in ENUMS["ReturnResponse"] and
                                  int(c["InstallerReturnCode"]) != 0 for c in codes), str(codes))
    # The setup program's codes (README) and the uninstaller's.
    nsi = open(os.path.join(src, "installer", "Vantrel.nsi"), encoding="utf-8").read()
    defined = {int(v) for v in re.findall(r"!define EXIT_\w+ (\d+)", nsi)}
    defined |= {int(v) for v in re.findall(r"SetErrorLevel (\d+)", nsi)}
    listed = {int(c["InstallerReturnCode"]) for c in codes}
    check("EveryCodeTheSetupSets", defined <= listed, "missing %s" % sorted(defined - listed))
    items = inst.get("Installers", [])
    check("OneInstaller", len(items) == 1 and INSTALLER_ITEM_REQUIRED <= set(items[0]), str(items))
    item = items[0] if items else {}
    check("ArchitectureKnown", item.get("Architecture") in ENUMS["Architecture"], str(item))
    with open(setup, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    check("HashOfTheFile", item.get("InstallerSha256", "").lower() == digest, item.get("InstallerSha256", ""))
    check("UrlNamesTheFile", item.get("InstallerUrl", "").endswith("/" + os.path.basename(setup)), str(item))
    arp = inst.get("AppsAndFeaturesEntries", [])
    check("ArpKeysKnown", len(arp) == 1 and set(arp[0]) <= ARP_KEYS, str(arp))
    entry = arp[0] if arp else {}
    # As the setup program writes its Add/Remove entry.
    display = re.search(r'"DisplayName" "([^"]*)"', nsi).group(1)
    publisher = re.search(r'!define PUBLISHER "([^"]*)"', nsi).group(1)
    check("ArpMatchesTheEntry", entry.get("DisplayName") == display and entry.get("Publisher") == publisher and
          entry.get("DisplayVersion") == version, str(entry))

    with open(report, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n')
        f.write('<testsuites name="winget_manifest" tests="%d" failures="%d" errors="0" disabled="0" skipped="0">\n'
                % (len(cases), len(failures)))
        f.write('<testsuite name="WingetManifest" tests="%d" failures="%d">\n' % (len(cases), len(failures)))
        for name, ok, why in cases:
            if ok:
                f.write('  <testcase name="%s" classname="WingetManifest"/>\n' % name)
            else:
                f.write('  <testcase name="%s" classname="WingetManifest"><failure message="failed"/></testcase>\n'
                        % name)
        f.write("</testsuite>\n</testsuites>\n")
    print("winget-manifest-test: %d passed, %d failed" % (len(cases) - len(failures), len(failures)))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
