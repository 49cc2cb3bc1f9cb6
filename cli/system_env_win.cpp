// vantrelctl on Windows: the registry a 32-bit program sees, files by wide
// names, and a console written in wide characters.
//
// Imports: only what Windows XP SP3 has. IsWow64Process is looked up at run
// time, because the first XP releases' kernel32 lacks it.
#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "actions/system_ops.h"
#include "cli/system_env.h"
#include "service/service_name.h"
#include "scheduler/clock.h"
#include "text/codepage.h"
#include "text/codepage_win.h"
#include "history/history_file_win.h"
#include "registry/reg_file.h"
#include "registry/registry_win.h"
#include "text/system_error_win.h"
#include "store/task_store.h"

namespace vantrel {

namespace {

// The system's own sentence for an error code.
std::string SystemMessage(DWORD code) { return SystemErrorText(code); }

const char kAdminNeeded[] = "需要管理员权限";

// A mutex named after the file's full path, held from the command's read to
// its write. (A lock on the file itself would not do: the file is replaced
// by a move, which Windows refuses while another handle holds it open.)
class MutexHold : public FileHold {
public:
    explicit MutexHold(HANDLE mutex) : mutex_(mutex) {}
    ~MutexHold() override {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }

private:
    HANDLE mutex_;
};

// The name every vantrelctl gives the lock of one file: its full path, its
// letters in one case, as a 64-bit FNV-1a hash.
std::wstring HoldName(const std::string& path, const wchar_t* scope) {
    const WideText wide = Wide(path);
    std::vector<wchar_t> full(32768);
    DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    std::wstring name = n > 0 && n < full.size() ? std::wstring(full.data(), n) : std::wstring(wide.c_str());
    unsigned long long hash = 1469598103934665603ULL;
    for (wchar_t c : name) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        hash = (hash ^ static_cast<unsigned>(c)) * 1099511628211ULL;
    }
    wchar_t digits[17];
    for (int i = 15; i >= 0; --i, hash >>= 4) digits[i] = L"0123456789abcdef"[hash & 15];
    digits[16] = 0;
    return std::wstring(scope) + L"vantrelctl-file-" + digits;
}

class WinEnv : public CliEnv {
public:
    LocalTime Now() override { return LocalTimeNow(); }
    std::string ShortDateFormat() override { return SystemShortDateFormat(); }

    bool ReadFile(const std::string& path, std::string& bytes, bool& missing,
                  std::string& error) override {
        // Sharing writes too: the running program appends to its history
        // while it is read, and must never be kept from it.
        HANDLE f = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
            error = SystemMessage(code);
            return false;
        }
        bytes.clear();
        char buffer[65536];
        DWORD got = 0;
        bool ok = true;
        while ((ok = ::ReadFile(f, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0)
            bytes.append(buffer, got);
        if (!ok) error = SystemMessage(GetLastError());
        CloseHandle(f);
        return ok;
    }

    bool WriteFile(const std::string& path, const std::string& bytes, std::string& error) override {
        // Written beside the file and moved over it, so a failure leaves the
        // old file whole. The temporary name is created afresh (CREATE_NEW:
        // never an existing file or a link planted under a name that can be
        // guessed), carries the file's attributes, and is flushed to the disk
        // before the move.
        const WideText target = Wide(path);
        const DWORD attributes = GetFileAttributesW(target.c_str());
        const DWORD keep = attributes == INVALID_FILE_ATTRIBUTES
                               ? FILE_ATTRIBUTE_NORMAL
                               : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                               FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        WideText temp;
        HANDLE f = INVALID_HANDLE_VALUE;
        for (int attempt = 0; f == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
            temp = Wide(path + ".vantrelctl-" + std::to_string(GetCurrentProcessId()) + "-" +
                        std::to_string(attempt));
            f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            keep == 0 ? FILE_ATTRIBUTE_NORMAL : keep, nullptr);
            if (f == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
                GetLastError() != ERROR_ALREADY_EXISTS)
                break;
        }
        if (f == INVALID_HANDLE_VALUE) {
            error = SystemMessage(GetLastError());
            return false;
        }
        DWORD written = 0;
        BOOL ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size() && FlushFileBuffers(f);
        DWORD code = ok ? 0 : GetLastError();
        ok = CloseHandle(f) && ok;
        if (ok && MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (code == 0) code = GetLastError();
        error = SystemMessage(code);
        DeleteFileW(temp.c_str());
        return false;
    }

    std::unique_ptr<FileHold> HoldFile(const std::string& path, std::string& error) override {
        // Global: scripts in other sessions too. Without the right to name a
        // global object (a standard user in a remote session), the session's.
        HANDLE mutex = CreateMutexW(nullptr, FALSE, HoldName(path, L"Global\\").c_str());
        if (!mutex) mutex = CreateMutexW(nullptr, FALSE, HoldName(path, L"Local\\").c_str());
        if (!mutex) {
            error = SystemMessage(GetLastError());
            return nullptr;
        }
        // An abandoned mutex (a vantrelctl that ended mid-way) is held as well:
        // its file was either replaced whole or not at all.
        const DWORD waited = WaitForSingleObject(mutex, 60000);
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
            CloseHandle(mutex);
            error = "另一个 vantrelctl 一分钟内没有用完这个文件";
            return nullptr;
        }
        return std::unique_ptr<FileHold>(new MutexHold(mutex));
    }

