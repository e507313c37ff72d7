#!/usr/bin/env bash
# Makes sure the machine offers a MIDI output port the player can use. Where no port
# exists, starts FluidSynth with the General MIDI sound font, behind a JACK server
# when there is no ALSA sequencer. Prints the PIDs it started, one a line, so the
# caller can stop them; starts nothing where a port already exists.
set -euo pipefail
soundFont=/usr/share/sounds/sf2/FluidR3_GM.sf2
log=${VELTRANO_SERVICE_LOG:-/tmp/veltrano-services.log}

waitFor() { # waitFor SECONDS COMMAND...: polls until the command succeeds
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

alsaSynthPresent() { aconnect -o 2>/dev/null | grep -v -e 'Midi Through' -e "'System'" | grep -q '^client'; }
# A JACK port that takes MIDI in: "properties: input" followed by a midi type line.
jackMidiInputPresent() {
  jack_lsp -p -t 2>/dev/null | awk '/properties:/ { input = /input/ } /midi/ && input { found = 1 } END { exit !found }'
}

if [ -e /dev/snd/seq ]; then
  alsaSynthPresent && exit 0
  fluidsynth -is -a "${VELTRANO_AUDIO:-pulseaudio}" -m alsa_seq "$soundFont" >>"$log" 2>&1 &
  echo $!
  waitFor 10 alsaSynthPresent
  exit 0
fi

if ! jack_lsp >/dev/null 2>&1; then
  if [ -d /dev/snd ]; then driver=(-d alsa); else driver=(-d dummy -r 48000 -p 256); fi
  jackd "${driver[@]}" >>"$log" 2>&1 &
  echo $!
  waitFor 10 jack_lsp
fi
jackMidiInputPresent && exit 0
fluidsynth -is -a jack -m jack -j "$soundFont" >>"$log" 2>&1 &
echo $!
waitFor 10 jackMidiInputPresent
