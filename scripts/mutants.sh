#!/usr/bin/env bash
# Plants the mutants of a catalogue one at a time, each a small plausible bug, and
# checks that the native tests (without the long sweeps) catch it. Works in a scratch
# copy of the tree, so the tree itself never changes, and rebuilds incrementally.
#
#   mutants.sh [--check] [--share K/N] [--match TEXT] [CATALOGUE]   (default tests/mutants.txt)
#
# A catalogue line: FILE @@ FIND @@ REPLACE @@ RULE [@@ equivalent: WHY]
# (an empty REPLACE deletes FIND: "FILE @@ FIND @@ @@ RULE")
# FIND must occur exactly once in FILE; "\n" in FIND or REPLACE stands for a line
# break, and "#" starts a comment line. A mutant marked equivalent changes nothing a
# caller can observe: it is checked to build, and its survival is expected.
# --share K/N plants the mutants whose number is K modulo N (1 <= K <= N), a fixed
# part of the catalogue; --match plants those whose line holds TEXT; --check only
# checks that every line can be planted, without building anything.
# Prints each verdict, then the counts; exits 1 when a mutant survives, or a line
# cannot be planted.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/.." && pwd)
share="" match="" check=""
while [ $# -gt 0 ]; do
  case $1 in
    --check) check=1; shift ;;
    --share) share=$2; shift 2 ;;
    --match) match=$2; shift 2 ;;
    *) break ;;
  esac
done
catalogue=$(cd "$(dirname "${1:-$source_dir/tests/mutants.txt}")" && pwd)/$(basename "${1:-tests/mutants.txt}")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zentho-mutants-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
tree=$scratch/tree build=$scratch/tree/build/native  # where the tool finds the sample
mkdir -p "$tree"
tar -C "$source_dir" --exclude=./build --exclude=./.git --exclude=./dist -cf - . | tar -C "$tree" -xf -
if [ -z "$check" ]; then
  echo "== building the tests once (native, $(nproc) jobs)"
  cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS=-O0 >/dev/null
  cmake --build "$build" --target zentho_tests zentho-appapi zentho-write-image >"$scratch/build.log" 2>&1 ||
    { tail -20 "$scratch/build.log"; exit 1; }
fi

# The tests a mutant must fail: the behaviour suite without its sweeps, and the tool's
# contract when the tool is what changed. Test machines live in memory where possible.
run_tests() {
  local file=$1
  export TMPDIR=/dev/shm
  [ -d /dev/shm ] || unset TMPDIR
  timeout 30 "$build/tests/zentho_tests" --gtest_filter='-FaultSweep*:HostileRegistry*' >/dev/null 2>&1 || return 1
  case $file in
    tools/zentho-appapi/*|tools/winsim/formats/folder_commit*|tools/winsim/formats/machine_folder*|\
    tools/winsim/core/filesystem*|tools/winsim/core/host_file*|tools/winsim/formats/hive_image*|\
    tools/winsim/changes/change_text*)
      timeout 120 "$tree/tests/tool/tool_test.sh" "$build/tools/zentho-appapi/zentho-appapi" "$tree" \
               "$build/tools/zentho-write-image" >/dev/null 2>&1 || return 1
      timeout 60 "$tree/tests/tool/check_test.sh" "$build/tools/zentho-appapi/zentho-appapi" "$tree" \
               >/dev/null 2>&1 || return 1 ;;
  esac
  return 0
}

# Replaces the one occurrence of FIND in FILE by REPLACE; fails when FIND is not there
# exactly once.
plant() {
  FIND=$2 REPLACE=$3 perl -0777 -i -pe '
    BEGIN { ($f, $r) = map { my $x = $_; utf8::decode($x); $x =~ s/\x{23CE}/\n/g; utf8::encode($x); $x } @ENV{qw(FIND REPLACE)} }
    $n = () = /\Q$f\E/g;
    die "found $n times\n" if $n != 1;
    s/\Q$f\E/$r/;' "$1"
}

killed=0 survived=0 unbuilt=0 equivalent=0 broken=0 number=0
survivors=()
# The catalogue on its own descriptor: nothing a mutant runs may read from it.
while IFS= read -r line <&3 || [ -n "$line" ]; do
  case $line in ''|'#'*) continue ;; esac
  number=$((number + 1))
  if [ -n "$share" ] && [ $(( (number - 1) % ${share#*/} + 1 )) -ne "${share%/*}" ]; then continue; fi
  if [ -n "$match" ] && [[ $line != *"$match"* ]]; then continue; fi
  # Fields, split at "@@", each less one blank on either side (an empty one is "@@ @@").
  rest=$line fields=()
  while [[ $rest == *"@@"* ]]; do fields+=("${rest%%@@*}"); rest=${rest#*@@}; done
  fields+=("$rest")
  for i in "${!fields[@]}"; do f=${fields[$i]#" "}; fields[$i]=${f%" "}; done
  if [ ${#fields[@]} -lt 4 ]; then
    echo "broken    #$number: not FILE @@ FIND @@ REPLACE @@ RULE: $line"
    broken=$((broken + 1)); continue
  fi
  file=${fields[0]} rule=${fields[3]} marked=${fields[4]:-}
  cp "$tree/$file" "$scratch/original" 2>/dev/null || { echo "broken    #$number: no file $file"; broken=$((broken + 1)); continue; }
  if ! why=$(plant "$tree/$file" "${fields[1]}" "${fields[2]}" 2>&1); then
    echo "broken    #$number: $file: \"${fields[1]}\" $why"
    broken=$((broken + 1)); continue
  fi
  if [ -n "$check" ]; then
    verdict="plants"
  elif ! cmake --build "$build" --target zentho_tests zentho-appapi >"$scratch/build.log" 2>&1; then
    verdict="unbuilt"; unbuilt=$((unbuilt + 1))
    grep -m1 -o 'error: .*' "$scratch/build.log" | sed 's/^/           /' || true
  elif run_tests "$file"; then
    if [[ $marked == equivalent:* ]]; then verdict="equivalent"; equivalent=$((equivalent + 1))
    else verdict="SURVIVED"; survived=$((survived + 1)); survivors+=("#$number $file: $rule"); fi
  else
    verdict="killed"; killed=$((killed + 1))
  fi
  printf '%-10s #%-3d %s: %s\n' "$verdict" "$number" "$file" "$rule"
  cp "$scratch/original" "$tree/$file"
done 3< "$catalogue" </dev/null

echo "mutants: $killed killed, $survived survived, $unbuilt did not build, $equivalent equivalent, $broken broken"
for survivor in "${survivors[@]}"; do echo "survived: $survivor"; done
[ "$survived" -eq 0 ] && [ "$broken" -eq 0 ]
