// The run history's file: history.log in the program's folder under the
// common application data (CSIDL_COMMON_APPDATA\Vantrel), appended one whole
// line at a time. The file is opened for each line and closed after it, with
// every share mode, so a reader (vantrelctl, Notepad, a fleet's collector)
// needs no lock and never keeps a line out; each line is one write, flushed
// before the call returns.
//
// Copies of the program in other sessions write the same file. Each takes a
// lock they share for the folder while it measures the file, starts a new
// one, cuts off a line a crash left or appends: so two copies never both
// rename a full file (the second would put the fresh file over the full
// one), never both write a header, and never cut off a line the other
// appended.
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
    ~HistoryFile() override;
    HistoryFile(const HistoryFile&) = delete;
    HistoryFile& operator=(const HistoryFile&) = delete;

    void OnFirstFailure(FailureNote note) { note_ = std::move(note); }
    // Whether each line is flushed to the disk before Append returns (so a
    // power cut loses at most the line being written); on unless turned off.
    void set_flush(bool flush) { flush_ = flush; }
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
    bool flush_ = true;
    void* lock_ = nullptr;     // the copies' mutex for the folder, once opened
};

}  // namespace vantrel
