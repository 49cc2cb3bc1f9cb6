; The Vantrel setup program (NSIS 3, Unicode; runs on Windows XP SP3 to 10).
; installer/CMakeLists.txt builds it and passes NAMES, a generated file with
; the version and the names the program's own sources define: the program
; key, the start-at-logon value, the help file and the main window's class.
Unicode true
!include "${NAMES}"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"

!define PUBLISHER "Brelnix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel"
!define UNINSTALLER "uninstall.exe"
; SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ: wait for a
; process and read the path of its program file.
!define OPEN_TO_READ_PATH 0x00100410

Name "Vantrel"
Caption "Vantrel ${VERSION} 安装"
OutFile "${OUTFILE}"
; The 32-bit Program Files folder: Program Files (x86) on 64-bit Windows.
InstallDir "$PROGRAMFILES\Vantrel"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "Vantrel ${VERSION}"

VIProductVersion "${VERSION4}"

; Set when the setup program closed a running Vantrel, which a silent
; upgrade then starts again.
Var closedRunningCopy

!define MUI_ICON "${RESOURCES}\MAINICON.ico"
!define MUI_UNICON "${RESOURCES}\MAINICON.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Vantrel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "立即运行 Vantrel"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "Vantrel"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "Vantrel 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION4}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION4}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "Copyright (C) ${PUBLISHER}"

; Closes the running Vantrel this setup replaces or removes, the way its
; tray menu's exit does: a close request to its hidden main window, which ends
; the program in order. Other programs may use the same window class, so only
; a window carrying Vantrel's own window property counts, and only when its
; process was started from $INSTDIR\Vantrel.exe: a copy elsewhere (a
; portable one) keeps running. Waits up to ten seconds for each process to
; end, so that its files can be replaced; aborts when one does not, rather
; than leave a half-replaced program behind.
!macro DEFINE_CLOSE_RUNNING_COPY un
Function ${un}CloseRunningCopy
    StrCpy $R0 0
    next_window:
        FindWindow $R0 "${MAIN_CLASS}" "" 0 $R0
        StrCmp $R0 0 done
        System::Call 'user32::GetPropW(p R0, w "${INSTANCE_PROPERTY}") p .R1'
        StrCmp $R1 0 next_window
        System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R2)'
        System::Call 'kernel32::OpenProcess(i ${OPEN_TO_READ_PATH}, i 0, i R2) p .R3'
        StrCmp $R3 0 next_window
        ; The program file of that process (psapi has it on every Windows
        ; from XP on); compared without regard to letter case, as paths are.
        StrCpy $R6 ""
        System::Call 'psapi::GetModuleFileNameExW(p R3, p 0, w .R6, i ${NSIS_MAX_STRLEN}) i .R4'
        ${If} $R6 != "$INSTDIR\Vantrel.exe"
            System::Call 'kernel32::CloseHandle(p R3)'
            Goto next_window
        ${EndIf}
        System::Call 'user32::PostMessageW(p R0, i ${WM_CLOSE}, p 0, p 0)'
        StrCpy $R5 0
    wait:
        System::Call 'kernel32::WaitForSingleObject(p R3, i 100) i .R4'
        StrCmp $R4 0 closed
        IntOp $R5 $R5 + 1
        IntCmp $R5 100 0 wait 0
        System::Call 'kernel32::CloseHandle(p R3)'
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Vantrel 仍在运行。请在托盘菜单中选择“退出”，然后单击“重试”。" /SD IDCANCEL IDRETRY retry
        Abort "Vantrel 仍在运行，没有做任何更改。"
    retry:
        StrCpy $R0 0
        Goto next_window
    closed:
        System::Call 'kernel32::CloseHandle(p R3)'
        StrCpy $closedRunningCopy 1
        StrCpy $R0 0
        Goto next_window
    done:
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING_COPY ""
!insertmacro DEFINE_CLOSE_RUNNING_COPY "un."

; Windows XP ignores RequestExecutionLevel; a limited account could write
; neither Program Files nor HKEY_LOCAL_MACHINE.
!macro REQUIRE_ADMINISTRATOR
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "admin"
        MessageBox MB_OK|MB_ICONSTOP "需要管理员权限。请用管理员账户登录，或右键单击并选择“以管理员身份运行”。" /SD IDOK
        SetErrorLevel 740
        Quit
    ${EndIf}
!macroend

