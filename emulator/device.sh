#!/usr/bin/env bash
# The emulated handheld on this machine: each device is a Wine prefix of its own.
#   emulator/device.sh create DIR [KIND]     a fresh device of KIND (ppc2003phone by default) with
#                                            QuietMinder installed as \Program Files\QuietMinder
#   emulator/device.sh tool DIR ARGS...      the device tool (qmdevice) on that device
#   emulator/device.sh program DIR [ARGS]    runs QuietMinder on that device (in the foreground)
#   emulator/device.sh exec DIR PROGRAM ...  runs any program on that device
#   emulator/device.sh stop DIR              ends every process of that device
# BUILD (default: build/ beside this folder) names the build tree holding the device image.
# QM_GRAPHICS=x11 gives the device a real display (default: null, headless).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD:-$here/../build}
image=$build/device-image
program='C:\Program Files\QuietMinder\QuietMinder.exe'

run_on() {  # run_on DIR PROGRAM ARGS...
  local dir=$1; shift
  QM_WINEPREFIX=$dir "$here/../tools/wine-run" "$@"
}

cmd=${1:-}; shift || true
case "$cmd" in
  create)
    dir=$1 kind=${2:-ppc2003phone}
    [ -d "$image/windows" ] || { echo "no device image in $image: build first" >&2; exit 1; }
    template=$build/device-template
    "$here/../tools/wine-prefix" "$template" null
    (
      flock 9
      # The handheld's screen: every program of the device runs on one 240 x 320 desktop.
      if [ ! -f "$template/.qm-screen" ]; then
        export WINEPREFIX=$template WINEDEBUG=-all
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 240x320 /f \
          >/dev/null 2>&1
        touch "$template/.qm-screen"
      fi
    ) 9>"$template.lock"
    WINEPREFIX=$template wineserver -w 2>/dev/null || true
    rm -rf "$dir"; mkdir -p "$(dirname "$dir")"
    cp -a "$template" "$dir"
    rm -f "$dir/.qm-graphics"
    "$here/../tools/wine-prefix" "$dir" "${QM_GRAPHICS:-null}"
    cp "$image"/windows/* "$dir/drive_c/windows/"
    # The handheld's system font: dialogs in "Tahoma" get the handheld's text widths.
    mkdir -p "$dir/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/tahoma*.ttf "$dir/drive_c/windows/Fonts/" 2>/dev/null || true
    mkdir -p "$dir/drive_c/Program Files/QuietMinder"
    cp "$image/program/QuietMinder.exe" "$dir/drive_c/Program Files/QuietMinder/"
    run_on "$dir" 'C:\windows\qmdevice.exe' init --kind "$kind"
    ;;
  tool)
    dir=$1; shift
    # Files of the host named on the command line are handed over by their Windows path.
    args=()
    for a in "$@"; do
      if [ -e "$a" ] && [[ "$a" == */* || "$a" == *.* ]]; then
        args+=("$(WINEPREFIX=$dir winepath -w "$(realpath "$a")" 2>/dev/null)")
      else
        args+=("$a")
      fi
    done
    run_on "$dir" 'C:\windows\qmdevice.exe' "${args[@]}"
    ;;
  program)
    dir=$1; shift
    run_on "$dir" "$program" "$@"
    ;;
  exec)
    dir=$1; shift
    run_on "$dir" "$@"
    ;;
  stop)
    WINEPREFIX=$1 wineserver -k 2>/dev/null || true
    ;;
  *)
    sed -n '2,12p' "$0" >&2; exit 2 ;;
esac
