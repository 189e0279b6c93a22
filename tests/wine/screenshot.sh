#!/usr/bin/env bash
# Takes the picture of softuninst's progress dialog half-way through a removal:
#   tests/wine/screenshot.sh [MINGW64_BUILD_DIR [OUTPUT_PNG]]   (build/mingw64, docs/progress-dialog.png)
# Runs `softuninst verbose` on the example package in a fresh prefix under Xvfb with the x11
# graphics driver; the confirmation is answered OK by boxanswer, and the device setup tool
# (hwctl_record) waits while C:\hwctl\hold exists, so the dialog stays at the devices step.
# The screen is taken then, the hold is lifted and the run ends.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 2
mingw64_build=$(cd "${1:-build/mingw64}" && pwd)
output=${2:-docs/progress-dialog.png}
source tests/wine/prefix.sh

prefix=$(mktemp -d)
display=:${SCREENSHOT_DISPLAY:-97}
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    [ -n "${KEEP_PREFIX:-}" ] || prefix_destroy
    kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
for ((tries = 0; tries < 50; tries++)); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && break
    sleep 0.1
done
prefix_create "$prefix" || exit 1
export DISPLAY=$display
wine_run reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null
# The desktop process that wineboot started keeps the null driver, and a program takes the
# driver of its desktop: without a new session its first window fails. A new server starts one.
"$wine_server" -k
"$wine_server" -w
"$wine_server" -p || exit 1

drive=$WINEPREFIX/drive_c
cp examples/uninstall-info.reg "$drive/uninstall-info.reg"
wine_run reg import 'C:\uninstall-info.reg' >/dev/null 2>&1
cp "$mingw64_build/softuninst/softuninst.exe" "$drive/windows/softuninst.exe"
cp "$mingw64_build/tests/wine/hwctl_record.exe" "$drive/windows/Hwctl2k.exe"
mkdir -p "$drive/hwctl" "$drive/work"
touch "$drive/hwctl/hold"

wine_run "$mingw64_build/tests/wine/boxanswer.exe" OK 'C:\boxes.log' &
answerer=$!
(cd "$drive/work" && wine_run "$mingw64_build/softuninst/softuninst.exe" verbose) &
run=$!

# The tool's record appears when the dialog has reached the devices step.
for ((tries = 0; tries < 300; tries++)); do
    [ -f "$drive/hwctl/1/command_line" ] && break
    sleep 0.1
done
sleep 1
mkdir -p "$(dirname "$output")"
import -display "$display" -window root "$output"
echo "picture: $output"
rm -f "$drive/hwctl/hold"
wait "$run"
echo "softuninst verbose: status $?"
kill "$answerer" 2>/dev/null
wait "$answerer" 2>/dev/null
exit 0
