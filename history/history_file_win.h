// The run history's file: history.log in the program's folder under the
// common application data (CSIDL_COMMON_APPDATA\Vantrel), appended one whole
// line at a time. The file is opened for each line and closed after it, with
// every share mode, so a reader (vantrelctl, Notepad, a fleet's collector)
// needs no lock and never keeps a line out; each line is one write, flushed
// before the call returns.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "history/history.h"

namespace vantrel {

// CSIDL_COMMON_APPDATA + "\Vantrel" (GBK); empty when the system names no
// such folder.
std::string HistoryFolder();

class HistoryFile : public HistorySink {
public:
    // Called once per run, at the first line that could not be written, with
    // the file and the system's reason; later failures are skipped quietly.
    using FailureNote = std::function<void(const std::string& message)>;

    // `folder` (GBK, created when missing) holds history.log and
    // history.1.log; past `limit` bytes the one becomes the other.
    explicit HistoryFile(std::string folder, std::uint64_t limit = kHistoryLimitBytes);

    void OnFirstFailure(FailureNote note) { note_ = std::move(note); }
    void Append(const HistoryEntry& entry) override;

    const std::string& path() const { return path_; }
    bool failed() const { return failed_; }

private:
    bool Write(const std::string& line, std::string& error);
    void CutShortLine();

    std::string folder_;
    std::string path_;
    std::string oldPath_;
    std::uint64_t limit_;
    FailureNote note_;
    bool checked_ = false;  // a line a crash cut short was looked for
    bool failed_ = false;
    bool breakFirst_ = false;  // the file ends inside a line too long to cut
};

}  // namespace vantrel
