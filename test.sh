#!/usr/bin/env bash
# Builds Quarbel and runs every test. The tests run in build-asan/, a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (any report fails the test); build/ is the Release build of the
# programs and the benchmarks, as run.sh makes it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
# The C++ files must be as the committed .clang-format makes them.
./scripts/check-format.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARBEL_BUILD_TESTS=OFF -DQUARBEL_BUILD_BENCH=ON -DQUARBEL_WERROR=ON >/dev/null
cmake --build build
# Warnings are errors in the Release build; GCC's bounds warnings misfire on instrumented code.
# Installing and packaging the Release build: the package CI installs is build/quarbel_*.deb. It
# hardly uses the processor, so it runs beside the instrumented build.
tests/install/install-test.sh build >build/install-test.log 2>&1 &
install_test=$!
# -O1 and line tables only: the instrumented build is the longest step of a clean run. The test
# programs' own files are compiled at -O0, which halves their build; the code they test keeps -O1.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" \
  -DQUARBEL_TEST_COMPILE_OPTIONS=-O0 -DQUARBEL_SANITIZE=ON -DQUARBEL_BUILD_TESTS=ON -DQUARBEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan
install_status=0
wait "$install_test" || install_status=$?
cat build/install-test.log
if ((install_status)); then
  echo "the install and package checks failed" >&2
  exit "$install_status"
fi
# The fuzz targets are built with clang and sanitizers and run briefly, so they keep building.
./scripts/fuzz.sh --smoke
# Every sanitizer report ends the program that made it; leaks are reported at exit.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# Printing through a real CUPS queue (cups-pdf), checked in the PDF it writes.
./scripts/print-queue-test.sh build-asan
cd build-asan
QT_QPA_PLATFORM=offscreen ctest -j2 --output-on-failure --timeout 300
