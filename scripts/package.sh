#!/usr/bin/env bash
# Makes the package that callers receive: the 32-bit DLL, its header, the import
# libraries for MinGW and for Microsoft's linker, and docs/calling-the-dll.md, as
# dist/ZenthoAppAPILib-<version>-win32.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh all
cmake --preset win32 >/dev/null
cmake --build --preset win32 >/dev/null
version=$(sed -n 's/^project(ZenthoAppAPILib VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name="ZenthoAppAPILib-$version-win32"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install build/win32 --prefix "$stage/$name" --strip >/dev/null  # without debugging symbols
mkdir -p dist
rm -f "dist/$name.zip"
(cd "$stage" && cmake -E tar cf "$OLDPWD/dist/$name.zip" --format=zip "$name")
echo "dist/$name.zip:"
(cd "$stage" && find "$name" -type f | sort | while read -r file; do printf '  %8d  %s\n' "$(stat -c %s "$file")" "$file"; done)
