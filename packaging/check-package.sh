#!/usr/bin/env bash
# Makes the Debian package from a build tree with its own CPack configuration and checks what a
# user would get from it: the files and where they go, the Depends line, the AppStream metainfo,
# the desktop entry, the manual pages, and a self-extracting program made by the packaged
# mivo-sfx with the packaged stub.
#   check-package.sh BUILD_DIR SOURCE_PACKAGING_DIR
set -uo pipefail

build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/mivo-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The package itself. gzip instead of xz only saves time here; everything else is the real
# configuration.
if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" \
      -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack" >&2
  exit 1
fi
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$work/out/mivo-zip_${version}_$(dpkg --print-architecture).deb"
if [ ! -f "$deb" ]; then
  echo "FAIL: no $deb; the folder holds: $(ls "$work/out")" >&2
  exit 1
fi

# Where each file goes.
dpkg-deb -c "$deb" | awk '{print $1, $6}' | sed 's# \./# /#' >"$work/files"
expect() { # MODE PATH
  grep -qxF -e "$1 $2" "$work/files" || fail "$2 with mode $1 is not in the package"
}
for program in Mivo-ZIP Mivo-AutoExtractZIP.Dat mivo-ziptool mivo-sfx mivo-huffman; do
  expect -rwxr-xr-x "/usr/bin/$program"
done
expect -rw-r--r-- /usr/share/applications/fr.mivo.MivoZIP.desktop
expect -rw-r--r-- /usr/share/metainfo/fr.mivo.MivoZIP.metainfo.xml
expect -rw-r--r-- /usr/share/icons/hicolor/scalable/apps/fr.mivo.MivoZIP.svg
for page in Mivo-ZIP mivo-ziptool mivo-sfx mivo-huffman; do
  expect -rw-r--r-- "/usr/share/man/man1/$page.1.gz"
done
# Nothing from the build tree or the tests slips in, and nothing outside /usr.
stray=$(grep -v -e ' /usr/$' -e ' /usr/bin/' -e ' /usr/share/' "$work/files")
[ -z "$stray" ] || fail "unexpected paths: $stray"
grep -q -e '/usr/bin/test_' -e 'fuzz' -e 'bench' "$work/files" && fail "a test or benchmark is packaged"

# Depends: what the binaries need, found by dpkg-shlibdeps, and what no binary shows.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in qt6-qpa-plugins qt6-translations-l10n libqt6widgets6 libqt6core6 libzip4 libssl3; do
  grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep"
done
[ "$(dpkg-deb -f "$deb" Package)" = mivo-zip ] || fail "package name"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"

root="$work/root"
dpkg-deb -x "$deb" "$root"

# AppStream: no error, no warning (appstreamcli exits non-zero on either).
metainfo="$root/usr/share/metainfo/fr.mivo.MivoZIP.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$work/appstream.log")"
grep -q '<launchable type="desktop-id">fr.mivo.MivoZIP.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch the packaged desktop entry"
# Software centres show the metainfo's newest release as the version: the package's own.
release=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[ "$release" = "$version" ] ||
  fail "the metainfo's newest release is \"$release\", the package's version \"$version\""

# The desktop entry opens ZIP archives with the packaged program and the packaged icon.
desktop="$root/usr/share/applications/fr.mivo.MivoZIP.desktop"
desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 ||
  fail "desktop-file-validate: $(cat "$work/desktop.log")"
grep -qx 'MimeType=application/zip;' "$desktop" || fail "the desktop entry lacks application/zip"
grep -qx 'Exec=Mivo-ZIP %f' "$desktop" || fail "the desktop entry does not start Mivo-ZIP"
grep -qx 'Icon=fr.mivo.MivoZIP' "$desktop" || fail "the desktop entry does not name the icon"

# Manual pages: each renders without a warning and names its command.
for page in Mivo-ZIP mivo-ziptool mivo-sfx mivo-huffman; do
  file="$root/usr/share/man/man1/$page.1.gz"
  [ -f "$file" ] || continue
  warnings=$(zcat "$file" | LC_ALL=C.UTF-8 groff -man -ww -Tutf8 -z 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
  zcat "$file" | grep -q "^$page \\\\- " || fail "$page.1 has no NAME line for $page"
done

# The packaged mivo-sfx finds the packaged stub in its own folder: the program it writes starts
# with the stub's bytes.
mkdir "$work/data"
printf 'Bonjour de Mivo-ZIP\n' >"$work/data/lisez-moi.txt"
(cd "$work/data" && zip -q -X ../photos.zip lisez-moi.txt) || fail "zip"
if "$root/usr/bin/mivo-sfx" "$work/photos.zip" >"$work/sfx.log" 2>&1; then
  stub="$root/usr/bin/Mivo-AutoExtractZIP.Dat"
  cmp -s -n "$(stat -c %s "$stub")" "$stub" "$work/photos.exe" ||
    fail "the self-extracting program does not start with the packaged stub"
  [ -x "$work/photos.exe" ] || fail "the self-extracting program is not executable"
else
  fail "mivo-sfx from the package: $(cat "$work/sfx.log")"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failed" >&2
  exit 1
fi
echo "package $(basename "$deb"): every check passed"
