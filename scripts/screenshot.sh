#!/usr/bin/env bash
# Writes a picture of the player's window with a few files in its playlist:
# screenshot.sh BUILD_DIR [OUTPUT.png] [empty]; with "empty", the first window a new user
# sees (no files, no output chosen) instead. Runs on a private Xvfb display with a temporary
# HOME, so neither the user's screen nor the user's settings are touched.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: screenshot.sh BUILD_DIR [OUTPUT.png]}
output=${2:-$top/docs/screenshot.png}
empty=${3:-}
player=$build/app/veltrano
[ -x "$player" ] || { echo "no player at $player" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A few short one-track songs, and a store whose playlist lists them.
mkdir -p "$work/home/.fltk/nvx" "$work/music"
/usr/bin/python3 - "$work/music" <<'PY'
import struct, sys
names = ["Blue Danube Waltz", "Radetzky March", "Greensleeves", "Ode to Joy", "Minuet in G"]
for n, name in enumerate(names):
    body = b""
    for note in (60, 64, 67, 72)[: 2 + n % 3]:
        body += bytes([0, 0x90, note, 90, 0x83, 0x60, 0x80, note, 0])
    body += bytes([0, 0xFF, 0x2F, 0])
    data = b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" + struct.pack(">I", len(body)) + body
    open(f"{sys.argv[1]}/{name}.mid", "wb").write(data)
PY
{
  printf '; FLTK preferences file format 1.0\n; vendor: nvx\n; application: Veltrano\n\n[.]\n\n'
  i=0
  [ "$empty" = empty ] || for f in "$work"/music/*.mid; do printf 'Files%d:%s\n' "$i" "$f"; i=$((i + 1)); done
  printf '\n[./posize]\n\nx:0\ny:0\nw:1000\nh:660\n'
} > "$work/home/.fltk/nvx/Veltrano.prefs"

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

HOME=$work/home JACK_DEFAULT_SERVER=veltrano-screenshot "$player" >/dev/null 2>&1 &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name "^Veltrano V1.4$" | head -n 1)
sleep 0.5 # let the first frame be drawn
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
echo "wrote $output"
