# Sourced by the Wine scripts: a fresh 64-bit Wine prefix with the settings the
# Windows tests rely on, started once and stopped when the script ends.
#   wine_prefix_start   make and start a new prefix (sets WINEPREFIX)
#   wine_run ARGS...    run a Windows program in it
#   wine_answer PROGRAM ARGS...  run a program that always prints something (the tool),
#                       input from /dev/null, carriage returns dropped from its output
#   wine_restart        end the Wine session; the next program starts a new one
#   wine_prefix_stop    stop Wine and remove the prefix (done on exit)
WINE=/usr/lib/wine/wine64
export WINEDEBUG=-all
export LC_ALL=${ZENTHO_WINE_LOCALE:-ja_JP.UTF-8}   # ANSI code page 932
# A test's own iexplore.exe must answer version queries, not Wine's built-in one.
export WINEDLLOVERRIDES="iexplore.exe=n"

wine_prefix_start() {
  WINEPREFIX=$(mktemp -d /tmp/zentho-wine-XXXXXX)
  export WINEPREFIX
  trap wine_prefix_stop EXIT
  # No Mono or Gecko downloads while the prefix is made: this machine has no network.
  WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -i >/dev/null 2>&1
  # The null graphics driver: windows, FindWindow and SendMessage work without a display.
  "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  # Windows 2000, the system the product was made for (and the simulation's default).
  "$WINE" reg add 'HKCU\Software\Wine' /v Version /d win2k /f >/dev/null 2>&1
  # The desktop process that wineboot started has no driver: let this Wine session
  # end, so that the next program starts one with the null driver.
  wine_restart
}

wine_run() {
  "$WINE" "$@"
}

# The tool says something on one stream or the other for every command; a run that
# printed nothing at all is a Wine process that did not get going (rare, but seen in
# CI), so it is made once more, and said so on standard error.
wine_answer() {
  local out err status=0
  out=$(mktemp) err=$(mktemp)
  for attempt in 1 2; do
    status=0
    wine_run "$@" </dev/null >"$out" 2>"$err" || status=$?
    if [ -s "$out" ] || [ -s "$err" ]; then break; fi
    echo "wine_answer: $* printed nothing (status $status, run $attempt)" >&2
  done
  tr -d '\r' <"$err" >&2
  tr -d '\r' <"$out"
  rm -f "$out" "$err"
  return "$status"
}

wine_restart() {
  wineserver -w
}

wine_prefix_stop() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
}
