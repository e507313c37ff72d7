#!/usr/bin/env bash
# Installs what is needed, builds the player and starts it. Where the machine offers no
# MIDI output port, a software synthesizer is started first and stopped afterwards.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=${VELTRANO_BUILD_ROOT:-$top/build}/release

bash scripts/setup-deps.sh
bash scripts/build.sh "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_TESTS=OFF \
  -DVELTRANO_BENCH=OFF

player=$out/app/veltrano
started=$(bash scripts/start-synth.sh)
trap '[ -n "$started" ] && kill $started 2>/dev/null || true' EXIT
"$player" "$@"