    bool SameFile(const std::string& a, const std::string& b) override {
        BY_HANDLE_FILE_INFORMATION ia{}, ib{};
        return FileInfo(a, ia) && FileInfo(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
               ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
    }

    std::unique_ptr<Registry> OpenRegistry(bool forWriting, std::string& error) override {
        if (!forWriting) return std::unique_ptr<Registry>(new WinRegistry(WinRegistry::Access::Read));
        std::unique_ptr<WinRegistry> reg(new WinRegistry(WinRegistry::Access::Full));
        // Without administrator rights (and with the manifest's asInvoker,
        // which keeps the system from redirecting the write elsewhere) the
        // key does not open for writing: say so before anything changes.
        if (!reg->OpenKey(kProgramKeyPath, true)) {
            const long code = reg->lastError();
            error = std::string(code == ERROR_ACCESS_DENIED ? kAdminNeeded : "无法写入注册表") + ": " +
                    RegFileKeyPath(kProgramKeyPath, Wow64()) + ": " + SystemMessage(static_cast<DWORD>(code));
            return nullptr;
        }
        reg->CloseKey();
        return std::unique_ptr<Registry>(reg.release());
    }

    std::string WriteFailure(Registry& reg, const RegistryError& e) override {
        // Only WinRegistry instances come from OpenRegistry.
        const long code = static_cast<WinRegistry&>(reg).lastError();
        std::string text = e.what();
        if (code != 0) text += "（" + SystemMessage(static_cast<DWORD>(code)) + "）";
        return code == ERROR_ACCESS_DENIED ? std::string(kAdminNeeded) + ": " + text : text;
    }

    std::string HistoryFolder() override { return vantrel::HistoryFolder(); }
    TaskService* Tasks() override { return &SystemTasks(); }

    std::string VantrelBeside() override {
        std::vector<wchar_t> path(32768);
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0 || n >= path.size()) return "";
        const std::string self = Narrow(path.data(), static_cast<int>(n));
        return self.substr(0, self.rfind('\\') + 1) + "Vantrel.exe";
    }