Section "Vantrel" SecMain
    SectionIn RO
    Call CloseRunningCopy
    SetOutPath "$INSTDIR"
    ; The shortcuts start in the program folder ($OUTDIR), but this process
    ; works elsewhere: a program it starts (the shell's helpers for the new
    ; shortcuts among them) inherits its current folder, and would hold the
    ; program folder open against a later uninstall.
    System::Call 'kernel32::SetCurrentDirectoryW(w "$TEMP")'
    SetOverwrite on
    File "${BIN}\Vantrel.exe"
    File "${BIN}\vantrelctl.exe"
    File "${BIN}\QLLJ.bat"
    File "${BIN}\${HELP_FILE}"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    SetShellVarContext all
    CreateDirectory "$SMPROGRAMS\Vantrel"
    CreateShortcut "$SMPROGRAMS\Vantrel\Vantrel.lnk" "$INSTDIR\Vantrel.exe"
    CreateShortcut "$SMPROGRAMS\Vantrel\Vantrel 帮助.lnk" "$INSTDIR\${HELP_FILE}"
    CreateShortcut "$SMPROGRAMS\Vantrel\卸载 Vantrel.lnk" "$INSTDIR\${UNINSTALLER}"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vantrel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vantrel.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "桌面快捷方式" SecDesktop
    SetShellVarContext all
    CreateShortcut "$DESKTOP\Vantrel.lnk" "$INSTDIR\Vantrel.exe"
SectionEnd

; The same value the settings window's start-at-logon box writes: the
; program's full path, without quotes, so that the box shows it ticked.
Section "登录 Windows 时启动 Vantrel" SecLogon
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" "$INSTDIR\Vantrel.exe"
SectionEnd

Section "-Finish"
    ; A choice taken away on an upgrade leaves nothing of the earlier copy's.
    ${IfNot} ${SectionIsSelected} ${SecDesktop}
        SetShellVarContext all
        Delete "$DESKTOP\Vantrel.lnk"
    ${EndIf}
    ${IfNot} ${SectionIsSelected} ${SecLogon}
        ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
        ${If} $0 == "$INSTDIR\Vantrel.exe"
            DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
        ${EndIf}
    ${EndIf}
    ; The finish page offers to start Vantrel; a silent upgrade has no
    ; page, so it starts again the copy it closed.
    ${If} ${Silent}
    ${AndIf} $closedRunningCopy == 1
        Exec '"$INSTDIR\Vantrel.exe"'
    ${EndIf}
SectionEnd

Function .onInit
    !insertmacro REQUIRE_ADMINISTRATOR
    StrCpy $closedRunningCopy 0
    ; Over an earlier copy the choices default to what that copy had.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
        ReadRegStr $1 HKLM "${RUN_KEY}" "${RUN_VALUE}"
        ${If} $1 != "$0\Vantrel.exe"
            !insertmacro UnselectSection ${SecLogon}
        ${EndIf}
        SetShellVarContext all
        ${IfNot} ${FileExists} "$DESKTOP\Vantrel.lnk"
            !insertmacro UnselectSection ${SecDesktop}
        ${EndIf}
    ${EndIf}
FunctionEnd

Function un.onInit
    !insertmacro REQUIRE_ADMINISTRATOR
FunctionEnd

Section "Uninstall"
    Call un.CloseRunningCopy
    ; Start at logon goes only when it starts this copy.
    ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $0 == "$INSTDIR\Vantrel.exe"
    ${OrIf} $0 == '"$INSTDIR\Vantrel.exe"'
        DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}

    Delete "$INSTDIR\Vantrel.exe"
    Delete "$INSTDIR\vantrelctl.exe"
    Delete "$INSTDIR\QLLJ.bat"
    Delete "$INSTDIR\${HELP_FILE}"
    ; The cleanup lists the program wrote beside itself.
    Delete "$INSTDIR\清理系统垃圾列表*.txt"

    SetShellVarContext all
    Delete "$SMPROGRAMS\Vantrel\Vantrel.lnk"
    Delete "$SMPROGRAMS\Vantrel\Vantrel 帮助.lnk"
    Delete "$SMPROGRAMS\Vantrel\卸载 Vantrel.lnk"
    RMDir "$SMPROGRAMS\Vantrel"
    Delete "$DESKTOP\Vantrel.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "是否同时删除 Vantrel 的所有任务和设置？$\n$\n选择“否”将保留它们，重新安装后仍可使用。" /SD IDNO IDNO keep
        DeleteRegKey HKLM "${PROGRAM_KEY}"
        DeleteRegKey /ifempty HKLM "${PROGRAM_KEY_PARENT}"
    keep:
    ; Last, so that the folder going means the uninstall is done. The
    ; uninstaller runs as a copy of itself from the temporary folder; the
    ; original that started it may take a moment to end and free its file.
    ${For} $R0 1 50
        Delete "$INSTDIR\${UNINSTALLER}"
        ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
            ${Break}
        ${EndIf}
        Sleep 200
    ${Next}
    Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
    RMDir /REBOOTOK "$INSTDIR"
SectionEnd
