#!/usr/bin/env bash
# A whole registry as Wine's own `regedit /E` exports it (UTF-16, thousands of keys, one of
# them named in characters no ANSI code page holds) loads natively as a machine folder and
# answers every export as the Windows build answers on the prefix it came from.
#   export-check.sh WIN64_BUILD   run inside test.sh's prefix (WINEPREFIX set, env.sh sourced)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
win64=$(cd "$1" && pwd)
native=${ZENTHO_NATIVE_BUILD:-$here/../../build/native}
. "$here/env.sh"
work=$(mktemp -d /tmp/zentho-export-XXXXXX)
trap 'rm -rf "$work"' EXIT
machine=$work/machine
mkdir -p "$machine/drives"
cp "$win64/tools/wine/zentho-wine-probe.exe" "$WINEPREFIX/drive_c/zentho/"

# A user's International settings as a real machine may name them.
wine_run reg add 'HKCU\Control Panel\International\🌎🌏🌍' /v sample /d 'a🌎b' /f >/dev/null 2>&1
wine_run regedit /E "Z:$(echo "$work" | tr / '\\')\\exported.reg"
mv "$work/exported.reg" "$machine/"
iconv -f UTF-16 -t UTF-8 "$machine/exported.reg" > "$work/exported.txt"
grep -q 'International\\🌎🌏🌍\]' "$work/exported.txt" || { echo "wine-export: the export lacks the key named 🌎🌏🌍"; exit 1; }
echo "exported: $(stat -c %s "$machine/exported.reg") bytes, $(grep -c '^\[' "$work/exported.txt") keys, one named 🌎🌏🌍"

# The prefix's settings, as the Windows build sees them.
names=(SystemRoot windir SystemDrive ProgramFiles CommonProgramFiles USERPROFILE APPDATA ALLUSERSPROFILE TEMP TMP PATH)
queries=(version acp windir "${names[@]/#/env:}" folder:26 folder:5 folder:28 folder:38)
wine_run 'C:\zentho\zentho-wine-probe.exe' "${queries[@]}" | tr -d '\r' | iconv -f CP932 -t UTF-8 > "$work/probe"
get() { sed -n "s/^$1=//p" "$work/probe"; }
read -r platform version <<<"$(get version)"
{
  echo "[windows]"
  echo "platform=$platform"
  echo "major=${version%.*}"
  echo "minor=${version#*.}"
  echo "codepage=$(get acp)"
  echo "windir=$(get windir)"
  echo "[environment]"
  for name in "${names[@]}"; do echo "$name=$(get "env:$name")"; done
  echo "[folders]"
  for csidl in 26 5 28 38; do echo "$csidl=$(get "folder:$csidl")"; done
} > "$machine/machine.ini"
ln -s "$WINEPREFIX/drive_c" "$machine/drives/C"

# Every export: each getter for every AppId the catalogue knows and some it does not, then the
# setters, whose answers depend on what the getters left.
commands=$work/commands
{
  for id in $("$native/tools/zentho-appapi/zentho-appapi" report | grep -o '^0x[0-9A-Fa-f]*') 0x0 0x9999; do
    for export in GetLatestApplicationName GetLatestApplicationPath GetLatestApplicationState; do
      echo "call $export $id"
    done
  done
  for app in Corvane Scrivale Calvora Pictora; do echo "call GetLatestSarvinTessalineAppInfo $app"; done
  for export in GetDefaultBrowser GetDefaultBrowserPath GetDefaultBrowserState GetDefaultMailer GetDefaultMailerPath \
                GetDefaultMailerState; do
    echo "call $export"
  done
  echo "call GetSupportedApplications 0x3FFF"
  echo "call SetLatestApplicationState 0x401 1"
  echo "call SetDefaultBrowserState 1"
  echo "call SetDefaultMailerState 1"
  echo "call UpdateApplTransSettings 0x9999 1 0"
} > "$commands"

native_out=$work/native wine_out=$work/wine
while IFS= read -r line; do
  echo "== $line"
  read -r -a words <<<"$line"
  "$native/tools/zentho-appapi/zentho-appapi" --machine "$machine" "${words[@]}" </dev/null || true
done < "$commands" > "$native_out"
while IFS= read -r line; do
  echo "== $line"
  read -r -a words <<<"$line"
  wine_answer 'C:\zentho\zentho-appapi.exe' "${words[@]}" || true
done < "$commands" > "$wine_out"
if ! diff -u --label native "$native_out" --label wine "$wine_out"; then
  echo "wine-export: the export of the prefix answers differently natively and under Wine"
  exit 1
fi
echo "wine-export: $(grep -c '^== ' "$native_out") calls answer the same natively on Wine's own export and under Wine"
