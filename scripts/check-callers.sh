#!/usr/bin/env bash
# Checks what a caller of the i686 DLL receives: the header compiles cleanly, a caller
# built with Microsoft's ABI (clang, lld-link, ZenthoAppAPILib.lib) and one built with
# MinGW (libZenthoAppAPILib.dll.a) import exactly the 15 decorated names, and the DLL
# carries its file version.
#   check-callers.sh BUILD_DIR (win32) NATIVE_BUILD_DIR VERSION
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
native=$(cd "$2" && pwd) version=$3
root="$here/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
expected=$(awk '{print $2}' "$build/generated/exports.expected" | sort)

imports() {  # the names an executable imports from ZenthoAppAPILib.dll
  i686-w64-mingw32-objdump -p "$1" | awk '
    /DLL Name: ZenthoAppAPILib.dll/ { inside = 1; next }
    inside && /DLL Name:/ { inside = 0 }
    inside && NF == 3 && $2 ~ /^[0-9]+$/ { print $3 }' | sort
}
compare() {  # compare WHAT ACTUAL
  if [ "$2" != "$expected" ]; then
    echo "$1 imports other names than the DLL exports:"
    diff <(echo "$expected") <(echo "$2") || true
    exit 1
  fi
  echo "$1: imports the 15 decorated names"
}

for compiler in g++ clang++ i686-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++-win32; do
  "$compiler" -std=c++17 -Wall -Wextra -pedantic -Werror -fsyntax-only -x c++ "$root/include/ZenthoAppAPILib.h"
done
echo "the header compiles without warnings: g++, clang++, both MinGW compilers"

clang++ --target=i686-pc-windows-msvc -std=c++17 -O1 -c -I "$root/include" "$root/tests/smoke/link_caller.cpp" -o "$work/msvc.obj"
lld-link -machine:x86 -entry:ZenthoCallerEntry -subsystem:console -nodefaultlib -out:"$work/msvc-caller.exe" \
  "$work/msvc.obj" "$build/lib/ZenthoAppAPILib.lib" >/dev/null
compare "a caller linked by lld-link with ZenthoAppAPILib.lib" "$(imports "$work/msvc-caller.exe")"

i686-w64-mingw32-g++-win32 -std=c++17 -O1 -I "$root/include" -nostdlib -Wl,-e,_ZenthoCallerEntry \
  "$root/tests/smoke/link_caller.cpp" "$build/lib/libZenthoAppAPILib.dll.a" -o "$work/mingw-caller.exe"
compare "a caller linked by MinGW with libZenthoAppAPILib.dll.a" "$(imports "$work/mingw-caller.exe")"

found=$("$native/tools/zentho-peversion" "$build/ZenthoAppAPILib.dll")
[ "$found" = "file $version product $version" ] || { echo "ZenthoAppAPILib.dll: $found (want $version)"; exit 1; }
echo "ZenthoAppAPILib.dll: $found"
