#!/usr/bin/env bash
# Installs what is missing, builds the three builds (and the sanitizer build) and runs
# every test: the native suite, the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows suite and tool checks under Wine, and the
# export tables of both DLLs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh all
presets=(native native-asan win32 win64)
for preset in "${presets[@]}"; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
for preset in "${presets[@]}"; do
  echo "== tests: $preset"
  ctest --preset "$preset"
done
