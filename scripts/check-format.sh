#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it (the committed .clang-format).
#   scripts/check-format.sh          list the files that differ and exit 1 if any
#   scripts/check-format.sh --fix    format them in place
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null 2>&1; then
  echo "clang-format is needed to check the formatting" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
# One clang-format for all files when they match (the usual case); file by file to name the others.
if clang-format --dry-run --Werror "${files[@]}" >/dev/null 2>&1; then
  echo "formatting: ${#files[@]} files match .clang-format"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    bad+=("$f")
  fi
done
if ((${#bad[@]})); then
  echo "Not formatted with .clang-format (run scripts/check-format.sh --fix):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "formatting: ${#files[@]} files match .clang-format"