    ServiceState QueryService() override {
        ServiceState state;
        SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        if (!scm) {
            state.run = ServiceRun::Unknown;
            state.error = SystemErrorText(GetLastError());
            return state;
        }
        SC_HANDLE service = OpenServiceW(scm, Wide(kServiceName).c_str(), SERVICE_QUERY_STATUS);
        if (!service) {
            const DWORD error = GetLastError();
            if (error != ERROR_SERVICE_DOES_NOT_EXIST) {
                state.run = ServiceRun::Unknown;
                state.error = SystemErrorText(error);
            }
        } else {
            SERVICE_STATUS_PROCESS status = {};
            DWORD n = 0;
            if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                      sizeof status, &n)) {
                state.run = ServiceRun::Unknown;
                state.error = SystemErrorText(GetLastError());
            } else {
                switch (status.dwCurrentState) {
                    case SERVICE_RUNNING: state.run = ServiceRun::Running; break;
                    case SERVICE_START_PENDING:
                    case SERVICE_CONTINUE_PENDING: state.run = ServiceRun::Starting; break;
                    case SERVICE_STOP_PENDING:
                    case SERVICE_PAUSE_PENDING: state.run = ServiceRun::Stopping; break;
                    case SERVICE_PAUSED: state.run = ServiceRun::Paused; break;
                    default: state.run = ServiceRun::Stopped; break;
                }
                state.process = status.dwProcessId;
            }
            CloseServiceHandle(service);
        }
        CloseServiceHandle(scm);
        return state;
    }

    static bool FileInfo(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE f = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        const bool ok = GetFileInformationByHandle(f, &info) != FALSE;
        CloseHandle(f);
        return ok;
    }

    bool Wow64() override {
        typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
        auto fn = reinterpret_cast<IsWow64ProcessFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
        BOOL wow64 = FALSE;
        return fn && fn(GetCurrentProcess(), &wow64) && wow64;
    }

    bool RunsAsMachineAccount() override {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<BYTE> buffer(size ? size : 1);
        const bool got = size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
        CloseHandle(token);
        if (!got) return false;
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID system = nullptr;
        if (!AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system)) return false;
        const bool same = EqualSid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, system) != FALSE;
        FreeSid(system);
        return same;
    }
};

}  // namespace

std::vector<std::string> CommandLineArgs(int argc, char** argv, bool& allGbk) {
    // The wide command line: arguments in any script, whatever the ANSI code
    // page of this system.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    allGbk = true;
    if (!wide) {
        for (int i = 1; i < argc; ++i) {
            allGbk = allGbk && ConsoleFitsGbk(argv[i]);
            args.push_back(ConsoleToGbk(argv[i]));
        }
        return args;
    }
    for (int i = 1; i < count; ++i) {
        allGbk = allGbk && FitsGbk(wide[i]);
        args.push_back(Narrow(wide[i]));
    }
    LocalFree(wide);
    return args;
}

std::unique_ptr<CliEnv> MakeSystemEnv() {
    // autostart compares the paths of this copy and of what starts at logon
    // as Windows does.
    UsePathForm(&SystemComparablePath);
    return std::unique_ptr<CliEnv>(new WinEnv);
}

bool WriteStd(StdStream stream, const std::string& text, bool utf8, std::string& error) {
    if (text.empty()) return true;
    HANDLE h = GetStdHandle(stream == StdStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        error = SystemMessage(ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode)) {
        // A console shows wide characters whatever its code page.
        // In pieces: older consoles refuse one call of more than 64 KB.
        const WideText wide = Wide(text);
        const std::size_t length = static_cast<std::size_t>(wide.length());
        for (std::size_t done = 0; done < length;) {
            const DWORD piece = static_cast<DWORD>(length - done < 8192 ? length - done : 8192);
            DWORD written = 0;
            if (!WriteConsoleW(h, wide.c_str() + done, piece, &written, nullptr) || written == 0) {
                error = SystemMessage(GetLastError());
                return false;
            }
            done += written;
        }
        return true;
    }
    // Redirected: the bytes as they are, never changed by a text mode.
    const std::string bytes = utf8 ? GbkToUtf8(text) : text;
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
            written == 0) {
            error = SystemMessage(GetLastError());
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace vantrel
