#!/usr/bin/env bash
# Builds Brindle and starts it under Wine from an installation folder in the build tree, with the
# stand-in tool as kiv.exe. Uses the current X display, or a virtual one when there is none.
# The run has a Wine prefix of its own, which opens addresses with the host's default browser.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw

state=build/wine
install=build/run/Brindle
mkdir -p "$install"
cp build/bin/brindle.exe build/bin/kiv.exe "$install/"

if [ -z "${DISPLAY:-}" ]; then
    bash cmake/wine-bed.sh display-up "$state"
    trap 'bash cmake/wine-bed.sh prefix-down "$state" "$state/prefix-run"; bash cmake/wine-bed.sh display-down "$state"' EXIT
    echo "no X display: running on a virtual one ($(cat "$state/display")); Ctrl-C ends the run"
else
    mkdir -p "$state"
    echo "$DISPLAY" >"$state/display"
    trap 'bash cmake/wine-bed.sh prefix-down "$state" "$state/prefix-run"' EXIT
fi
bash cmake/wine-bed.sh prefix-up "$state" "$state/prefix-run" 96

status=0
BRINDLE_WINE_PREFIX=run "$state/wine-run" "$install/brindle.exe" || status=$?
echo "brindle.exe ended with exit code $status; its log:"
tail -n 20 "$state/prefix-run/drive_c/users/$(id -un)/AppData/Local/Brindle/app.log" || true
exit "$status"
