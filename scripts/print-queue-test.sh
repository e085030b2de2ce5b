#!/usr/bin/env bash
# Prints through a real CUPS queue that writes PDF files (cups-pdf) and checks the PDF's picture
# pixel for pixel against the Stereo picture, and the messages of a refusing or stopped queue.
# Starts the CUPS scheduler when it is not running (and stops it again); removes its own queue.
# Usage: scripts/print-queue-test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null || ! command -v pdfimages >/dev/null ||
  [ ! -e /usr/lib/cups/backend/cups-pdf ]; then
  echo "print-queue test skipped: cups, printer-driver-cups-pdf or poppler-utils is not installed"
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

# cups-pdf reads /etc/cups/cups-pdf-NAME.conf for the device cups-pdf:/NAME.
name=quarbel$$
queue=quarbel-test-$$
conf=/etc/cups/cups-pdf-$name.conf
out=$(mktemp -d /tmp/quarbel-print.XXXXXX)
chmod 0755 "$out"
cupsd_pid=
cleanup() {
  "${sudo_cmd[@]}" lpadmin -x "$queue" 2>/dev/null || true
  "${sudo_cmd[@]}" rm -f "$conf"
  "${sudo_cmd[@]}" rm -rf "$out"
  if [ -n "$cupsd_pid" ]; then
    "${sudo_cmd[@]}" kill "$cupsd_pid" 2>/dev/null || true
    wait "$cupsd_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# lpstat -r succeeds either way; only its words tell.
scheduler_running() { LC_ALL=C lpstat -r 2>/dev/null | grep -qx 'scheduler is running'; }

if ! scheduler_running; then
  "${sudo_cmd[@]}" cupsd -f &
  cupsd_pid=$!
  for _ in $(seq 1 100); do
    scheduler_running && break
    sleep 0.1
  done
  scheduler_running || { echo "print-queue test: the CUPS scheduler did not start" >&2; exit 1; }
fi

printf 'Out %s\nLabel 0\n' "$out" | "${sudo_cmd[@]}" tee "$conf" >/dev/null
"${sudo_cmd[@]}" lpadmin -p "$queue" -E -v "cups-pdf:/$name" -m lsb/usr/cups-pdf/CUPS-PDF_noopt.ppd -o media=A4 ||
  { echo "print-queue test: could not set up the queue $queue" >&2; exit 1; }

PRINTER=$queue QUARBEL_PRINT_QUEUE=$queue QUARBEL_PRINT_OUT=$out QT_QPA_PLATFORM=offscreen \
  "$build/tests/print_queue_tests"
