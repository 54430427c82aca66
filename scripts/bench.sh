#!/usr/bin/env bash
# Measures the library and its simulated machine and prints one table (docs/performance.md,
# "Performance"): every export and the report sweep on the sample machine; a generated
# registry the size of a real software hive imported and exported, with peak memory;
# keys opened below parents of 10 to 100,000 subkeys; Wine's regedit /S importing the
# same file; the report sweep of the Windows DLL under Wine; an offline image; and switching
# on a machine folder of 150,000 keys against reading it. Installs what it needs
# first. Not part of CI: it takes minutes, and its figures are the machine's.
#   bench.sh [--benchmark_... flags for the native part]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh all

echo "== building (presets bench and bench-win64)" >&2
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
cmake --preset bench-win64 >/dev/null
cmake --build --preset bench-win64 --target ZenthoAppAPILib zentho-appapi zentho-wine-probe zentho-standin \
  zentho_smoke zentho_report_bench >/dev/null
bench=build/bench/bench/zentho_bench

work=$(mktemp -d /tmp/zentho-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
now() { date +%s%N; }

# The machine, and what else was running: fuzzers of this tree take a core each.
{
  echo "host_nproc=$(nproc)"
  echo "host_cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
  echo "host_ram_gb=$(awk '/MemTotal/ { printf "%.1f", $2 / 1048576 }' /proc/meminfo)"
  echo "host_fuzzers=$(ps -eo comm= | grep -c '^fuzz_' || true)"
  echo "host_load=$(cut -d' ' -f1 /proc/loadavg)"
} > "$work/host.facts"

echo "== generating the hive" >&2
"$bench" --write-hive "$work/hive.reg" > "$work/hive.facts"

# f. The generated hive as an offline image's SOFTWARE hive (written with hivex), loaded and
# swept once; against the route without images: hivexregedit exports every hive as text,
# iconv makes it the UTF-16 of a version 5 file, and a machine folder loads it.
echo "== an offline image and the route through hivexregedit" >&2
# The image's registry is half as large again as b.'s, so that its SOFTWARE hive passes 100 MB.
"$bench" --write-hive "$work/image.reg" 300000 900000 >/dev/null
"$bench" --write-image "$work/image" "$work/image.reg" > "$work/image.facts"
rm "$work/image.reg"
"$bench" --peak image "$work/image" "$work/route" >> "$work/image.facts"
config=$work/image/WINNT/system32/config
user=S-1-5-21-1708537768-1957994488-839522115-1003
t0=$(now)
hivexregedit --export --prefix 'HKEY_LOCAL_MACHINE\SOFTWARE' "$config/SOFTWARE" '\' 2>/dev/null > "$work/route/software.txt"
hivexregedit --export --prefix 'HKEY_LOCAL_MACHINE\SYSTEM' "$config/SYSTEM" '\' 2>/dev/null > "$work/route/system.txt"
hivexregedit --export --prefix "HKEY_USERS\\$user" "$work/image/Documents and Settings/taro/NTUSER.DAT" '\' \
  2>/dev/null > "$work/route/user.txt"
for text in "$work"/route/*.txt; do
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$text"; } > "${text%.txt}.reg"
  rm "$text"
done
t1=$(now)
echo "route_export_ms=$(((t1 - t0) / 1000000))" >> "$work/image.facts"
"$bench" --peak route "$work/route" >> "$work/image.facts"
# The tool itself on the image, whole process (median of 3 runs), and its peak resident
# memory against the same report on the sample machine, the process before any hive.
tool=build/bench/tools/zentho-appapi/zentho-appapi
peak_kb() { /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null && cat "$work/peak"; }
for run in 1 2 3; do
  t0=$(now); "$tool" --image "$work/image" report >/dev/null; t1=$(now)
  echo $(((t1 - t0) / 1000))
done | sort -n | sed -n 2p | sed 's/^/tool_image_us=/' >> "$work/image.facts"
echo "tool_image_peak_kb=$(peak_kb "$tool" --image "$work/image" report)" >> "$work/image.facts"
# check on the same image: every application's branch planned, each step judged.
for run in 1 2 3; do
  t0=$(now); "$tool" --image "$work/image" check >/dev/null || true; t1=$(now)
  echo $(((t1 - t0) / 1000))
done | sort -n | sed -n 2p | sed 's/^/tool_image_check_us=/' >> "$work/image.facts"
echo "tool_sample_peak_kb=$(peak_kb "$tool" report)" >> "$work/image.facts"

# g. Applying against reading, each a whole process of the tool: the sample machine with a
# generated .reg of 150,000 keys beside its own files; report, and on word kept on a fresh copy
# of the folder each time (the copy untimed). Median of 3 for the time, the largest peak.
echo "== a machine folder of 150,000 keys: report and on word" >&2
mkdir -p "$work/apply"
cp -a examples/sample-machine "$work/apply/machine"
"$bench" --write-hive "$work/apply/machine/30-generated.reg" 150000 400000 | sed "s/^/apply_/" > "$work/apply.facts"
measure() {  # measure NAME ARGS...: NAME_ms (median of 3) and NAME_kb (peak), a fresh copy each run
  for run in 1 2 3; do
    rm -rf "$work/apply/copy" && cp -a "$work/apply/machine" "$work/apply/copy"
    /usr/bin/time -f '%e %M' -o "$work/peak" "$tool" -m "$work/apply/copy" "${@:2}" >/dev/null
    cat "$work/peak"
  done | sort -n | awk -v name="$1" '{ t[NR] = $1; if ($2 > kb) kb = $2 }
    END { printf "%s_ms=%d\n%s_kb=%d\n", name, t[2] * 1000, name, kb }'
}
measure apply_report report >> "$work/apply.facts"
measure apply_on on word >> "$work/apply.facts"
rm -rf "$work/apply"

# d. regedit /S of the same file, timed from the outside. The file is REGEDIT4 in code page
# 932, which regedit reads in the ANSI code page of the ja_JP locale that tools/wine/env.sh sets.
# Every registry call of a Wine program is a round trip to its wineserver: on an idle
# virtual machine a wake-up on the other CPU costs more than the call, so Wine is timed
# pinned to one CPU (its best case here, and steady), and once free to use both.
printf 'REGEDIT4\r\n\r\n' > "$work/empty.reg"
time_regedit() {  # NAME CPUS: the facts NAME_..., Wine run on the CPUs given (taskset -c)
  (
    taskset -p -c "$2" $BASHPID >/dev/null  # this subshell, and Wine started from it
    . tools/wine/env.sh
    wine_prefix_start
    win() { echo "Z:$(echo "$1" | tr / '\\')"; }
    # system.reg lists a key only when it has values or no subkeys; values count exactly.
    keys() { grep -c '^\[' "$WINEPREFIX/system.reg"; }
    values() { grep -c '^["@]' "$WINEPREFIX/system.reg"; }
    keys0=$(keys) values0=$(values)
    wine_run regedit /S "$(win "$work/empty.reg")"  # starts the Wine server: not timed
    t0=$(now)
    wine_run regedit /S "$(win "$work/empty.reg")"
    t1=$(now)
    wine_run regedit /S "$(win "$work/hive.reg")"
    t2=$(now)
    wineserver -w  # the server writes its registry out as it ends
    echo "$1_empty_ms=$(((t1 - t0) / 1000000))"
    echo "$1_full_ms=$(((t2 - t1) / 1000000))"
    echo "$1_keys_added=$(($(keys) - keys0))"
    echo "$1_values_added=$(($(values) - values0))"
    # Names that came through as Japanese: ジャストシステム as system.reg escapes it.
    echo "$1_japanese_vendor_keys=$(grep -c '\\x30b8\\x30e3\\x30b9\\x30c8\\x30b7\\x30b9\\x30c6\\x30e0' "$WINEPREFIX/system.reg" || true)"
  )
}
echo "== Wine: regedit /S of the hive into a fresh prefix, on one CPU" >&2
time_regedit regedit 0 > "$work/regedit.facts"
echo "== Wine: the same, on every CPU" >&2
time_regedit regedit_spread "0-$(($(nproc) - 1))" >> "$work/regedit.facts"

# e. The report sweep of the 64-bit DLL on the sample machine laid into a fresh prefix
# (on one CPU, as above).
echo "== Wine: the report sweep of the Windows DLL" >&2
ZENTHO_NATIVE_BUILD=build/bench ZENTHO_WIN64_BUILD=build/bench-win64 \
  ZENTHO_WINE_EXTRA=build/bench-win64/bench/zentho_report_bench.exe \
  taskset -c 0 tools/wine/machine.sh examples/sample-machine --run zentho_report_bench.exe 200 2>/dev/null \
  > "$work/wine.facts"

echo "== native benchmarks (Google Benchmark)" >&2
"$bench" --hive "$work/hive.reg" --facts "$work/host.facts" --facts "$work/hive.facts" \
  --facts "$work/regedit.facts" --facts "$work/wine.facts" --facts "$work/image.facts" --facts "$work/apply.facts" "$@"
