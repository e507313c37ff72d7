#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite:
#   1. the libFuzzer target for the file reader, for $VELTRANO_FUZZ_SECONDS (60);
#   2. the unit tests under AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. the threaded suites under ThreadSanitizer;
#   4. every test of the normal build, last, so its summary closes the output.
# Each suite starts its own private JACK servers; the display comes from xvfb-run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=${VELTRANO_BUILD_ROOT:-$top/build}
fuzzSeconds=${VELTRANO_FUZZ_SECONDS:-60}

bash scripts/setup-deps.sh

source scripts/suite-env.sh

echo "== fuzzing the file reader for ${fuzzSeconds}s"
CXX=clang++ cmake -S . -B "$out/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTRANO_FUZZ=ON -DVELTRANO_TESTS=OFF -DVELTRANO_BENCH=OFF
cmake --build "$out/fuzz" -j "$(nproc)" --target fuzz_midi_load fuzz_make_seeds
bash fuzz/run.sh "$out/fuzz" "$fuzzSeconds"

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
bash scripts/build.sh "$out/asan" -DCMAKE_BUILD_TYPE=Debug -DVELTRANO_BENCH=OFF \
  -DVELTRANO_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  runSuite "$out/asan"

echo "== threaded suites under ThreadSanitizer"
bash scripts/build.sh "$out/tsan" -DCMAKE_BUILD_TYPE=Debug -DVELTRANO_BENCH=OFF \
  -DVELTRANO_SANITIZE=thread
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$top/tests/tsan.supp \
  runSuite "$out/tsan" -L thread

echo "== all tests"
bash scripts/build.sh "$out/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo
runSuite "$out/release"
