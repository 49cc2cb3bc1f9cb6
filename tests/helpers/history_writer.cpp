// A copy of the history writer: at EVENT, COUNT lines (source TAG, tasks 1..)
// into FOLDER, turned over past LIMIT.  history_writer FOLDER LIMIT TAG COUNT EVENT
#include <windows.h>

#include <cstdlib>

#include "history/history_file_win.h"

int main(int argc, char** argv) {
    HANDLE go = argc == 6 ? OpenEventA(SYNCHRONIZE, FALSE, argv[5]) : nullptr;
    if (!go || WaitForSingleObject(go, 60000) != WAIT_OBJECT_0) return 2;
    vantrel::HistoryFile file(argv[1], std::strtoull(argv[2], nullptr, 10));
    file.set_flush(false);  // the two writers are tested, not the disk
    for (int n = 1; n <= std::atoi(argv[4]); ++n)
        file.Append({"2026-12-07 17:30:05", argv[3], n, "每天", "提醒", "", "done", ""});
    return file.failed() ? 1 : 0;
}
