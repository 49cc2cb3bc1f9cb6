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
!include "WinVer.nsh"

!define PUBLISHER "Brelnix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel"
!define UNINSTALLER "Vantrel-uninstall.exe"
; The uninstaller's name before it carried the program's own.
!define OLD_UNINSTALLER "uninstall.exe"
; Exit codes of a setup that stopped before changing anything.
!define EXIT_FOLDER_REFUSED 3
!define EXIT_FILE_IN_USE 4
; The service could not be stopped (before the files change: nothing was
; changed) or installed and started (the files are in place; the tray
; copies run the tasks as before).
!define EXIT_SERVICE_FAILED 5
; SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ: wait for a
; process and read the path of its program file.
!define OPEN_TO_READ_PATH 0x00100410
; The same and PROCESS_TERMINATE, for a copy in another user's session.
!define OPEN_TO_END 0x00100411
; The size of PROCESSENTRY32W.
!define PROCESS_ENTRY_SIZE 556

Name "Vantrel"
Caption "Vantrel ${VERSION} 安装"
OutFile "${OUTFILE}"
; The 32-bit Program Files folder: Program Files (x86) on 64-bit Windows.
InstallDir "$PROGRAMFILES\Vantrel"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
; A drive root given with /D= is kept as given, so that it is refused with
; a message (CheckFolder) rather than silently replaced by the default.
AllowRootDirInstall true
SetCompressor /SOLID lzma
BrandingText "Vantrel ${VERSION}"

VIProductVersion "${VERSION4}"

; make dist gives SIGN, a command that signs the program file named after
; it: the uninstaller as it is made, before it is packed, and the setup
; program once it is written. The build stops when signing fails.
!ifdef SIGN
!uninstfinalize '${SIGN} "%1"' = 0
!finalize '${SIGN} "%1"' = 0
!endif

; Set when the setup program closed a running Vantrel, which a silent
; upgrade then starts again.
Var closedRunningCopy
; 1 when this setup stopped the service, which a failed setup starts again.
Var stoppedService
; The folder of the installed copy this setup replaces; empty for none.
Var earlierFolder
; The sessions of other users whose Vantrel this setup could not end, as
; "2、3"; empty for none.
Var otherSessions
; What removing the service answered, kept across closing a running copy.
Var serviceRemoval

!define MUI_ICON "${RESOURCES}\MAINICON.ico"
!define MUI_UNICON "${RESOURCES}\MAINICON.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_WELCOME
; Over an installed copy there is no folder page: the upgrade stays in place.
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderPageOnUpgrade
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckFolderPage
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
    Call ${un}EndCopiesOfOtherSessions
FunctionEnd

