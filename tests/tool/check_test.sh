#!/usr/bin/env bash
# check and repair on the sample machine: for every installed application with a branch,
# rows that break one thing each after "on" (a placed file missing or changed, the
# product's source missing, a value of its own missing, the record of another
# installation, leftovers after "off"), each with the cause check must name; then
# repair, and check again: consistent, or the cause from outside named. Plus rows for
# what only some applications have (a second copy, a kept project waiting), and one
# placed by hand, not by the tool: a branch that would place elsewhere fails it.
#   check_test.sh TOOL SOURCE-DIR
set -uo pipefail
tool=$1 source=$2
work=$(mktemp -d /tmp/zentho-check-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0 passes=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The host path of a Windows path on the machine folder $w, each part found in any case.
host() {
  local path=$w/drives/${1:0:1} part found
  path=${path^^} path=$w/drives/${path: -1}
  IFS='\' read -r -a parts <<<"${1:3}"
  for part in "${parts[@]}"; do
    found=$(ls -1 "$path" 2>/dev/null | grep -ixF -- "$part" | head -1)
    path=$path/${found:-$part}
  done
  echo "$path"
}
fresh() { w=$work/m$((++machines)); "$tool" init "$w" >/dev/null; }
machines=0
run() { "$tool" -m "$w" "$@" 2>&1; }
# expect WHAT APP STATUS CAUSE: check APP ends with STATUS, naming CAUSE (a fixed text) if given.
expect() {
  local out status
  out=$(run check "$2"); status=$?
  if [ "$status" = "$3" ] && { [ -z "$4" ] || grep -qF -- "$4" <<<"$out"; }; then
    passes=$((passes + 1))
  else
    fail "$2, $1: check ended $status (want $3) without '$4':"$'\n'"$out"
  fi
}
# repaired WHAT APP: repair, then check is consistent.
repaired() {
  run repair "$2" >/dev/null
  expect "$1, repaired" "$2" 0 ""
}
changes=zentho-appapi-changes.reg

apps=$("$tool" report --json | grep -o '"appId":"0x[0-9a-f]*","group":"[^"]*","application":"[^"]*","installed":true' |
       cut -d'"' -f4)
for app in $apps; do
  fresh
  plan=$(run on "$app")
  expect "switched on" "$app" 0 ""
  copy=$(grep -m1 '^  copied ' <<<"$plan")
  value=$(grep -E '^  set [^"]*"[^"]*" = ' <<<"$plan" | grep -vm1 'ApplTrans')  # a named value
  if [ -n "$copy" ]; then
    src=${copy#  copied } dst=${src#* to } src=${src% to *}
    rm -f "$(host "$dst")"
    expect "placed file missing" "$app" 1 "missing from"
    repaired "placed file missing" "$app"
    echo "not the product's" >"$(host "$dst")"
    if [[ $dst == *VbaProject.OTM ]]; then  # Outlook saves macros there: the user's work, left alone
      expect "placed project changed" "$app" 0 ""
      cp "$(host "$src")" "$(host "$dst")"
    else
      expect "placed file changed" "$app" 1 "differs from the product's"
      repaired "placed file changed" "$app"
    fi
    mv "$(host "$src")" "$work/source"
    expect "source missing" "$app" 1 "product source missing: $src"
    out=$(run repair "$app")
    grep -qF "product source missing" <<<"$out" && passes=$((passes + 1)) || fail "$app: repair names no source: $out"
    mv "$work/source" "$(host "$src")"
  elif [ -n "$value" ]; then
    # A value of the product's own, taken out of what the tool keeps.
    name=${value#*\"} name=${name%%\"*}
    LC_ALL=C grep -avF "\"$name\"=" "$w/$changes" >"$work/reg" && cp "$work/reg" "$w/$changes"
    expect "value missing" "$app" 1 "\"$name\""
    repaired "value missing" "$app"
  else
    fail "$app: its plan places nothing check could miss"
  fi
  # The record of another installation: an upgrade since it was switched on.
  LC_ALL=C sed -i 's/^"applname"="\(.*\)"/"applname"="\1 (an earlier one)"/' "$w/$changes"
  expect "record of another installation" "$app" 1 "(an earlier one), "
  repaired "record of another installation" "$app"
  # Leftovers: what "off" removes, put back afterwards.
  removed=$(run off "$app" | grep -m1 '^  deleted file ')
  if [ -n "$removed" ]; then
    [ -z "$copy" ] || cp "$(host "$src")" "$(host "${removed#  deleted file }")"
    [ -n "$copy" ] || echo "left over" >"$(host "${removed#  deleted file }")"
    expect "left over after off" "$app" 1 "left in"
    repaired "left over after off" "$app"
  fi
done

# Only some have these: a second copy where Word would find two; a project of the
# user's kept aside, waiting while the record says off and the product's is gone.
fresh
run on word >/dev/null
cp "$(host 'C:\Program Files\Arvelle Zentho V4\Data\Word\Zentho4.dot')" \
   "$(host 'C:\Program Files\Microsoft Office\Office\Startup')/Zentho4.dot"
expect "second copy" word 1 "a second Zentho4.dot in"
repaired "second copy" word
outlook='C:\Documents and Settings\taro\Application Data\Microsoft\Outlook'
echo "the user's own macros" >"$(host "$outlook")/VbaProject.OTM"
run on outlook >/dev/null
LC_ALL=C sed -i 's/^"Trans"=dword:00000001/"Trans"=dword:00000000/' "$w/$changes"
rm "$(host "$outlook")/VbaProject.OTM"
expect "kept project waiting" outlook 1 "ZenthoSavedVbaProject.OTM kept aside in"
repaired "kept project waiting" outlook
[ "$(cat "$(host "$outlook")/VbaProject.OTM")" = "the user's own macros" ] && passes=$((passes + 1)) ||
  fail "repair did not put the user's project back"

# Placed by hand where Word loads it, the record written as the library writes it: a
# branch that would place it elsewhere finds it missing.
fresh
cp "$(host 'C:\Program Files\Arvelle Zentho V4\Data\Word\Zentho4.dot')" \
   "$(host 'C:\Documents and Settings\taro\Application Data\Microsoft\Word\Startup')/"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\OfficeTrans\\WD]\r\n"Trans"=dword:00000001\r\n"applname"="Microsoft Word 2000"\r\n' \
  >"$w/$changes"
expect "placed by hand" word 0 ""

echo "check tests: $passes passed, $failures failed"
[ "$failures" = 0 ]
