; The suite's installer: the service, its watcher and their libraries under
; Program Files, the watcher started at every user's logon, and an uninstaller
; that takes back exactly what was added. Both run silently with /S.
;
; makensis -DBIN_DIR=<build bin folder> -DOUTFILE=<setup.exe> -DVERSION=<a.b.c.d>
;          [-DSIGN=<signing command> -DUNINSTALLER_COPY=<path>] setup.nsi

Unicode true
!include "FileFunc.nsh"
SetCompressor /SOLID lzma
; It writes HKLM and Program Files: on Vista and 7 the manifest asks for
; elevation, on XP .onInit refuses a limited account.
RequestExecutionLevel admin

!ifndef BIN_DIR
  !error "BIN_DIR must name the folder holding the built binaries"
!endif
!ifndef VERSION
  !error "VERSION must give the suite's version, four numbers"
!endif
!ifndef OUTFILE
  !define OUTFILE "setup.exe"
!endif
; SIGN signs a file in place (and copies it to a second path when given one):
; the uninstaller before it is packed, so the one setup.exe writes is signed,
; then setup.exe itself once written.
!ifdef SIGN
  !ifndef UNINSTALLER_COPY
    !error "SIGN needs UNINSTALLER_COPY, where the signed uninstaller is kept for checks"
  !endif
  ; "= 0": a signing that fails fails the build, never ships unsigned.
  !uninstfinalize '"${SIGN}" "%1" "${UNINSTALLER_COPY}"' = 0
  !finalize '"${SIGN}" "%1"' = 0
!endif
; "setup.exe" is the name users look for; its manifest already declares the
; execution level, which is what the name-based installer detection guesses.
!pragma warning disable 9000

!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Torvan"
!define UNINSTALLER "uninst.exe"
; Tandrel's File > Exit command.
!define TANDREL_EXIT 105
!define WM_COMMAND 0x0111
!define WM_CLOSE 0x0010

Name "Torvan"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Torvan"
ShowInstDetails hide
ShowUninstDetails hide

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Torvan"
VIAddVersionKey "FileDescription" "Torvan notebook hotkeys setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" ""

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The one list of what the suite ships; install and uninstall both walk it.
!macro SuiteFiles ACTION
  !insertmacro ${ACTION} "Torvan.exe"
  !insertmacro ${ACTION} "Tandrel.exe"
  !insertmacro ${ACTION} "Lumex.dll"
  !insertmacro ${ACTION} "Fennic.dll"
  !insertmacro ${ACTION} "Ressin.dll"
  !insertmacro ${ACTION} "Pelvari.dll"
  !insertmacro ${ACTION} "Pallion.dll"
  !insertmacro ${ACTION} "Pictor.dll"
!macroend

!macro InstallFile NAME
  File "${BIN_DIR}/${NAME}"
!macroend

; A file held open by a process of another session goes at the next restart.
!macro RemoveFile NAME
  Delete /REBOOTOK "$INSTDIR\${NAME}"
!macroend

; Files in use cannot be replaced or removed, and a watcher left running would
; start the old service again: this session's watcher is asked to exit first
; (it leaves the service running), then the service. A process that does not
; end within ten seconds is terminated. $R0 class, $R1 title, $R2 message,
; $R3 wParam; uses $0-$4.
!macro DefineCloseProgram PREFIX
Function ${PREFIX}CloseProgram
  StrCpy $4 0
  next:
    FindWindow $0 $R0 $R1
    StrCmp $0 0 done
    IntOp $4 $4 + 1
    IntCmp $4 4 0 0 done
    StrCpy $1 0
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    ; SYNCHRONIZE | PROCESS_TERMINATE
    System::Call 'kernel32::OpenProcess(i 0x100001, i 0, i r1) p .r2'
    System::Call 'user32::PostMessageW(p r0, i $R2, p $R3, p 0) i'
    StrCmp $2 0 next
    System::Call 'kernel32::WaitForSingleObject(p r2, i 10000) i .r3'
    IntCmp $3 0 closed
    System::Call 'kernel32::TerminateProcess(p r2, i 1) i'
    System::Call 'kernel32::WaitForSingleObject(p r2, i 5000) i'
  closed:
    System::Call 'kernel32::CloseHandle(p r2) i'
    Goto next
  done:
FunctionEnd

Function ${PREFIX}CloseSuite
  StrCpy $R0 "TANDREL"
  StrCpy $R1 "Tandrel"
  StrCpy $R2 ${WM_COMMAND}
  StrCpy $R3 ${TANDREL_EXIT}
  Call ${PREFIX}CloseProgram
  ; The service's hidden dialog ends on a close like any dialog, through its
  ; full teardown.
  StrCpy $R0 "Torvan"
  StrCpy $R1 "Torvan"
  StrCpy $R2 ${WM_CLOSE}
  StrCpy $R3 0
  Call ${PREFIX}CloseProgram
FunctionEnd
!macroend
!insertmacro DefineCloseProgram ""
!insertmacro DefineCloseProgram "un."

Function .onInit
  UserInfo::GetAccountType
  Pop $0
  StrCmp $0 "Admin" +4
    MessageBox MB_OK|MB_ICONSTOP "Torvan can only be installed by an administrator." /SD IDOK
    SetErrorLevel 5 ; ERROR_ACCESS_DENIED
    Quit
FunctionEnd

Function un.onInit
  UserInfo::GetAccountType
  Pop $0
  StrCmp $0 "Admin" +4
    MessageBox MB_OK|MB_ICONSTOP "Torvan can only be removed by an administrator." /SD IDOK
    SetErrorLevel 5
    Quit
FunctionEnd

!macro FailUnlessAllDone
  IfErrors 0 +4
    MessageBox MB_OK|MB_ICONSTOP "Torvan could not be installed completely in $INSTDIR." /SD IDOK
    SetErrorLevel 2
    Abort
!macroend

Section "Torvan"
  Call CloseSuite
  ; A file that cannot be written must fail the installation, silent or not,
  ; rather than be skipped and reported as success.
  AllowSkipFiles off
  SetOverwrite on
  ClearErrors
  SetOutPath "$INSTDIR"
  ; The uninstaller comes first so that a half-done installation can be removed.
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Torvan"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Tandrel.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  !insertmacro SuiteFiles InstallFile
  ; Nothing is started at logon from an incomplete folder.
  !insertmacro FailUnlessAllDone
  WriteRegStr HKLM "${RUN_KEY}" "Tandrel" '"$INSTDIR\Tandrel.exe"'
  !insertmacro FailUnlessAllDone
  ; What Programs and Features shows, in KB: the files of the folder as installed.
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Call un.CloseSuite
  ; Only what the installer put here: the folder may hold files of the user's.
  !insertmacro SuiteFiles RemoveFile
  Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegValue HKLM "${RUN_KEY}" "Tandrel"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
