#!/usr/bin/env bash
# Installs what is missing, builds the three builds (and the sanitizer build) and runs
# every test: the native suite with its fault and hostile-registry sweeps, the same
# under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows suite, tool checks,
# smoke test and comparisons of both Windows builds (the i686 one under 32-bit Wine
# through qemu-i386), the export tables of both DLLs, the mutant catalogue, and every
# fuzz target for 30 s.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh all
# The test share: test code (tests/, harness and fuzz targets, not their corpora)
# against the code of src/, include/, tools/, bench/ and scripts/; kept at 25-36%.
lines() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.py' \) -not -path '*/corpus/*' \
            -exec cat {} + | wc -l; }
test_lines=$(lines tests) code_lines=$(lines src include tools bench scripts)
echo "test share: $test_lines test lines for $code_lines lines of code ($((100 * test_lines / code_lines))%)"
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
# The sweeps' counts, from the sanitizer run's output; the Windows runs' closing lines.
grep -hE '^(fault sweep|hostile registry):' build/native-asan/Testing/Temporary/LastTest.log
grep -hE '^(i686|x86_64) |^imports: ' build/win32/Testing/Temporary/LastTest.log build/win64/Testing/Temporary/LastTest.log
# Every mutant of the catalogue must be caught by the tests without the sweeps: the
# catalogue in two halves at once, since each mutant's time is mostly a one-core link.
mutant_logs=$(mktemp -d)
scripts/mutants.sh --share 1/2 >"$mutant_logs/1" 2>&1 & first_half=$!
mutants_failed=0
scripts/mutants.sh --share 2/2 >"$mutant_logs/2" 2>&1 || mutants_failed=1
wait "$first_half" || mutants_failed=1
cat "$mutant_logs/1" "$mutant_logs/2"
rm -rf "$mutant_logs"
[ "$mutants_failed" = 0 ]
scripts/fuzz.sh -j 2 30