; FindWindow sees only the windows of this session: a copy another user runs
; (fast user switching, Remote Desktop) would keep Vantrel.exe in use. The
; process list names every session's processes; a Vantrel.exe of another
; session that runs $INSTDIR\Vantrel.exe is ended, since no close request
; reaches its window from here (it starts again at that user's next logon).
; The sessions whose copy cannot be opened or ended go to $otherSessions,
; which the message of a file in use then names.
Function ${un}EndCopiesOfOtherSessions
    Push $0
    Push $1
    Push $2
    Push $3
    Push $4
    StrCpy $otherSessions ""
    System::Call 'kernel32::GetCurrentProcessId() i .r0'
    System::Call 'kernel32::ProcessIdToSessionId(i r0, *i .R1)'
    System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .R2'
    IntPtrCmp $R2 -1 others_done 0 0
    System::Call '*(i ${PROCESS_ENTRY_SIZE}, i, i, p, i, i, i, i, i, &w260) p .R3'
    System::Call 'kernel32::Process32FirstW(p R2, p R3) i .R4'
    ${DoWhile} $R4 != 0
        System::Call '*$R3(i, i, i .R5, p, i, i, i, i, i, &w260 .R6)'
        ; Compared without regard to letter case, as file names are.
        ${If} $R6 == "Vantrel.exe"
            StrCpy $1 ""
            System::Call 'kernel32::ProcessIdToSessionId(i R5, *i .r1) i .r2'
            ${If} $2 != 0
            ${AndIf} $1 != $R1
                System::Call 'kernel32::OpenProcess(i ${OPEN_TO_END}, i 0, i R5) p .r3'
                ; Left running: one that cannot be opened (whose copy it is
                ; cannot be told, so it may be this one), or that did not end.
                StrCpy $4 "left"
                ${If} $3 != 0
                    System::Call 'psapi::GetModuleFileNameExW(p r3, p 0, w .r0, i ${NSIS_MAX_STRLEN}) i .r2'
                    ${If} $0 != "$INSTDIR\Vantrel.exe"
                        StrCpy $4 ""
                    ${Else}
                        System::Call 'kernel32::TerminateProcess(p r3, i 0) i .r2'
                        System::Call 'kernel32::WaitForSingleObject(p r3, i 5000) i .r2'
                        ${If} $2 == 0
                            StrCpy $4 ""
                        ${EndIf}
                    ${EndIf}
                    System::Call 'kernel32::CloseHandle(p r3)'
                ${EndIf}
                ${If} $4 == "left"
                    ${If} $otherSessions == ""
                        StrCpy $otherSessions $1
                    ${Else}
                        StrCpy $otherSessions "$otherSessions、$1"
                    ${EndIf}
                ${EndIf}
            ${EndIf}
        ${EndIf}
        System::Call 'kernel32::Process32NextW(p R2, p R3) i .R4'
    ${Loop}
    System::Free $R3
    System::Call 'kernel32::CloseHandle(p R2)'
    others_done:
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING_COPY ""
!insertmacro DEFINE_CLOSE_RUNNING_COPY "un."

; Windows XP ignores RequestExecutionLevel; a limited account could write
; neither Program Files nor HKEY_LOCAL_MACHINE. XP has no "以管理员身份运行":
; its context menu says "运行方式…".
!macro REQUIRE_ADMINISTRATOR
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "admin"
        ${If} ${AtLeastWinVista}
            MessageBox MB_OK|MB_ICONSTOP "需要管理员权限。请用管理员账户登录，或右键单击并选择“以管理员身份运行”。" /SD IDOK
        ${Else}
            MessageBox MB_OK|MB_ICONSTOP "需要管理员权限。请用管理员账户登录，或右键单击并选择“运行方式…”，再选择一个管理员账户。" /SD IDOK
        ${EndIf}
        SetErrorLevel 740
        Quit
    ${EndIf}
!macroend

; $R0: the message why $INSTDIR may not hold Vantrel, empty when it may. A
; folder that must never hold a program's files (a drive root, the Windows
; folder, Program Files itself, the desktop, the documents), or one that is
; not empty and holds no earlier Vantrel, is refused: installing there would
; overwrite another program's files and let Vantrel's uninstall delete them.
Function CheckFolder
    StrCpy $R0 ""
    GetFullPathName $R1 "$INSTDIR"
    ${If} $R1 == ""
        StrCpy $R1 "$INSTDIR"
    ${EndIf}
    ; Without a trailing backslash, so that C:\ and C:\Windows\ compare.
    StrCpy $R2 $R1 1 -1
    ${If} $R2 == "\"
        StrCpy $R1 $R1 -1
    ${EndIf}
    StrLen $R2 $R1
    SetShellVarContext current
    StrCpy $R3 "$DESKTOP"
    StrCpy $R4 "$DOCUMENTS"
    SetShellVarContext all
    ${If} $R2 <= 2
    ${OrIf} $R1 == "$WINDIR"
    ${OrIf} $R1 == "$PROGRAMFILES"
    ${OrIf} $R1 == "$PROGRAMFILES64"
    ${OrIf} $R1 == "$R3"
    ${OrIf} $R1 == "$R4"
    ${OrIf} $R1 == "$DESKTOP"
    ${OrIf} $R1 == "$DOCUMENTS"
        StrCpy $R0 "不能安装到“$R1”: 这个文件夹不能存放程序的文件。请选择其中的一个新文件夹，例如“$R1\Vantrel”。"
        Return
    ${EndIf}
    ${If} ${FileExists} "$R1\${UNINSTALLER}"
    ${OrIf} $R1 == $earlierFolder
        Return
    ${EndIf}
    ${If} ${FileExists} "$R1\${OLD_UNINSTALLER}"
    ${AndIf} ${FileExists} "$R1\Vantrel.exe"
        Return
    ${EndIf}
    ${DirState} "$R1" $R2
    ${If} $R2 == 1
        StrCpy $R0 "不能安装到“$R1”: 这个文件夹不是空的，也没有已安装的 Vantrel。请选择一个空文件夹或新文件夹。"
    ${EndIf}
FunctionEnd

Function SkipFolderPageOnUpgrade
    ${If} $earlierFolder != ""
        Abort
    ${EndIf}
FunctionEnd

Function CheckFolderPage
    Call CheckFolder
    ${If} $R0 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$R0"
        Abort
    ${EndIf}
FunctionEnd

