#!/usr/bin/env bash
# The Windows Installer packages: both looked at with msitools, the 64-bit Windows one installed
# and removed silently under Wine in a fresh prefix.
#  - The package holds no custom action and no self-registration: the registration is its own
#    rows, in HKEY_LOCAL_MACHINE, the 32-bit library's in the 32-bit registry view.
#  - Installed, the files lie beside each library as the build staged them; Wine's JScript reaches
#    the 64-bit library through the machine's registration alone; the stand-in host loads the
#    add-in from it, and, beside a per-user installation, loads it once.
#  - Removed, no file and no key of ours is left; a foreign value in the hosts' lists stays.
#  - Over an older version of the package, the new one replaces it (a major upgrade).
# The 32-bit Windows package cannot be installed here (no 32-bit Windows) and is only looked at.
#
# Usage: msi.sh MSI MSI_X86 WINE_RUN PREFIX FILES_TSV NSIS_SETUP_AMD64 OFFICEHOST WXS STAGE
#   WXS, STAGE: the package's source and the folder the build made it in, for an older version.
msi=$1 msi_x86=$2 prefix=$4 files_tsv=$5 setup=$6 officehost=$7 wxs=$8 stage=$9
. "$(dirname "$0")/common.sh"

hosts=(Word Excel PowerPoint Access)
progids=(VLT_Ardeko.ConnectWD VLT_Ardeko.ConnectXL VLT_Ardeko.ConnectPP VLT_Ardeko.ConnectAC)
clsids=('{BFCF4E1B-E09A-4DA2-953D-5EB7F582D764}' '{68F796AA-5F64-4427-A1A5-1ADDA2C15C64}'
        '{ECE00A3E-50EC-4F77-8C11-42840B551492}' '{44F92A68-F8C6-415A-9DE4-5EDEE0C03FA8}')
libid='{BDBE34B5-1FCC-4482-A12C-731489742565}'

# --- both packages, as msitools read them ---------------------------------------------------
# check_package MSI TEMPLATE COMPONENTS: the platform, the components (id and attributes: 256 is
# a 64-bit component) and what every package of ours must and must not hold.
check_package() {
  local file=$1 template=$2 components=$3 name
  table() { msiinfo export "$file" "$1" 2>/dev/null | tr -d '\r'; }
  # grep -q would end the pipe early, which pipefail reports as a failure.
  has() { grep "$@" >/dev/null; }
  name=$(basename "$file")
  table _ForceCodepage | has $'^1252\t_ForceCodepage' ||
    fail "$name: its code page is not 1252"
  msiinfo suminfo "$file" | tr -d "\r" | has -x "Template: $template" || fail "$name: platform is not $template"
  local tables
  tables=$(msiinfo tables "$file" | tr -d '\r')
  grep -qx SelfReg <<<"$tables" && [ -n "$(table SelfReg | tail -n +4)" ] &&
    fail "$name: it self-registers a library"
  [ -z "$(table CustomAction | tail -n +4)" ] || fail "$name: it has custom actions"
  local got
  got=$(table Component | tail -n +4 | cut -f1,4 | LC_ALL=C sort | tr '\t\n' ': ')
  [ "$got" = "$components" ] || fail "$name: components '$got', expected '$components'"
  table Property | has -x $'ALLUSERS\t1' || fail "$name: not for all users"
  # The texts survive the code page ("·" of the entries' names, "©" of their description).
  table Registry | has -F $'FriendlyName\tVeltrano Publishing · Archivierungs-Assistent' ||
    fail "$name: no add-in entry named 'Veltrano Publishing · Archivierungs-Assistent'"
  # A major upgrade: an older version of the same product is removed.
  table InstallExecuteSequence | has '^RemoveExistingProducts' ||
    fail "$name: it does not replace an older version"
}
check_package "$msi" 'x64;1033' 'Addin_x64:256 Addin_x86:0 Maker_x64:256 Maker_x86:0 '
check_package "$msi_x86" 'Intel;1033' 'Addin_x86:0 Maker_x86:0 '
msiinfo export "$msi_x86" LaunchCondition | grep '^NOT VersionNT64' >/dev/null ||
  fail "OffArdeko-x86.msi can be installed on 64-bit Windows"

