#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each on a copy of its seed corpus, so that the
# corpus in the repository never grows. One line per target: executions, coverage
# (cov and ft of libFuzzer's last status line), corpus size, and crashes found.
#
#   scripts/fuzz.sh [-j JOBS] [SECONDS] [TARGET...]
#
# SECONDS per target (default 30); JOBS targets at a time (default 1); all targets
# unless some are named. Crash, leak and timeout inputs are kept in
# build/fuzz/findings/TARGET/ (or $FUZZ_FINDINGS/TARGET/), each target's full output in
# build/fuzz/logs/TARGET.log. Exits 1 on any finding, 2 when it cannot build or run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

all_targets=(fuzz_regfile fuzz_regfile_plan fuzz_pe_version fuzz_trim_path fuzz_extract_program fuzz_join_path
             fuzz_directory_tree fuzz_exports fuzz_hive)
jobs=1
if [[ ${1:-} == -j ]]; then
  jobs=${2:-}
  shift 2 || true
fi
seconds=${1:-30}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=("${all_targets[@]}")

usage() {
  echo "usage: scripts/fuzz.sh [-j JOBS] [SECONDS] [TARGET...]  (targets: ${all_targets[*]})" >&2
  exit 2
}
[[ $jobs =~ ^[1-9][0-9]*$ && $seconds =~ ^[1-9][0-9]*$ ]] || usage
for target in "${targets[@]}"; do
  [[ " ${all_targets[*]} " == *" $target "* ]] || usage
done

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz.sh: clang++ is not installed; the fuzz preset builds with clang and its libFuzzer" \
       "(on Debian: apt-get install clang)" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zentho-fuzz-run-XXXXXX")
trap 'rm -rf "$work"' EXIT

# clang without its runtime libraries compiles but cannot link a fuzzer.
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$work/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$work/probe.cpp" -o "$work/probe" >"$work/probe.log" 2>&1; then
  cat "$work/probe.log" >&2
  echo "fuzz.sh: clang++ cannot link libFuzzer with the sanitizers (on Debian: apt-get install libclang-rt-dev)" >&2
  exit 2
fi

echo "== build: fuzz"
if ! { cmake --preset fuzz && cmake --build --preset fuzz --target zentho_fuzz_targets; } >"$work/build.log" 2>&1; then
  cat "$work/build.log" >&2
  echo "fuzz.sh: the fuzz targets do not build" >&2
  exit 2
fi

findings=${FUZZ_FINDINGS:-$root/build/fuzz/findings}
logs=$root/build/fuzz/logs
mkdir -p "$logs"

run_target() {
  local target=$1 dir=$work/$1
  mkdir -p "$dir/corpus" "$dir/tmp" "$findings/$target"
  cp -R "tests/fuzz/corpus/$target/." "$dir/corpus/"
  local rc=0
  # Scratch folders of the targets go below $dir/tmp, which goes with the run.
  TMPDIR=$dir/tmp "build/fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/$target/" "$dir/corpus" >"$logs/$target.log" 2>&1 || rc=$?
  echo "$rc" >"$dir/rc"
}

running=0
for target in "${targets[@]}"; do
  if ((running >= jobs)); then
    wait -n || true
    running=$((running - 1))
  fi
  echo "== fuzz: $target (${seconds}s)"
  run_target "$target" &
  running=$((running + 1))
done
wait || true

failed=0
echo "== results"
for target in "${targets[@]}"; do
  log=$logs/$target.log
  rc=$(cat "$work/$target/rc" 2>/dev/null || echo "?")
  status=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  [[ -n $runs ]] || runs=$(sed -n 's/^#\([0-9]*\).*/\1/p' <<<"$status")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' <<<"$status" | cut -d' ' -f2 || true)
  ft=$(grep -o 'ft: [0-9]*' <<<"$status" | cut -d' ' -f2 || true)
  corpus=$(find "$work/$target/corpus" -type f | wc -l)
  crash=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
  if [[ -n $crash ]]; then
    result="crashes: 1 ($crash)"
    failed=1
  elif [[ $rc != 0 ]]; then
    result="crashes: ? (exit $rc, see $log)"
    failed=1
  else
    result="crashes: 0"
  fi
  printf '%-22s executions: %s  exec/s: %s  cov: %s  ft: %s  corpus: %s  %s\n' \
    "$target" "${runs:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" "$corpus" "$result"
done
exit "$failed"
