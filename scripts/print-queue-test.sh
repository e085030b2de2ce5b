#!/usr/bin/env bash
# Prints through a real CUPS queue that writes PDF files (cups-pdf) and checks the PDF's picture
# pixel for pixel against the Stereo picture, and the messages of a refusing or stopped queue; then
# a queue set up the usual way (its PPD's default page A4, no media option) chosen through LPDEST,
# with LANG unset and with a Letter locale, and, when the server has no default, the choice of a
# lone queue and the message naming several.
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
a4queue=quarbel-a4-$$
conf=/etc/cups/cups-pdf-$name.conf
out=$(mktemp -d /tmp/quarbel-print.XXXXXX)
chmod 0755 "$out"
cupsd_pid=
cleanup() {
  "${sudo_cmd[@]}" lpadmin -x "$queue" 2>/dev/null || true
  "${sudo_cmd[@]}" lpadmin -x "$a4queue" 2>/dev/null || true
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
tests=$build/tests/print_queue_tests
# No lpoptions of this user may choose a default or a paper for the cases below.
home=$out/home
mkdir -p "$home"
without_default() { [ -z "$(HOME=$home LC_ALL=C lpstat -d 2>/dev/null | grep -v 'no system default')" ]; }
# run_tests [-u VARIABLE]... [VARIABLE=VALUE]... PROGRAM ARGUMENTS
run_tests() {
  local unset=(-u PRINTER -u LPDEST)
  while [ "${1:-}" = -u ]; do unset+=(-u "$2"); shift 2; done
  env "${unset[@]}" HOME="$home" QUARBEL_PRINT_OUT="$out" QT_QPA_PLATFORM=offscreen "$@"
}

"${sudo_cmd[@]}" lpadmin -p "$a4queue" -E -v "cups-pdf:/$name" -m lsb/usr/cups-pdf/CUPS-PDF_noopt.ppd ||
  { echo "print-queue test: could not set up the queue $a4queue" >&2; exit 1; }
if without_default && [ "$(LC_ALL=C lpstat -v | grep -c '^device for ')" -eq 1 ]; then
  run_tests QUARBEL_PRINT_QUEUE="$a4queue" QUARBEL_PRINT_NO_DEFAULT=none "$tests" --gtest_filter='*WithoutADefault*'
fi

"${sudo_cmd[@]}" lpadmin -p "$queue" -E -v "cups-pdf:/$name" -m lsb/usr/cups-pdf/CUPS-PDF_noopt.ppd -o media=A4 ||
  { echo "print-queue test: could not set up the queue $queue" >&2; exit 1; }
run_tests PRINTER="$queue" QUARBEL_PRINT_QUEUE="$queue" "$tests"

for lang in "" en_US.UTF-8; do
  echo "print-queue test: the queue's own paper, LANG ${lang:-unset}"
  run_tests -u LANG -u LC_ALL -u LC_PAPER ${lang:+LANG=$lang} LPDEST="$a4queue" QUARBEL_PRINT_QUEUE="$a4queue" \
    QUARBEL_PRINT_PAPER="595 x 842" QUARBEL_PRINT_MEDIA=iso_a4_210x297mm "$tests" --gtest_filter='*OwnPaper*'
done

if without_default; then
  run_tests QUARBEL_PRINT_QUEUE="$a4queue" QUARBEL_PRINT_NO_DEFAULT="$queue" "$tests" --gtest_filter='*WithoutADefault*'
else
  echo "print-queue test: the server has a default printer; the cases without one are left out"
fi
