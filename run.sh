#!/usr/bin/env bash
# Builds Quarbel (Release, into build/) and starts the editor.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARBEL_BUILD_TESTS=OFF -DQUARBEL_BUILD_BENCH=OFF >/dev/null
cmake --build build --target quarbel quarbel-convert
exec ./build/app/quarbel "$@"
