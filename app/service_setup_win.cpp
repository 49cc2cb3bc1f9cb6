#include "app/service_setup_win.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <vector>

#include "app/service_win.h"
#include "service/access_rules.h"
#include "service/pipe_win.h"
#include "text/codepage_win.h"

namespace vantrel {

const char kInstallServiceArgument[] = "/install-service";
const char kRemoveServiceArgument[] = "/remove-service";
const char kStopServiceArgument[] = "/stop-service";
const char kStartServiceArgument[] = "/start-service";
const char kServiceDisplayName[] = "Vantrel 定时任务服务";
const char kServiceDescription[] =
    "无论谁登录或无人登录，都按时运行 Vantrel 的任务（关机、重启、提醒等）；每个用户的托盘图标显示它的倒计时。"
    "停止此服务后，计划的任务不再运行。";

namespace {

// How long a start or a stop may take before the command gives up.
const DWORD kStateWaitMs = 30000;

// The step's error code is all the command answers: the setup program shows
// it, and no text is carried that nobody reads.
[[noreturn]] void Fail(DWORD code = GetLastError()) { throw SetupError{code ? code : ERROR_GEN_FAILURE}; }

class ScHandle {
public:
    explicit ScHandle(SC_HANDLE h = nullptr) : h_(h) {}
    ~ScHandle() {
        if (h_) CloseServiceHandle(h_);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    SC_HANDLE h_;
};

// Wide texts stay in vectors, NUL-terminated: std::wstring would bring a
// second instance of the string library into the program.
using WidePath = std::vector<wchar_t>;

// This program's file, whatever characters its path holds.
WidePath ProgramFile() {
    WidePath path(MAX_PATH);
    while (true) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) Fail();
        if (n < path.size()) {
            path.resize(n + 1);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The folder part, without its last backslash.
WidePath FolderOf(WidePath file) {
    std::size_t end = 0;
    for (std::size_t i = 0; file[i]; ++i)
        if (file[i] == L'\\') end = i;
    file.resize(end);
    file.push_back(0);
    return file;
}

void Append(WidePath& to, const wchar_t* text) {
    to.pop_back();  // the NUL
    while (*text) to.push_back(*text++);
    to.push_back(0);
}

std::string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {0};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) || !path[0]) return std::string();
    return Narrow(path);
}

// Program Files as this 32-bit program sees it, and the 64-bit one beside it.
std::vector<std::string> ProgramFilesFolders() {
    std::vector<std::string> folders = {ShellFolder(CSIDL_PROGRAM_FILES)};
    wchar_t native[MAX_PATH] = {0};
    if (GetEnvironmentVariableW(L"ProgramW6432", native, MAX_PATH)) folders.push_back(Narrow(native));
    return folders;
}

DWORD StateOf(SC_HANDLE service, DWORD& pid) {
    SERVICE_STATUS_PROCESS status = {};
    DWORD n = 0;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &n))
        Fail();
    pid = status.dwProcessId;
    return status.dwCurrentState;
}

// Waits while the service is in `pending`; returns the state it reached.
DWORD WaitWhile(SC_HANDLE service, DWORD pending) {
    const DWORD start = GetTickCount();
    DWORD pid = 0;
    DWORD state = StateOf(service, pid);
    while (state == pending && GetTickCount() - start < kStateWaitMs) {
        Sleep(250);
        state = StateOf(service, pid);
    }
    return state;
}

// Returns whether it ran.
bool StopOpened(SC_HANDLE service) {
    DWORD pid = 0;
    DWORD state = StateOf(service, pid);
    if (state == SERVICE_STOPPED) return false;
    if (state != SERVICE_STOP_PENDING) {
        SERVICE_STATUS status = {};
        if (!ControlService(service, SERVICE_CONTROL_STOP, &status) &&
            GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
            Fail();
    }
    if (WaitWhile(service, SERVICE_STOP_PENDING) != SERVICE_STOPPED)
        Fail(ERROR_SERVICE_REQUEST_TIMEOUT);
    // The program file stays in use until its process has ended.
    if (pid) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (process) {
            WaitForSingleObject(process, kStateWaitMs);
            CloseHandle(process);
        }
    }
    return true;
}

void StartOpened(SC_HANDLE service) {
    if (!StartServiceW(service, 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        Fail();
    if (WaitWhile(service, SERVICE_START_PENDING) != SERVICE_RUNNING)
        Fail(ERROR_SERVICE_NOT_ACTIVE);
}

}  // namespace

void SecureInstallFolder(const wchar_t* folder) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(Wide(kInstallFolderSddl).c_str(), SDDL_REVISION_1, &sd,
                                                              nullptr))
        Fail();
    struct Free {
        PSECURITY_DESCRIPTOR sd;
        ~Free() { LocalFree(sd); }
    } free{sd};
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    if (!GetSecurityDescriptorOwner(sd, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted))
        Fail();
    WidePath path(1, 0);
    Append(path, folder);
    // The DACL goes to everything inside by inheritance; the owner is the
    // folder's.
    const DWORD error = SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT,
                                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                                  PROTECTED_DACL_SECURITY_INFORMATION,
                                              owner, nullptr, dacl, nullptr);
    if (error != ERROR_SUCCESS) Fail(error);
}

