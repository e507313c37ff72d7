#!/usr/bin/env bash
# check-start-synth.sh START_SYNTH PROBE: on a machine without ALSA sequencer, start-synth
# must start a dummy JACK server and FluidSynth under a private server name, the player's
# port must list FluidSynth's input and reach it, and "stop" must leave nothing running.
set -uo pipefail
startSynth=${1:?usage: check-start-synth.sh START_SYNTH PROBE}
probe=${2:?usage: check-start-synth.sh START_SYNTH PROBE}
[ ! -e /dev/snd/seq ] || { echo "this machine has an ALSA sequencer; test not run"; exit 0; }

work=$(mktemp -d)
export JACK_DEFAULT_SERVER=veltrano-synth-test-$$ JACK_NO_START_SERVER=1
export VELTRANO_SERVICE_LOG=$work/services.log
started=""
cleanUp() {
  [ -z "$started" ] || kill -KILL $started 2>/dev/null
  rm -rf "$work" /dev/shm/jack*_"${JACK_DEFAULT_SERVER}"_* 2>/dev/null
}
trap cleanUp EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# JACK servers on this machine take turns (see tests/support/jack/JackServer.cpp).
exec 9>>/tmp/veltrano-jack-servers.lock
flock 9

started=$(timeout 30 bash "$startSynth") || fail "start-synth failed: $(cat "$VELTRANO_SERVICE_LOG")"
[ "$(wc -w <<<"$started")" -eq 2 ] || fail "expected jackd and fluidsynth, started: $started"
for pid in $started; do
  command=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)
  case $command in
  jackd*) grep -q -- "-n $JACK_DEFAULT_SERVER -d dummy" <<<"$command" || fail "server: $command" ;;
  fluidsynth*) ;;
  *) fail "$pid is not ours: $command" ;;
  esac
done
jack_lsp | grep -qx 'fluidsynth-midi:midi_00' || fail "jack_lsp does not list fluidsynth"

# A second run finds the port and starts nothing.
again=$(timeout 30 bash "$startSynth") || fail "second start-synth failed"
[ -z "$again" ] || { fail "second run started $again"; started="$started $again"; }

coproc probeRun { timeout 20 "$probe" fluidsynth-midi:midi_00; }
listed=0 sent=0
while read -r line <&"${probeRun[0]}"; do
  [ "$line" = "port: fluidsynth-midi:midi_00" ] && listed=1
  [ "$line" = sent ] && { sent=1; break; }
done
[ $listed -eq 1 ] || fail "ZylmidiOut::portNames does not list fluidsynth"
[ $sent -eq 1 ] || fail "the probe could not send to fluidsynth"
jack_lsp -c fluidsynth-midi:midi_00 | grep -q '^ ' || fail "no connection into fluidsynth"
echo done >&"${probeRun[1]}"
wait "$probeRun_PID" || fail "the probe failed to release the note"

bash "$startSynth" stop $started
for pid in $started; do
  ! kill -0 "$pid" 2>/dev/null || fail "$pid still runs after stop"
done
[ $failures -eq 0 ] && started="" && echo "start-synth: started, reached and stopped"
exit $((failures > 0))
