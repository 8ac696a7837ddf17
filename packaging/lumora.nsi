; The per-user installer of Lumora. Built by packaging/CMakeLists.txt, which passes
;   VERSION (1.0.0), BUILD_DIR (where Lumora.exe and lumo.chm are), ICON and OUTFILE.
; No administrator rights: everything goes into the user's own folders and HKCU. The settings under
; HKCU\Software\Quillfen\Lumora are the program's: an install or upgrade never touches them, and the uninstaller
; removes them only when the user says so (never when silent).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Quillfen\Lumora"
!define INSTANCE_MUTEX "Local\Lumora.SingleInstance"  ; held by a running Lumora until its process ends
!define WINDOW_CLASS "Lumora.Form"
!define ENDSESSION_CLOSEAPP 1

Name "Lumora"
Caption "Lumora ${VERSION} Setup"
UninstallCaption "Lumora ${VERSION} Uninstall"
BrandingText "Lumora ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Lumora"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEFINISHPAGE_BITMAP "wizard.bmp"  ; rendered by scripts/render-artwork.sh
!define MUI_WELCOMEPAGE_TEXT "This will install Lumora ${VERSION}, the tray program for highlighting on the screen, \
for you alone: no administrator rights are needed.$\r$\n$\r$\nIf Lumora is running, Setup closes it first. \
Your settings are kept.$\r$\n$\r$\nClick Install to continue."
!define MUI_FINISHPAGE_RUN "$INSTDIR\Lumora.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Lumora now"

!define MUI_PAGE_CUSTOMFUNCTION_SHOW WelcomeShow
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Lumora"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Quillfen"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Lumora ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Quillfen"

; The welcome page goes straight on: its Next button installs.
Function WelcomeShow
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^InstallBtn)"
FunctionEnd

; Asks a running Lumora to close the way the system's restart manager does (it ends as at log-off, putting its
; tray icon away), and waits for its process to end: its files can be replaced or removed only then. When it
; stays, the user may close it and retry, or cancel; a silent run gives up with exit code 2.
!macro CLOSE_LUMORA prefix
Function ${prefix}CloseLumora
  ${Do}
    StrCpy $1 0
    ${Do}
      System::Call 'kernel32::OpenMutexW(i 0x100000, i 0, w "${INSTANCE_MUTEX}") p.r0'
      ${If} $0 P= 0
        Return
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r0)'
      FindWindow $2 "${WINDOW_CLASS}"
      ${If} $1 = 0
      ${AndIf} $2 <> 0
        DetailPrint "Closing Lumora"
        SendMessage $2 ${WM_QUERYENDSESSION} 0 ${ENDSESSION_CLOSEAPP} /TIMEOUT=3000
        SendMessage $2 ${WM_ENDSESSION} 1 ${ENDSESSION_CLOSEAPP} /TIMEOUT=5000
      ${EndIf}
      Sleep 100
      IntOp $1 $1 + 1
    ${LoopUntil} $1 >= 80
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Lumora is still running. Please end it (right-click its tray \
      icon, then Exit) and click Retry." /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
    retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_LUMORA ""
!insertmacro CLOSE_LUMORA "un."

Section "Lumora"
  Call CloseLumora
  SetOutPath "$INSTDIR"
  File "${BUILD_DIR}/Lumora.exe"
  File "${BUILD_DIR}/lumo.chm"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Lumora.lnk" "$INSTDIR\Lumora.exe" "" "$INSTDIR\Lumora.exe" 0 \
    SW_SHOWNORMAL "" "Highlight on the screen"

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Lumora"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quillfen"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Lumora.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Call un.CloseLumora
  Delete "$INSTDIR\Lumora.exe"
  Delete "$INSTDIR\lumo.chm"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Lumora.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Lumora"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Remove your Lumora settings too (line width, colour and \
    start-up choices)?" /SD IDNO IDNO keep
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Quillfen"
  keep:
SectionEnd
