#!/usr/bin/env bash
# Checks that the shipped binaries load on the Windows they are for, as a Windows
# loader reads them: every imported function is on scripts/windows-imports.txt and
# exported by the oldest Windows of the binary's kind, and the PE header asks for no
# newer Windows. Names every offending import with its binary, and fails.
#   check-imports.sh OBJDUMP ARCH --product FILE... --tool FILE...
# ARCH is i686 or x86_64. On i686 the product (the DLL and its programs) must load on
# Windows 95 and NT 4.0, the tool on Windows 2000; on x86_64 everything on the first
# 64-bit Windows (NT 5.2).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
objdump=$1 arch=$2
shift 2
allowed="$here/windows-imports.txt"
kind="" failures=0 checked=0

# "DLL FUNCTION" for each import of a PE file; a function imported by ordinal alone
# comes out as "DLL #ORDINAL" and is on no list.
imports() {
  "$objdump" -p "$1" | awk '
    /^The Import Tables/ { inside = 1; next }
    /^The Export Tables/ { inside = 0 }
    inside && /DLL Name:/ { dll = $3; next }
    inside && dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ && NF == 3 { print dll, $3; next }
    inside && dll != "" && /<none>/ { print dll, "#" $2 }'
}

# The oldest Windows each kind of binary must load on: the newest 95-family and NT
# versions its imports and header may ask for ("-": it need not load on that family).
limits() {
  case "$arch:$kind" in
    i686:product) echo "95 4.0" ;;
    i686:tool) echo "- 5.0" ;;
    x86_64:*) echo "- 5.2" ;;
    *) echo "check-imports.sh: unknown architecture $arch" >&2; exit 2 ;;
  esac
}

# Whether version a is at most version b: NT numbers, or 95, 98 and me (4.0, 4.10, 4.90).
at_most() {
  number() { case $1 in 95) echo 4.0 ;; 98) echo 4.10 ;; me) echo 4.90 ;; *) echo "$1" ;; esac; }
  awk -v a="$(number "$1")" -v b="$(number "$2")" \
    'BEGIN { split(a, x, "."); split(b, y, "."); exit !(x[1] < y[1] || (x[1] == y[1] && x[2] + 0 <= y[2] + 0)) }'
}

check() {  # check FILE: its imports and header against the limits of $kind
  local file=$1 name
  name=$(basename "$file")
  read -r want9x wantnt < <(limits)
  local bad=0
  while read -r dll function; do
    local entry
    entry=$(awk -v d="$dll" -v f="$function" 'tolower($1) == tolower(d) && $2 == f { print $3, $4; exit }' "$allowed")
    if [ -z "$entry" ]; then
      echo "$name imports $dll!$function, which is not on $(basename "$allowed")"
      bad=1
      continue
    fi
    read -r first9x firstnt <<<"$entry"
    if ! at_most "$firstnt" "$wantnt"; then
      echo "$name imports $dll!$function, first exported by Windows NT $firstnt (this $kind must load on NT $wantnt)"
      bad=1
    elif [ "$want9x" != - ] && { [ "$first9x" = - ] || ! at_most "$first9x" "$want9x"; }; then
      echo "$name imports $dll!$function, which Windows $want9x does not export (first: ${first9x/-/none of the 95 family})"
      bad=1
    fi
  done < <(imports "$file")
  # The loader refuses an image that asks for a newer Windows than it is.
  local header
  header=$("$objdump" -p "$file" | awk '
    /^MajorOSystemVersion/ { os = $2 } /^MinorOSystemVersion/ { os = os "." $2 }
    /^MajorSubsystemVersion/ { sub_ = $2 } /^MinorSubsystemVersion/ { sub_ = sub_ "." $2 }
    END { print os, sub_ }')
  read -r os subsystem <<<"$header"
  local floor=$wantnt
  [ "$want9x" = - ] || floor=4.0
  for field in "OS version:$os" "subsystem version:$subsystem"; do
    if ! at_most "${field#*:}" "$floor"; then
      echo "$name asks in its PE header for ${field%%:*} ${field#*:} (this $kind must load on $floor)"
      bad=1
    fi
  done
  checked=$((checked + 1))
  [ "$bad" = 0 ] || failures=$((failures + 1))
}

for argument in "$@"; do
  case $argument in
    --product) kind=product ;;
    --tool) kind=tool ;;
    *) [ -n "$kind" ] || { echo "usage: check-imports.sh OBJDUMP ARCH --product FILE... --tool FILE..." >&2; exit 2; }
       check "$argument" ;;
  esac
done
if [ "$failures" != 0 ]; then
  echo "imports: $failures of $checked $arch binaries would not load on the Windows they are for"
  exit 1
fi
echo "imports: $checked $arch binaries import only what their oldest Windows exports ($(grep -vc '^#' "$allowed") functions allowed)"
