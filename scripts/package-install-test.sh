#!/usr/bin/env bash
# Installs the Debian package that ./test.sh made (build/quarbel_*.deb) on this machine, as a user
# would with `apt install ./quarbel_*.deb`, and starts both programs from it: quarbel-convert
# --version, and the editor (offscreen) on a document named on its command line, which must open
# (its working file appears in the user's data folder, none beside the program). Checks that the
# package's triggers registered the document type and the menu entry, then removes the package.
# Changes the system, so CI runs it (.ci/run) on its own machine; ./test.sh does not.
set -euo pipefail
cd "$(dirname "$0")/.."
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
debs=(build/quarbel_*.deb)
[ -f "${debs[0]}" ] || { echo "no package in build/: run ./test.sh first" >&2; exit 1; }
version=$(dpkg-deb -f "${debs[0]}" Version)

work=$(mktemp -d)
editor_pid=
cleanup() {
  if [ -n "$editor_pid" ]; then kill "$editor_pid" 2>/dev/null || true; wait "$editor_pid" 2>/dev/null || true; fi
  rm -rf "$work"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq quarbel >/dev/null || true
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "./${debs[0]}"

[ "$(command -v quarbel-convert)" = /usr/bin/quarbel-convert ] || fail "quarbel-convert is not on PATH"
[ "$(quarbel-convert --version)" = "quarbel-convert (Quarbel) Version $version" ] || fail "quarbel-convert --version"

# What the file manager and the menu learn from the package's triggers.
printf '[Quarbel Ver.2]\r\nStereoName=RandomDot\r\nMONOorCOLOR=Mono\r\n' >"$work/shark.qbd"
cp "$work/shark.qbd" "$work/shark.txt"
for name in shark.qbd shark.txt; do
  type=$(env -u XDG_CURRENT_DESKTOP XDG_DATA_HOME="$work/empty" xdg-mime query filetype "$work/$name")
  [ "$type" = application/x-quarbel-document ] || fail "$name is $type"
done
handler=$(env -u XDG_CURRENT_DESKTOP HOME="$work" XDG_DATA_HOME="$work/empty" \
  xdg-mime query default application/x-quarbel-document)
[ "$handler" = quarbel.desktop ] || fail "documents open with '$handler'"

# The editor, started as the desktop entry starts it, opens the document: a window's working file
# appears in the user's data folder.
touch "$work/started"
HOME="$work" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
  QT_QPA_PLATFORM=offscreen quarbel "$work/shark.qbd" 2>"$work/editor.err" &
editor_pid=$!
working="$work/data/Quarbel/QuarbelDoc1.tmp"
for _ in $(seq 1 1200); do
  [ -f "$working" ] && break
  kill -0 "$editor_pid" 2>/dev/null || fail "the editor ended: $(cat "$work/editor.err")"
  sleep 0.05
done
[ -f "$working" ] || fail "the editor did not open the document (no $working)"
grep -q 'StereoName=RandomDot' "$working" || fail "the working file does not hold the document"
written=$(find /usr/bin /usr/share/quarbel -newer "$work/started" -type f)
[ -z "$written" ] || fail "the installed editor wrote beside itself: $written"
echo "package quarbel $version installed; quarbel-convert and the editor started from it"