# --- installed under Wine ----------------------------------------------------------------------
fresh_prefix "$3" "$prefix"
# export VIEW KEY: the key and all below it in one registry view, as text.
export_key() {
  rm -f "$work/x.reg"
  wine reg export "$2" "$work/x.reg" /y "/reg:$1" >/dev/null 2>&1 && iconv -f UTF-16 -t UTF-8 "$work/x.reg" | tr -d '\r'
}
# Our keys in the machine's registry in one view (VIEW 64 or 32), each exported on its own (the
# whole of the classes takes seconds): Word's class and ProgId stand for the four hosts', which
# are rows of the same component; the hosts' lists hold all four entries.
ours() {
  local key
  for key in "HKLM\\Software\\Classes\\CLSID\\${clsids[0]}" "HKLM\\Software\\Classes\\${progids[0]}" \
             "HKLM\\Software\\Classes\\TypeLib\\$libid" 'HKLM\Software\Microsoft\Office'; do
    export_key "$1" "$key"
  done
}
# value FILE KEY NAME: a value's data in an export, as reg export writes it ("@" the default).
value() {
  local name='"'$3'"'
  [ "$3" = @ ] && name=@
  KEY="[$2]" NAME=$name awk '
    /^\[/ { inkey = (tolower($0) == tolower(ENVIRON["KEY"])); next }
    inkey && index($0, ENVIRON["NAME"] "=") == 1 { print substr($0, length(ENVIRON["NAME"]) + 2); exit }' "$1"
}

wine reg add 'HKLM\Software\Microsoft\Office\Word\Addins' /v Foreign /d kept /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Office\Word\Addins' /v Foreign /d kept /f /reg:32 >/dev/null 2>&1
pf64=$(wine cmd /c echo %ProgramW6432% | tr -d '\r')
pf32=$(wine cmd /c 'echo %ProgramFiles(x86)%' | tr -d '\r')
dir64="$pf64\\Veltrano\\Archivierungs-Assistent" dir32="$pf32\\Veltrano\\Archivierungs-Assistent"
unix64=$(wine winepath -u "$dir64" | tr -d '\r') unix32=$(wine winepath -u "$dir32" | tr -d '\r')
unix64=${unix64%/} unix32=${unix32%/}

# An older version first, made from the same source.
(cd "$stage" && wixl -a x64 -D Arch=x64 -D Version=2.9.0 -o "$work/old.msi" "$wxs") || fail "no older package"
wine msiexec /i "$(winpath "$work/old.msi")" /qn >/dev/null 2>&1 || fail "the older package did not install"
wine msiexec /i "$(winpath "$msi")" /qn >/dev/null 2>&1
code=$?
[ $code -eq 0 ] || fail "msiexec /i exited with $code"
versions=$(export_key 64 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' |
           awk '/^\[/ { if (ours) print version; ours = 0; next }
                /^"DisplayName"="Veltrano Archivierungs-Assistent"$/ { ours = 1 }
                /^"DisplayVersion"=/ { version = $0 }
                END { if (ours) print version }' | LC_ALL=C sort | tr '\n' ' ')
[ "$versions" = '"DisplayVersion"="3.0.0" ' ] || fail "after the upgrade, installed versions: $versions"

while IFS=$'\t' read -r rel src; do
  case $rel in x64/*) installed=$unix64/${rel#x64/} ;; *) installed=$unix32/${rel#x86/} ;; esac
  cmp -s "$installed" "$src" || fail "${rel%%/*}: ${rel#*/} is missing or differs from the build's"
done <"$files_tsv"
[ "$(find "$unix64" "$unix32" -type f | wc -l)" -eq "$(wc -l <"$files_tsv")" ] || fail "other files were installed"

for view in 64 32; do
  if [ $view = 64 ]; then dll="$dir64\\OffArdeko.dll" tl=win64; else dll="$dir32\\OffArdeko.dll" tl=win32; fi
  ours $view >"$work/now.reg"
  v=$(value "$work/now.reg" "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\${clsids[0]}\\InprocServer32" @)
  expected=$(printf '"%s"' "${dll//\\/\\\\}")
  [ "${v,,}" = "${expected,,}" ] || fail "$view-bit view: ${progids[0]}'s server is $v"
  v=$(value "$work/now.reg" "HKEY_LOCAL_MACHINE\\Software\\Classes\\${progids[0]}\\CLSID" @)
  [ "$v" = "\"${clsids[0]}\"" ] || fail "$view-bit view: ProgId ${progids[0]} names $v"
  for i in "${!hosts[@]}"; do
    addin="HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\${hosts[$i]}\\Addins\\${progids[$i]}"
    v=$(value "$work/now.reg" "$addin" LoadBehavior)
    [ "$v" = dword:00000003 ] || fail "$view-bit view: ${hosts[$i]}'s entry loads with $v"
    v=$(value "$work/now.reg" "$addin" FriendlyName)
    want=Assistent
    [ "${hosts[$i]}" = PowerPoint ] && want=Asistent  # the name it was first registered under
    [ "$v" = "\"Veltrano Publishing · Archivierungs-$want\"" ] || fail "$view-bit view: ${hosts[$i]}'s entry is named $v"
  done
  v=$(value "$work/now.reg" "HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\$libid\\2.2\\0\\$tl" @)
  [ -n "$v" ] || fail "$view-bit view: no $tl type library entry"
done

# Through the machine's registration alone: the user has no classes of ours. The add-in asks
# the control for its Id as hosts' callers do, "get or call", which Wine's JScript takes as a call.
cat >"$work/label.js" <<'JS'
var connect = new ActiveXObject("VLT_Ardeko.ConnectWD");
WScript.Echo("label=" + connect.GetLabel({Id: function () { return "btnAAHelp"; }}));
JS
# Wine's cscript now and then prints nothing at all on a busy machine: an empty answer is asked again.
for _ in 1 2 3; do
  got=$(wine cscript //nologo "$(winpath "$work/label.js")" 2>&1 | tr -d '\r')
  [ -n "$got" ] && break
done
[ "$got" = "label=Hilfe" ] || fail "JScript through the machine's registration: '$got'"
# host_loads ROOT WHEN: the stand-in host loads the add-in once, from the registration under ROOT.
host_loads() {
  local got
  got=$(wine "$officehost" Word16 2>&1 | tr -d '\r' | grep -i 'VLT_Ardeko.ConnectWD: created')
  [ "$got" = "$1\\VLT_Ardeko.ConnectWD: created 0x00000000, connected 0x00000000, GetCustomUI 0x00000000, RibbonOnLoad ok" ] ||
    fail "the stand-in host, $2: '$got'"
}
host_loads HKLM "machine installation only"

# Beside a per-user installation: the user's own entry is the one loaded, once. (This Wine runs
# no 32-bit regsvr32, so the per-user installer ends with exit code 2.)
wine "$setup" /S >/dev/null 2>&1
host_loads HKCU "beside a per-user installation"
localappdata=$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')
wine "$localappdata\\Programs\\Veltrano\\Archivierungs-Assistent\\Uninstall.exe" /S \
  "_?=$localappdata\\Programs\\Veltrano\\Archivierungs-Assistent" >/dev/null 2>&1
host_loads HKLM "after the per-user installation was removed"

wine msiexec /x "$(winpath "$msi")" /qn >/dev/null 2>&1
code=$?
[ $code -eq 0 ] || fail "msiexec /x exited with $code"
for view in 64 32; do
  ours $view >"$work/left.reg"
  grep -E '^\[' "$work/left.reg" | grep -vxF -e '[HKEY_LOCAL_MACHINE\Software\Microsoft\Office]' \
    -e '[HKEY_LOCAL_MACHINE\Software\Microsoft\Office\Word]' -e '[HKEY_LOCAL_MACHINE\Software\Microsoft\Office\Word\Addins]' >"$work/left"
  [ ! -s "$work/left" ] || fail "$view-bit view: keys of ours are left: $(head -5 "$work/left" | tr '\n' ' ')"
  [ "$(value "$work/left.reg" 'HKEY_LOCAL_MACHINE\Software\Microsoft\Office\Word\Addins' Foreign)" = '"kept"' ] ||
    fail "$view-bit view: the foreign value in Word's list of add-ins is gone"
done
[ ! -e "$(dirname "$unix64")" ] && [ ! -e "$(dirname "$unix32")" ] || fail "folders of ours are left in the program folders"

finish "Windows Installer packages"
