#include "history/history_file_win.h"

#include <windows.h>

#include <shlobj.h>

#include <utility>
#include <vector>

#include "text/codepage_win.h"
#include "text/gbk_text.h"
#include "text/system_error_win.h"

namespace vantrel {

namespace {

// The longest tail looked at for a line a crash cut short.
const DWORD kTailBytes = 64 * 1024;

struct File {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~File() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

// Every share mode: a reader never keeps the program from appending or
// from renaming the full file.
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The longest a line waits for another copy's append: one write and its
// flush. Past it the line is appended anyway, but nothing is renamed or cut.
const DWORD kLockWaitMs = 2000;

// The copies' mutex for `folder`: in the global namespace, so that copies in
// other sessions meet on it; named by the folder (names are case sensitive
// and take no backslash after the prefix, while paths ignore case).
HANDLE OpenFolderLock(const std::string& folder) {
    std::string name = "Global\\Vantrel.History:";
    for (char c : AsciiUpper(folder)) name.push_back(c == '\\' ? '/' : c);
    WideText wide(name);
    if (wide.length() >= MAX_PATH) wide.data()[MAX_PATH - 1] = L'\0';  // the longest name allowed
    HANDLE mutex = CreateMutexW(nullptr, FALSE, wide.c_str());
    // Made by a copy running as another user: waiting needs no more.
    if (!mutex) mutex = OpenMutexW(SYNCHRONIZE, FALSE, wide.c_str());
    return mutex;
}

// Holds the copies' mutex for as long as it lives, when it could get it.
class FolderLock {
public:
    explicit FolderLock(void* mutex) : mutex_(static_cast<HANDLE>(mutex)) {
        // An abandoned mutex (a copy ended while it appended) is ours now.
        const DWORD rc = mutex_ ? WaitForSingleObject(mutex_, kLockWaitMs) : WAIT_FAILED;
        held_ = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
    }
    ~FolderLock() {
        if (held_) ReleaseMutex(mutex_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return held_; }

private:
    HANDLE mutex_;
    bool held_ = false;
};

}  // namespace

std::string HistoryFolder() {
    wchar_t path[MAX_PATH + 1] = {0};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    std::size_t n = 0;
    while (n < MAX_PATH && path[n]) ++n;
    if (n == 0) return std::string();
    std::string folder = Narrow(path, static_cast<int>(n));
    if (folder.back() != '\\') folder += '\\';
    return folder + kHistoryFolderName;
}

HistoryFile::HistoryFile(std::string folder, std::uint64_t limit)
    : folder_(std::move(folder)),
      path_(folder_ + "\\" + kHistoryFileName),
      oldPath_(folder_ + "\\" + kHistoryOldFileName),
      limit_(limit) {}

HistoryFile::~HistoryFile() {
    if (lock_) CloseHandle(static_cast<HANDLE>(lock_));
}

void HistoryFile::Append(const HistoryEntry& entry) {
    std::string error;
    if (Write(FormatHistoryLine(entry), error)) return;
    if (failed_) return;
    failed_ = true;
    if (note_) note_("无法写入运行记录 " + path_ + ": " + error);
}

// A line a crash cut short (or the zeros a power cut leaves where the last
// write had not reached the disk) is cut off once per run, before the first
// line of the run, so it never merges with that line. Under the copies'
// lock, and never past the size measured under it.
void HistoryFile::CutShortLine() {
    File f;
    f.h = CreateFileW(Wide(path_).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f.h == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f.h, &size) || size.QuadPart == 0) return;
    const DWORD want = size.QuadPart < kTailBytes ? static_cast<DWORD>(size.QuadPart) : kTailBytes;
    LARGE_INTEGER at;
    at.QuadPart = size.QuadPart - want;
    std::string tail(want, '\0');
    DWORD got = 0;
    if (!SetFilePointerEx(f.h, at, nullptr, FILE_BEGIN) ||
        !::ReadFile(f.h, &tail[0], want, &got, nullptr) || got != want)
        return;
    const std::size_t cut = CutLineBytes(tail);
    if (cut == 0) return;
    if (cut == tail.size() && at.QuadPart > 0) {
        // No line end in the whole tail: start the next line on a line of
        // its own rather than cut into lines that may be whole.
        breakFirst_ = true;
        return;
    }
    // A copy without the lock (an older version) may have appended since.
    LARGE_INTEGER now;
    if (!GetFileSizeEx(f.h, &now) || now.QuadPart != size.QuadPart) return;
    at.QuadPart = size.QuadPart - static_cast<LONGLONG>(cut);
    if (SetFilePointerEx(f.h, at, nullptr, FILE_BEGIN)) SetEndOfFile(f.h);
}

bool HistoryFile::Write(const std::string& line, std::string& error) {
    if (!lock_) lock_ = OpenFolderLock(folder_);
    const FolderLock lock(lock_);
    // Measured under the lock, the file may be cut or renamed. Without it
    // (another copy held it too long) the line is only appended; where the
    // system gives no lock at all, this copy goes on as the only writer.
    const bool mayChange = lock.held() || !lock_;
    if (!checked_) {
        CreateDirectoryW(Wide(folder_).c_str(), nullptr);  // an existing folder is fine
        if (mayChange) {
            checked_ = true;
            CutShortLine();
        }
    }
    const WideText path = Wide(path_);
    File f;
    LARGE_INTEGER size;
    size.QuadPart = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        // FILE_APPEND_DATA: every write lands at the end, whoever else
        // has the file open.
        f.h = CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f.h == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            // The folder went away while the program ran.
            if (code == ERROR_PATH_NOT_FOUND && attempt == 0 &&
                CreateDirectoryW(Wide(folder_).c_str(), nullptr))
                continue;
            error = SystemErrorText(code);
            return false;
        }
        if (!GetFileSizeEx(f.h, &size)) size.QuadPart = 0;
        if (attempt > 0 || !mayChange ||
            !HistoryNeedsRotation(static_cast<std::uint64_t>(size.QuadPart), line.size(), limit_))
            break;
        // Full: it becomes the old file and a new one starts. When the
        // rename fails the line still goes into the full file.
        CloseHandle(f.h);
        f.h = INVALID_HANDLE_VALUE;
        if (MoveFileExW(path.c_str(), Wide(oldPath_).c_str(), MOVEFILE_REPLACE_EXISTING))
            breakFirst_ = false;
    }
    std::string bytes;
    if (size.QuadPart == 0)
        bytes = HistoryFileStart();
    else if (breakFirst_)
        bytes = "\n";
    bytes += line;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(f.h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (!ok || written != bytes.size()) {
        error = SystemErrorText(ok ? ERROR_WRITE_FAULT : GetLastError());
        return false;
    }
    breakFirst_ = false;
    // On the disk before the call returns: a power cut loses at most the
    // line being written.
    if (flush_) FlushFileBuffers(f.h);
    return true;
}

}  // namespace vantrel
