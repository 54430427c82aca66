#!/usr/bin/env bash
# Runs the same commands on one machine folder with the native tool and, with the
# folder laid into a Wine prefix, with zentho-appapi.exe; fails when they differ. Each
# side keeps what one command changes for the next: the native tool works on a
# scratch copy of the folder, the Windows tool in its prefix.
#   compare.sh [--i686] MACHINE COMMANDS-FILE   (one zentho-appapi command per line)
# --i686: the win32 build's zentho-appapi.exe and DLL, in a 32-bit prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
native=${ZENTHO_NATIVE_BUILD:-$here/../../build/native}
arch=() wine=Wine
if [ "${1:-}" = --i686 ]; then arch=(--i686) wine="32-bit Wine"; shift; fi
machine=$1 commands=$2
native_out=$(mktemp) wine_out=$(mktemp) copy=$(mktemp -d)
trap 'rm -rf "$native_out" "$wine_out" "$copy"' EXIT
cp -a "$machine/." "$copy/"
while IFS= read -r line; do
  echo "== $line"
  read -r -a words <<<"$line"
  "$native/tools/zentho-appapi/zentho-appapi" --machine "$copy" "${words[@]}" </dev/null || true
done < "$commands" > "$native_out"
"$here/machine.sh" "${arch[@]}" "$machine" --batch "$commands" > "$wine_out"
if ! diff -u --label native <(sed -f "$here/same-machine.sed" "$native_out") \
             --label wine <(sed -f "$here/same-machine.sed" "$wine_out"); then
  echo "compare-machine: $(basename "$machine"): the native tool and zentho-appapi.exe under $wine differ"
  exit 1
fi
echo "compare-machine: $(basename "$machine"): $(grep -c '^== ' "$native_out") commands give the same output natively and under $wine"
