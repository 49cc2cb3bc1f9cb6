// The run history: one line per event (a task the tick fired and what came
// of it, a power or utility command of the tray menu or a hotkey, the
// program starting and ending, monitoring switched off or on), appended as
// it happens to a text file that Notepad shows and a script can read:
// UTF-8 with a byte-order mark, one header line, tab-separated columns.
//
// This is the portable part: the line format, the reader, and the decisions
// the writer takes (when to start a new file, what to cut off a line that a
// crash left half written). The file itself is written by history_file_win.
// Texts are GBK here, like every text of the program; only the file is UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

extern const char kHistoryFolderName[];   // "Vantrel", under the common application data
extern const char kHistoryFileName[];     // "history.log"
extern const char kHistoryOldFileName[];  // "history.1.log", the file before the current one
// Past this size the file becomes history.1.log and a new one starts.
constexpr std::uint64_t kHistoryLimitBytes = 1024 * 1024;

// The file keeps these English keywords in the source, outcome and action
// columns, which scripts may compare; vantrelctl's table shows HistoryWord's
// Chinese words for them.

// Who started what a line records.
extern const char kSourceTick[];       // "tick": a task the tick fired
extern const char kSourceMenu[];       // "menu": the tray menu, by hand
extern const char kSourceHotkey[];     // "hotkey"
extern const char kSourceCountdown[];  // "countdown": its cancel switched monitoring off
extern const char kSourceProgram[];    // "program": start and end
extern const char kSourceTimer[];      // "timer": the quick timer's shutdown, a pause's end, a
                                       // postponed countdown, a busy wait
extern const char kSourceBalloon[];    // "balloon": the warning before a power task, and the
                                       // choice made from it (skipped, postponed)

// What came of it.
extern const char kOutcomeDone[];        // "done"
extern const char kOutcomeError[];       // "error": the detail says what went wrong
extern const char kOutcomeStarted[];     // "started": netsh runs on; its end is a line of its own
extern const char kOutcomeCountdown[];   // "countdown": a power action's countdown began
extern const char kOutcomeCarriedOut[];  // "carried out": the countdown ran out, or a command acted
extern const char kOutcomeCancelled[];   // "cancelled"
extern const char kOutcomeActNow[];      // "act now"
extern const char kOutcomePostponed[];   // "postponed": the detail says until when
extern const char kOutcomeWarning[];     // "warning": the balloon before a power task, its text
extern const char kOutcomeSkipped[];     // "skipped": this run of the task, its minute
extern const char kOutcomeWaiting[];     // "waiting": a countdown waits, the machine busy (why)
extern const char kOutcomeWaitEnd[];     // "wait end": its countdown starts (why)
extern const char kOutcomeMissed[];      // "missed": a pending action's minute passed beyond its grace
extern const char kOutcomeReplaced[];    // "replaced": a pending power action another one took the place of

// The program's events, in the action column of their lines.
extern const char kEventStart[];          // "start"
extern const char kEventEnd[];            // "end"
extern const char kEventMonitoringOn[];   // "monitoring on"
extern const char kEventMonitoringOff[];  // "monitoring off"
extern const char kEventTrayIcon[];       // "tray icon"
extern const char kEventPause[];          // "pause", until the minute in the detail
extern const char kEventPauseEnd[];       // "pause end"
extern const char kEventQuickTimer[];     // "quick timer", for the minute in the detail
extern const char kEventQuickTimerOff[];  // "quick timer off"
extern const char kEventProgramKey[];     // "program key": a value it could not change

// The Chinese word of a keyword of `column` ("cancelled" -> "已取消",
// "monitoring off" -> "关闭监控"); any other text (a task's action name, a
// menu command) as it is.
enum class HistoryColumn { Source, Action, Outcome };
std::string HistoryWord(HistoryColumn column, const std::string& keyword);

struct HistoryEntry {
    std::string time;       // local time, "YYYY-MM-DD HH:MM:SS"
    std::string source;     // kSource...
    int task = 0;           // record number; 0 on a line that is not about a task
    std::string schedule;   // the task's schedule text
    std::string action;     // the action name, the menu command, or the program's event
    std::string parameter;  // the action parameter as the action used it
    std::string outcome;    // kOutcome...
    std::string detail;     // the error's text, the versions at start, ...

    bool operator==(const HistoryEntry& o) const;
};

// Where the lines go: the history file in the program, a list in a test.
class HistorySink {
public:
    virtual ~HistorySink() = default;
    // Never throws and never waits long: a history that cannot be written
    // stops nothing.
    virtual void Append(const HistoryEntry& entry) = 0;
};

// "YYYY-MM-DD HH:MM:SS", numbers padded with zeros.
std::string HistoryTime(int year, int month, int day, int hour, int minute, int second);

// What a new file begins with: the byte-order mark and the header line.
std::string HistoryFileStart();

// One line of the file, UTF-8, ending in "\n". A tab, a line break or a
// backslash inside a text is written as "\t", "\n", "\r" or "\\", so every
// line is one event and every event has its eight columns.
std::string FormatHistoryLine(const HistoryEntry& entry);

// One line without its "\n"; nullopt for the header and for anything that
// is not a whole line of this format (the wrong number of columns, a time
// that is not one, a NUL byte that a power cut left).
std::optional<HistoryEntry> ParseHistoryLine(const std::string& utf8Line);

// Every whole line of a file's bytes, in order. A last line without its
// "\n" is one the writer was still writing, or one a crash cut short, and
// is skipped like every other line that does not parse.
std::vector<HistoryEntry> ReadHistoryLines(const std::string& fileBytes);
// The same; `unreadable` counts the whole lines that are neither an entry,
// the header nor empty.
std::vector<HistoryEntry> ReadHistoryLines(const std::string& fileBytes, int& unreadable);

// Whether `lineBytes` more would take a file of `fileBytes` past `limit`:
// then the file becomes the old one first. A file holding nothing but its
// header never does, so a line longer than the limit still gets written.
bool HistoryNeedsRotation(std::uint64_t fileBytes, std::uint64_t lineBytes,
                          std::uint64_t limit = kHistoryLimitBytes);

// How many bytes at the end of `tail` (the last bytes of the file) follow
// its last "\n": a line a crash cut short, which the writer cuts off before
// it appends, so that it never merges with the next line. All of `tail`
// when it holds no "\n".
std::size_t CutLineBytes(const std::string& tail);

// The lines `vantrelctl history` shows: at or after `since` (a history time
// or its first part, "YYYY-MM-DD HH:MM") when given, of task `task` when not 0.
std::vector<HistoryEntry> FilterHistory(const std::vector<HistoryEntry>& entries,
                                        const std::string& since, int task);

}  // namespace vantrel
