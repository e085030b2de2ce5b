#!/usr/bin/env bash
# Makes the README's picture of the editor: under Xvfb with no window manager, the real editor is
# driven by its keys (xdotool) to a new monochrome random-dot document, the Design image of
# docs/pictures/design.png is inserted, the conversion is run, and the main window is captured.
#   scripts/readme-editor.sh [QUARBEL]    (default build/app/quarbel)
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
cd "$(dirname "$0")/.."
editor=$(realpath "${1:-build/app/quarbel}")
out=docs/pictures/editor.png

if [ -z "${QUARBEL_README_DISPLAY:-}" ]; then
    exec env QUARBEL_README_DISPLAY=1 xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$editor"
fi

work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program in a folder of its own, so its settings and working files stay there.
cp "$editor" "$work/quarbel"
cp -r "$(dirname "$editor")/Help" "$work/Help"
design=$(realpath docs/pictures/design.png)

# Waits until the command succeeds (tries of about 0.1 s, 200 unless TRIES says otherwise); polls,
# since X has no event for most of what is awaited.
wait_for() {
    local tries=${TRIES:-200}
    until "$@"; do
        tries=$((tries - 1))
        if [ "$tries" -le 0 ]; then
            echo "readme-editor: gave up waiting for: $*" >&2
            exit 1
        fi
        sleep 0.1
    done
}
visible_windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | sort; }
# A window that was not visible when $before was taken.
new_window() {
    comm -13 <(printf '%s\n' "$before") <(visible_windows) | head -n 1
}
has_new_window() { [ -n "$(new_window)" ]; }
window_gone() { ! visible_windows | grep -qx "$1"; }
keys() { xdotool key --clearmodifiers "$@"; }

LANG=ja_JP.UTF-8 "$work/quarbel" &
pid=$!
main=$(xdotool search --sync --onlyvisible --pid "$pid" --name '^Quarbel$' | head -n 1)
xdotool windowfocus --sync "$main"

# F5: a new random-dot (monochrome) document; its window comes up inside the main window.
keys F5
# Ctrl+G: insert the Design image; the name is typed into the file dialog.
before=$(visible_windows)
keys ctrl+g
wait_for has_new_window
dialog=$(new_window)
xdotool type --delay 5 "$design"
keys Return
wait_for window_gone "$dialog"
# F6: convert. The Stereo image is done when saving it (Ctrl+A) opens its dialog; cancelled.
keys F6
ready() {
    before=$(visible_windows)
    keys ctrl+a
    local tries=10
    while [ "$tries" -gt 0 ]; do
        if has_new_window; then
            dialog=$(new_window)
            keys Escape
            wait_for window_gone "$dialog"
            return 0
        fi
        tries=$((tries - 1))
        sleep 0.1
    done
    return 1
}
TRIES=30 wait_for ready
xdotool windowfocus --sync "$main"
import -window "$main" "$work/editor.png"
# Fewer colours: the stereogram is black and white, the rest is the window's greys and blues.
convert "$work/editor.png" -colors 64 -strip PNG8:"$out"
ls -l "$out"
