#!/usr/bin/env bash
# Runs the same commands on one machine folder with the native tool and, with the
# folder laid into a Wine prefix, with zentho-appapi.exe; fails when they differ. Each
# side keeps what one command changes for the next: the native tool works on a
# scratch copy of the folder, the Windows tool in its prefix.
#   compare-machine.sh MACHINE COMMANDS-FILE   (one zentho-appapi command per line)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
native=${ZENTHO_NATIVE_BUILD:-$here/../build/native}
machine=$1 commands=$2
native_out=$(mktemp) wine_out=$(mktemp) copy=$(mktemp -d)
trap 'rm -rf "$native_out" "$wine_out" "$copy"' EXIT
cp -a "$machine/." "$copy/"
while IFS= read -r line; do
  echo "== $line"
  read -r -a words <<<"$line"
  "$native/tools/zentho-appapi/zentho-appapi" --machine "$copy" "${words[@]}" </dev/null || true
done < "$commands" > "$native_out"
"$here/wine-machine.sh" "$machine" --batch "$commands" > "$wine_out"
if ! diff -u --label native "$native_out" --label wine "$wine_out"; then
  echo "compare-machine: $(basename "$machine"): the native tool and zentho-appapi.exe differ"
  exit 1
fi
echo "compare-machine: $(basename "$machine"): $(grep -c '^== ' "$native_out") commands give the same output natively and under Wine"
