#!/usr/bin/env bash
# The whole program as a person uses it: the real updater on a virtual display, clicked through a
# whole update, against the simulated keyboard below the real libusb and libudev, with a JACK
# server standing in for the sound system. Passes when the keyboard ends up running 0x1023 and its
# MIDI port received the update-done message, exactly once.
#
# With --unplugged-mid-download the keyboard's cable comes out halfway through the download and
# goes back in a moment later; the person sees the failure page, retries, and the second update
# must bring the keyboard to 0x1023 all the same, with the message still sent only once.
#   updater-end-to-end.sh [--unplugged-mid-download] UPDATER SIM-KEYBOARD DEMO-DRIVER JACK-MIDI-SINK
set -euo pipefail

readonly skip=77
keyboard_faults=() driver_path=()
if [ "${1:-}" = --unplugged-mid-download ]; then
  # About halfway through the image's 2,119 blocks of 64 bytes.
  keyboard_faults=(--unplug-at-block 1000)
  driver_path=(--retry-after-failure)
  shift
fi
updater=$1 keyboard=$2 driver=$3 sink=$4

for program in xvfb-run jackd; do
  command -v "$program" > /dev/null || { echo "no $program here"; exit $skip; }
done
# The updater takes the ALSA sequencer where there is one; this test listens on JACK.
[ -e /dev/snd/seq ] && { echo "this machine has an ALSA sequencer"; exit $skip; }

work=$(mktemp -d /tmp/evarix-e2e-XXXXXX)
export JACK_DEFAULT_SERVER="evarix-e2e-$$"
jackd_pid="" run_group="" watcher_pid=""

# The updater's download lock is one for all its copies of this user, and the program takes no
# name of its own for it: another copy updating beside this test refuses this test's download.
# Each second the test notes the copies outside its run (the kernel keeps 15 letters of a name).
watch_other_updaters() {
  while :; do
    ps -u "$(id -u)" -o pid=,pgid=,comm= |
      awk -v run="$run_group" '$3 == "evarix-firmware" && $2 != run { print $1 }'
    sleep 1
  done > "$work/other-updaters"
}

# The run has a process group of its own, ended as a whole: xvfb-run leaves its Xvfb behind when
# its own clean-up fails, and so does anything of a run cut short.
end_run_group() {
  [ -n "$run_group" ] || return 0
  kill -TERM -- "-$run_group" 2> /dev/null || true
  # Zombies only wait for init to reap them.
  for _ in $(seq 50); do
    pgrep -r D,R,S,T -g "$run_group" > /dev/null || break
    sleep 0.1
  done
  kill -KILL -- "-$run_group" 2> /dev/null || true
  run_group=""
}
cleanup() {
  [ -n "$watcher_pid" ] && kill "$watcher_pid" 2> /dev/null || true
  end_run_group
  [ -n "${SINK_PID:-}" ] && kill "$SINK_PID" 2> /dev/null || true
  [ -n "$jackd_pid" ] && kill "$jackd_pid" 2> /dev/null && wait "$jackd_pid" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# Synchronous and not real-time, as the MIDI tests run it: see there.
jackd -n "$JACK_DEFAULT_SERVER" -S -r -d dummy -r 48000 -p 256 -w 5333 > "$work/jackd.log" 2>&1 &
jackd_pid=$!
coproc SINK { "$sink" "Synth in" "Evarix 25 Quorvel in"; }
read -r -t 20 ready <&"${SINK[0]}" || ready=""
[ "$ready" = ready ] || { echo "the MIDI sink did not join the JACK server"; exit 1; }

status=0
setsid xvfb-run -a -s "-screen 0 1280x800x24" \
  "$keyboard" --firmware 0x1022 --poll-timeout 1 --timeout 240 "${keyboard_faults[@]}" -- \
  "$driver" "${driver_path[@]}" "$work/screenshots" -- "$updater" > "$work/run.log" 2>&1 &
run_group=$!
watch_other_updaters &
watcher_pid=$!
wait "$run_group" || status=$?
kill "$watcher_pid" 2> /dev/null || true
end_run_group
cat "$work/run.log"

failed=0
if ! grep -q '^keyboard: mode=application firmware=0x1023 image=valid$' "$work/run.log"; then
  echo "FAILED: the keyboard was not updated (the run ended with $status)"
  failed=1
fi
[ "$status" -eq 0 ] || { echo "FAILED: the updater or its driver ended with $status"; failed=1; }
if [ ${#driver_path[@]} -gt 0 ] && ! compgen -G "$work/screenshots/*-failure.png" > /dev/null; then
  echo "FAILED: the failure page was never shown"
  failed=1
fi

# Closing the sink's input makes it write what it has left and end.
exec {SINK[1]}>&-
received=$(timeout 10 cat <&"${SINK[0]}" || true)
expected=$'Evarix 25 Quorvel in\tF0 00 00 00 22 7F 06 04 00 01 F7'
if [ "$received" != "$expected" ]; then
  echo "FAILED: the keyboard's MIDI port received:"
  echo "${received:-nothing}"
  failed=1
fi
others=$(sort -u "$work/other-updaters" | tr '\n' ' ')
[ -z "$others" ] || echo "note: other copies of the updater ran beside this test: $others"
exit $failed
