#!/usr/bin/env bash
# Installs what is needed, builds the player, writes the example songs and starts the
# player. Where the machine offers no MIDI output port, a software synthesizer is started
# first; when the player exits (or this script is interrupted), what was started here is
# stopped again, and nothing else.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=${VELTRANO_BUILD_ROOT:-$top/build}/release

bash scripts/setup-deps.sh
bash scripts/build.sh "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_TESTS=OFF \
  -DVELTRANO_BENCH=OFF

/usr/bin/python3 scripts/make-examples.py "$out/examples"

player=$out/app/veltrano
started="" playerPid=""
stopStarted() {
  [ -z "$playerPid" ] || kill "$playerPid" 2>/dev/null || true
  [ -z "$started" ] || bash scripts/start-synth.sh stop $started
}
trap stopStarted EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
if ! started=$(bash scripts/start-synth.sh); then
  echo "No software synthesizer could be started; pick a port of your own under 'Settings'."
fi
# In the background, so that a signal to this script is handled while the player runs.
"$player" "$@" &
playerPid=$!
status=0
wait "$playerPid" || status=$?
playerPid=""
exit "$status"
