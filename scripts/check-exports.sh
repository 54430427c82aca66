#!/usr/bin/env bash
# Checks a built DLL's export table: exactly the expected decorated names at the
# expected ordinals, nothing more.
#   check-exports.sh OBJDUMP DLL EXPECTED
set -euo pipefail
objdump=$1 dll=$2 expected=$3
# The name table lists each name with its unbiased ordinal; the base is added here.
actual=$("$objdump" -p "$dll" | awk '
  /^Ordinal Base/ { base = $3 }
  /^\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
  inside && /^[ \t]*\[ *[0-9]+\]/ { gsub(/[\[\]]/, " "); print $1 + base, $2; next }
  inside && NF == 0 { inside = 0 }' | sort -n)
if [ "$actual" != "$(sort -n "$expected")" ]; then
  echo "export table of $dll differs from $expected:"
  diff <(sort -n "$expected") <(echo "$actual") || true
  exit 1
fi
echo "export table of $(basename "$dll"): $(echo "$actual" | wc -l) names at the expected ordinals"
