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
#include "scheduler/clock.h"
#include "store/codepage.h"
#include "store/history_file_win.h"
#include "store/reg_file.h"
#include "store/registry_win.h"
#include "store/task_store.h"

namespace vantrel {

namespace {

// A GBK text as a NUL-terminated wide string for the W functions.
std::vector<wchar_t> Wide(const std::string& gbk) {
    const std::string bytes = GbkToUtf16Le(gbk);
    std::vector<wchar_t> wide(bytes.size() / 2 + 1, L'\0');
    for (std::size_t i = 0; i + 1 < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return wide;
}

std::string FromWide(const wchar_t* text) {
    std::string bytes;
    for (; *text; ++text) {
        bytes.push_back(static_cast<char>(*text & 0xFF));
        bytes.push_back(static_cast<char>(*text >> 8 & 0xFF));
    }
    return Utf16LeToGbk(bytes);
}

// The system's own sentence for an error code, without its line end.
std::string SystemMessage(DWORD code) {
    char buffer[512] = {0};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "错误 " + std::to_string(code);
    return ConsoleToGbk(text);  // the ANSI code page -> GBK
}

const char kAdminNeeded[] = "需要管理员权限";

class WinEnv : public CliEnv {
public:
    LocalTime Now() override { return LocalTimeNow(); }
    std::string ShortDateFormat() override { return SystemShortDateFormat(); }

    bool ReadFile(const std::string& path, std::string& bytes, bool& missing,
                  std::string& error) override {
        // Sharing writes too: the running program appends to its history
        // while it is read, and must never be kept from it.
        HANDLE f = CreateFileW(Wide(path).data(), GENERIC_READ,
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
        // old file whole.
        const std::string temp = path + ".vantrelctl-tmp";
        HANDLE f = CreateFileW(Wide(temp).data(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) {
            error = SystemMessage(GetLastError());
            return false;
        }
        DWORD written = 0;
        const BOOL ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        const DWORD code = GetLastError();
        CloseHandle(f);
        if (!ok || written != bytes.size()) {
            error = SystemMessage(code);
            DeleteFileW(Wide(temp).data());
            return false;
        }
        if (!MoveFileExW(Wide(temp).data(), Wide(path).data(), MOVEFILE_REPLACE_EXISTING)) {
            error = SystemMessage(GetLastError());
            DeleteFileW(Wide(temp).data());
            return false;
        }
        return true;
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
        std::string bytes;
        for (DWORD i = 0; i < n; ++i) {
            bytes += static_cast<char>(path[i] & 0xFF);
            bytes += static_cast<char>((path[i] >> 8) & 0xFF);
        }
        const std::string self = Utf16LeToGbk(bytes);
        return self.substr(0, self.rfind('\\') + 1) + "Vantrel.exe";
    }

    bool Wow64() override {
        typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
        auto fn = reinterpret_cast<IsWow64ProcessFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
        BOOL wow64 = FALSE;
        return fn && fn(GetCurrentProcess(), &wow64) && wow64;
    }
};

}  // namespace

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
    // The wide command line: arguments in any script, whatever the ANSI code
    // page of this system.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    if (!wide) {
        for (int i = 1; i < argc; ++i) args.push_back(ConsoleToGbk(argv[i]));
        return args;
    }
    for (int i = 1; i < count; ++i) args.push_back(FromWide(wide[i]));
    LocalFree(wide);
    return args;
}

std::unique_ptr<CliEnv> MakeSystemEnv() { return std::unique_ptr<CliEnv>(new WinEnv); }

void WriteStd(StdStream stream, const std::string& text, bool utf8) {
    if (text.empty()) return;
    HANDLE h = GetStdHandle(stream == StdStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return;
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode)) {
        // A console shows wide characters whatever its code page.
        // In pieces: older consoles refuse one call of more than 64 KB.
        std::vector<wchar_t> wide = Wide(text);
        const std::size_t length = wide.size() - 1;
        for (std::size_t done = 0; done < length;) {
            const DWORD piece = static_cast<DWORD>(length - done < 8192 ? length - done : 8192);
            DWORD written = 0;
            if (!WriteConsoleW(h, wide.data() + done, piece, &written, nullptr) || written == 0) break;
            done += written;
        }
        return;
    }
    // Redirected: the bytes as they are, never changed by a text mode.
    const std::string bytes = utf8 ? GbkToUtf8(text) : text;
    DWORD written = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace vantrel
