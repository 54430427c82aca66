#!/usr/bin/env bash
# Checks zentho-appapi's contract: the JSON line of "call", exit status 2 with a
# one-line message for usage errors, on the native tool and, under Wine, on
# zentho-appapi.exe. Natively also what it does to machine folders: nothing when it
# refuses, nothing to the user's .reg files ever, the bundled sample never, runs that
# take turns, a commit that fails half way undone, a dry run that copies nothing, and
# an offline image that stays as it is while its plan is printed and written as .reg.
#   tool_test.sh TOOL [SOURCE-DIR [IMAGE-WRITER]]   a native tool, or wine:WINDOWS-PATH for
#        the Windows one (run by $ZENTHO_WINE, 64-bit Wine unless tools/wine/env32.sh set it);
#        IMAGE-WRITER (zentho-write-image) makes the image for the image checks
set -uo pipefail
tool=$1 source=${2:-$(cd "$(dirname "$0")/../.." && pwd)} image_writer=${3:+$(realpath "$3")}
if [[ $tool == wine:* ]]; then
  . "$source/tools/wine/env.sh"
  WINE=${ZENTHO_WINE:-$WINE}
  run() { wine_answer "${tool#wine:}" "$@"; }
else
  run() { "$tool" "$@"; }
fi
scratch=$(mktemp -d /tmp/zentho-tool-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
failures=0 passes=0
# Every check ends in one of these: "CONDITION && pass && pass || fail MESSAGE".
pass() { passes=$((passes + 1)); }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() {  # expect STATUS OUTPUT -- ARGS...
  local status=$1 want=$2; shift 3
  local got code
  got=$(run "$@" 2>"$scratch/stderr"); code=$?
  [ "$code" = "$status" ] && [ "$got" = "$want" ] && pass ||
    fail "zentho-appapi $*: status $code (want $status); output: $got; want: $want; stderr: $(cat "$scratch/stderr")"
}
expect_error() {  # expect_error STATUS PATTERN -- ARGS...: the status, one line on stderr matching
  local status=$1 pattern=$2; shift 3
  run "$@" >/dev/null 2>"$scratch/stderr"; local code=$?
  local message; message=$(tr -d '\r' <"$scratch/stderr")
  [ "$code" = "$status" ] && [ "$(echo "$message" | wc -l)" = 1 ] && grep -q -- "$pattern" <<<"$message" && pass ||
    fail "zentho-appapi $* should end $status with one line matching '$pattern'; status $code, stderr: $message"
}

browsers='"\"Internet Explorer\",\r\n\"Netscape Navigator\""'
expect 0 "{\"export\":\"GetSupportedApplications\",\"result\":0,\"text\":$browsers}" -- call GetSupportedApplications 0x1FF
expect 0 '{"export":"GetSupportedApplications","result":0,"text":""}' -- call GetSupportedApplications 510
expect 0 '{"export":"GetLatestApplicationName","result":-3}' -- call GetLatestApplicationName 0x103
expect 0 '{"export":"GetLatestSarvinTessalineAppInfo","outputs":{"name":"","path":"","key":""}}' -- \
  call GetLatestSarvinTessalineAppInfo Nothing
expect 0 '{"export":"UpdateApplTransSettings"}' -- call UpdateApplTransSettings 0 1 -1
expect 0 '{"export":"GetLatestApplicationState","result":0,"changes":[]}' -- call GetLatestApplicationState 0x401 --changes
expect 0 "zentho-appapi $(sed -n 's/^project(ZenthoAppAPILib VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")" -- --version
for usage in "2 unknown export NoSuchExport; the nearest are GetDefaultMailer, GetDefaultBrowser (see help call)|call NoSuchExport" \
             "2 did you mean GetLatestApplicationName?|call GetLatestApplicationNam 0x401" \
             "2 usage: zentho-appapi call GetLatestApplicationName APPID|call GetLatestApplicationName" \
             "2 \"0401\" begins with 0: not octal; hex is 0x401, decimal 401 (call|call GetLatestApplicationName 0401" \
             "2 \"0x100000401\" does not fit 32 bits|call GetLatestApplicationName 0x100000401" \
             "2 \"99999999999\" does not fit 32 bits|on 99999999999" \
             "2 \"18446744073709551617\" does not fit 32 bits|on 18446744073709551617" "2 \"-1\" is no number: 0x and hex digits, or decimal digits without a sign|on -1" \
             "2 --changes-reg goes with on, off, browser, mailer, call and repair: report|--changes-reg x.reg report" \
             "2 \"4294967296\" does not fit 32 bits|call GetLatestApplicationName 4294967296" \
             "2 is no number: 0x and hex digits, or decimal digits (call SetLatestApplicationState APPID STATE)|call SetLatestApplicationState 0x401 x" \
             "2 unknown command frobnicate|frobnicate" "2 did you mean report?|reprot" \
             "2 unknown application nothing; the nearest are corvane, ie, netscape (see help on)|on nothing" \
             "2 did you mean word?|on wrod" "2 \"01001\" begins with 0|off 01001" \
             "2 no application has the AppId 0x103|on 0x103" \
             "2 usage: zentho-appapi browser on|browser maybe" "2 usage: zentho-appapi report|report extra" \
             "2 usage: zentho-appapi on APP|on" "2 unknown command nothing|help nothing" \
             "2 unknown option --bogus|--bogus report" "2 did you mean --dry-run?|report --dryrun" \
             "2 --json goes with report|--json on word"; do
  read -r -a args <<<"${usage#*|}"
  words=${usage%%|*}
  expect_error "${words%% *}" "${words#* }" -- "${args[@]}"
  [ "$(wc -L <"$scratch/stderr")" -le 100 ] || fail "a usage error wider than 100 columns: $(cat "$scratch/stderr")"
