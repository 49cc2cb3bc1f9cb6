#!/usr/bin/env bash
# make dist: what a user downloads, in the dist folder: the setup program,
# the portable zip and SHA256SUMS, every program in them signed.
#   installer/make_dist.sh WINDOWS_BUILD_DIR DIST_DIR
#
# Signing: Authenticode with SHA-256 digests (osslsigncode), in this order:
# Vantrel.exe and vantrelctl.exe before anything packs them, the uninstaller
# as makensis makes it (before it is packed into the setup program), then the
# setup program itself; SHA256SUMS is taken of the signed files. The
# certificate and key come from
#   VANTREL_SIGN_PFX        a PKCS#12 file
#   VANTREL_SIGN_PASSWORD   its password (none when unset)
#   VANTREL_SIGN_TIMESTAMP  a time-stamping server's address (RFC 3161), optional
# Without VANTREL_SIGN_PFX this run makes a throwaway self-signed code-signing
# certificate, signs with it, leaves the certificate in the dist folder
# (Vantrel-<version>-test-certificate.pem, for a tester to trust on a test
# machine) and deletes its key.
#
# Reproducible: the same commit gives the same bytes wherever and whenever it
# is built, given the same certificate and no time-stamping server. Every
# time written (the files' times in the zip and in the setup program, the
# help file's build time, the signing time) is SOURCE_DATE_EPOCH, by default
# the time of the commit checked out.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/.." && pwd)
build=$(cd "$1" && pwd)
dist=$2
version=$(cat "$build/setup/VERSION")
setup="Vantrel-$version-setup.exe"
zip="Vantrel-$version.zip"
certificate_name="Vantrel-$version-test-certificate.pem"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    # Only this checkout's own commit: not one of a repository it lies in.
    if [ "$(git -C "$source_dir" rev-parse --show-toplevel 2>/dev/null)" != "$source_dir" ]; then
        echo "make dist: $source_dir is not a git checkout; set SOURCE_DATE_EPOCH" >&2
        exit 1
    fi
    SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct)
fi
epoch=$SOURCE_DATE_EPOCH

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$dist"
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)

# The signing command, for this script and for makensis: sign FILE signs FILE
# in place.
if [ -n "${VANTREL_SIGN_PFX:-}" ]; then
    [ -f "$VANTREL_SIGN_PFX" ] || { echo "make dist: no such file: $VANTREL_SIGN_PFX" >&2; exit 1; }
    key=(-pkcs12 "$(cd "$(dirname "$VANTREL_SIGN_PFX")" && pwd)/$(basename "$VANTREL_SIGN_PFX")")
    # A password reaches osslsigncode in a file only this user can read,
    # never on a command line that other users can list (osslsigncode
    # refuses an empty file: no password is then given at all).
    if [ -n "${VANTREL_SIGN_PASSWORD:-}" ]; then
        (umask 077 && printf '%s' "$VANTREL_SIGN_PASSWORD" >"$work/password")
        key+=(-readpass "$work/password")
    fi
    echo "make dist: signing with $VANTREL_SIGN_PFX"
else
    openssl req -x509 -newkey rsa:3072 -sha256 -nodes -days 365 \
        -subj "/CN=Vantrel test signing (throwaway)" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
        -keyout "$work/key.pem" -out "$dist/$certificate_name" 2>/dev/null
    key=(-certs "$dist/$certificate_name" -key "$work/key.pem")
    echo "make dist: no VANTREL_SIGN_PFX given: signing with a throwaway self-signed certificate,"
    echo "make dist: $dist/$certificate_name; Windows trusts it only where it is installed"
fi
timestamp=()
if [ -n "${VANTREL_SIGN_TIMESTAMP:-}" ]; then
    timestamp=(-ts "$VANTREL_SIGN_TIMESTAMP")
    echo "make dist: time-stamped by $VANTREL_SIGN_TIMESTAMP: the signatures differ from build to build"
fi
{
    echo '#!/bin/sh'
    echo 'set -e'
    printf 'rm -f "$1.signed"\n'
    printf 'if ! out=$(osslsigncode sign'
    printf ' %q' "${key[@]}" -h sha256 -n Vantrel -st "$epoch" "${timestamp[@]}"
    printf ' -in "$1" -out "$1.signed" 2>&1); then\n'
    printf '    echo "make dist: signing $1 failed: $out" >&2; rm -f "$1.signed"; exit 1\n'
    printf 'fi\n'
    printf 'mv "$1.signed" "$1"\n'
} >"$work/sign"
chmod +x "$work/sign"

# What the setup program and the zip hold, signed, with fixed times.
files="$work/files"
mkdir "$files"
for f in Vantrel.exe vantrelctl.exe QLLJ.bat Vantrel.CHM; do
    cp "$build/bin/$f" "$files/"
done
iconv -f UTF-8 -t GBK "$here/说明.txt" | sed 's/$/\r/' >"$files/说明.txt"
"$work/sign" "$files/Vantrel.exe"
"$work/sign" "$files/vantrelctl.exe"
python3 "$here/chm_fixed_time.py" "$files/Vantrel.CHM" "$epoch"
# The Group Policy templates, as the policy store lays them out.
mkdir -p "$files/policy/zh-CN" "$files/policy/en-US"
for f in Vantrel.admx zh-CN/Vantrel.adml en-US/Vantrel.adml; do
    cp "$here/policy/$f" "$files/policy/$f"
done
touch -d "@$epoch" "$files"/* "$files"/policy/* "$files"/policy/*/*

makensis -V2 -INPUTCHARSET UTF8 -DNAMES="$build/installer/names.nsh" -DBIN="$files" \
    -DOUTFILE="$dist/$setup" -DSIGN="\"$work/sign\"" -DPOLICY="$files/policy" "$here/Vantrel.nsi"

python3 "$here/make_zip.py" "$epoch" "$dist/$zip" "$files"/Vantrel.exe "$files"/vantrelctl.exe \
    "$files"/QLLJ.bat "$files"/Vantrel.CHM "$files"/说明.txt \
    "$files/policy/Vantrel.admx::PolicyDefinitions/Vantrel.admx" \
    "$files/policy/zh-CN/Vantrel.adml::PolicyDefinitions/zh-CN/Vantrel.adml" \
    "$files/policy/en-US/Vantrel.adml::PolicyDefinitions/en-US/Vantrel.adml"

(cd "$dist" && sha256sum "$setup" "$zip" >SHA256SUMS)
# The winget manifest of this release, with the signed setup program's hash.
python3 "$here/make_winget.py" "$dist/$setup" "$dist"
echo "dist: $dist/$setup, $dist/$zip, $dist/SHA256SUMS and the winget manifest"
