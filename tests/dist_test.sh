#!/usr/bin/env bash
# make dist as a user who downloads it, and one who rebuilds it, would check it:
# - every program a user runs (Vantrel.exe and vantrelctl.exe from the zip and
#   from the setup program, the uninstaller the setup program writes, the
#   setup program) verifies against the certificate it was signed with: the
#   throwaway one make dist makes when given none, and a given PKCS#12 file;
# - the signature covers the final bytes: with one byte changed (in the
#   middle, or the last byte before the signature) the file no longer verifies;
# - SHA256SUMS holds the setup program and the zip, and their sums, and the
#   winget manifest the setup program's;
# - a second build of the same commit, from a copy of the sources in another
#   folder into another build folder, later, with the same certificate, gives
#   the same dist folder byte for byte.
# The test's signing key is made here, in the build folder, for this run. Only
# what ships is built the second time; the work folder goes when every case
# passed (it stays for a look when one failed, until the next run).
#   dist_test.sh SOURCE_DIR WINDOWS_BUILD_DIR BUILD_TYPE XML_REPORT
set -uo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
build_type=$3
xml=$4
work=$build/dist-test
rm -rf "$work"
mkdir -p "$work/key"
unset VANTREL_SIGN_PFX VANTREL_SIGN_PASSWORD VANTREL_SIGN_TIMESTAMP
SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct 2>/dev/null || echo 1700000000)
export SOURCE_DATE_EPOCH