void InstallService() {
    const WidePath program = ProgramFile();
    wchar_t full[MAX_PATH * 2] = {0};
    const WidePath folder = FolderOf(program);
    const DWORD n = GetFullPathNameW(folder.data(), MAX_PATH * 2, full, nullptr);
    const wchar_t* fullFolder = n && n < MAX_PATH * 2 ? full : folder.data();
    if (!InsideProgramFiles(Narrow(fullFolder), ProgramFilesFolders())) SecureInstallFolder(fullFolder);

    ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!scm) Fail();
    // Quoted: a path with blanks unquoted would let Windows try
    // C:\Program.exe first.
    WidePath command(1, 0);
    Append(command, L"\"");
    Append(command, program.data());
    Append(command, L"\" ");
    Append(command, Wide(kServiceArgument).c_str());
    const WideText name = Wide(kServiceName);
    SC_HANDLE created = CreateServiceW(scm.get(), name.c_str(), Wide(kServiceDisplayName).c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                       command.data(), nullptr, nullptr, nullptr, nullptr, nullptr);
    const bool existed = !created && GetLastError() == ERROR_SERVICE_EXISTS;
    if (!created && !existed) Fail();
    // An upgrade, or a copy moved: the service there is pointed at this file.
    ScHandle service(existed ? OpenServiceW(scm.get(), name.c_str(), SERVICE_ALL_ACCESS) : created);
    if (!service) Fail();
    if (existed) {
        if (!ChangeServiceConfigW(service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                  command.data(), nullptr, nullptr, nullptr, L"LocalSystem", L"",
                                  Wide(kServiceDisplayName).c_str()))
            Fail();
    }
    WideText description = Wide(kServiceDescription);
    SERVICE_DESCRIPTIONW text = {description.data()};
    if (!ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_DESCRIPTION, &text))
        Fail();
    // Restarted a minute after each failure; the count starts again after
    // a day without one.
    SC_ACTION actions[3] = {{SC_ACTION_RESTART, 60000}, {SC_ACTION_RESTART, 60000}, {SC_ACTION_RESTART, 60000}};
    SERVICE_FAILURE_ACTIONSW failure = {};
    failure.dwResetPeriod = 86400;
    failure.cActions = 3;
    failure.lpsaActions = actions;
    if (!ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_FAILURE_ACTIONS, &failure))
        Fail();

    DWORD pid = 0;
    if (StateOf(service.get(), pid) != SERVICE_RUNNING) StartOpened(service.get());
}

StopResult StopInstalledService() {
    ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!scm) Fail();
    ScHandle service(OpenServiceW(scm.get(), Wide(kServiceName).c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS));
    if (!service) {
        if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) return StopResult::NoService;
        Fail();
    }
    return StopOpened(service.get()) ? StopResult::Stopped : StopResult::NotRunning;
}

void StartInstalledService() {
    ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!scm) Fail();
    ScHandle service(OpenServiceW(scm.get(), Wide(kServiceName).c_str(), SERVICE_START | SERVICE_QUERY_STATUS));
    if (!service) {
        if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) return;
        Fail();
    }
    StartOpened(service.get());
}

void RemoveService() {
    ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!scm) Fail();
    ScHandle service(
        OpenServiceW(scm.get(), Wide(kServiceName).c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service) {
        if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) return;
        Fail();
    }
    StopOpened(service.get());
    if (!DeleteService(service.get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
        Fail();
}

int RunSetupCommand(const std::string& argument) {
    try {
        if (argument == kInstallServiceArgument)
            InstallService();
        else if (argument == kStopServiceArgument) {
            switch (StopInstalledService()) {
                case StopResult::Stopped: return 0;
                case StopResult::NotRunning: return ERROR_SERVICE_NOT_ACTIVE;
                case StopResult::NoService: return ERROR_SERVICE_DOES_NOT_EXIST;
            }
        } else if (argument == kStartServiceArgument)
            StartInstalledService();
        else if (argument == kRemoveServiceArgument)
            RemoveService();
        else
            return ERROR_INVALID_PARAMETER;
        return 0;
    } catch (const SetupError& e) {
        return static_cast<int>(e.code);
    } catch (const std::exception&) {
        return ERROR_GEN_FAILURE;
    }
}

}  // namespace vantrel
