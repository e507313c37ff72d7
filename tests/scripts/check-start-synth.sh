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
trap 'kill -KILL $started 2>/dev/null; rm -rf "$work" /dev/shm/jack*_"$JACK_DEFAULT_SERVER"_*' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# JACK servers on this machine take turns (see tests/support/jack/JackServer.cpp).
exec 9>>/tmp/veltrano-jack-servers.lock
flock 9

started=$(timeout 30 bash "$startSynth") || fail "start-synth failed: $(cat "$work"/*.log)"
commands=$(for pid in $started; do tr '\0' ' ' <"/proc/$pid/cmdline"; echo; done)
grep -q "^jackd -n $JACK_DEFAULT_SERVER -d dummy" <<<"$commands" || fail "no dummy server"
grep -q "^fluidsynth .*-m jack" <<<"$commands" || fail "no fluidsynth"
[ "$(wc -w <<<"$started")" -eq 2 ] || fail "started more than jackd and fluidsynth: $commands"
jack_lsp | grep -qx 'fluidsynth-midi:midi_00' || fail "jack_lsp does not list fluidsynth"
again=$(timeout 30 bash "$startSynth") && [ -z "$again" ] || { fail "again: $again"; started+=" $again"; }

coproc probeRun { timeout 20 "$probe" fluidsynth-midi:midi_00; }
output=""
while read -r line <&"${probeRun[0]}"; do
  output+="$line"$'\n'
  [ "$line" = sent ] && break
done
grep -qx 'port: fluidsynth-midi:midi_00' <<<"$output" || fail "portNames lacks fluidsynth"
grep -qx sent <<<"$output" || fail "the probe could not send to fluidsynth"
jack_lsp -c fluidsynth-midi:midi_00 | grep -q '^ ' || fail "no connection into fluidsynth"
echo done >&"${probeRun[1]}"
wait "$probeRun_PID" || fail "the probe failed to release the note"

bash "$startSynth" stop $started
for pid in $started; do ! kill -0 "$pid" 2>/dev/null || fail "$pid still runs after stop"; done
[ $failures -eq 0 ] && started="" && echo "start-synth: started, reached and stopped"
exit $((failures > 0))
