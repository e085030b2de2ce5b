#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/.
#   scripts/fuzz.sh --smoke               build, then run each target for a few seconds (CI)
#   scripts/fuzz.sh [SECONDS [TARGET...]] build, then fuzz each target (or the ones named: wmf, picture,
#                                         ini, document) for SECONDS (default 600), one after another
# Seeds: fuzz/corpus/<name>/ (in git; scripts/fuzz-seeds.py writes them) and, for the metafile
# target, the sample metafiles of the tests in tests/data/wmf/. What the fuzzer learns goes to build-fuzz/corpus/<name>/, crashes to build-fuzz/artifacts/.
# QUARBEL_FUZZ_RUNS=N ends each target after N executions if that comes before SECONDS.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f fuzz/CMakeLists.txt ]; then
  echo "no fuzz targets"
  exit 0
fi

seconds=600
case "${1:-}" in
  --smoke) seconds=5 ;;
  "") ;;
  *[!0-9]*) echo "usage: $0 [--smoke | SECONDS [TARGET...]]" >&2; exit 2 ;;
  *) seconds=$1 ;;
esac
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(wmf picture ini document)
fi

if ! command -v clang++ >/dev/null 2>&1; then
  echo "clang++ is needed for the fuzz targets" >&2
  exit 1
fi

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQUARBEL_BUILD_FUZZ=ON -DQUARBEL_BUILD_TESTS=OFF -DQUARBEL_BUILD_BENCH=OFF -DQUARBEL_WERROR=ON >/dev/null
cmake --build build-fuzz --target "${targets[@]/%/_fuzzer}"

export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# run TARGET CORPUS-NAME [MORE-SEED-DIRS...]
run() {
  local target=$1 name=$2
  shift 2
  local corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus" build-fuzz/artifacts
  local seeds=("fuzz/corpus/$name")
  for dir in "$@"; do
    if [ -d "$dir" ]; then
      seeds+=("$dir")
    fi
  done
  echo "fuzzing $target for $seconds s"
  "build-fuzz/fuzz/$target" -max_total_time="$seconds" -runs="${QUARBEL_FUZZ_RUNS:--1}" -timeout=25 -rss_limit_mb=2560 \
    -artifact_prefix=build-fuzz/artifacts/ -print_final_stats=1 "$corpus" "${seeds[@]}"
}

for name in "${targets[@]}"; do
  case $name in
    wmf) run wmf_fuzzer wmf tests/data/wmf ;;
    picture | ini | document) run "${name}_fuzzer" "$name" ;;
    *) echo "unknown fuzz target: $name" >&2; exit 2 ;;
  esac
done
