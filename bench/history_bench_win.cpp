// Appending one line to the run history, as the program does for each event:
// open, one write, flush to the disk, close. Times 2000 appends of a typical
// line into a scratch folder of its own and prints, in microseconds:
//   append median p99 max
// and the same without the flush (what the write costs apart from the
// disk), and one append that starts a new file (the rename at the limit):
//   unflushed median p99 max
//   rotation us
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "history/history_file_win.h"

using namespace vantrel;

namespace {

double Seconds() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

HistoryEntry Typical() {
    HistoryEntry e;
    e.time = "2026-12-07 17:30:05";
    e.source = kSourceTick;
    e.task = 12;
    e.schedule = "每天17时30分";
    e.action = "打开文件";
    e.parameter = "D:\\报表\\2026年12月\\月报.xls";
    e.outcome = kOutcomeError;
    e.detail = "系统找不到指定的路径。";
    return e;
}

void Clean(const std::string& folder) {
    DeleteFileA((folder + "\\history.log").c_str());
    DeleteFileA((folder + "\\history.1.log").c_str());
    RemoveDirectoryA(folder.c_str());
}

void Print(const char* name, std::vector<double> us) {
    std::sort(us.begin(), us.end());
    std::printf("%s %.1f %.1f %.1f\n", name, us[us.size() / 2], us[us.size() * 99 / 100], us.back());
}

// The line as the writer appends it, without the flush: the floor of an
// append that must survive only the program, not a power cut.
double UnflushedOnce(const std::string& path, const std::string& line) {
    const double start = Seconds();
    HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size;
    GetFileSizeEx(f, &size);
    DWORD written = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
    return Seconds() - start;
}

}  // namespace

int main() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder =
        std::string(temp) + "vantrel history bench " + std::to_string(GetCurrentProcessId());
    Clean(folder);
    const HistoryEntry entry = Typical();
    const int kLines = 2000;
    {
        HistoryFile file(folder);
        file.Append(entry);  // the folder, the header, the first open
        std::vector<double> us;
        for (int i = 0; i < kLines; ++i) {
            const double start = Seconds();
            file.Append(entry);
            us.push_back((Seconds() - start) * 1e6);
        }
        Print("append", us);
        if (file.failed()) std::printf("failed\n");
    }
    {
        const std::string line = FormatHistoryLine(entry);
        std::vector<double> us;
        for (int i = 0; i < kLines; ++i) us.push_back(UnflushedOnce(folder + "\\plain.log", line) * 1e6);
        Print("unflushed", us);
        DeleteFileA((folder + "\\plain.log").c_str());
    }
    {
        // A limit just above the lines written so far: the next one renames.
        HistoryFile file(folder, 1);
        const double start = Seconds();
        file.Append(entry);
        std::printf("rotation %.1f\n", (Seconds() - start) * 1e6);
    }
    Clean(folder);
    return 0;
}
