#!/usr/bin/env bash
# Writes the sample machine's executables: real PE images with the product versions
# of the programs they stand for, made by the project's own zentho-mkpe.
#   make-programs.sh [ZENTHO-MKPE]
# ZENTHO-MKPE: the zentho-mkpe to use; by default the one on PATH, else the project's
# build (cmake --build --preset native --target zentho-mkpe).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkpe=${1:-$(command -v zentho-mkpe || echo "$here/../../build/native/tools/zentho-mkpe")}
if [ ! -x "$mkpe" ]; then
  echo "make-programs.sh: no zentho-mkpe at $mkpe; give its path, or put it on PATH" >&2
  exit 2
fi
C="$here/drives/C"
make() {  # make PATH VERSION PRODUCT-NAME
  mkdir -p "$(dirname "$C/$1")"
  "$mkpe" "$C/$1" --version "$2" --string "ProductName=$3"
}
make "Program Files/Internet Explorer/IEXPLORE.EXE" 5.50.4134.100 "Microsoft(R) Windows(R) 2000 Operating System"
make "Program Files/Outlook Express/msimn.exe" 5.50.4133.2400 "Microsoft Outlook Express"
make "Program Files/Microsoft Office/Office/WINWORD.EXE" 9.0.2720.0 "Microsoft Office 2000"
make "Program Files/Microsoft Office/Office/EXCEL.EXE" 9.0.2719.0 "Microsoft Office 2000"
make "Program Files/Microsoft Office/Office/POWERPNT.EXE" 9.0.2716.0 "Microsoft Office 2000"
make "Program Files/Microsoft Office/Office/OUTLOOK.EXE" 9.0.0.2711 "Microsoft Outlook"
make "Program Files/Netscape/Communicator/Program/netscape.exe" 4.76.0.0 "Netscape Communicator"
make "Program Files/Qualcomm/Eudora Pro/Eudora.exe" 4.3.2.0 "Eudora Pro"
make "Program Files/Sarvin/Corvane/Corvane.exe" 5.0.0.0 "Sarvin Corvane"
make "Program Files/Sarvin/Tessaline/Scrivale/Scrivale.exe" 9.7.0.0 "Sarvin Scrivale"
make "Program Files/Sarvin/Tessaline/Calvora/Calvora.exe" 9.7.0.0 "Sarvin Calvora"
make "Program Files/Sarvin/Tessaline/pct/p32main.exe" 9.7.0.0 "Sarvin Pictora"
make "Program Files/Adobe/Acrobat 5.0/Reader/AcroRd32.exe" 5.0.0.0 "Acrobat Reader"
make "Program Files/JUST/TARO11/Taro11.exe" 11.0.0.0 "一太郎11"
for program in ZenthoNSTrans.exe ZenthoMailTransToolBar.exe Zentho4A.exe ZenthoAppAPILib.dll \
               ZenthoEMailButton.dll ZenthoQuillonTrans.dll ZenthoPDFTrans5.api ZenthoPDFTrans.api; do
  make "Program Files/Arvelle Zentho V4/Program/$program" 4.0.2.21 "Zentho V4"
done
for program in Outlook/ZenthoOutlookAdd.exe Outlook/ZenthoOutlookDel.exe Scrivale/ZenthoScrivaleAdd.exe; do
  make "Program Files/Arvelle Zentho V4/Data/$program" 4.0.2.21 "Zentho V4"
done
