#!/usr/bin/env bash
# The offline route of a plan, under Wine: an image of each layout (Windows 2000 and XP, Vista
# and later) is written from the sample machine and its plan made natively (zentho-appapi
# --image IMAGE on APP --changes-reg); then the same image is laid into a fresh prefix, its
# plan's .reg imported with reg import and its .cmd run with cmd /c. There the Windows build
# must report what the native tool reports of the sample machine with APP switched on, and every
# file the plan copies must be in place. Ends with one line: "plan-check: N of M ...".
#   plan-check.sh [--i686]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
native=$(cd "${ZENTHO_NATIVE_BUILD:-$source_dir/build/native}" && pwd)
tool=$native/tools/zentho-appapi/zentho-appapi
arch=()
[ "${1:-}" != --i686 ] || arch=(--i686)
work=$(mktemp -d /tmp/zentho-plan-XXXXXX)
trap 'rm -rf "$work"' EXIT
windows() { echo "Z:$(tr / '\\' <<<"$1")"; }
same() { sed -f "$here/same-machine.sed" "$@"; }
passed=0 rows=0
for row in "xp word" "vista outlook"; do
  read -r layout app <<<"$row"
  rows=$((rows + 1)) image=$work/$layout
  "$native/tools/zentho-write-image" $([ "$layout" = xp ] || echo --vista) "$source_dir/examples/sample-machine" "$image"
  "$tool" --image "$image" on "$app" --changes-reg "$work/$layout.reg" >"$work/$layout.plan"
  # What the plan leads to: the sample machine with APP switched on, and each copy in place.
  cp -a "$source_dir/examples/sample-machine" "$work/$layout.folder"
  "$tool" -m "$work/$layout.folder" on "$app" >/dev/null
  { echo '@echo off'
    sed -n 's/^copy \/Y "[^"]*" \("[^"]*"\) .*/if exist \1 (echo in place: \1) else (echo missing: \1)/p' "$work/$layout.cmd"
  } >"$work/$layout.files.cmd"
  reg="!reg import $(windows "$work/$layout.reg")" cmd="!cmd /c $(windows "$work/$layout.cmd")"
  files="!cmd /c $(windows "$work/$layout.files.cmd")"
  printf '%s\n' report "$reg" "$cmd" report "$files" "check $app" >"$work/$layout.commands"
  {
    echo "== report" && "$tool" --image "$image" report
    echo "== $reg" && echo "== $cmd" && sed -n 's/^echo //p' "$work/$layout.cmd"
    # The folder is the sample, Windows 2000: the image's own Windows, as the image says it.
    echo "== report" && "$tool" --image "$image" report | head -1 && "$tool" -m "$work/$layout.folder" report | tail -n +2
    echo "== $files" && sed -n 's/^if exist \("[^"]*"\).*/in place: \1/p' "$work/$layout.files.cmd"
    # The folder keeps the profile where Windows 2000 and XP do; a Vista image has it in Users.
    echo "== check $app" && "$tool" --image "$image" check "$app" | head -1 &&
      "$tool" -m "$work/$layout.folder" check "$app" | tail -n +2 |
      if [ "$layout" = vista ]; then
        sed -e 's/C:\\Documents and Settings\\taro\\Application Data/C:\\Users\\taro\\AppData\\Roaming/g'
      else cat; fi
  } | tr -d '\r' | same >"$work/$layout.expected"
  # What reg import says is Wine's own, in the prefix's language.
  "$here/machine.sh" "${arch[@]}" --image "$image" --batch "$work/$layout.commands" 2>"$work/$layout.stderr" |
    tr -d '\r' | same | sed '/^== !reg /,/^== /{/^== /!d}' >"$work/$layout.wine" || true
  if diff -u --label "native ($layout image, $app on)" "$work/$layout.expected" --label "wine" "$work/$layout.wine"; then
    passed=$((passed + 1))
  else
    grep -av '^wine-machine: ' "$work/$layout.stderr" | head -5 || true
  fi
done
echo "plan-check: $passed of $rows images switched offline by their plan's .reg and .cmd report as planned"
[ "$passed" = "$rows" ]