tests=0 failures=0 cases=""
record() {  # NAME [WHY IT FAILED]
    tests=$((tests + 1))
    if [ -z "${2:-}" ]; then
        cases+="<testcase name=\"$1\"/>"
        echo "dist-test: $1: ok"
    else
        failures=$((failures + 1))
        local why=${2//&/&amp;}
        why=${why//\"/&quot;} why=${why//</&lt;}
        cases+="<testcase name=\"$1\"><failure message=\"$why\"/></testcase>"
        echo "dist-test: $1: $2" >&2
    fi
}

make_dist() {  # SOURCE BUILD DIST: make dist, its output in DIST.log
    bash "$1/installer/make_dist.sh" "$2" "$3" >"$3.log" 2>&1 ||
        { echo "dist-test: make dist failed:" >&2; cat "$3.log" >&2; return 1; }
}

# The files of a dist folder a user runs, extracted into DIST.run/ as
# zip.NAME and setup.NAME, with the setup program itself.
programs_of() {
    local dist=$1 out=$1.run
    mkdir -p "$out/setup"
    python3 -c 'import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
for name in ("Vantrel.exe", "vantrelctl.exe"):
    open(sys.argv[2] + "/zip." + name, "wb").write(z.read(name))' "$dist"/Vantrel-*.zip "$out"
    7z x -y -o"$out/setup" "$dist"/Vantrel-*-setup.exe Vantrel.exe vantrelctl.exe \
        Vantrel-uninstall.exe >/dev/null
    for f in "$out"/setup/*.exe; do mv "$f" "$out/setup.$(basename "$f")"; done
    cp "$dist"/Vantrel-*-setup.exe "$out/"
    ls "$out"/*.exe
}

verifies() { osslsigncode verify -CAfile "$2" -in "$1" >/dev/null 2>&1; }

check_signatures() {  # CASE_PREFIX DIST CERTIFICATE
    local f
    for f in $(programs_of "$2"); do
        if verifies "$f" "$3"; then record "$1.$(basename "$f")"
        else record "$1.$(basename "$f")" "does not verify against $3"; fi
    done
}

# The offset of the middle of FILE, or of the last byte the signature covers
# (just before the certificate table the PE header points to).
byte_at() {
    python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
table, size = struct.unpack_from("<II", data, pe + 24 + 96 + 4 * 8)
print(len(data) // 2 if sys.argv[2] == "middle" else (table - 1 if size else -1))' "$1" "$2"
}

flip_byte() { python3 -c 'import sys
f = open(sys.argv[1], "r+b"); f.seek(int(sys.argv[2])); b = f.read(1)
f.seek(int(sys.argv[2])); f.write(bytes([b[0] ^ 0x01]))' "$1" "$2"; }

# Without a certificate: a throwaway one, left beside the files.
if make_dist "$src" "$build" "$work/throwaway"; then
    check_signatures ThrowawayCertificate "$work/throwaway" "$work"/throwaway/Vantrel-*-test-certificate.pem
else
    record ThrowawayCertificate "make dist failed (see the log above)"
fi

# A given PKCS#12 file, with a password.
openssl req -x509 -newkey rsa:2048 -sha256 -nodes -days 30 -subj "/CN=Vantrel dist test" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key/key.pem" -out "$work/key/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key/key.pem" -in "$work/key/cert.pem" \
    -out "$work/key/signing.pfx" -passout pass:dist-test
export VANTREL_SIGN_PFX=$work/key/signing.pfx VANTREL_SIGN_PASSWORD=dist-test
if make_dist "$src" "$build" "$work/first"; then
    check_signatures GivenCertificate "$work/first" "$work/key/cert.pem"
    for f in zip.Vantrel.exe zip.vantrelctl.exe setup.Vantrel-uninstall.exe "$(basename "$work"/first/Vantrel-*-setup.exe)"; do
        for where in middle last-signed; do
            copy="$work/tampered.exe"
            cp "$work/first.run/$f" "$copy"
            at=$(byte_at "$copy" "$where")
            flip_byte "$copy" "$at"
            if verifies "$copy" "$work/key/cert.pem"; then
                record "ChangedByte.$f.$where" "still verifies with the byte at $at changed"
            else
                record "ChangedByte.$f.$where"
            fi
        done
    done
    listed=$(cd "$work/first" && awk '{ print $2 }' SHA256SUMS | sort | tr '\n' ' ')
    expected=$(cd "$work/first" && ls Vantrel-*-setup.exe Vantrel-*.zip | sort | tr '\n' ' ')
    if [ "$listed" != "$expected" ]; then
        record Sha256Sums "lists $listed, not $expected"
    elif ! (cd "$work/first" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1); then
        record Sha256Sums "a sum does not match its file"
    else
        record Sha256Sums
    fi
    # The winget manifest names the signed setup program by its hash.
    want=$(cd "$work/first" && sha256sum Vantrel-*-setup.exe | awk '{ print toupper($1) }')
    got=$(sed -n 's/^ *InstallerSha256: //p' "$work/first"/*.installer.yaml 2>/dev/null)
    if [ -n "$want" ] && [ "$got" = "$want" ]; then record WingetManifestHash
    else record WingetManifestHash "manifest says '$got', the setup program is $want"; fi
else
    record GivenCertificate "make dist failed (see the log above)"
fi

# The same commit again, elsewhere: a copy of the sources (as a clone would
# have them) and a build folder of its own, each at a path of another length.
second=$work/second-build-elsewhere
mkdir -p "$second/sources"
if git -C "$src" rev-parse --show-toplevel >/dev/null 2>&1; then
    (cd "$src" && git ls-files -z -co --exclude-standard --deduplicate |
        tar --null --ignore-failed-read -T - -cf -) | tar -xf - -C "$second/sources"
else
    (cd "$src" && tar --exclude=./build -cf - .) | tar -xf - -C "$second/sources"
fi
if cmake -S "$second/sources" -B "$second/build" -DCMAKE_BUILD_TYPE="$build_type" \
        -DCMAKE_TOOLCHAIN_FILE="$second/sources/cmake/toolchain-mingw32.cmake" -DBUILD_TESTING=OFF \
        --log-level=WARNING -Wno-dev >"$second/build.log" 2>&1 &&
    cmake --build "$second/build" -j"$(nproc)" --target Vantrel vantrelctl help_file cleanup_batch \
        >>"$second/build.log" 2>&1 &&
    make_dist "$second/sources" "$second/build" "$second/dist"; then
    for f in $(cd "$work/first" && ls); do
        if cmp -s "$work/first/$f" "$second/dist/$f"; then
            record "SecondBuild.$f"
        else
            built=$(for p in Vantrel.exe vantrelctl.exe; do
                cmp -s "$build/bin/$p" "$second/build/bin/$p" || printf '%s ' "$p"; done)
            record "SecondBuild.$f" "differs from the first build's (programs built that differ: ${built:-none})"
        fi
    done
else
    tail -n 20 "$second/build.log" >&2
    record SecondBuild "the second build failed (see the log above)"
fi

printf '<?xml version="1.0"?>\n<testsuites tests="%d" failures="%d" errors="0" disabled="0" skipped="0">\n<testsuite name="Dist" tests="%d" failures="%d">%s</testsuite>\n</testsuites>\n' \
    "$tests" "$failures" "$tests" "$failures" "$cases" >"$xml"
[ $failures -eq 0 ] && rm -rf "$work"
echo "dist-test: $((tests - failures)) of $tests passed"
[ $failures -eq 0 ]