; Stops the setup before anything changes when a file it is to replace is
; held open (a copy running in another session, a virus scanner): never a
; file-error prompt half way, which a silent setup would wait at.
!macro REQUIRE_WRITABLE file
    ${If} ${FileExists} "${file}"
        ClearErrors
        FileOpen $R9 "${file}" a
        ${If} ${Errors}
            ${If} $otherSessions != ""
                MessageBox MB_OK|MB_ICONSTOP "“${file}”正在使用，无法替换：其他用户（会话 $otherSessions）运行的 Vantrel 无法关闭。请让这些用户退出 Vantrel 或注销，然后重新运行安装程序。没有做任何更改。" /SD IDOK
            ${Else}
                MessageBox MB_OK|MB_ICONSTOP "“${file}”正在使用，无法替换。请退出所有 Vantrel（包括其他用户登录中的），然后重新运行安装程序。没有做任何更改。" /SD IDOK
            ${EndIf}
            Call RestartStoppedService
            SetErrorLevel ${EXIT_FILE_IN_USE}
            Quit
        ${EndIf}
        FileClose $R9
    ${EndIf}
!macroend

; Adds the size of a file in bytes to $R7.
!macro ADD_FILE_SIZE file
    ClearErrors
    FileOpen $R9 "${file}" r
    ${IfNot} ${Errors}
        FileSeek $R9 0 END $R8
        FileClose $R9
        IntOp $R7 $R7 + $R8
    ${EndIf}
!macroend

; Removes the copy installed in another folder before this one goes
; elsewhere: its files, shortcuts, entry and start at logon, through its own
; uninstaller, waited for; the tasks and settings stay.
Function RemoveEarlierCopy
    ${If} $earlierFolder == ""
    ${OrIf} $earlierFolder == $INSTDIR
        Return
    ${EndIf}
    StrCpy $R1 "$earlierFolder\${UNINSTALLER}"
    ${IfNot} ${FileExists} $R1
        StrCpy $R1 "$earlierFolder\${OLD_UNINSTALLER}"
    ${EndIf}
    ${If} ${FileExists} $R1
        ExecWait '"$R1" /S _?=$earlierFolder'
        Delete $R1
        RMDir "$earlierFolder"
    ${EndIf}
    StrCpy $earlierFolder ""
FunctionEnd

Section "Vantrel" SecMain
    SectionIn RO
    ; The service runs Vantrel.exe from the folder it was installed in:
    ; stopped, and its process waited for, before any file is replaced. This
    ; version's program speaks to the SCM, whatever the earlier one knew.
    InitPluginsDir
    File "/oname=$PLUGINSDIR\Vantrel.exe" "${BIN}\Vantrel.exe"
    nsExec::Exec '"$PLUGINSDIR\Vantrel.exe" /stop-service'
    Pop $0
    ; 1062: it was not running; 1060: there is none.
    ${If} $0 == 0
        StrCpy $stoppedService 1
    ${ElseIf} $0 != 1062
    ${AndIf} $0 != 1060
        MessageBox MB_OK|MB_ICONSTOP "无法停止 Vantrel 服务（错误 $0），没有做任何更改。" /SD IDOK
        SetErrorLevel ${EXIT_SERVICE_FAILED}
        Abort "无法停止 Vantrel 服务，没有做任何更改。"
    ${EndIf}
    Call CloseRunningCopy
    !insertmacro REQUIRE_WRITABLE "$INSTDIR\Vantrel.exe"
    !insertmacro REQUIRE_WRITABLE "$INSTDIR\vantrelctl.exe"
    !insertmacro REQUIRE_WRITABLE "$INSTDIR\${HELP_FILE}"
    Call RemoveEarlierCopy
    SetOutPath "$INSTDIR"
    ; The shortcuts start in the program folder ($OUTDIR), but this process
    ; works elsewhere: a program it starts (the shell's helpers for the new
    ; shortcuts among them) inherits its current folder, and would hold the
    ; program folder open against a later uninstall.
    System::Call 'kernel32::SetCurrentDirectoryW(w "$TEMP")'
    SetOverwrite on
    AllowSkipFiles off
    File "${BIN}\Vantrel.exe"
    File "${BIN}\vantrelctl.exe"
    File "${BIN}\QLLJ.bat"
    File "${BIN}\${HELP_FILE}"
    ; The Group Policy templates, laid out as the policy store wants them,
    ; for administrators to copy there.
    SetOutPath "$INSTDIR\PolicyDefinitions"
    File "${POLICY}\Vantrel.admx"
    SetOutPath "$INSTDIR\PolicyDefinitions\zh-CN"
    File "${POLICY}\zh-CN\Vantrel.adml"
    SetOutPath "$INSTDIR\PolicyDefinitions\en-US"
    File "${POLICY}\en-US\Vantrel.adml"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    ; The uninstaller of an earlier version, under its old name.
    ${If} ${FileExists} "$INSTDIR\${OLD_UNINSTALLER}"
        Delete "$INSTDIR\${OLD_UNINSTALLER}"
    ${EndIf}
    ; The service, created or pointed at this folder, and started. Outside
    ; Program Files the program first makes the folder writable by
    ; administrators and SYSTEM only, or installs no service.
    nsExec::Exec '"$INSTDIR\Vantrel.exe" /install-service'
    Pop $0
    ${If} $0 != 0
        MessageBox MB_OK|MB_ICONEXCLAMATION "无法安装或启动 Vantrel 服务（错误 $0）。任务仍由登录用户的 Vantrel 运行。" /SD IDOK
        SetErrorLevel ${EXIT_SERVICE_FAILED}
    ${EndIf}

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
    ; The files this setup installed, in KB, not whatever else the folder holds.
    StrCpy $R7 0
    !insertmacro ADD_FILE_SIZE "$INSTDIR\Vantrel.exe"
    !insertmacro ADD_FILE_SIZE "$INSTDIR\vantrelctl.exe"
    !insertmacro ADD_FILE_SIZE "$INSTDIR\QLLJ.bat"
    !insertmacro ADD_FILE_SIZE "$INSTDIR\${HELP_FILE}"
    !insertmacro ADD_FILE_SIZE "$INSTDIR\PolicyDefinitions\Vantrel.admx"
    !insertmacro ADD_FILE_SIZE "$INSTDIR\PolicyDefinitions\zh-CN\Vantrel.adml"
    !insertmacro ADD_FILE_SIZE "$INSTDIR\PolicyDefinitions\en-US\Vantrel.adml"
    !insertmacro ADD_FILE_SIZE "$INSTDIR\${UNINSTALLER}"
    IntOp $R7 $R7 + 1023
    IntOp $R7 $R7 / 1024
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $R7
SectionEnd

