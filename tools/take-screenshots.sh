#!/usr/bin/env bash
# Takes a picture of each page of the settings window, the history view, the Rules view and the
# Today view with its band on an emulated Pocket PC 2003 phone with the handheld's 240 x 320 screen (a virtual screen of that
# size), into docs/screenshots/.
# Run after a build (./run-tests.sh or ./run-demo.sh builds everything).
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshots
device=$PWD/build/screenshot-device
screen=:${QM_SCREEN:-93}
mkdir -p "$out"

Xvfb "$screen" -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  emulator/device.sh stop "$device"
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$screen QM_GRAPHICS=x11
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

emulator/device.sh create "$device" ppc2003phone >/dev/null
dev() { emulator/device.sh tool "$device" "$@"; }
dev shell start >/dev/null
# A day of appointments on a clock that stands at 10:15, with a meeting in progress that the Mute
# page offers; the link is on when the program starts.
dev clock set 2026-12-07T10:15 >/dev/null
day=$(mktemp --suffix=.ics)
event() {  # event START END SUBJECT [EXTRA LINE]
  printf 'BEGIN:VEVENT\r\nDTSTART:20261207T%s00\r\nDTEND:20261207T%s00\r\nSUMMARY:%s\r\n' "$1" "$2" "$3"
  [ -n "${4:-}" ] && printf '%s\r\n' "$4"
  printf 'END:VEVENT\r\n'
}
{
  printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\n'
  printf 'BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261207\r\nDTEND;VALUE=DATE:20261208\r\n'
  printf 'SUMMARY:Team offsite\r\nCATEGORIES:Work\r\nEND:VEVENT\r\n'
  event 1000 1100 "Design review" "CATEGORIES:Work"
  event 1030 1045 "Stand-up" "CATEGORIES:Work"
  event 1200 1300 "Lunch" "TRANSP:TRANSPARENT"
  event 1400 1430 "Dentist" "CATEGORIES:Personal"
  printf 'END:VCALENDAR\r\n'
} >"$day"
dev calendar import "$day" >/dev/null
rm -f "$day"
dev settings set EnablePOLink 1 >/dev/null
emulator/device.sh program "$device" >/dev/null 2>&1 &

# What each page shows in use: the user's taps before its picture.
use_page() {
  case $1 in
    2) dev ui select IDC_MEET_CATEGORIES Work ;;
    3) dev ui tap IDC_APPS_ENABLE ;;
    4) dev ui tap IDC_SOUND_ENABLE; dev ui tap IDC_SOUND_PROTECT ;;
  esac
}

shoot() {  # shoot NAME: the screen as it is, into docs/screenshots/NAME.png
  sleep 1                  # the window paints
  dev screenshot 'C:\screen.bmp'
  tools/bmp-to-png.py "$device/drive_c/screen.bmp" "$out/$1.png"
  echo "$out/$1.png"
}

names=(mute settings meetings apps sound about)
for tab in 0 1 2 3 4 5; do
  dev ui tab "$tab"        # waits for the window, then chooses the tab
  use_page "$tab" >/dev/null
  shoot "$tab-${names[$tab]}"
done

# The Rules view in use: silent from 5 minutes before each meeting to 10 minutes after it, two
# skip words and one always word, quiet hours from 10:00 PM to 6:30 AM beginning Sunday to
# Thursday. Its ok keeps them for the Meetings page, which the Today view plans by.
dev ui tab 2 >/dev/null
dev ui open IDC_MEET_RULES >/dev/null  # the Rules button; the view stays open
dev ui choose IDC_RULES_EARLY 1 >/dev/null
dev ui choose IDC_RULES_LATE 2 >/dev/null
dev ui type IDC_RULES_SKIP "Lunch, Private" >/dev/null
dev ui type IDC_RULES_ALWAYS "Board" >/dev/null
dev ui time IDC_RULES_QUIET_FROM 22:00 >/dev/null
dev ui time IDC_RULES_QUIET_TO 6:30 >/dev/null
for day in SUNDAY MONDAY TUESDAY WEDNESDAY THURSDAY; do dev ui tap "IDC_RULES_$day" >/dev/null; done
dev ui focus IDC_RULES_EARLY >/dev/null
shoot 8-rules
dev ui ok >/dev/null       # the view closes

# The Today view, by the Meetings page's choices (Work chosen) and the rules above: the band shows
# the quiet hours at both ends of the day and the meetings' silences between.
dev ui open IDC_MEET_TODAY  # the Today button; the view stays open
dev ui today >/dev/null   # waits for the view and its plan
shoot 7-today
dev ui ok >/dev/null      # the view closes
dev ui cancel >/dev/null

# The History view of the About page, after a silence made by hand that the power button ends
# (once the program has put the task bar's ringer back on after the Cancel).
sleep 2
dev ringer off >/dev/null
sleep 2
dev power >/dev/null
sleep 2
dev tap >/dev/null
dev ui tab 5
dev ui open IDC_ABOUT_HISTORY  # the view stays open
dev ui history >/dev/null      # waits for the view
shoot 6-history
dev ui ok >/dev/null       # the view closes
dev ui cancel >/dev/null
