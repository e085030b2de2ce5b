#!/usr/bin/env bash
# Installs the built programs into a temporary prefix and checks what a desktop reads there: the
# files, the menu entry, the AppStream data, the document type (by name and by content), the icons
# and manual pages; then builds the Debian package into the build folder and checks its contents.
# Usage: install-test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

# What the install must hold, and how each file must be.
while read -r path kind; do
  test "$kind" "$prefix/$path" || fail "$path is missing or not $kind"
done <<'LIST'
bin/quarbel -x
bin/quarbel-convert -x
share/quarbel/Help/Help01.htm -f
share/applications/quarbel.desktop -f
share/mime/packages/quarbel.xml -f
share/metainfo/io.github.quarbel.Quarbel.metainfo.xml -f
share/icons/hicolor/scalable/apps/quarbel.svg -f
share/icons/hicolor/scalable/mimetypes/application-x-quarbel-document.svg -f
share/man/man1/quarbel.1.gz -f
share/man/man1/quarbel-convert.1.gz -f
share/doc/quarbel/copyright -f
LIST

# Each hicolor size holds a picture of that size, for the program and for its documents.
for size in 16 22 24 32 48 64 128 256; do
  for icon in apps/quarbel.png mimetypes/application-x-quarbel-document.png; do
    file=$prefix/share/icons/hicolor/${size}x${size}/$icon
    file -b "$file" 2>/dev/null | grep -q "PNG image data, $size x $size," || fail "$file is not a $size x $size PNG"
  done
done

desktop-file-validate "$prefix/share/applications/quarbel.desktop" || fail "desktop-file-validate"
grep -qx 'Categories=.*Graphics;.*' "$prefix/share/applications/quarbel.desktop" || fail "no Graphics category"
grep -qx 'Exec=quarbel %F' "$prefix/share/applications/quarbel.desktop" || fail "Exec does not pass the files"
appstreamcli validate --no-net "$prefix/share/metainfo/io.github.quarbel.Quarbel.metainfo.xml" >/dev/null ||
  fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/io.github.quarbel.Quarbel.metainfo.xml" ||
  fail "the AppStream release is not $version"

# The document type as a desktop sees it: only the installed data, a private data home.
export XDG_DATA_HOME=$work/data-home XDG_DATA_DIRS=$prefix/share:/usr/share
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
mkdir -p "$XDG_DATA_HOME" "$work/docs"
update-mime-database "$prefix/share/mime"
printf '[Quarbel Ver.2]\r\nStereoName=Field\r\n' >"$work/docs/document.txt"
cp "$work/docs/document.txt" "$work/docs/document.qbd"
printf '\xef\xbb\xbf[Quarbel Ver.2]\r\nStereoName=RandomDot\r\n' >"$work/docs/with-bom.dat"
printf 'Shopping list\n[Quarbel Ver.1]\n' >"$work/docs/notes.txt"
: >"$work/docs/empty.qbd"
while read -r name expected; do
  got=$(xdg-mime query filetype "$work/docs/$name")
  [ "$got" = "$expected" ] || fail "xdg-mime: $name is '$got', expected '$expected'"
done <<'TYPES'
document.txt application/x-quarbel-document
document.qbd application/x-quarbel-document
with-bom.dat application/x-quarbel-document
notes.txt text/plain
empty.qbd application/x-quarbel-document
TYPES

# Both programs tell their version without a display.
[ "$(env -u DISPLAY "$prefix/bin/quarbel" --version)" = "Quarbel Version $version" ] || fail "quarbel --version"
[ "$("$prefix/bin/quarbel-convert" --version)" = "quarbel-convert (Quarbel) Version $version" ] ||
  fail "quarbel-convert --version"

# The manual pages render without a warning.
for page in quarbel quarbel-convert; do
  warnings=$(zcat "$prefix/share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
  zcat "$prefix/share/man/man1/$page.1.gz" | grep -q "$version" || fail "$page.1 does not carry $version"
done

# The package, into the build folder (where `apt install ./quarbel_*.deb` takes it from).
rm -f "$build"/quarbel_*.deb
(cd "$build" && cpack -G DEB -B "$build" >/dev/null)
deb=$(ls "$build"/quarbel_"$version"_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
echo "$contents"
for path in ./usr/bin/quarbel ./usr/bin/quarbel-convert ./usr/share/quarbel/Help/Help01.htm \
  ./usr/share/applications/quarbel.desktop ./usr/share/mime/packages/quarbel.xml \
  ./usr/share/icons/hicolor/48x48/apps/quarbel.png ./usr/share/man/man1/quarbel-convert.1.gz; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
# Nothing of the build or the tests goes into the package.
if grep -E '\.(a|h|cmake)$|_tests$|/build/' <<<"$contents"; then fail "the package holds build files"; fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6gui6 libcups2 libc6 qt6-qpa-plugins; do
  grep -q "\b$lib\b" <<<"$depends" || fail "the package does not depend on $lib"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install and package checks passed"