Section "桌面快捷方式" SecDesktop
    SetShellVarContext all
    CreateShortcut "$DESKTOP\Vantrel.lnk" "$INSTDIR\Vantrel.exe"
SectionEnd

; The same start at logon the settings window's box sets, through the same
; code: a task of Task Scheduler from Vista on, the quoted Run value on XP.
Section "登录 Windows 时启动 Vantrel" SecLogon
    nsExec::Exec '"$INSTDIR\vantrelctl.exe" autostart on'
    Pop $0
    ${If} $0 != 0
        MessageBox MB_OK|MB_ICONEXCLAMATION "无法设置登录 Windows 时启动 Vantrel（vantrelctl 退出状态 $0）。可以稍后在 Vantrel 的设置窗口中设置。" /SD IDOK
    ${EndIf}
SectionEnd

Section "-Finish"
    ; A choice taken away on an upgrade leaves nothing of the earlier copy's.
    ${IfNot} ${SectionIsSelected} ${SecDesktop}
        SetShellVarContext all
        Delete "$DESKTOP\Vantrel.lnk"
    ${EndIf}
    ${IfNot} ${SectionIsSelected} ${SecLogon}
        nsExec::Exec '"$INSTDIR\vantrelctl.exe" autostart off'
        Pop $0
    ${EndIf}
    ; The finish page offers to start Vantrel; a silent upgrade has no
    ; page, so it starts again the copy it closed.
    ${If} ${Silent}
    ${AndIf} $closedRunningCopy == 1
        Exec '"$INSTDIR\Vantrel.exe"'
    ${EndIf}
SectionEnd

; A setup that stopped the service and then stopped itself (a copy that
; would not end, a file in use) changed no file: the service it stopped
; runs again.
Function RestartStoppedService
    ${If} $stoppedService == 1
        nsExec::Exec '"$PLUGINSDIR\Vantrel.exe" /start-service'
        Pop $0
        StrCpy $stoppedService 0
    ${EndIf}
FunctionEnd

Function .onInstFailed
    Call RestartStoppedService
FunctionEnd

