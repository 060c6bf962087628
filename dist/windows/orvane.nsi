; The Orvane installer for Windows, made by scripts/build-windows:
;
;   makensis -DVERSION=1.0.0 -DPROGRAM_DIR=build-windows\Orvane
;            -DUNINSTALL_LIST=files.nsh -DOUTFILE=orvane-1.0.0-setup.exe orvane.nsi
;
; A per-user install into %LOCALAPPDATA%\Programs\Orvane, which the user can
; write, so config.ini beside the program keeps working without
; administrator rights. "/S" installs or uninstalls silently. The
; uninstaller keeps config.ini unless the user says otherwise (or passes
; /REMOVERCONFIG), and removes nothing while the program runs.

; A 64-bit installer for a 64-bit program (and the only kind a 64-bit-only
; wine runs).
Target amd64-unicode
!include "MUI2.nsh"
!include "FileFunc.nsh"

Name "Orvane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Orvane"
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "PortugueseBR"

Section "Orvane"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${PROGRAM_DIR}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\Orvane.lnk" "$INSTDIR\orvane.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Orvane"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Kavrent"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Windows keeps the files of a running program: removing some of them
; would leave the rest orphaned, with no uninstaller to take them. While
; orvane.exe runs the uninstaller says so and removes nothing (silent: exit
; status 2).
Function un.onInit
check_running:
    IfFileExists "$INSTDIR\orvane.exe" 0 not_running
    ClearErrors
    FileOpen $0 "$INSTDIR\orvane.exe" a
    IfErrors 0 opened
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "O Orvane está aberto. Feche o programa e tente de novo." /SD IDCANCEL IDRETRY check_running
    SetErrorLevel 2
    Quit
opened:
    FileClose $0
not_running:
FunctionEnd

Section "Uninstall"
    SetShellVarContext current
    ; Exactly the files the installer put there: the list is made from the
    ; build's install manifest.
    !include "${UNINSTALL_LIST}"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\Orvane.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"

    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVERCONFIG" $1
    IfErrors 0 remove_config
    IfFileExists "$INSTDIR\config.ini" 0 done
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
        "Remover também as configurações (config.ini)?" /SD IDNO IDYES remove_config
    Goto done
remove_config:
    Delete "$INSTDIR\config.ini"
done:
    ; Removed only when nothing is left in it.
    RMDir "$INSTDIR"
SectionEnd
