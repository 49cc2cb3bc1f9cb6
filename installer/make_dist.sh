#!/usr/bin/env bash
# make dist: copies the setup program the Windows build made, writes the
# portable zip and SHA256SUMS into the dist folder.
#   installer/make_dist.sh WINDOWS_BUILD_DIR DIST_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$1
dist=$2
version=$(cat "$build/setup/VERSION")
setup="Vantrel-$version-setup.exe"
zip="Vantrel-$version.zip"

rm -rf "$dist"
mkdir -p "$dist"
cp "$build/setup/$setup" "$dist/"

# The zip's files, with 说明.txt in GBK and Windows line ends.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for f in Vantrel.exe vantrelctl.exe QLLJ.bat Vantrel.CHM; do
    cp "$build/bin/$f" "$stage/"
done
iconv -f UTF-8 -t GBK "$here/说明.txt" | sed 's/$/\r/' >"$stage/说明.txt"
python3 "$here/make_zip.py" "$dist/$zip" "$stage"/Vantrel.exe "$stage"/vantrelctl.exe \
    "$stage"/QLLJ.bat "$stage"/Vantrel.CHM "$stage"/说明.txt

(cd "$dist" && sha256sum "$setup" "$zip" >SHA256SUMS)
echo "dist: $dist/$setup, $dist/$zip, $dist/SHA256SUMS"
