#!/usr/bin/env bash
# The installer under Wine, in a fresh prefix: a silent install puts every file beside each DLL
# as the build made it, writes the uninstall entry and registers the add-in for the user; the
# silent uninstaller takes all of it away again, and nothing else. Run twice: once as Windows
# starts the uninstaller from the list of programs (it copies itself to the temporary folder and
# returns at once), once in place with _?= (it waits, but cannot remove itself). Run again over an
# installation whose hosts turned the add-in off, it repairs it; its first page speaks the
# language of the user's Windows, German or English.
#
# This Wine runs 64-bit programs only, so the 64-bit build of the installer script is run; its
# 32-bit DLL can be installed but not registered (the 32-bit regsvr32 does not start), which the
# installer reports with exit code 2. The 32-bit registration is checked only where 32-bit
# programs run.
#
# Usage: installer.sh INSTALLER WINE_RUN PREFIX FILES_TSV SHIPPED_INSTALLER OFFICEHOST RECORDER
#                     WINDOW_SHOT SCREENSHOTS
#   FILES_TSV: one line per installed file, "x64/Logo.bmp<TAB>the build's file".
#   SHIPPED_INSTALLER: the 32-bit installer, which is only looked at.
#   OFFICEHOST: the stand-in host officehost.exe; RECORDER: record-open.exe, the browser's stand-in.
#   WINDOW_SHOT: window-shot.exe; SCREENSHOTS: the folder for the pictures of the first page.
installer=$1 prefix=$3 files_tsv=$4 shipped=$5 officehost=$6 recorder=$7 window_shot=$8 shots=$9
. "$(dirname "$0")/common.sh"

# The shipped installer: a 32-bit program (it runs on every Windows) that asks for no
# administrator rights.
pe_machine() { od -An -tx2 -j $(( $(od -An -tu4 -j 60 -N4 "$1") + 4 )) -N2 "$1" | tr -d ' '; }
[ "$(pe_machine "$shipped")" = 014c ] || fail "the shipped installer is no 32-bit program (machine $(pe_machine "$shipped"))"
[ "$(pe_machine "$installer")" = 8664 ] || fail "the installer under test is no 64-bit program"
for f in "$shipped" "$installer"; do
  grep -qaF 'requestedExecutionLevel level="asInvoker"' "$f" || fail "$f asks for other rights than the user's"
done

