#!/usr/bin/env bash
# Prints through a real CUPS queue that writes PDF files (cups-pdf) and checks the PDF's picture
# pixel for pixel against the Stereo picture, and the messages of a refusing or stopped queue.
# Starts the CUPS scheduler when it is not running; removes its own queue afterwards.
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

if ! lpstat -r >/dev/null 2>&1; then
  "${sudo_cmd[@]}" cupsd
  for _ in $(seq 1 100); do
    lpstat -r >/dev/null 2>&1 && break
    sleep 0.1
  done
  lpstat -r >/dev/null 2>&1 || { echo "print-queue test: the CUPS scheduler did not start" >&2; exit 1; }
fi

# cups-pdf reads /etc/cups/cups-pdf-NAME.conf for the device cups-pdf:/NAME.
name=quarbel$$
queue=quarbel-test-$$
conf=/etc/cups/cups-pdf-$name.conf
out=$(mktemp -d /tmp/quarbel-print.XXXXXX)
chmod 0755 "$out"
cleanup() {
  "${sudo_cmd[@]}" lpadmin -x "$queue" 2>/dev/null || true
  "${sudo_cmd[@]}" rm -f "$conf"
  "${sudo_cmd[@]}" rm -rf "$out"
}
trap cleanup EXIT
printf 'Out %s\nLabel 0\n' "$out" | "${sudo_cmd[@]}" tee "$conf" >/dev/null
"${sudo_cmd[@]}" lpadmin -p "$queue" -E -v "cups-pdf:/$name" -m lsb/usr/cups-pdf/CUPS-PDF_noopt.ppd \
  -o media=A4 2>/dev/null

PRINTER=$queue QUARBEL_PRINT_QUEUE=$queue QUARBEL_PRINT_OUT=$out QT_QPA_PLATFORM=offscreen \
  "$build/tests/print_queue_tests"
