#!/usr/bin/env bash
# Lays a machine folder into a fresh Wine prefix and runs the Windows tool on it, so
# that the native tool and zentho-appapi.exe can be compared on the same machine.
# With --i686 the prefix is 32-bit and the programs are the win32 build's
# (env32.sh); otherwise 64-bit with the win64 build's.
#   machine.sh [--i686] [--image] MACHINE [ZENTHO-APPAPI ARGUMENTS...]
#   machine.sh MACHINE --batch FILE   one command per line, each output after "== LINE"; a line
#                                     "!PROGRAM ARGS" runs a Windows program instead (reg, cmd)
#   machine.sh MACHINE --run PROGRAM [ARGS...]  runs C:\zentho\PROGRAM there instead (e.g. zentho_smoke.exe)
# ZENTHO_WINE_EXTRA names more Windows programs (host paths) to put in C:\zentho for --run.
# With --image, MACHINE is an offline Windows image (zentho-appapi --image): its hives are
# imported and the image is drive C:. The machine's .reg files are imported (its user's key as
# HKEY_CURRENT_USER), its drives copied into the prefix (the programs zentho-mkpe wrote made over for the
# prefix's architecture), its environment, shell folders, Windows version and code
# page applied. Settings that Wine does not take are named on standard error.
# Needs build/native (zentho-machine-to-wine) and build/win64 or build/win32 (the
# Windows programs).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
native=$(cd "${ZENTHO_NATIVE_BUILD:-$here/../../build/native}" && pwd)  # absolute: used from inside the prefix
windows=${ZENTHO_WIN64_BUILD:-$here/../../build/win64} wine_env=env.sh pe_arch=amd64
if [ "${1:-}" = --i686 ]; then
  windows=${ZENTHO_WIN32_BUILD:-$here/../../build/win32} wine_env=env32.sh pe_arch=i386
  shift
fi
image=()
if [ "${1:-}" = --image ]; then image=(--image); shift; fi
machine=$(cd "$1" && pwd)
shift
drives=("$machine"/drives/*/)
[ ${#image[@]} = 0 ] || drives=("$machine/")

work=$(mktemp -d /tmp/zentho-machine-XXXXXX)
"$native/tools/wine/zentho-machine-to-wine" "${image[@]}" "$machine" "$work"
ZENTHO_WINE_LOCALE=$(cat "$work/locale")
export ZENTHO_WINE_LOCALE
. "$here/$wine_env"
wine_prefix_start
trap 'wine_prefix_stop; rm -rf "$work"' EXIT

wine_run regedit /S "Z:$(echo "$work" | tr / '\\')\\registry.reg"
for drive in "${drives[@]}"; do
  [ -d "$drive" ] || continue
  letter=$([ ${#image[@]} = 0 ] && basename "$drive" | tr '[:upper:]' '[:lower:]' || echo c)
  mkdir -p "$WINEPREFIX/drive_$letter"
  # A file of the prefix whose name differs from the machine's only in case (Wine's
  # own iexplore.exe beside the machine's IEXPLORE.EXE) would hide it: it goes.
  (cd "$drive" && find . -type f -print0) | while IFS= read -r -d '' file; do
    folder="$WINEPREFIX/drive_$letter/$(dirname "$file")"
    name=$(basename "$file")
    [ -d "$folder" ] || continue
    for existing in "$folder"/*; do
      other=$(basename "$existing")
      if [ "$other" != "$name" ] && [ "${other,,}" = "${name,,}" ]; then rm -rf "$existing"; fi
    done
  done
  cp -a "$drive". "$WINEPREFIX/drive_$letter/"
  # The machine's programs in the prefix's architecture, or Wine cannot start them.
  (cd "$drive" && find . -type f -print0) \
    | (cd "$WINEPREFIX/drive_$letter" && xargs -0 -r "$native/tools/zentho-mkpe" --retarget "$pe_arch")
  [ "$letter" = c ] || ln -sfn "../drive_$letter" "$WINEPREFIX/dosdevices/$letter:"
done
# Programs the machine gives a behaviour to: the stand-in behaves so in the prefix.
for path_file in "$work"/standin-*.path; do
  [ -e "$path_file" ] || continue
  program=$(wine_run winepath -u "$(cat "$path_file")" 2>/dev/null | tr -d '\r')
  mkdir -p "$(dirname "$program")"
  cp "$windows/tools/wine/zentho-standin.exe" "$program"
  cp "${path_file%.path}.standin" "$program.standin"
done
wine_restart  # settings are read when Wine starts again

mkdir -p "$WINEPREFIX/drive_c/zentho"
cp "$windows/ZenthoAppAPILib.dll" "$windows/tools/zentho-appapi/zentho-appapi.exe" \
   "$windows/tools/wine/zentho-wine-probe.exe" "$windows/tests/zentho_smoke.exe" "$WINEPREFIX/drive_c/zentho/"
for extra in ${ZENTHO_WINE_EXTRA:-}; do cp "$extra" "$WINEPREFIX/drive_c/zentho/"; done

# What the machine asks for against what Wine gives.
mapfile -t queries < <(sed 's/=.*//' "$work/expected")
wine_run 'C:\zentho\zentho-wine-probe.exe' "${queries[@]}" | tr -d '\r' > "$work/actual"
while IFS= read -r want; do
  query=${want%%=*}
  got=$(grep -m1 -F "$query=" "$work/actual" || true)
  if [ "$got" != "$want" ]; then
    echo "wine-machine: Wine does not take ${want} (it has ${got#*=})" | iconv -f "$( [ "$ZENTHO_WINE_LOCALE" = en_US.UTF-8 ] && echo CP1252 || echo CP932)" -t UTF-8 >&2
  fi
done < "$work/expected"

if [ "${1:-}" = --run ]; then
  wine_run "C:\\zentho\\$2" "${@:3}" </dev/null | tr -d '\r'
elif [ "${1:-}" = --batch ]; then
  while IFS= read -r line; do
    echo "== $line"
    read -r -a words <<<"$line"
    if [[ $line == '!'* ]]; then
      words[0]=${words[0]#!}
      wine_answer "${words[@]}" || true
    else
      wine_answer 'C:\zentho\zentho-appapi.exe' "${words[@]}" || true
    fi
  done < "$2"
elif [ $# -gt 0 ]; then
  wine_answer 'C:\zentho\zentho-appapi.exe' "$@"
fi
