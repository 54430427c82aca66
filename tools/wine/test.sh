#!/usr/bin/env bash
# Runs a Windows build's behaviour suite (one process, in one fresh prefix), the tool's
# checks, the caller's smoke test, the comparisons with the native tool and (64-bit) an offline
# image's plan carried out by reg import and cmd under Wine,
# each part to its end even when another fails, and closes with one line per part
# ("i686 smoke test: 36 passed, 0 failed (25 s)"), every skipped test with its reason.
#   test.sh BUILD_DIR [TEST ARGS...]          the win64 build, under 64-bit Wine
#   test.sh --i686 BUILD_DIR [TEST ARGS...]   the win32 build, under 32-bit Wine
#                                                  run by qemu-i386 (env32.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=() wine_env=env.sh wine=Wine label=x86_64
if [ "${1:-}" = --i686 ]; then arch=(--i686) wine_env=env32.sh wine="32-bit Wine" label=i686; shift; fi
build=$(cd "$1" && pwd)
shift
[ ${#arch[@]} = 0 ] || export ZENTHO_WIN32_BUILD=$build
. "$here/$wine_env"
wine_prefix_start
output=$(mktemp) machines=$(mktemp -d /tmp/zentho-machines-XXXXXX)
trap 'rm -rf "$output" "$machines"; wine_prefix_stop' EXIT
dest="$WINEPREFIX/drive_c/zentho"
mkdir -p "$dest"
cp "$build/tests/zentho_tests.exe" "$build/ZenthoAppAPILib.dll" "$build/tools/zentho-appapi/zentho-appapi.exe" \
   "$build/ZenthoNSTrans.exe" "$build/ZenthoMailTransToolBar.exe" "$build/tools/wine/zentho-standin.exe" "$dest/"

results=() failed=0 started=$SECONDS
result() { results+=("$label $*"); }
lap() { took="($((SECONDS - started)) s)"; started=$SECONDS; }  # the time since the last lap
# part COMMAND...: runs it with its output shown, kept in $output (a file: a Wine
# service started meanwhile would hold a pipe open), and answers whether it passed.
part() {
  local status=0
  "$@" >"$output" 2>&1 || status=$?
  tr -d '\r' <"$output"
  [ "$status" = 0 ] || failed=1
  return "$status"
}
# The last closing line that starts with $1, without it.
closing() { tr -d '\r' <"$output" | sed -n "s/^$1//p" | tail -1; }

# suite [AS]: the behaviour suite, its closing line and every skip with its reason
# ("behaviour suite as Windows 98: ..." when Wine reports another Windows than 2000).
suite() {
  local as=${1:+ as $1}
  echo "== behaviour suite$as under $wine ($(wine_run --version 2>/dev/null || echo wine))"
  part wine_run 'C:\zentho\zentho_tests.exe' "${suite_args[@]}" || true
  lap
  if tr -d '\r' <"$output" | grep -q '^\[==========\] .* ran\.'; then
    count() { tr -d '\r' <"$output" | sed -n "s/^\[  $1 *\] \([0-9]*\) tests\?[.,].*/\1/p" | tail -1; }
    passed=$(count PASSED) failures=$(count FAILED) skipped=$(count SKIPPED)
    result "behaviour suite$as: ${passed:-0} passed, ${failures:-0} failed, ${skipped:-0} skipped $took"
    while IFS= read -r skip; do result "skipped$as $skip"; done < <(tr -d '\r' <"$output" | awk '
      /^\[ RUN      \] / { name = $4 }
      /: Skipped$/ { reading = 1; trace = 0; reason = ""; next }
      /^\[  SKIPPED \] / && reading { print name ": " (reason == "" ? "(no reason given)" : reason); reading = 0; next }
      /^Google Test trace:/ { trace = 1 }  # where the skip was, not why
      reading && !trace { reason = reason (reason == "" ? "" : " ") $0 }')
  else
    failed=1
    result "behaviour suite$as: did not finish $took"
  fi
}
# The Windows that Wine reports to every program started from now on.
report_windows() {
  wine_run reg add 'HKCU\Software\Wine' /v Version /d "$1" /f </dev/null >/dev/null 2>&1
  wine_restart
}
suite_args=("$@")
suite
# The library tells the Windows 95 family from NT where their registry differs: the
# deliverable's suite runs again as Windows 98 and XP, then the rest as Windows 2000.
if [ ${#arch[@]} != 0 ]; then
  report_windows win98
  suite "Windows 98"
  report_windows winxp
  suite "Windows XP"
  report_windows win2k
fi

echo "== tool under $wine"
part "$here/../../tests/tool/tool_test.sh" "wine:C:\\zentho\\zentho-appapi.exe" || true
lap
result "tool checks: $(closing 'tool checks: ' | sed 's/ (.*//') $took"

if [ ${#arch[@]} = 0 ]; then
  echo "== Wine's own regedit /E export of this prefix, loaded natively, answers as the Windows build"
  part "$here/export-check.sh" "$build" || true
  lap
  result "Wine's export as a machine folder: $(closing 'wine-export: ') $took"
fi

echo "== a caller's smoke test: the public header and the import library, on the sample machine"
smoke() { "$here/machine.sh" "${arch[@]}" "$here/../../examples/sample-machine" --run zentho_smoke.exe 2>/dev/null; }
part smoke || true
smoke=$(closing 'smoke: ')
lap
result "smoke test: ${smoke:-did not finish} $took"
[ -n "$smoke" ] || failed=1

compared=0 differed=0 commands=0 differences=()
compare() {  # compare WHAT MACHINE COMMANDS-FILE
  echo "== $1, native and under $wine"
  if part "$here/compare.sh" "${arch[@]}" "$2" "$3"; then
    compared=$((compared + 1))
  else
    differed=$((differed + 1))
    # Where they differ, for the closing lines: the first changed lines of the diff.
    differences+=("$label $1 differ:" "$(tr -d '\r' <"$output" | grep -E '^[-+][^-+]|^@@|^wine_answer:' | cut -c1-240 | head -8)")
  fi
  commands=$((commands + $(grep -c . "$3")))
}
"$here/../../tests/tool/make-machines.sh" "$machines" >/dev/null
# Every application of the catalogue switched on, then off: the AppIds as the native tool lists them.
ids=$("${ZENTHO_NATIVE_BUILD:-$here/../../build/native}/tools/zentho-appapi/zentho-appapi" report --json |
      grep -o '"appId":"0x[0-9a-fA-F]*"' | cut -d'"' -f4)
for state in 1 0; do
  for id in $ids; do echo "--changes call SetLatestApplicationState $id $state"; done
  echo report
done >"$machines/switch-commands.txt"
compare "the sample machine's applications and default programs" "$here/../../examples/sample-machine" \
  "$here/../../tests/tool/sample-commands.txt"
compare "every application switched on and off on the sample machine" "$here/../../examples/sample-machine" \
  "$machines/switch-commands.txt"
for machine in "$here/../../examples/sample-machine" "$machines/english-xp" "$machines/bare-2000"; do
  compare "the tool's commands on $(basename "$machine")" "$machine" "$here/../../tests/tool/tour-commands.txt"
done
lap
result "comparisons with the native tool: $compared passed, $differed failed, $commands commands on 3 machines $took"
if [ ${#arch[@]} = 0 ]; then
  echo "== offline images (XP and Vista layouts) switched by their plan's .reg and .cmd under $wine"
  part "$here/plan-check.sh" || true
  lap
  result "offline plans: $(closing 'plan-check: ') $took"
fi
result "Wine run: $SECONDS s in all, with the suite's prefix"

echo "== results: the $label build under $wine"
printf '%s\n' "${results[@]}"
[ ${#differences[@]} = 0 ] || printf '%s\n' "${differences[@]}"
exit "$failed"
