#!/usr/bin/env bash
# Runs the reader's fuzz target: run.sh BUILD_DIR SECONDS
# Fails on any crash, leak or sanitizer report, which libFuzzer turns into a non-zero exit.
set -euo pipefail
build=${1:?usage: run.sh BUILD_DIR SECONDS}
seconds=${2:-60}
seeds=$build/fuzz/seeds
corpus=$build/fuzz/corpus
mkdir -p "$seeds" "$corpus"
"$build/fuzz/fuzz_make_seeds" "$seeds"
# Recording where every block was allocated and freed was a fifth of each run. A report
# still shows where the bad access happened; for the allocation stacks too, run the saved
# crash-* input again with ASAN_OPTIONS=malloc_context_size=30.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0}
# Inputs up to 4 KiB, libFuzzer's own default: room for a header, several tracks with runs
# of running status and a sysex of some KiB. Reading from memory, the reader has no path
# that only a longer input reaches; longer ones only repeat the same kinds of event, each
# run several times slower. The new finds go to the corpus folder.
"$build/fuzz/fuzz_midi_load" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 "$corpus" "$seeds"
