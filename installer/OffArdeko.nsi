; The add-in's installer for one user: no administrator rights, everything under the user's own
; program folder and HKEY_CURRENT_USER.
;
; Both builds of OffArdeko.dll are installed, each in a folder of its own with its own copy of
; the files it looks for beside itself (Logo.bmp, the sounds, the manual): 32-bit Office loads
; x86\OffArdeko.dll, 64-bit Office x64\OffArdeko.dll. Each is registered by its own
; DllRegisterServer, run in a process of its bitness, so that each writes the class
; registration into the registry view its Office reads.
;
; Built by CMake (installer/CMakeLists.txt) with
;   makensis -INPUTCHARSET UTF8 -DARDEKO_TARGET=x86-unicode|amd64-unicode -DARDEKO_OUTFILE=...
;            -DARDEKO_FILES=Files.nsh -DARDEKO_ADDINS=Addins.nsh -DARDEKO_VERSION=3.00
;            -DARDEKO_VERSION4=3.0.0.0 [-DARDEKO_SIGN=sign-file -DARDEKO_SIGN_PFX=...] OffArdeko.nsi
; Files.nsh is generated: the macros ARDEKO_FILES_x86, ARDEKO_FILES_x64 (File commands with the
; build's paths) and ARDEKO_DELETE_FILES (the same names to delete), so that the uninstaller
; removes exactly what the installer wrote. Addins.nsh is generated from the add-in's registration
; table: ARDEKO_RESET_LOAD_BEHAVIOR.
;
; Running the installer again over an installation repairs it: the files are written anew, both
; DLLs registered again, and each host's entry is set back to loading at start-up (a host that
; failed to load the add-in once turns it off by itself).
;
; It speaks German or English, by the language of the user's Windows.
;
; The shipped installer is the 32-bit one: it runs on 32-bit and 64-bit Windows alike. The
; 64-bit build of this script is the same installer for the tests under a Wine that runs
; 64-bit programs only.

Unicode true
Target ${ARDEKO_TARGET}
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include MUI2.nsh
!include /CHARSET=UTF8 "${ARDEKO_FILES}"
!include /CHARSET=UTF8 "${ARDEKO_ADDINS}"
; In the 64-bit build ${RunningX64} is always true, and LogicLib's unused else branches warn.
!if ${NSIS_PTR_SIZE} > 4
  !pragma warning disable 6012
!endif

!define PRODUCT "Veltrano Archivierungs-Assistent"
!define PUBLISHER "Veltrano Publishing"
!define UNINSTALL_LIST "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define UNINSTALL_KEY "${UNINSTALL_LIST}\VLT_Ardeko"
!define DLL "OffArdeko.dll"

; The installer's own bitness registers the DLL of that bitness in-process (RegDLL); the other
; one is registered by the regsvr32 of the other bitness. A 32-bit process sees the 64-bit
; system folder as Sysnative, a 64-bit process the 32-bit one as SysWOW64.
!if ${NSIS_PTR_SIZE} > 4
  !define NATIVE x64
  !define OTHER x86
  !define OTHER_REGSVR32 "$WINDIR\SysWOW64\regsvr32.exe"
!else
  !define NATIVE x86
  !define OTHER x64
  !define OTHER_REGSVR32 "$WINDIR\Sysnative\regsvr32.exe"
!endif

Name "${PRODUCT}"
OutFile "${ARDEKO_OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Veltrano\Archivierungs-Assistent"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER}"
; With a code-signing certificate: the setup program and its uninstaller, each once it is made.
!ifdef ARDEKO_SIGN
  !finalize '"${ARDEKO_SIGN}" "${ARDEKO_SIGN_PFX}" "%1"' = 0
  !uninstfinalize '"${ARDEKO_SIGN}" "${ARDEKO_SIGN_PFX}" "%1"' = 0
!endif
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${ARDEKO_VERSION4}"
VIAddVersionKey /LANG=1031 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1031 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1031 "FileDescription" "Installation ${PRODUCT} ${ARDEKO_VERSION}"
VIAddVersionKey /LANG=1031 "FileVersion" "${ARDEKO_VERSION}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${ARDEKO_VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; English first: it is the language of every Windows that is not German.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString FinishText ${LANG_ENGLISH} "The ${PRODUCT} is installed. It appears the next time Word, Excel, PowerPoint and Access start."
LangString FinishText ${LANG_GERMAN} "Der ${PRODUCT} ist installiert. Er erscheint beim nächsten Start von Word, Excel, PowerPoint und Access."
; $R9: the DLL, as x86\OffArdeko.dll; $R8: regsvr32's exit code.
LangString NotRegistered ${LANG_ENGLISH} "$R9 could not be registered."
LangString NotRegistered ${LANG_GERMAN} "$R9 konnte nicht registriert werden."
LangString NotRegisteredCode ${LANG_ENGLISH} "$R9 could not be registered (regsvr32: $R8)."
LangString NotRegisteredCode ${LANG_GERMAN} "$R9 konnte nicht registriert werden (regsvr32: $R8)."
LangString NotUnregistered ${LANG_ENGLISH} "$R9 could not be removed from the registry."
LangString NotUnregistered ${LANG_GERMAN} "$R9 konnte nicht aus der Registrierung entfernt werden."
LangString NotUnregisteredCode ${LANG_ENGLISH} "$R9 could not be removed from the registry (regsvr32: $R8)."
LangString NotUnregisteredCode ${LANG_GERMAN} "$R9 konnte nicht aus der Registrierung entfernt werden (regsvr32: $R8)."

; Exit code 2: installed or removed, but a DLL's registration or removal from the registry
; failed (the message names which); silent installs report it only this way.
!define EXIT_REGISTRATION_FAILED 2

