#!/usr/bin/env bash
# Checks zentho-appapi's contract: the JSON line of "call", and exit status 2 with a
# one-line message for usage errors. The same checks run on the native tool and,
# under Wine, on zentho-appapi.exe.
#   tool_test.sh TOOL          a native tool, or wine:WINDOWS-PATH for the Windows one
#                              (run by $ZENTHO_WINE, 64-bit Wine unless wine32-env.sh set it)
set -uo pipefail
tool=$1
run() {
  if [[ $tool == wine:* ]]; then "${ZENTHO_WINE:-/usr/lib/wine/wine64}" "${tool#wine:}" "$@" | tr -d '\r'; else "$tool" "$@"; fi
}
failures=0 checks=0
expect() {  # expect STATUS OUTPUT -- ARGS...
  local status=$1 want=$2; shift 3
  local got code
  checks=$((checks + 1))
  got=$(run "$@" 2>/tmp/zentho-tool-stderr.$$); code=$?
  if [ "$code" != "$status" ] || [ "$got" != "$want" ]; then
    echo "FAIL: zentho-appapi $*"
    echo "  status $code (want $status)"
    echo "  output: $got"
    echo "  want:   $want"
    echo "  stderr: $(cat /tmp/zentho-tool-stderr.$$)"
    failures=$((failures + 1))
  fi
}
expect_error() {  # expect_error PATTERN -- ARGS...: status 2, one line on stderr matching
  local pattern=$1; shift 2
  checks=$((checks + 1))
  run "$@" >/dev/null 2>/tmp/zentho-tool-stderr.$$; local code=$?
  local message; message=$(tr -d '\r' </tmp/zentho-tool-stderr.$$)
  if [ "$code" != 2 ] || [ "$(echo "$message" | wc -l)" != 1 ] || ! grep -q -- "$pattern" <<<"$message"; then
    echo "FAIL: zentho-appapi $* should fail with status 2 and one line matching '$pattern'"
    echo "  status $code, stderr: $message"
    failures=$((failures + 1))
  fi
}

browsers='"\"Internet Explorer\",\r\n\"Netscape Navigator\""'
expect 0 "{\"export\":\"GetSupportedApplications\",\"result\":0,\"text\":$browsers}" -- call GetSupportedApplications 0x1FF
expect 0 '{"export":"GetSupportedApplications","result":0,"text":""}' -- call GetSupportedApplications 0x1FE
expect 0 '{"export":"GetLatestApplicationName","result":-3}' -- call GetLatestApplicationName 0x103
expect 0 '{"export":"GetLatestSarvinTessalineAppInfo","outputs":["","",""]}' -- call GetLatestSarvinTessalineAppInfo Nothing
expect 0 '{"export":"UpdateApplTransSettings"}' -- call UpdateApplTransSettings 0 1 0
expect 0 '{"export":"GetLatestApplicationState","result":0,"changes":[]}' -- --changes call GetLatestApplicationState 0x401
expect_error "unknown export NoSuchExport; the exports are: GetDefaultBrowser, " -- call NoSuchExport
expect_error "usage: zentho-appapi call GetLatestApplicationName APPID" -- call GetLatestApplicationName
expect_error "usage: zentho-appapi call SetLatestApplicationState APPID STATE" -- call SetLatestApplicationState 0x401 x
expect_error "unknown command" -- frobnicate
expect_error "unknown application nothing; the applications are: ie, netscape, " -- on nothing
expect_error "usage: zentho-appapi browser on|off" -- browser maybe
expect_error "usage: zentho-appapi report \[--json\]" -- report extra
expect_error "usage: zentho-appapi on APP" -- on
expect_error "unknown command nothing" -- help nothing
checks=$((checks + 2))
help=$(run help on); if [ $? != 0 ] || [[ $help != "usage: zentho-appapi on APP"* ]]; then echo "FAIL: help on"; failures=$((failures + 1)); fi
help=$(run --help); if [ $? != 0 ] || [[ $help != *"report [--json]"* ]]; then echo "FAIL: --help"; failures=$((failures + 1)); fi
expect_error "unknown option --bogus" -- --bogus report
rm -f /tmp/zentho-tool-stderr.$$
echo "tool checks: $((checks - failures)) passed, $failures failed ($tool)"
[ "$failures" = 0 ]
