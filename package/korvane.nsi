; The per-user installer. make-dist passes VERSION, STAGE (the staged program
; folder) and OUTFILE.
; A 64-bit installer for 64-bit programs: Windows x64 runs it, and so does a
; 64-bit-only Wine.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh

!define APP Korvane
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
; The settings live beside the programs, so the folder must stay writable: the
; user's own programs folder, never Program Files.
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "Software\${APP}" "InstallDir"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${APP}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${APP} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "Korvane Project"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 Korvane Project. MIT License."

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\korvaned.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

LangString SEC_PROGRAMS ${LANG_JAPANESE} "${APP} (必須)"
LangString SEC_PROGRAMS ${LANG_ENGLISH} "${APP} (required)"
LangString SEC_STARTUP ${LANG_JAPANESE} "ログオン時に起動"
LangString SEC_STARTUP ${LANG_ENGLISH} "Start at log-on"
LangString SEC_SETTINGS ${LANG_JAPANESE} "設定ファイルも削除する"
LangString SEC_SETTINGS ${LANG_ENGLISH} "Remove the settings files too"
LangString LNK_DAEMON ${LANG_JAPANESE} "Korvane"
LangString LNK_DAEMON ${LANG_ENGLISH} "Korvane"
LangString LNK_CONTROLLER ${LANG_JAPANESE} "Korvane オプション"
LangString LNK_CONTROLLER ${LANG_ENGLISH} "Korvane options"
LangString LNK_SWITCHER ${LANG_JAPANESE} "Korvane 設定ファイルの切り替え"
LangString LNK_SWITCHER ${LANG_ENGLISH} "Korvane settings file"
LangString LNK_README ${LANG_JAPANESE} "Korvane お読みください"
LangString LNK_README ${LANG_ENGLISH} "Korvane read-me"

; Ends a running daemon with remote-control code 3, so that its program file
; can be replaced or removed, and waits for its window to go.
!macro EndDaemon
  System::Call 'user32::RegisterWindowMessageW(w "Korvane_RemoteControlMessage") i .r0'
  ${If} $0 != 0
    System::Call 'user32::SendMessageTimeoutW(p 0xffff, i r0, p 3, p 0, i 2, i 5000, *p .r1)'
  ${EndIf}
  StrCpy $2 0
  ${Do}
    FindWindow $1 "Krvn_CommandWindow"
    ${If} $1 == 0
      ${Break}
    ${EndIf}
    IntOp $2 $2 + 1
    ${If} $2 > 100
      ${Break}
    ${EndIf}
    Sleep 100
  ${Loop}
  ; The process ends a moment after its window.
  Sleep 500
!macroend

Section "!$(SEC_PROGRAMS)" SecPrograms
  SectionIn RO
  SetShellVarContext current
  !insertmacro EndDaemon
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${STAGE}/korvaned.exe"
  File "${STAGE}/korvopt.exe"
  File "${STAGE}/korvadd.exe"
  File "${STAGE}/korvswt.exe"
  File "${STAGE}/readme.txt"
  File "${STAGE}/LICENSE.txt"
  ; An update keeps the user's settings.
  SetOverwrite off
  File "${STAGE}/_setting.ini"
  File "${STAGE}/local.ini"
  SetOverwrite on

  CreateDirectory "$SMPROGRAMS\${APP}"
  CreateShortcut "$SMPROGRAMS\${APP}\$(LNK_DAEMON).lnk" "$INSTDIR\korvaned.exe"
  CreateShortcut "$SMPROGRAMS\${APP}\$(LNK_CONTROLLER).lnk" "$INSTDIR\korvopt.exe"
  CreateShortcut "$SMPROGRAMS\${APP}\$(LNK_SWITCHER).lnk" "$INSTDIR\korvswt.exe"
  CreateShortcut "$SMPROGRAMS\${APP}\$(LNK_README).lnk" "$INSTDIR\readme.txt"
  CreateShortcut "$SENDTO\${APP}.lnk" "$INSTDIR\korvadd.exe"

  WriteRegStr HKCU "Software\${APP}" "InstallDir" "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Korvane Project"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvaned.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "$(SEC_STARTUP)" SecStartup
  SetShellVarContext current
  CreateShortcut "$SMSTARTUP\${APP}.lnk" "$INSTDIR\korvaned.exe"
SectionEnd

; An update without the log-on section drops the old shortcut.
Section "-StartupOff"
  SetShellVarContext current
  ${IfNot} ${SectionIsSelected} ${SecStartup}
    Delete "$SMSTARTUP\${APP}.lnk"
  ${EndIf}
SectionEnd

Section "un.${APP}" UnSecPrograms
  SectionIn RO
  SetShellVarContext current
  !insertmacro EndDaemon
  Delete "$INSTDIR\korvaned.exe"
  Delete "$INSTDIR\korvopt.exe"
  Delete "$INSTDIR\korvadd.exe"
  Delete "$INSTDIR\korvswt.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\${APP}\*.lnk"
  RMDir "$SMPROGRAMS\${APP}"
  Delete "$SENDTO\${APP}.lnk"
  Delete "$SMSTARTUP\${APP}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\${APP}"
SectionEnd

; Off by default: the settings stay for a later installation.
Section /o "un.$(SEC_SETTINGS)" UnSecSettings
  Delete "$INSTDIR\*.ini"
SectionEnd

Section "-un.Folder"
  ; Stays while the user's settings are in it.
  RMDir "$INSTDIR"
SectionEnd