Var CreatedFolder  ; the outermost folder of $INSTDIR that this installation made, or ""
Var CreatedList    ; 1 when this installation made the user's list of uninstall entries

; $CreatedFolder := the outermost of $INSTDIR and its parents that does not exist yet.
Function FindFolderToCreate
  StrCpy $CreatedFolder ""
  StrCpy $0 $INSTDIR
  ${DoUntil} $0 == ""
    ${If} ${FileExists} "$0\*.*"
      ${Break}
    ${EndIf}
    StrCpy $CreatedFolder $0
    ${GetParent} $0 $0
  ${Loop}
FunctionEnd

!macro ReportRegistrationFailure TEXT
  DetailPrint "${TEXT}"
  MessageBox MB_OK|MB_ICONEXCLAMATION "${TEXT}" /SD IDOK
  SetErrorLevel ${EXIT_REGISTRATION_FAILED}
!macroend

Section "Add-in"
  ; Over an earlier installation in the same place the folders are there already, and it is
  ; the first installation that made them.
  Call FindFolderToCreate
  ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 == $INSTDIR
    ReadRegStr $CreatedFolder HKCU "${UNINSTALL_KEY}" "CreatedFolder"
  ${EndIf}
  ; A new user's registry may have no list of per-user uninstall entries yet.
  ReadRegDWORD $CreatedList HKCU "${UNINSTALL_KEY}" "CreatedList"
  ${If} $CreatedList != 1
    ClearErrors
    EnumRegKey $1 HKCU "${UNINSTALL_LIST}" 0
    ${If} ${Errors}
      StrCpy $CreatedList 1
    ${Else}
      StrCpy $CreatedList 0
    ${EndIf}
  ${EndIf}

  SetOutPath "$INSTDIR\x86"
  !insertmacro ARDEKO_FILES_x86
  ; A 64-bit DLL has no use on 32-bit Windows.
  ${If} ${RunningX64}
    SetOutPath "$INSTDIR\x64"
    !insertmacro ARDEKO_FILES_x64
  ${EndIf}
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ${GetSize} "$INSTDIR" "/S=0K" $2 $3 $4
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${ARDEKO_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $2
  ; Where the uninstaller stops removing what this installation made.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "CreatedFolder" "$CreatedFolder"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "CreatedList" $CreatedList

  ; The registration last: a DLL that is registered but not found would make Office report
  ; a broken add-in on every start.
  ClearErrors
  RegDLL "$INSTDIR\${NATIVE}\${DLL}"
  ${If} ${Errors}
    StrCpy $R9 "${NATIVE}\${DLL}"
    !insertmacro ReportRegistrationFailure "$(NotRegistered)"
  ${EndIf}
  ${If} ${RunningX64}
    ClearErrors
    ExecWait '"${OTHER_REGSVR32}" /s "$INSTDIR\${OTHER}\${DLL}"' $R8
    ${If} ${Errors}
    ${OrIf} $R8 != 0
      StrCpy $R9 "${OTHER}\${DLL}"
      !insertmacro ReportRegistrationFailure "$(NotRegisteredCode)"
    ${EndIf}
  ${EndIf}
  ; A repair: the registration writes the entries' load behaviour too, but only for the DLLs
  ; whose registration ran; the hosts' entries are the same for both.
  !insertmacro ARDEKO_RESET_LOAD_BEHAVIOR
SectionEnd

Section "Uninstall"
  ReadRegStr $CreatedFolder HKCU "${UNINSTALL_KEY}" "CreatedFolder"
  ReadRegDWORD $CreatedList HKCU "${UNINSTALL_KEY}" "CreatedList"

  ; Out of the registry first, while the DLLs are still there to say what they wrote.
  ${If} ${FileExists} "$INSTDIR\${NATIVE}\${DLL}"
    ClearErrors
    UnRegDLL "$INSTDIR\${NATIVE}\${DLL}"
    ${If} ${Errors}
      StrCpy $R9 "${NATIVE}\${DLL}"
      !insertmacro ReportRegistrationFailure "$(NotUnregistered)"
    ${EndIf}
  ${EndIf}
  ${If} ${RunningX64}
  ${AndIf} ${FileExists} "$INSTDIR\${OTHER}\${DLL}"
    ClearErrors
    ExecWait '"${OTHER_REGSVR32}" /s /u "$INSTDIR\${OTHER}\${DLL}"' $R8
    ${If} ${Errors}
    ${OrIf} $R8 != 0
      StrCpy $R9 "${OTHER}\${DLL}"
      !insertmacro ReportRegistrationFailure "$(NotUnregisteredCode)"
    ${EndIf}
  ${EndIf}

  ; Only the files the installer wrote: anything else the user put there stays, and with it
  ; the folder.
  !insertmacro ARDEKO_DELETE_FILES "$INSTDIR\x86"
  !insertmacro ARDEKO_DELETE_FILES "$INSTDIR\x64"
  RMDir "$INSTDIR\x86"
  RMDir "$INSTDIR\x64"
  Delete "$INSTDIR\Uninstall.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${If} $CreatedList == 1
    DeleteRegKey /ifempty HKCU "${UNINSTALL_LIST}"
  ${EndIf}

  ; The installation folder and the parents the installation made, each only when empty.
  ${If} $CreatedFolder != ""
    StrCpy $0 $INSTDIR
    ${Do}
      RMDir $0
      ${If} $0 == $CreatedFolder
        ${Break}
      ${EndIf}
      ${GetParent} $0 $0
    ${LoopUntil} $0 == ""
  ${EndIf}
SectionEnd
