#!/usr/bin/env bash
# Builds Quarbel with its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
# The C++ files must be as the committed .clang-format makes them.
./scripts/check-format.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARBEL_BUILD_TESTS=ON -DQUARBEL_BUILD_BENCH=ON -DQUARBEL_WERROR=ON >/dev/null
cmake --build build
# The fuzz targets are built with clang and sanitizers and run briefly, so they keep building.
./scripts/fuzz.sh --smoke
# Printing through a real CUPS queue (cups-pdf), checked in the PDF it writes.
./scripts/print-queue-test.sh build
cd build
QT_QPA_PLATFORM=offscreen ctest -j2 --output-on-failure --timeout 300