fresh_prefix "$2" "$prefix"
# The user's registry as text (reg export writes UTF-16), read once per check: every start of a
# Wine program costs more than all the lookups in the text together.
reg_export() { wine reg export "$1" "$work/x.reg" /y >/dev/null 2>&1 && iconv -f UTF-16 -t UTF-8 "$work/x.reg" | tr -d '\r'; }
read_registry() { reg_export HKCU >"$work/now.reg"; }
# reg_value KEY NAME: the value's data as the export writes it, strings without quotes and
# escapes ("@" names the default value; nothing when the value is missing). KEY starts HKCU\.
reg_value() {
  local name='"'$2'"'
  [ "$2" = @ ] && name=@
  awk -v key="[HKEY_CURRENT_USER${1#HKCU}]" -v name="$name" '
    /^\[/ { inkey = (tolower($0) == tolower(key)); next }
    inkey && index($0, name "=") == 1 {
      v = substr($0, length(name) + 2)
      if (v ~ /^".*"$/) { v = substr(v, 2, length(v) - 2); gsub(/\\"/, "\"", v); gsub(/\\\\/, "\\", v) }
      print v; exit
    }' "$work/now.reg"
}
reg_has_key() { grep -qixF "[HKEY_CURRENT_USER${1#HKCU}]" "$work/now.reg"; }

localappdata=$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')
[ -n "$localappdata" ] || { echo "FAIL: no LOCALAPPDATA in the new prefix"; exit 1; }
instdir_win="$localappdata\\Programs\\Veltrano\\Archivierungs-Assistent"
instdir=$(wine winepath -u "$instdir_win" 2>/dev/null | tr -d '\r')
instdir=${instdir%/}
profile=$(dirname "$(dirname "$(wine winepath -u "$localappdata" 2>/dev/null | tr -d '\r')")")

# 32-bit programs: there is no 32-bit Wine on these machines, but a future one may have it.
if wine 'C:\windows\syswow64\cmd.exe' /c exit 7 >/dev/null 2>&1; [ $? -eq 7 ]; then
  wow64=1 expected_code=0
else
  wow64=0 expected_code=2
  echo "note: this Wine runs no 32-bit programs: the 32-bit DLL's registration is expected to fail and is not checked"
fi

hosts=(Word Excel PowerPoint Access)
progids=(VLT_Ardeko.ConnectWD VLT_Ardeko.ConnectXL VLT_Ardeko.ConnectPP VLT_Ardeko.ConnectAC)
clsids=({BFCF4E1B-E09A-4DA2-953D-5EB7F582D764} {68F796AA-5F64-4427-A1A5-1ADDA2C15C64}
        {ECE00A3E-50EC-4F77-8C11-42840B551492} {44F92A68-F8C6-415A-9DE4-5EDEE0C03FA8})
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\VLT_Ardeko'

# What the user's part of the prefix holds: the files in the profile (the temporary folder
# aside, which Windows empties itself) and the user's registry.
snapshot() {
  (cd "$profile" && find . -path ./Temp -prune -o -path ./AppData/Local/Temp -prune -o -print | LC_ALL=C sort) >"$work/$1.files"
  reg_export HKCU >"$work/$1.reg"
}

check_installed() {
  local what=$1
  read_registry
  [ "$code" -eq "$expected_code" ] || fail "$what: the installer exited with $code, expected $expected_code"
  # Every file beside each DLL, the same as the build's; nothing else in the two folders.
  local rel src
  while IFS=$'\t' read -r rel src; do
    [ -n "$rel" ] || continue
    if [ ! -f "$instdir/$rel" ]; then
      fail "$what: $rel was not installed"
    elif ! cmp -s "$instdir/$rel" "$src"; then
      fail "$what: $rel differs from $src"
    fi
  done <"$files_tsv"
  (cd "$instdir" && find x86 x64 -type f | LC_ALL=C sort) >"$work/installed"
  cut -f1 "$files_tsv" | LC_ALL=C sort >"$work/expected"
  cmp -s "$work/installed" "$work/expected" || fail "$what: the folders x86 and x64 hold other files: $(diff "$work/expected" "$work/installed" | grep '^[<>]' | tr '\n' ' ')"
  [ -f "$instdir/Uninstall.exe" ] || fail "$what: no Uninstall.exe"

  # The entry in the list of programs.
  local v
  v=$(reg_value "$uninstall_key" DisplayName);    [ "$v" = "Veltrano Archivierungs-Assistent" ] || fail "$what: DisplayName is '$v'"
  v=$(reg_value "$uninstall_key" DisplayVersion); [ "$v" = "3.00" ] || fail "$what: DisplayVersion is '$v'"
  v=$(reg_value "$uninstall_key" Publisher);      [ "$v" = "Veltrano Publishing" ] || fail "$what: Publisher is '$v'"
  v=$(reg_value "$uninstall_key" UninstallString)
  [ "$v" = "\"$instdir_win\\Uninstall.exe\"" ] || fail "$what: UninstallString is '$v'"
  v=$(reg_value "$uninstall_key" InstallLocation); [ "$v" = "$instdir_win" ] || fail "$what: InstallLocation is '$v'"

  # The add-in as each host finds it, and its classes for the user (the 64-bit view; the
  # 32-bit DLL registers into the 32-bit view, Wow6432Node).
  local i
  for i in "${!hosts[@]}"; do
    local addin="HKCU\\Software\\Microsoft\\Office\\${hosts[$i]}\\Addins\\${progids[$i]}"
    v=$(reg_value "$addin" LoadBehavior); [ "$v" = "dword:00000003" ] || fail "$what: $addin LoadBehavior is '$v'"
    v=$(reg_value "$addin" FriendlyName); [ -n "$v" ] || fail "$what: $addin has no FriendlyName"
    v=$(reg_value "HKCU\\Software\\Classes\\CLSID\\${clsids[$i]}\\InprocServer32" @)
    [ "${v,,}" = "${instdir_win,,}\\x64\\offardeko.dll" ] || fail "$what: ${progids[$i]}'s 64-bit server is '$v'"
    v=$(reg_value "HKCU\\Software\\Classes\\${progids[$i]}\\CLSID" @)
    [ "$v" = "${clsids[$i]}" ] || fail "$what: ProgId ${progids[$i]} names class '$v'"
    if [ $wow64 -eq 1 ]; then
      v=$(reg_value "HKCU\\Software\\Classes\\Wow6432Node\\CLSID\\${clsids[$i]}\\InprocServer32" @)
      [ "${v,,}" = "${instdir_win,,}\\x86\\offardeko.dll" ] || fail "$what: ${progids[$i]}'s 32-bit server is '$v'"
    fi
  done
}

check_registration_gone() {
  local what=$1 i
  read_registry
  reg_has_key "$uninstall_key" && fail "$what: the uninstall entry is left"
  for i in "${!hosts[@]}"; do
    reg_has_key "HKCU\\Software\\Microsoft\\Office\\${hosts[$i]}\\Addins\\${progids[$i]}" && fail "$what: the ${hosts[$i]} add-in entry is left"
    reg_has_key "HKCU\\Software\\Classes\\CLSID\\${clsids[$i]}" && fail "$what: class ${clsids[$i]} is left"
    reg_has_key "HKCU\\Software\\Classes\\${progids[$i]}" && fail "$what: ProgId ${progids[$i]} is left"
  done
}

# Every Windows user has a classes key (the per-user half of HKEY_CLASSES_ROOT); a new Wine
# prefix has none until something writes there.
wine reg add 'HKCU\Software\Classes' /f >/dev/null 2>&1

# install_and_uninstall WHAT: install, then uninstall as the list of programs does; the profile
# and the registry must be as before.
install_and_uninstall() {
  local what=$1
  snapshot before
  wine "$installer" /S >/dev/null 2>&1
  code=$?
  check_installed "$what: install"
  wine "$instdir/Uninstall.exe" /S >/dev/null 2>&1
  code=$?
  [ "$code" -eq 0 ] || fail "$what: the uninstaller (started from the installation) exited with $code"
  # It returns at once and goes on as a copy in the temporary folder; the prefix's server ends
  # when its last program has.
  wineserver -w
  check_registration_gone "$what: uninstall"
  snapshot after
  if ! cmp -s "$work/before.files" "$work/after.files"; then
    fail "$what: files added or removed by installing and uninstalling:"
    diff "$work/before.files" "$work/after.files" | grep '^[<>]' | sed 's/^/    /'
  fi
  compare_registry "$what"
}

compare_registry() {
  # OffArdeko.dll's unregistration leaves the user's class folders CLSID and TypeLib when its
  # registration made them (a new Wine prefix has neither; most Windows users have both): empty,
  # they are noted here, not failed.
  for key in 'HKEY_CURRENT_USER\Software\Classes\CLSID' 'HKEY_CURRENT_USER\Software\Classes\TypeLib'; do
    grep -qxF "[$key]" "$work/before.reg" && continue
    grep -qxF "[$key]" "$work/after.reg" || continue
    # Empty: its header is followed by a blank line, and no key lies below it.
    if awk -v k="[$key]" 'found { exit ($0 != "") } $0 == k { found = 1 }' "$work/after.reg" &&
       ! grep -qF "[$key\\" "$work/after.reg"; then
      echo "note: the uninstall left the empty key $key, which the DLL's registration made"
      grep -vxF "[$key]" "$work/after.reg" | cat -s >"$work/x" && mv "$work/x" "$work/after.reg"
      cat -s "$work/before.reg" >"$work/x" && mv "$work/x" "$work/before.reg"
    fi
  done
  if ! diff "$work/before.reg" "$work/after.reg" >"$work/reg.diff"; then
    fail "$1: registry keys or values added or removed by installing and uninstalling:"
    grep '^[<>]' "$work/reg.diff" | head -40 | sed 's/^/    /'
  fi
}

# 1. A new user: the installation makes the user's program folder and its list of uninstall
# entries, and the uninstaller takes both away again.
install_and_uninstall "new user"
# 2. A user who has the program folder already (empty, so that only the uninstaller's record
# of what it made keeps it) and another program in the list: both stay.
mkdir -p "$(dirname "$(dirname "$instdir")")"
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Other' /v DisplayName /d Other /f >/dev/null 2>&1
install_and_uninstall "user with a program folder"

# "Hilfe" in the installed add-in: the stand-in host loads the installed 64-bit DLL, and a click on
# the ribbon's Help button hands the manual beside it, in the host's name and the user's language,
# to the browser (played by the recorder), with no notice. Wine ignores the user's classes, so the
# DLL is registered machine-wide for this check only, and the recorder is made the browser.
check_help() {
  local dll="$instdir_win\\x64\\OffArdeko.dll" opened="$work/opened.txt"
  local settings='HKCU\Software\VB and VBA Program Settings\Veltrano\OffArdeko'
  if ! wine regsvr32 /s /n /i:machine "$dll" >/dev/null 2>&1; then
    fail "help: the installed DLL could not be registered machine-wide"
    return
  fi
  wine reg add 'HKLM\Software\Classes\.html' /ve /d ArdekoRecordedHtml /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Classes\ArdekoRecordedHtml\shell\open\command' /ve \
    /d "\"$(wine winepath -w "$recorder" | tr -d '\r')\" \"$(wine winepath -w "$opened" | tr -d '\r')\" \"%1\"" /f >/dev/null 2>&1
  local lang host manual got
  while IFS='|' read -r lang host manual; do
    wine reg add "$settings" /v CurrLang /d "$lang" /f >/dev/null 2>&1
    rm -f "$opened"
    wine "$officehost" "$host" --click btnAAHelp --no-dialog >"$work/host.log" 2>&1 ||
      fail "help: $host, CurrLang $lang: the click failed or showed a notice: $(tr '\n' ' ' <"$work/host.log")"
    wineserver -w  # the recorder runs on its own
    got=$(cat "$opened" 2>/dev/null)
    [ "${got,,}" = "${instdir_win,,}\\x64\\${manual,,}.html" ] ||
      fail "help: $host, CurrLang $lang opened '$got', not the installed manual '$manual'"
  done <<'CASES'
0|Word16|Dokumentation Veltrano Archivierungs-Assistent für Word
0|Excel12|Dokumentation Veltrano Archivierungs-Assistent für Excel
0|PowerPoint14|Dokumentation Veltrano Archivierungs-Assistent für PowerPoint
1|Excel12|Manual Veltrano Archiving Wizard for Excel
CASES
  wine reg delete "$settings" /f >/dev/null 2>&1
  wine reg delete 'HKLM\Software\Classes\ArdekoRecordedHtml' /f >/dev/null 2>&1
  wine reg delete 'HKLM\Software\Classes\.html' /f >/dev/null 2>&1
  wine regsvr32 /s /u /n /i:machine "$dll" >/dev/null 2>&1 || fail "help: the machine-wide registration could not be removed"
}

# 3. Install again; a host turns the add-in off after a failed load (load behaviour 2), and
# running the installer once more repairs it. Then click "Hilfe", uninstall in place: waits,
# removes everything but itself.
wine "$installer" /S >/dev/null 2>&1
code=$?
check_installed "install for the uninstall in place"
for i in "${!hosts[@]}"; do
  wine reg add "HKCU\\Software\\Microsoft\\Office\\${hosts[$i]}\\Addins\\${progids[$i]}" /v LoadBehavior \
    /t REG_DWORD /d 2 /f >/dev/null 2>&1
done
wine "$installer" /S >/dev/null 2>&1
code=$?
check_installed "repair"
check_help
wine "$instdir/Uninstall.exe" /S "_?=$instdir_win" >/dev/null 2>&1
code=$?
[ "$code" -eq "$expected_code" ] || fail "the uninstaller in place exited with $code, expected $expected_code"
check_registration_gone "uninstall in place"
left=$(cd "$instdir" 2>/dev/null && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = "./Uninstall.exe " ] || fail "the uninstaller in place left '$left' (expected only itself)"

# The first page in the language of the user's Windows: German on a German one, English on any
# other. Each picture is saved for a look by eye; the window's title tells the language.
mkdir -p "$shots"
while IFS='|' read -r locale title picture; do
  LC_ALL=$locale wine "$installer" >/dev/null 2>&1 &
  got=$(LC_ALL=$locale wine "$window_shot" "Veltrano" "$(winpath "$shots/$picture")" 2>/dev/null | tr -d '\r' | sed 's/ *$//')
  [ "$got" = "$title" ] || fail "first page under $locale: window '$got', expected '$title'"
  wineserver -k >/dev/null 2>&1
  wait
done <<'PAGES'
de_DE.UTF-8|Installation von Veltrano Archivierungs-Assistent|installer-de.png
C.UTF-8|Veltrano Archivierungs-Assistent Setup|installer-en.png
PAGES

finish "installer under Wine"
