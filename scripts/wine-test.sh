#!/usr/bin/env bash
# Runs the Windows build's behaviour suite and the tool's checks under 64-bit Wine,
# in one fresh prefix.
#   wine-test.sh BUILD_DIR     (the win64 build folder)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
shift
. "$here/wine-env.sh"
wine_prefix_start
dest="$WINEPREFIX/drive_c/zentho"
mkdir -p "$dest"
cp "$build/tests/zentho_tests.exe" "$build/ZenthoAppAPILib.dll" "$build/tools/zentho-appapi/zentho-appapi.exe" \
   "$build/ZenthoNSTrans.exe" "$build/ZenthoMailTransToolBar.exe" "$build/tools/zentho-standin.exe" "$dest/"
echo "== behaviour suite under Wine ($(wine_run --version 2>/dev/null || echo wine))"
wine_run 'C:\zentho\zentho_tests.exe' "$@"
echo "== tool under Wine"
"$here/../tests/tool/tool_test.sh" "wine:C:\\zentho\\zentho-appapi.exe"
echo "== Wine's own regedit /E export of this prefix, loaded natively, answers as the Windows build"
"$here/../tests/tool/wine-export.sh" "$build"
echo "== the sample machine, native and under Wine"
"$here/compare-machine.sh" "$here/../examples/sample-machine" "$here/../tests/tool/sample-commands.txt"
echo "== a caller's smoke test: the public header and the import library, on the sample machine"
"$here/wine-machine.sh" "$here/../examples/sample-machine" --run zentho_smoke.exe 2>/dev/null
echo "== every application switched on and off on the sample machine, native and under Wine"
"$here/compare-machine.sh" "$here/../examples/sample-machine" "$here/../tests/tool/switch-commands.txt"
echo "== the tool's commands on the sample and two other machines, native and under Wine"
machines=$(mktemp -d /tmp/zentho-machines-XXXXXX)
trap 'rm -rf "$machines"; wine_prefix_stop' EXIT
"$here/../tests/tool/make-machines.sh" "$machines" >/dev/null
for machine in "$here/../examples/sample-machine" "$machines/english-xp" "$machines/bare-2000"; do
  "$here/compare-machine.sh" "$machine" "$here/../tests/tool/tour-commands.txt"
done
