#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, and nothing that is
# already there: a second run does no apt work at all. fp-utils (chmcmd)
# compiles the help file, nsis the setup program, p7zip-full reads the help
# file and the setup program back in the tests, python3 writes the portable
# zip (make dist) and links the shipped programs; osslsigncode signs them
# (make dist) and openssl makes the throwaway certificate it signs with when
# given none.
set -euo pipefail

want_pkgs=(cmake g++ clang libclang-rt-14-dev make locales googletest libgtest-dev libbenchmark-dev valgrind g++-mingw-w64-i686 xvfb xauth
           fonts-wqy-microhei imagemagick x11-utils xdotool
           fp-utils nsis p7zip-full python3 libxml2-dev osslsigncode openssl)
want_i386=(wine32:i386)
want_wine=(wine wine64)

missing=()
for p in "${want_pkgs[@]}" "${want_wine[@]}" "${want_i386[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

# Wine takes its ANSI code page from the locale: without zh_CN.UTF-8 it would
# run the program under code page 1252 instead of 936. en_US.UTF-8 is the
# other one the tests use on purpose: code page 1252, a Windows whose language
# for non-Unicode programs is not Chinese.
ensure_locale() {
    local name=$1 short
    short=$(echo "$name" | sed 's/UTF-8$/utf8/')
    if locale -a 2>/dev/null | grep -qix "$short"; then return 1; fi
    echo "install-deps: generating the $name locale"
    local gen=/etc/locale.gen
    if [ -f "$gen" ] && grep -q "^# *$name UTF-8" "$gen"; then
        $SUDO sed -i "s/^# *$name UTF-8/$name UTF-8/" "$gen"
    else
        echo "$name UTF-8" | $SUDO tee -a "$gen" >/dev/null
    fi
}

ensure_locales() {
    local changed=0
    for name in zh_CN.UTF-8 en_US.UTF-8; do
        ensure_locale "$name" && changed=1
    done
    if [ $changed -eq 1 ]; then $SUDO locale-gen >/dev/null; fi
    return 0
}

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -eq 0 ]; then
    ensure_locales
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
ensure_locales