Function .onInit
    !insertmacro REQUIRE_ADMINISTRATOR
    StrCpy $closedRunningCopy 0
    StrCpy $stoppedService 0
    ReadRegStr $earlierFolder HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${IfNot} ${FileExists} "$earlierFolder\Vantrel.exe"
        StrCpy $earlierFolder ""
    ${EndIf}
    ; An upgrade stays in the earlier copy's folder (InstallDirRegKey)
    ; unless /D= names another.
    ${If} ${Silent}
        Call CheckFolder
        ${If} $R0 != ""
            MessageBox MB_OK|MB_ICONSTOP "$R0" /SD IDOK
            SetErrorLevel ${EXIT_FOLDER_REFUSED}
            Quit
        ${EndIf}
    ${EndIf}
    ; /NOAUTOSTART: a silent install without start at logon.
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/NOAUTOSTART" $R1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SecLogon}
    ${EndIf}
    ; Over an earlier copy the choices default to what that copy had.
    ${If} $earlierFolder != ""
        InitPluginsDir
        File "/oname=$PLUGINSDIR\vantrelctl.exe" "${BIN}\vantrelctl.exe"
        nsExec::Exec '"$PLUGINSDIR\vantrelctl.exe" autostart status --program "$earlierFolder\Vantrel.exe"'
        Pop $1
        ; 3: it does not start that copy. A status that cannot be told
        ; keeps the default.
        ${If} $1 == 3
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

; Deletes one file the setup installed. A file still in use is left for the
; next boot and named in $R5; one that cannot be deleted at all is named in
; $R6: both are reported at the end, never passed over.
!macro UN_DELETE file
    ${If} ${FileExists} "${file}"
        Delete "${file}"
        ${If} ${FileExists} "${file}"
            ClearErrors
            Delete /REBOOTOK "${file}"
            ${If} ${Errors}
                StrCpy $R6 "$R6$\n${file}"
            ${Else}
                StrCpy $R5 "$R5$\n${file}"
            ${EndIf}
        ${EndIf}
    ${EndIf}
!macroend

Section "Uninstall"
    ; The service first: stopped, its process waited for, and deleted, so
    ; that its program file can go and it starts no view again.
    nsExec::Exec '"$INSTDIR\Vantrel.exe" /remove-service'
    Pop $serviceRemoval
    Call un.CloseRunningCopy
    ; After it: closing a running copy uses $R5 and $R6 for its own ends,
    ; which would otherwise be reported as files left behind.
    StrCpy $R5 ""
    StrCpy $R6 ""
    ${If} $serviceRemoval != 0
        StrCpy $R6 "$R6$\n服务 Vantrel（错误 $serviceRemoval）"
    ${EndIf}
    ; Start at logon goes only when it starts this copy.
    nsExec::Exec '"$INSTDIR\vantrelctl.exe" autostart off'
    Pop $0

    !insertmacro UN_DELETE "$INSTDIR\Vantrel.exe"
    !insertmacro UN_DELETE "$INSTDIR\vantrelctl.exe"
    !insertmacro UN_DELETE "$INSTDIR\QLLJ.bat"
    !insertmacro UN_DELETE "$INSTDIR\${HELP_FILE}"
    !insertmacro UN_DELETE "$INSTDIR\PolicyDefinitions\zh-CN\Vantrel.adml"
    !insertmacro UN_DELETE "$INSTDIR\PolicyDefinitions\en-US\Vantrel.adml"
    !insertmacro UN_DELETE "$INSTDIR\PolicyDefinitions\Vantrel.admx"
    RMDir "$INSTDIR\PolicyDefinitions\zh-CN"
    RMDir "$INSTDIR\PolicyDefinitions\en-US"
    RMDir "$INSTDIR\PolicyDefinitions"
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
    ; Run in place (_?=, as a newer setup does before it moves the program),
    ; the uninstaller leaves its own file to its caller.
    ${If} $EXEPATH != "$INSTDIR\${UNINSTALLER}"
        ${For} $R0 1 50
            Delete "$INSTDIR\${UNINSTALLER}"
            ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
                ${Break}
            ${EndIf}
            Sleep 200
        ${Next}
        !insertmacro UN_DELETE "$INSTDIR\${UNINSTALLER}"
    ${EndIf}
    ; Only an empty folder goes; one that holds files of the user's stays,
    ; with its attributes as they were.
    RMDir "$INSTDIR"
    ${If} $R5 != ""
        MessageBox MB_OK|MB_ICONINFORMATION "以下文件正在使用，将在下次启动 Windows 时删除:$R5" /SD IDOK
        ; Done, with files left for the next restart: the code management
        ; tools read as "restart to finish".
        SetErrorLevel 3010
    ${EndIf}
    ${If} $R6 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "以下文件无法删除，请手动删除:$R6" /SD IDOK
        SetErrorLevel 1
    ${EndIf}
SectionEnd
