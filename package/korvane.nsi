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
; A daemon started again after an update is not started twice.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartDaemonOnce
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
LangString MSG_EDITORS_OPEN ${LANG_JAPANESE} "Korvane の設定を編集するプログラム（オプション、コマンドの追加、設定ファイルの切り替え）が開いています。それを閉じてから［再試行］を押してください。［キャンセル］を押すと、何も変更せずに中止します。"
LangString MSG_EDITORS_OPEN ${LANG_ENGLISH} "A Korvane program that edits the settings (the options, the command adder or the settings file switcher) is open. Close it, then press Retry. Cancel stops here without changing anything."
LangString MSG_EDITORS_STILL_OPEN ${LANG_JAPANESE} "Korvane の設定を編集するプログラムが開いているため、中止しました。"
LangString MSG_EDITORS_STILL_OPEN ${LANG_ENGLISH} "Stopped: a Korvane program that edits the settings is open."
LangString MSG_LEFT_BEHIND ${LANG_JAPANESE} "次のファイルを削除できませんでした。使っているプログラムを閉じてから、もう一度アンインストールしてください。"
LangString MSG_LEFT_BEHIND ${LANG_ENGLISH} "These files could not be removed. Close the program that uses them and uninstall again."

; The program of the daemon that ran before an update, started again after it.
Var DaemonProgram
; The editing programs' mutex while this program holds it.
Var EditorsLock
; The files the uninstaller could not remove, one a line.
Var LeftBehind

; The editing programs hold the mutex "Korvane_OptionMutex" for their whole
; run, and their files cannot be replaced or removed meanwhile. Taking it
; here finds them, and keeps a new one from starting while the files change.
; Interactively the user is asked to close them; silently they are waited for
; a bounded time. Still open: nothing is changed, exit code 2.
!macro TakeEditorsLock
  StrCpy $3 0
  ${Do}
    System::Call 'kernel32::CreateMutexW(p 0, i 1, w "Korvane_OptionMutex") p .r0 ?e'
    Pop $1
    ${If} $0 P<> 0
    ${AndIf} $1 <> 183
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    ${If} ${Silent}
      IntOp $3 $3 + 1
      ${If} $3 > 60
        SetErrorLevel 2
        Abort "$(MSG_EDITORS_STILL_OPEN)"
      ${EndIf}
      Sleep 250
    ${Else}
      ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(MSG_EDITORS_OPEN)" IDCANCEL`
        SetErrorLevel 2
        Abort "$(MSG_EDITORS_STILL_OPEN)"
      ${EndIf}
    ${EndIf}
  ${Loop}
  StrCpy $EditorsLock $0
!macroend

; Ends a running daemon with remote-control code 3, so that its program file
; can be replaced or removed, and waits for its window to go. $DaemonProgram
; is the program that ran, or empty when none did.
!macro EndDaemon
  StrCpy $DaemonProgram ""
  FindWindow $1 "Krvn_CommandWindow"
  ${If} $1 != 0
    StrCpy $DaemonProgram "$INSTDIR\korvaned.exe"
    System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2)'
    ; PROCESS_QUERY_LIMITED_INFORMATION
    System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r2) p .r3'
    ${If} $3 P<> 0
      System::Call 'kernel32::QueryFullProcessImageNameW(p r3, i 0, w .r4, *i ${NSIS_MAX_STRLEN}) i .r5'
      ${If} $5 <> 0
        StrCpy $DaemonProgram $4
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r3)'
    ${EndIf}
  ${EndIf}
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
  !insertmacro TakeEditorsLock
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

; The daemon that ran before the update runs after it. The editors' mutex goes
; first: a daemon that finds it taken waits with its services stopped.
Section "-StartDaemonAgain"
  System::Call 'kernel32::ReleaseMutex(p $EditorsLock)'
  System::Call 'kernel32::CloseHandle(p $EditorsLock)'
  ${If} $DaemonProgram != ""
    Exec '"$DaemonProgram"'
  ${EndIf}
SectionEnd

Function StartDaemonOnce
  FindWindow $0 "Krvn_CommandWindow"
  ${If} $0 == 0
    Exec '"$INSTDIR\korvaned.exe"'
  ${EndIf}
FunctionEnd

; Removes one file of the program folder, noting it when it stays.
!macro RemoveFile NAME
  Delete "$INSTDIR\${NAME}"
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    StrCpy $LeftBehind "$LeftBehind$\r$\n$INSTDIR\${NAME}"
  ${EndIf}
!macroend

Section "un.${APP}" UnSecPrograms
  SectionIn RO
  SetShellVarContext current
  !insertmacro TakeEditorsLock
  !insertmacro EndDaemon
  StrCpy $LeftBehind ""
  !insertmacro RemoveFile "korvaned.exe"
  !insertmacro RemoveFile "korvopt.exe"
  !insertmacro RemoveFile "korvadd.exe"
  !insertmacro RemoveFile "korvswt.exe"
  !insertmacro RemoveFile "readme.txt"
  !insertmacro RemoveFile "LICENSE.txt"
  ; Left by saves that were killed; no editor runs now to own one.
  !insertmacro RemoveFile "kvn*.tmp"
  Delete "$SMPROGRAMS\${APP}\*.lnk"
  RMDir "$SMPROGRAMS\${APP}"
  Delete "$SENDTO\${APP}.lnk"
  Delete "$SMSTARTUP\${APP}.lnk"
SectionEnd

; Off by default: the settings stay for a later installation.
Section /o "un.$(SEC_SETTINGS)" UnSecSettings
  !insertmacro RemoveFile "*.ini"
  ; The copies the editors keep before each save go with the files.
  !insertmacro RemoveFile "backup\*.ini"
  RMDir "$INSTDIR\backup"
SectionEnd

Section "-un.Folder"
  ${If} $LeftBehind != ""
    ; The entry and the uninstaller stay, so that the removal can be finished.
    DetailPrint "$(MSG_LEFT_BEHIND)$LeftBehind"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(MSG_LEFT_BEHIND)$\r$\n$LeftBehind" /SD IDOK
    SetErrorLevel 3
  ${Else}
    Delete "$INSTDIR\uninstall.exe"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\${APP}"
  ${EndIf}
  ; Stays while the user's settings are in it.
  RMDir "$INSTDIR"
SectionEnd
