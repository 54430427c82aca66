#!/usr/bin/env bash
# Copies the machine folders that the tool comparison runs on besides the sample
# (tests/tool/machines, laid out as examples/sample-machine is) into OUT:
#   english-xp   code page 1252, Windows XP; Office 97 beside Office XP, two Netscape
#                versions, Acrobat 4.0 and 5.0, Quillon; Netscape and Eudora as defaults
#   bare-2000    code page 932, Windows 2000 with Internet Explorer 6 only; an unknown
#                default browser and the suite's groupware as default mailer
# Their programs are PE images made by zentho-mkpe with the versions they stand for.
#   make-machines.sh OUT
set -euo pipefail
rm -rf "$1"
mkdir -p "$1"
cp -a "$(dirname "$0")/machines/english-xp" "$(dirname "$0")/machines/bare-2000" "$1/"
echo "$1: english-xp bare-2000"
