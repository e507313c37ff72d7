#!/usr/bin/env bash
# Makes sure the machine offers a MIDI output port the player can use.
#
#   start-synth.sh            where no port exists, starts FluidSynth with the General MIDI
#                             sound font on the machine's audio (PipeWire or PulseAudio,
#                             else ALSA, else JACK), behind a JACK server when there is no
#                             ALSA sequencer; prints the PIDs it started, one a line, and
#                             starts nothing where a port already exists.
#   start-synth.sh stop PID...  stops those processes, last started first.
#
# JACK_DEFAULT_SERVER names the JACK server to use or start, as for every JACK client.
# When the synthesizer does not come up, what was started is stopped again and the exit
# status is 1.
set -euo pipefail
soundFont=${VELTRANO_SOUND_FONT:-/usr/share/sounds/sf2/FluidR3_GM.sf2}
log=${VELTRANO_SERVICE_LOG:-/tmp/veltrano-services.log}
# A JACK client looking for a server must not start one of its own from ~/.jackdrc.
export JACK_NO_START_SERVER=1

waitFor() { # waitFor SECONDS COMMAND...: polls until the command succeeds
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

stopAll() { # stopAll PID...: SIGTERM, last first; SIGKILL what is left after 5 s
  local pids=() i pid
  for ((i = $#; i >= 1; i--)); do pids+=("${!i}"); done
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || continue
    waitFor 5 bash -c "! kill -0 $pid" || kill -KILL "$pid" 2>/dev/null || true
  done
}

alsaSynthPresent() { aconnect -o 2>/dev/null | grep -v -e 'Midi Through' -e "'System'" | grep -q '^client'; }
# A JACK port that takes MIDI in: "properties: input" followed by a midi type line.
jackMidiInputPresent() {
  jack_lsp -p -t 2>/dev/null | awk '/properties:/ { input = /input/ } /midi/ && input { found = 1 } END { exit !found }'
}
soundCardPresent() { compgen -G '/dev/snd/pcmC*' >/dev/null; }
pulsePresent() { # PulseAudio, or PipeWire through its PulseAudio server
  [ -n "${PULSE_SERVER:-}" ] || [ -S "${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/pulse/native" ]
}
audioDriver() {
  if [ -n "${VELTRANO_AUDIO:-}" ]; then
    echo "$VELTRANO_AUDIO"
  elif pulsePresent; then
    echo pulseaudio
  elif soundCardPresent; then
    echo alsa
  else
    echo jack
  fi
}

started=()
startBackground() { # startBackground COMMAND...: runs it with output to the log
  echo "== $(date '+%F %T') $*" >>"$log"
  "$@" </dev/null >>"$log" 2>&1 &
  started+=("$!")
}
giveUp() {
  echo "start-synth: $1 (see $log)" >&2
  stopAll "${started[@]}"
  exit 1
}

startJackServer() {
  local name=()
  [ -n "${JACK_DEFAULT_SERVER:-}" ] && name=(-n "$JACK_DEFAULT_SERVER")
  if soundCardPresent; then
    startBackground jackd "${name[@]}" -d alsa
  else # no sound device: a dummy clock still lets the synthesizer's port exist
    startBackground jackd "${name[@]}" -d dummy -r 48000 -p 256
  fi
  waitFor 10 jack_lsp || giveUp "the JACK server did not start"
}

# Interrupted half-way, it leaves nothing behind.
trap 'stopAll "${started[@]}"; exit 130' INT TERM

if [ "${1:-}" = stop ]; then
  shift
  stopAll "$@"
  exit 0
fi
[ -r "$soundFont" ] || { echo "start-synth: no sound font at $soundFont" >&2; exit 1; }

if [ -e /dev/snd/seq ]; then
  alsaSynthPresent && exit 0
  audio=$(audioDriver)
  [ "$audio" = jack ] && ! jack_lsp >/dev/null 2>&1 && startJackServer
  startBackground fluidsynth -is -a "$audio" -m alsa_seq "$soundFont"
  waitFor 10 alsaSynthPresent || giveUp "FluidSynth's sequencer port did not appear"
else
  if ! jack_lsp >/dev/null 2>&1; then startJackServer; fi
  if ! jackMidiInputPresent; then
    startBackground fluidsynth -is -a jack -m jack -j "$soundFont"
    waitFor 10 jackMidiInputPresent || giveUp "FluidSynth's JACK MIDI port did not appear"
  fi
fi
[ ${#started[@]} -eq 0 ] || printf '%s\n' "${started[@]}"