done
expect_error 2 "not an empty text" -- on ''
# Help fits 100 columns; report fits the width it is given (where its content allows: the
# sample machine's does, a Wine prefix's own programs need not), and whole rows go into a pipe.
[ "$( { run help; run help on; run help call; } | wc -L)" -le 100 ] && pass || fail "help wider than 100 columns"
for columns in 80 100; do
  [[ $tool == wine:* ]] || [ "$(COLUMNS=$columns run report | wc -L)" -le "$columns" ] && pass ||
    fail "report wider than COLUMNS=$columns"
done
COLUMNS= run report | grep -q '^AppId .*  Program  ' && pass || fail "report into a pipe left out columns"
help=$(run on --help); [ $? = 0 ] && [[ $help == "usage: zentho-appapi on APP"* ]] && pass || fail "on --help"
help=$(run --help); [ $? = 0 ] && [[ $help == *"report [--json]"* ]] && pass || fail "--help"

if [[ $tool != wine:* ]]; then
  sample=$source/examples/sample-machine
  fingerprint() { (cd "$1" && find . -type f -exec md5sum {} + | sort); }
  # The bundled sample never changes, whatever path names it.
  before=$(fingerprint "$sample")
  ln -s "$sample" "$scratch/link"
  for name in "$sample" "$sample/" "$scratch/link" "$(realpath --relative-to=. "$sample")"; do
    out=$(run --machine "$name" on word) && pass || fail "on word on the sample as $name"
    [[ $out == *"the bundled sample machine stays as it was"* ]] && pass || fail "sample as $name: no word that it stays"
  done
  [ "$(fingerprint "$sample")" = "$before" ] && pass || fail "the sample changed"
  # Machine folders that are no machine, or a user that is none: refused, untouched.
  w=$scratch/w
  mkdir -p "$w/empty" "$w/noini" && touch "$w/noini/x.reg"
  run init "$w/m" >/dev/null && pass || fail "init"
  [ -z "$image_writer" ] || { "$image_writer" "$source/examples/sample-machine" "$w/img" &&
    "$image_writer" --vista "$source/examples/sample-machine" "$w/vista" && (cd "$w" && "$image_writer" --help) |
    grep -q '^usage: zentho-write-image' && [ ! -e "$w/--help" ]; } && pass || fail "zentho-write-image"
  cp -r "$w/m" "$w/typo" && sed -i 's/^\[windows\]/[windows]\nuser=S-1-5-21-1-2-3-4/' "$w/typo/machine.ini"
  mkdir "$w/badini" && printf '[windows]\nplatform=two\n' >"$w/badini/machine.ini"
  expect_error 2 "init needs a folder, not an empty text" -- init ''
  for refused in "2 an empty folder is no machine|-m $w/empty report" "2 no machine.ini|-m $w/noini report" \
                 "2 names no user of the registry files|-m $w/typo report" "2 needs a folder|--machine= report" \
                 "2 --machine is given twice|-m $w/m -m $w/typo report" \
                 "2 init takes no --machine or --image|-m $w/m init $w/n" "2 exists and is not an empty folder|init $w/m" \
                 "3 Quillon (0x0210): not installed|-m $w/m on QUILLON" \
                 "2 --machine goes without --image|--image $w/img -m $w/m report" \
                 "2 --user goes with --image|--user taro -m $w/m report" \
                 "2 no user profile 'hanako'; the profiles are: taro|--image $w/img --user hanako report" \
                 "2 inside the image|--image $w/img --changes-reg $w/img/plan.reg on word" \
                 "2 not a Windows system volume|--image $w/m report" \
                 "2 machine.ini: not a folder; a machine folder holds|-m $w/m/machine.ini report" \
                 "2 $w/badini/machine.ini:2: platform must be a number|-m $w/badini report"; do
    [ -n "$image_writer" ] || [[ $refused != *--image* ]] || continue
    read -r -a args <<<"${refused#*|}"
    words=${refused%%|*}
    before=$(fingerprint "$w")
    if [ "${words%% *}" = 3 ]; then
      out=$(run "${args[@]}"); [ $? = 3 ] && [[ $out == "${words#* }"* ]] && pass || fail "${args[*]}: want 3, '${words#* }'"
    else
      expect_error "${words%% *}" "${words#* }" -- "${args[@]}"
    fi
    [ "$(fingerprint "$w")" = "$before" ] && pass || fail "${args[*]} changed a folder"
  done
  run --dry-run init "$scratch/dry/run" >/dev/null && [ ! -e "$scratch/dry" ] && pass || fail "--dry-run init made a folder"
  # Hostile material: a copy of a folder (or of the image) with one thing planted in it.
  h=$scratch/hostile word="drives/C/Program Files/Microsoft Office/Office/WINWORD.EXE"
  hostile() {  # hostile FOLDER-OR-IMAGE PATH fifo|zero|empty|deep|big|link:TARGET|none
    rm -rf "$h" && cp -a "$1" "$h" && { [ "$3" = big ] || rm -rf "${h:?}/$2"; }
    case $3 in fifo) mkfifo "$h/$2" ;; zero) ln -s /dev/zero "$h/$2" ;; link:*) ln -s "${3#link:}" "$h/$2" ;;
      empty) : >"$h/$2" ;;
      big) truncate -s +1G "$h/$2" ;; deep) printf 'REGEDIT4\n\n[HKEY_CURRENT_USER%*s]\n' 100000 | sed 's/ /\\k/g' >"$h/$2" ;;
    esac
  }
  hive_value() {  # hive_value HIVE KEY NAME TEXT: a REG_SZ value set in a hive file
    perl -MWin::Hivex -MEncode -e '$h = Win::Hivex->open(shift, write => 1); $n = $h->root;
      $n = $h->node_get_child($n, $_) for split /\\/, shift;
      $h->node_set_value($n, {key => shift, t => 1, value => encode("UTF-16LE", shift . "\0")}); $h->commit(undef)' "$@"
  }
  within() {  # the tool on hostile material, which it must answer in 2 s and 100 MB (under ASan too)
    /usr/bin/time -f '%e %M' -o "$scratch/cost" timeout 5 "$tool" "$@" >"$scratch/out" 2>"$scratch/stderr"
    local code=$?
    awk 'END { exit !($1 < 2 && $2 < 100000) }' "$scratch/cost" || fail "zentho-appapi $*: $(tail -n 1 "$scratch/cost")"
    return $code
  }
  # An input that is no regular file (a FIFO would hang the tool, /dev/zero feed it for ever) is
  # refused at once, by name; so is a key nested deeper than Windows allows, with its line. A
  # program that is a FIFO has no version; one of a gigabyte is read by its headers and resources.
  # An output that is no file is not replaced; the file written beside it is made new, so a link
  # planted under its name is not written through.
  echo mine >"$scratch/victim"
  for row in "m|machine.ini|fifo|2" "m|running.ini|zero|2" "m|zentho-appapi.journal|fifo|2" \
             "m|10-applications.reg|zero|2" "m|zentho-appapi-changes.reg|fifo|2" \
             "img|WINNT/system32/config/SOFTWARE|fifo|2" "img|WINNT/system32/config/SYSTEM|zero|2" \
             "img|WINNT/system32/config/SOFTWARE|empty|2|SOFTWARE: an empty file, not a registry hive" \
             "m|30-deep.reg|deep|2|30-deep.reg:3: a key nested deeper than 512" \
             "m|$word|fifo|0|SetLatestApplicationState" "m|$word|big|0|\"Microsoft Word 2000\"" \
             "m|../plan.reg.zentho-new|link:$scratch/victim|0|Set" "m|../plan.cmd|fifo|2|plan.cmd: not a regular file" \
             "m|../plan.reg|fifo|2|plan.reg: not a regular file"; do
    IFS='|' read -r base file kind status pattern <<<"$row"
    [ -e "$w/$base" ] || continue
    hostile "$w/$base" "$file" "$kind"
    within "$([ "$base" = m ] && echo --machine || echo --image)" "$h" --changes-reg "$scratch/plan.reg" \
      --changes call SetLatestApplicationState 0x401 1; code=$?
    [ $code = "$status" ] && cat "$scratch/out" "$scratch/stderr" | grep -q "${pattern:-$file: not a regular file}" &&
      [ "$(cat "$scratch/victim")" = mine ] && pass || fail "$file as $kind: status $code, $(cut -c1-200 "$scratch/stderr")"
  done
  rm -f "$scratch/plan.reg" "$scratch/plan.cmd" "$scratch/plan.reg.zentho-new"
  # So are those a commit writes beside its targets: the run is refused, the folder as it was.
  for row in "word|drives/C/Documents and Settings/taro/Application Data/Microsoft/Word/Startup/Zentho4.dot.zentho-new" \
             "word|zentho-appapi-changes.reg.zentho-new" "netscape|running.ini.zentho-new"; do
    hostile "$w/m" "${row#*|}" "link:$scratch/victim"
    before=$(fingerprint "$h")
    within -m "$h" on "${row%%|*}"; code=$?
    [ $code = 1 ] && [ "$(cat "$scratch/victim")" = mine ] && [ "$(fingerprint "$h")" = "$before" ] && pass ||
      fail "a link planted as ${row#*|}: status $code, victim $(cat "$scratch/victim")"
  done
  # A folder of a drive that is a link out of it is neither written nor deleted through; a drive
  # that is itself a link elsewhere is read, but a run keeps no change there.
  hostile "$w/m" none none && run -m "$h" on word >/dev/null
  startup="$h/drives/C/Documents and Settings/taro/Application Data/Microsoft/Word/Startup"
  mkdir -p "$scratch/outside" && echo mine >"$scratch/outside/Zentho4.dot" && rm -r "$startup" &&
    ln -s "$scratch/outside" "$startup"
  within -m "$h" off word && within -m "$h" on word && [ "$(cat "$scratch/outside/"*)" = mine ] && pass ||
    fail "a link out of the drive was written or deleted through: $(ls "$scratch/outside")"
  hostile "$w/m" none none && mv "$h/drives/C" "$scratch/drive" && ln -s "$scratch/drive" "$h/drives/C"
  within -m "$h" report && within -m "$h" on word; code=$?
  [ $code = 1 ] && grep -q "Zentho4.dot: outside the machine folder, which is all a run changes" "$scratch/stderr" &&
    [ -z "$(ls "$scratch/drive/${startup#*/drives/C/}")" ] && pass || fail "a drive that is a link: $code"
  # Registry text reaches the terminal with its control characters shown, in a report or a switch.
  hostile "$w/m" 30-hostile.reg none
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sarvin\\Corvane\\5.0]\n"Description"="\e]0;owned\a\e[2J"\n' \
    >"$h/30-hostile.reg"
  for command in report "on corvane"; do
    within -m "$h" $command && grep -qF 'Sarvin \x1b]0;owned\x07\x1b[2J' "$scratch/out" &&
      ! grep -q $'\e' "$scratch/out" && pass || fail "$command let a control character through: $(cat -v "$scratch/out")"
  done
  # A key name in a customer's hive that a .reg file cannot carry never reaches the plan: one with
  # a backslash is left out, and said so; one with a line break refuses the plan, naming the key.
  names=($'Zentho: x]\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Run]\r\n"x"="C:\\\\x.exe"' $'Zentho: \e]0;x\a]\r\n[HKEY_USERS]')
  patterns=('MenuExt\Zentho: x]\x0d\x0a[HKEY_LOCAL_MACHINE\SOFTWARE\Run]\x0d\x0a"x"="C:\\x.exe", whose name holds a'
            'MenuExt\Zentho: \x1b]0;x\x07]\x0d\x0a[HKEY_USERS]: a control character')
  for i in 0 1; do
    [ -e "$w/img" ] || break
    hostile "$w/img" none none && rm -f "$scratch/ie.reg"
    perl -MWin::Hivex -e '$h = Win::Hivex->open(shift, write => 1); $n = $h->root;
      $n = $h->node_get_child($n, $_) || $h->node_add_child($n, $_) for split /\\/, shift;
      $h->node_add_child($n, shift); $h->commit(undef)' \
      "$h/Documents and Settings/taro/NTUSER.DAT" 'Software\Microsoft\Internet Explorer\MenuExt' "${names[$i]}"
    within --image "$h" off ie --changes-reg "$scratch/ie.reg"; code=$?
    [ $code = $i ] && grep -qF "${patterns[$i]}" "$scratch/stderr" && ! grep -q $'\e' "$scratch/out" "$scratch/stderr" &&
      ! { iconv -f UTF-16 -t UTF-8 "$scratch/ie.reg" | grep -q 'HKEY_USERS]\|Run\|"x"'; } 2>/dev/null && pass ||
      fail "a hive key named ${names[$i]@Q}: status $code, $(cat -v "$scratch/stderr")"
  done
  # A run killed half way is undone by the next, which says so in one line; a copy of the folder
  # made in between undoes nothing, neither in itself nor in the original.
  hostile "$w/m" none none && before=$(fingerprint "$h")
  ZENTHO_COMMIT_FAULT=12:kill "$tool" -m "$h" on word >/dev/null 2>&1; code=$?
  half=$(fingerprint "$h") && rm -rf "$h.copy" && cp -a "$h" "$h.copy"
  within -m "$h.copy" report; copy=$?
  [ $code = 137 ] && [ "$half" != "$before" ] && [ $copy = 2 ] && grep -q "another folder" "$scratch/stderr" &&
    [ "$(fingerprint "$h")" = "$half" ] && pass || fail "a copy made after a killed run: $code, $copy, $(cat "$scratch/stderr")"
  within -m "$h" report
  [ $? = 0 ] && [ "$(wc -l <"$scratch/stderr")" = 1 ] && grep -q "was undone (2 files" "$scratch/stderr" &&
    [ "$(fingerprint "$h")" = "$before" ] && pass || fail "a killed run not undone: $(cat "$scratch/stderr")"
  # A journal made by hand: a path that leaves the folder refuses it whole, with its line; a file
  # that is not the run's own is left as it is.
  for row in "2|outside the machine folder|w 12 ../victim" "2|outside the machine folder|s - $scratch/victim" \
             "2|outside the machine folder|m 5 drives/C/out/x" "2|:1: written by a run on another folder|" \
             "0|1 not the run's own left|s 1 drives/C/boot.ini" \
             "0|1 not the run's own left|s 1 drives/C/boot.ini\ncommitted"; do
    IFS='|' read -r status pattern step <<<"$row"
    hostile "$w/m" drives/C/out "link:$scratch"
    echo user >"$h/drives/C/boot.ini.zentho-old"
    { [ -z "$step" ] || echo "zentho-appapi journal $(stat -c '%d %i' "$h")"; printf '%b\n' "$step"; } >"$h/zentho-appapi.journal"
    within -m "$h" report; code=$?
    [ $code = "$status" ] && grep -q "$pattern" "$scratch/stderr" && [ "$(cat "$scratch/victim")" = mine ] &&
      [ "$(cat "$h/drives/C/boot.ini.zentho-old")" = user ] && pass || fail "journal '$step': $code, $(cat "$scratch/stderr")"
  done
  # An image, in either layout: the plan printed, and written as a .reg for reg import and a .cmd of
  # its file steps beside it, the image as it was (--dry-run or not). Nothing to plan writes nothing.
  if [ -n "$image_writer" ]; then
    before=$(fingerprint "$w/img")
    out=$(run --image "$w/img" --user TARO --dry-run on word --changes-reg "$scratch/plan.reg"); code=$?
    [ $code = 0 ] && [[ $out == *"copied C:\Program Files\Arvelle Zentho V4\Data\Word\Zentho4.dot to"* ]] &&
      [[ $out == *"the image is read only"*"wrote $scratch/plan.reg (the registry: reg import it) and $scratch/plan.cmd"* ]] &&
      pass || fail "on word on an image: status $code, output: $out"
    plan=$(iconv -f UTF-16 -t UTF-8 "$scratch/plan.reg" | tr -d '\r')
    [[ $plan == "Windows Registry Editor Version 5.00"$'\n\n'"; The file steps of this plan are in plan.cmd"*'OfficeTrans\WD]'*'"Trans"=dword:00000001'* ]] &&
      grep -qF 'copy /Y "C:\Program Files\Arvelle Zentho V4\Data\Word\Zentho4.dot" "C:\Documents and Settings\taro\Application Data\Microsoft\Word\Startup\Zentho4.dot" >nul' \
      "$scratch/plan.cmd" && pass || fail "the plan of on word: $plan $(cat "$scratch/plan.cmd")"
    [ "$(fingerprint "$w/img")" = "$before" ] && pass || fail "on word changed the image"
    # The images hold the sample machine: they answer as the sample's folder does, plan included.
    [ "$(run --image "$w/img" report --json)" = "$(run report --json)" ] &&
      [ "$(run --image "$w/vista" report --json)" = "$(run report --json)" ] && pass || fail "an image reports otherwise"
    [ "$(head -n -2 <<<"$out")" = "$(run --dry-run on word | sed '$d')" ] && pass || fail "the image's plan differs"
    run --image "$w/vista" on word | grep -qF ' to C:\Users\taro\AppData\Roaming\Microsoft\Word\Startup\Zentho4.dot' &&
      pass || fail "the Vista layout's plan"
    out=$(run --image "$w/img" on quillon --changes-reg "$scratch/none.reg"); code=$?
    [ $code = 3 ] && [[ $out == *"nothing to plan"* ]] && [ ! -e "$scratch/none.reg" ] && [ ! -e "$scratch/none.cmd" ] &&
      pass || fail "nothing to plan: $code, $out"
    # A path from the image that a .cmd cannot carry exactly refuses the plan whole; cmd's own
    # characters go in quotes, % doubled, and outside quotes after a ^.
    for row in '1|Z" x|the parameters of C:\Program Files\JUST\TARO11\Taro11.exe: an unbalanced double quote' \
               '0|Z "&" 100%|"/M/C:\Program Files\Z "^&" 100%%\Data\Taro\install.mtx"'; do
      IFS='|' read -r status folder pattern <<<"$row"
      hostile "$w/img" none none && rm -f "$scratch/plan."*
      hive_value "$h/WINNT/system32/config/SOFTWARE" 'Arvelle\Zentho V4' InstallLocation "C:\\Program Files\\$folder"
      within --image "$h" on ichitaro --changes-reg "$scratch/plan.reg"; code=$?
      [ $code = "$status" ] && grep -qF "$pattern" "$scratch/stderr" "$scratch/plan.cmd" 2>/dev/null &&
        { [ "$status" = 0 ] || [ ! -e "$scratch/plan.reg" ]; } && pass || fail "InstallLocation $folder: $code, $(cat "$scratch/stderr")"
    done
  fi
  # A plan's .reg leaves out a key made and deleted again (switching Internet Explorer off makes and
  # deletes two extension keys of earlier editions), which its list of changes shows.
  hostile "$w/m" none none && run -m "$h" on ie >/dev/null
  out=$(run -m "$h" off ie --changes-reg "$scratch/ie.reg")
  [[ $out == *"created key "*"{D27DFD22"*"deleted key "*"{D27DFD22"* ]] &&
    ! iconv -f UTF-16 -t UTF-8 "$scratch/ie.reg" | grep -q D27DFD22 && pass || fail "a key made and deleted is planned"
  # The user's .reg files stay as they are; the tool's changes go into a file of its own.
  m=$w/m
  iconv -f utf-8 -t utf-16 <<<$'Windows Registry Editor Version 5.00\r\n\r\n; the customer\'s own export\r\n[HKEY_LOCAL_MACHINE\\Software\\Customer]\r\n"Kept"="yes"\r\n' \
    >"$m/05-customer.reg"
  regs=$(cd "$m" && md5sum ./*.reg)
  run -m "$m" on word >/dev/null && run -m "$m" off excel >/dev/null && run -m "$m" off word >/dev/null && pass ||
    fail "on and off on a folder"
  [ "$(cd "$m" && md5sum $(sed 's/.* //' <<<"$regs"))" = "$regs" ] && pass || fail "the user's .reg files changed"
  grep -q 'Trans"=dword:00000000' "$m/zentho-appapi-changes.reg" && pass || fail "the changes file holds no Trans=0"
  # Runs on one folder take turns: two at once both take effect.
  run -m "$m" on excel >/dev/null & run -m "$m" on powerpoint >/dev/null & wait
  [ "$(run -m "$m" report | grep -cE '(Excel|PowerPoint) .* on$')" = 2 ] && pass || fail "concurrent runs lost an update"
  # One that waits says so, and for whom; runs that only read share the folder.
  flock "$m" sleep 1 & holder=$!
  sleep 0.2 && run -m "$m" report >/dev/null 2>"$scratch/stderr"; wait
  grep -q "on it (held by pid $holder)" "$scratch/stderr" && pass || fail "a wait unsaid: $(cat "$scratch/stderr")"
  flock -s "$m" sleep 1 &
  sleep 0.2 && run -m "$m" report >/dev/null 2>"$scratch/stderr" && run -m "$m" --dry-run on word >/dev/null 2>>"$scratch/stderr"
  wait; [ ! -s "$scratch/stderr" ] && pass || fail "a reader waited for a reader: $(cat "$scratch/stderr")"
  # A commit that fails at any step leaves the folder as it was, with status 1.
  before=$(fingerprint "$m")
  for step in $(seq 1 30); do
    out=$(ZENTHO_COMMIT_FAULT=$step run -m "$m" on outlook 2>/dev/null); code=$?
    [ $code = 1 ] || break
    [ "$(fingerprint "$m")" = "$before" ] && [[ $out == *$'\nchanges planned, not kept:\n'* ]] && pass ||
      fail "a commit failing at step $step left the folder changed, or said it was: $out"
  done
  [ $code = 0 ] && [ "$step" -gt 3 ] && pass || fail "the commit failed at every step, or too few were tried ($step, status $code)"
  # A dry run reads through to the folder and copies nothing: a 300 MB drive costs nothing.
  head -c 300000000 /dev/zero >"$m/drives/C/big.bin"
  before=$(fingerprint "$m")
  start=$(date +%s%N)
  run -m "$m" --dry-run on acrobat-reader | grep -q "dry run: the machine folder is as it was" && pass || fail "dry run"
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  [ "$(fingerprint "$m")" = "$before" ] && pass || fail "a dry run changed the folder"
  [ "$ms" -lt 300 ] && pass || fail "a dry run on a 300 MB drive took $ms ms"
fi
echo "tool checks: $passes passed, $failures failed ($tool)"
[ "$failures" = 0 ]
