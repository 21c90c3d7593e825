#!/usr/bin/env bash
# Builds QuietMinder and runs it on an emulated Pocket PC 2003 phone, then walks through what it
# does, printing the device's sound state as it changes:
#   1. you silence the device by hand, tapping "Off" in the task bar's volume pop-up (on the older
#      kind, which has no pop-up, turning the volume down to nothing): QuietMinder takes it over;
#   2. you press the power button: exactly your sound comes back;
#   3. today's plan says which appointments will silence the device, and why not the others; a
#      meeting begins: the device falls silent five minutes before it (one of the owner's rules),
#      and sounds again when it ends; the lunch right after it sounds (the owner's rules skip
#      appointments that say "lunch") (the device's clock runs fast, so an hour takes a minute).
# Options: --kind wince|ppc2002|ppc2003|ppc2003phone   another kind of device
#          --display    show the device's 240 x 320 screen (on $DISPLAY, or on a virtual screen)
#                       and open the settings window after the walk-through
#          --rate N     how many times as fast the device's clock runs (default 60)
#          --once       stop after the walk-through instead of keeping QuietMinder running
#          --raw        show the device's sound as stored (the wave volume and the registry's
#                       sound keys) instead of in words
set -euo pipefail
cd "$(dirname "$0")"
kind=ppc2003phone rate=60 once=0 display=0 raw=
while [ $# -gt 0 ]; do
  case "$1" in
    --kind) kind=$2; shift ;;
    --rate) rate=$2; shift ;;
    --once) once=1 ;;
    --display) display=1 ;;
    --raw) raw=--raw ;;
    *) sed -n '2,15p' "$0"; exit 2 ;;
  esac
  shift
done

tools/setup-machine
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target device_image >/dev/null

device=$PWD/build/demo-device
dev() { emulator/device.sh tool "$device" "$@"; }
if [ $display = 1 ]; then
  export QM_GRAPHICS=x11
  if [ -z "${DISPLAY:-}" ]; then
    Xvfb :77 -screen 0 240x320x24 >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=:77
    sleep 1
  fi
fi
echo "== a fresh $kind on $device"
emulator/device.sh create "$device" "$kind"
# The meeting link is on, a meeting's silence begins five minutes early, and an appointment that
# says "lunch" never silences the device; the settings are read when QuietMinder starts.
dev settings set EnablePOLink 1 >/dev/null
dev settings set POStartEarly 5 >/dev/null
dev settings set POSkipWords lunch >/dev/null
dev shell start >/dev/null || true

cleanup() {
  emulator/device.sh stop "$device"
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

previous=""
show() {  # prints the lines of the device's state that changed since the last call
  local now clock changes
  # A reading that fails (the device busy for a moment) shows nothing rather than ending the demo.
  now=$(dev state $raw; dev shell status 2>/dev/null | sed -n 's/^ringer mode/task bar ringer button/p') || true
  clock=$(printf '%s\n' "$now" | sed -n 's/^clock: //p')
  now=$(printf '%s\n' "$now" | grep -v '^clock:') || true
  if [ -z "$previous" ]; then
    changes=$now
  else
    changes=$(diff <(printf '%s\n' "$previous") <(printf '%s\n' "$now") | sed -n 's/^> //p' || true)
  fi
  [ -n "$changes" ] && printf '   [device clock %s]\n%s\n' "$clock" "$(printf '%s\n' "$changes" | sed 's/^/   /')"
  previous=$now
  return 0
}
watch_for() {  # watch_for SECONDS: show changes once a second
  for _ in $(seq "$1"); do sleep 1; show; done
}

echo "== QuietMinder starts silently in the notification area"
emulator/device.sh program "$device" STARTUP &
sleep 3
show

exact_sound() {  # the wave volume and the live sound values as stored, on one line
  dev state --raw | sed -n -e 's/^wave volume: /wave volume /p' \
    -e 's/^  ControlPanel\\Volume\\\([^ ]*\) = /\1 /p' | paste -sd, | sed 's/,/, /g'
}
your_sound() {  # the same as the owner sees it (or as stored, with --raw)
  if [ -n "$raw" ]; then exact_sound; return; fi
  dev state | sed -n 's/^\(volume\|screen taps\|buttons\|sounds for\|ring volume\): /\1 /p' |
    paste -sd';' | sed 's/;/; /g'
}
exact=$(exact_sound)
yours=$(your_sound)
if [ "$kind" = wince ]; then
  echo "== you turn the volume down to nothing"
  dev volume set 0 >/dev/null
else
  echo "== you tap \"Off\" in the task bar's volume pop-up"
  dev ringer off >/dev/null
fi
watch_for 3

echo "== you press the power button"
dev power >/dev/null
watch_for 3
for _ in $(seq 10); do [ "$(exact_sound)" = "$exact" ] && break; sleep 1; done
back=$(your_sound) back_exact=$(exact_sound)
echo "   your sound before the silence: $yours"
echo "   your sound after the power-on: $back"
[ "$back_exact" = "$exact" ] && echo "   (exactly as you had it)" || echo "   (NOT as you had it)"

echo "== a 30-minute meeting starts in 7 minutes, and a lunch right after it; the device's clock"
echo "   runs ${rate}x"
dev calendar sample --in 7 --minutes 30 --category Work --subject "Team meeting"
dev calendar sample --in 37 --minutes 20 --category Work --subject "Team lunch"
echo "== today's plan, before the meeting begins (qmdevice plan; the Meetings page's Today button"
echo "   shows it too): the meeting silences the device from five minutes before it, the lunch"
echo "   does not"
dev plan | sed 's/^/   /' || true
dev clock rate "$rate" >/dev/null
seconds=$(( (59 * 60 + rate - 1) / rate + 5 ))
watch_for "$seconds"

if [ $display = 1 ]; then
  echo "== you tap QuietMinder's icon: the settings window opens, and the device is silent while"
  echo "   it is open (ok on the task bar keeps the Mute page's choice)"
  dev tap >/dev/null
  watch_for 3
fi

echo "== QuietMinder's journal of what it did to the sound (\\My Documents\\QuietMinder Journal.txt;"
echo "   the About page's History button shows it too)"
dev journal | sed 's/^/   /' || true

if [ $once = 1 ]; then exit 0; fi
dev clock rate 1 >/dev/null
echo "== QuietMinder keeps running; try: emulator/device.sh tool $device volume set 0"
echo "   (or power, state, icon, tap, calendar ...). Ctrl+C stops the device."
while true; do watch_for 5; done
