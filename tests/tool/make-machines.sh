#!/usr/bin/env bash
# Builds the machine folders that the tool comparison runs on besides the sample:
#   english-xp   code page 1252, Windows XP; Office 97 beside Office XP, two Netscape
#                versions, Acrobat 4.0 and 5.0, Quillon; Netscape and Eudora as defaults
#   bare-2000    code page 932, Windows 2000 with Internet Explorer 6 only; an unknown
#                default browser and the suite's groupware as default mailer
#   make-machines.sh OUT [ZENTHO-MKPE]
set -euo pipefail
out=$1
mkpe=${2:-$(cd "$(dirname "$0")/../.." && pwd)/build/native/tools/zentho-mkpe}
rm -rf "$out"
mkdir -p "$out"

exe() {  # exe MACHINE PATH VERSION
  mkdir -p "$(dirname "$out/$1/drives/C/$2")"
  "$mkpe" "$out/$1/drives/C/$2" --version "$3"
}
reg() {  # reg MACHINE FILE < text (LF ends become CRLF)
  sed 's/$/\r/' > "$out/$1/$2"
}

m=english-xp
mkdir -p "$out/$m"
cat > "$out/$m/machine.ini" <<'INI'
[windows]
platform=2
major=5
minor=1
build=2600
codepage=1252
windir=C:\WINDOWS
[environment]
ProgramFiles=C:\Program Files
APPDATA=C:\Documents and Settings\Pat\Application Data
[folders]
26=C:\Documents and Settings\Pat\Application Data
INI
exe $m "Program Files/Microsoft Office/Office10/WINWORD.EXE" 10.0.2627.0
exe $m "Program Files/Microsoft Office/Office/WINWORD.EXE" 8.0.0.0
exe $m "Program Files/Microsoft Office/Office10/OUTLOOK.EXE" 10.0.2627.0
exe $m "Program Files/Netscape/Communicator/Program/netscape.exe" 4.76.0.0
exe $m "Program Files/Qualcomm/Eudora/Eudora.exe" 5.1.0.0
exe $m "Program Files/Arvelle/Quillon/quillon.exe" 2.0.1.0
exe $m "Program Files/Adobe/Acrobat 5.0/Acrobat/Acrobat.exe" 5.0.0.0
mkdir -p "$out/$m/drives/C/Program Files/Adobe/Acrobat 5.0/Acrobat/plug_ins" \
         "$out/$m/drives/C/Program Files/Qualcomm/Eudora/Plugins" \
         "$out/$m/drives/C/Documents and Settings/Pat/Application Data/Microsoft/Word/Startup" \
         "$out/$m/drives/C/Program Files/Arvelle Zentho V4/Program" \
         "$out/$m/drives/C/Program Files/Arvelle Zentho V4/Data/Word"
echo placeholder > "$out/$m/drives/C/Program Files/Arvelle Zentho V4/Data/Word/Zentho4.dot"
for f in ZenthoPDFTrans5.api ZenthoPDFTrans.api ZenthoEMailButton.dll ZenthoQuillonTrans.dll; do
  echo placeholder > "$out/$m/drives/C/Program Files/Arvelle Zentho V4/Program/$f"
done
reg $m 10-software.reg <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Office\8.0\Word\InstallRoot]
"Path"="C:\\Program Files\\Microsoft Office\\Office"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Office\10.0\Word\InstallRoot]
"Path"="C:\\Program Files\\Microsoft Office\\Office10\\"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Office\10.0\Outlook\InstallRoot]
"Path"="C:\\Program Files\\Microsoft Office\\Office10\\"

[HKEY_LOCAL_MACHINE\SOFTWARE\Netscape\Netscape Navigator\4.7 (en)\Main]
"Install Directory"="C:\\Program Files\\Netscape\\Old"

[HKEY_LOCAL_MACHINE\SOFTWARE\Netscape\Netscape Navigator\4.76 (en)\Main]
"Install Directory"="C:\\Program Files\\Netscape\\Communicator"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\eudora.exe]
@="C:\\Program Files\\Qualcomm\\Eudora\\Eudora.exe"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\quillon.exe]
@="C:\\Program Files\\Arvelle\\Quillon\\quillon.exe"

[HKEY_LOCAL_MACHINE\SOFTWARE\Adobe\Adobe Acrobat\4.0\InstallPath]
@="C:\\Program Files\\Adobe\\Acrobat 4.0\\Acrobat"

[HKEY_LOCAL_MACHINE\SOFTWARE\Adobe\Adobe Acrobat\5.0\InstallPath]
@="C:\\Program Files\\Adobe\\Acrobat 5.0\\Acrobat"

[HKEY_LOCAL_MACHINE\SOFTWARE\Classes\http\shell\open\command]
@="C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe -h \"%1\""

[HKEY_LOCAL_MACHINE\SOFTWARE\Classes\mailto\shell\open\command]
@="C:\\Program Files\\Qualcomm\\Eudora\\Eudora.exe /m %1"

[HKEY_LOCAL_MACHINE\SOFTWARE\Arvelle\Zentho V4]
"InstallLocation"="C:\\Program Files\\Arvelle Zentho V4"

[HKEY_USERS\S-1-5-21-1-2-3-1005\Software\Qualcomm\Eudora\CommandLine]
"Current"="C:\\Program Files\\Qualcomm\\Eudora\\Eudora.exe C:\\Program Files\\Qualcomm\\Eudora\\"

[HKEY_USERS\S-1-5-21-1-2-3-1005\Software\Arvelle\Quillon\Users]

[HKEY_USERS\S-1-5-21-1-2-3-1005\Software\Microsoft\Windows\CurrentVersion\Run]
REG

m=bare-2000
mkdir -p "$out/$m"
printf '[windows]\nplatform=2\nmajor=5\nminor=0\ncodepage=932\n' > "$out/$m/machine.ini"
exe $m "Program Files/Internet Explorer/IEXPLORE.EXE" 6.0.2800.1106
exe $m "Program Files/Opera/opera.exe" 6.5.0.0
reg $m 10-software.reg <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\IEXPLORE.EXE]
@="C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE"

[HKEY_LOCAL_MACHINE\SOFTWARE\Classes\http\shell\open\command]
@="\"C:\\Program Files\\Opera\\opera.exe\" \"%1\""

[HKEY_LOCAL_MACHINE\SOFTWARE\Classes\mailto\shell\open\command]
@="C:\\Program Files\\Sarvin\\Corvane\\corvane.exe /mailto:%1"

[HKEY_USERS\S-1-5-21-9-9-9-1000\Software\Microsoft\Internet Explorer\Main]
"Start Page"="about:blank"
REG
echo "$out: english-xp bare-2000"
