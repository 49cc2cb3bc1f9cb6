#include "history/history.h"


#include "text/codepage.h"
#include "text/number_text.h"

namespace vantrel {

const char kHistoryFolderName[] = "Vantrel";
const char kHistoryFileName[] = "history.log";
const char kHistoryOldFileName[] = "history.1.log";

const char kSourceTick[] = "tick";
const char kSourceMenu[] = "menu";
const char kSourceHotkey[] = "hotkey";
const char kSourceCountdown[] = "countdown";
const char kSourceProgram[] = "program";
const char kSourceTimer[] = "timer";
const char kSourceBalloon[] = "balloon";

const char kOutcomeDone[] = "done";
const char kOutcomeError[] = "error";
const char kOutcomeStarted[] = "started";
const char kOutcomeCountdown[] = "countdown";
const char kOutcomeCarriedOut[] = "carried out";
const char kOutcomeCancelled[] = "cancelled";
const char kOutcomeActNow[] = "act now";
const char kOutcomePostponed[] = "postponed";
const char kOutcomeWarning[] = "warning";
const char kOutcomeSkipped[] = "skipped";
const char kOutcomeWaiting[] = "waiting";
const char kOutcomeWaitEnd[] = "wait end";
const char kOutcomeMissed[] = "missed";
const char kOutcomeReplaced[] = "replaced";

const char kEventStart[] = "start";
const char kEventEnd[] = "end";
const char kEventMonitoringOn[] = "monitoring on";
const char kEventMonitoringOff[] = "monitoring off";
const char kEventTrayIcon[] = "tray icon";
const char kEventPause[] = "pause";
const char kEventPauseEnd[] = "pause end";
const char kEventQuickTimer[] = "quick timer";
const char kEventQuickTimerOff[] = "quick timer off";
const char kEventProgramKey[] = "program key";

std::string HistoryWord(HistoryColumn column, const std::string& keyword) {
    struct Word {
        HistoryColumn column;
        const char* keyword;
        const char* word;
    };
    using C = HistoryColumn;
    static const Word kWords[] = {
        {C::Source, kSourceTick, "任务"},
        {C::Source, kSourceMenu, "菜单"},
        {C::Source, kSourceHotkey, "热键"},
        {C::Source, kSourceCountdown, "倒计时"},
        {C::Source, kSourceProgram, "程序"},
        {C::Source, kSourceTimer, "定时"},
        {C::Source, kSourceBalloon, "提前提醒"},
        {C::Outcome, kOutcomeDone, "完成"},
        {C::Outcome, kOutcomeError, "错误"},
        {C::Outcome, kOutcomeStarted, "已启动"},
        {C::Outcome, kOutcomeCountdown, "开始倒计时"},
        {C::Outcome, kOutcomeCarriedOut, "已执行"},
        {C::Outcome, kOutcomeCancelled, "已取消"},
        {C::Outcome, kOutcomeActNow, "立即执行"},
        {C::Outcome, kOutcomePostponed, "已推迟"},
        {C::Outcome, kOutcomeWarning, "已提醒"},
        {C::Outcome, kOutcomeSkipped, "已跳过"},
        {C::Outcome, kOutcomeWaiting, "等待"},
        {C::Outcome, kOutcomeWaitEnd, "结束等待"},
        {C::Outcome, kOutcomeMissed, "已错过"},
        {C::Outcome, kOutcomeReplaced, "已被取代"},
        {C::Action, kEventStart, "启动"},
        {C::Action, kEventEnd, "退出"},
        {C::Action, kEventMonitoringOn, "启用监控"},
        {C::Action, kEventMonitoringOff, "关闭监控"},
        {C::Action, kEventTrayIcon, "托盘图标"},
        {C::Action, kEventPause, "暂停"},
        {C::Action, kEventPauseEnd, "结束暂停"},
        {C::Action, kEventQuickTimer, "设置定时关机"},
        {C::Action, kEventQuickTimerOff, "取消定时关机"},
        {C::Action, kEventProgramKey, "程序设置"},
    };
    for (const Word& w : kWords)
        if (w.column == column && keyword == w.keyword) return w.word;
    return keyword;
}

namespace {

const char kBom[] = "\xEF\xBB\xBF";
const char kHeader[] = "time\tsource\ttask\tschedule\taction\tparameter\toutcome\tdetail";
const std::size_t kColumns = 8;

bool ReadsAsEscape(char c) { return c == 't' || c == 'n' || c == 'r' || c == '\\'; }

// A tab, line feed or carriage return inside a text becomes "\t", "\n" or
// "\r". A backslash stays as it is, so that paths read naturally in
// Notepad, unless what follows it would read as one of these: then it is
// doubled ("C:\temp" is written "C:\\temp", a backslash before a tab "\\\t"). Works on the UTF-8 form, where
// no byte of a multibyte character is ASCII (in GBK a second byte may be
// 0x5C, a backslash).
std::string Escape(const std::string& gbk) {
    const std::string utf8 = GbkToUtf8(gbk);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\\' && i + 1 < utf8.size() &&
                 (ReadsAsEscape(utf8[i + 1]) || utf8[i + 1] == '\t' || utf8[i + 1] == '\n' ||
                  utf8[i + 1] == '\r'))
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

std::string Unescape(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '\\' || i + 1 == utf8.size() || !ReadsAsEscape(utf8[i + 1])) {
            out += utf8[i];
            continue;
        }
        switch (utf8[++i]) {
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            default: out += '\\'; break;
        }
    }
    return Utf8ToGbk(out);
}

bool IsDigits(const std::string& s, std::size_t pos, std::size_t count) {
    for (std::size_t i = pos; i < pos + count; ++i)
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
    return true;
}

int Number(const std::string& t, std::size_t pos, std::size_t count) {
    return std::stoi(t.substr(pos, count));
}

// "YYYY-MM-DD HH:MM:SS", digits where digits belong, each in its range.
bool IsHistoryTime(const std::string& t) {
    if (!(t.size() == 19 && IsDigits(t, 0, 4) && t[4] == '-' && IsDigits(t, 5, 2) && t[7] == '-' &&
          IsDigits(t, 8, 2) && t[10] == ' ' && IsDigits(t, 11, 2) && t[13] == ':' &&
          IsDigits(t, 14, 2) && t[16] == ':' && IsDigits(t, 17, 2)))
        return false;
    const int month = Number(t, 5, 2), day = Number(t, 8, 2);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && Number(t, 11, 2) < 24 &&
           Number(t, 14, 2) < 60 && Number(t, 17, 2) < 60;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

}  // namespace

bool HistoryEntry::operator==(const HistoryEntry& o) const {
    return time == o.time && source == o.source && task == o.task && schedule == o.schedule &&
           action == o.action && parameter == o.parameter && outcome == o.outcome &&
           detail == o.detail;
}

std::string HistoryTime(int year, int month, int day, int hour, int minute, int second) {
    return PaddedDecimal(year, 4) + "-" + PaddedDecimal(month, 2) + "-" + PaddedDecimal(day, 2) + " " +
           PaddedDecimal(hour, 2) + ":" + PaddedDecimal(minute, 2) + ":" + PaddedDecimal(second, 2);
}

std::string HistoryFileStart() { return std::string(kBom) + kHeader + "\n"; }

std::string FormatHistoryLine(const HistoryEntry& e) {
    std::string line = Escape(e.time) + "\t" + Escape(e.source) + "\t" +
                       (e.task > 0 ? std::to_string(e.task) : std::string());
    for (const std::string* text : {&e.schedule, &e.action, &e.parameter, &e.outcome, &e.detail})
        line += "\t" + Escape(*text);
    return line + "\n";
}

std::optional<HistoryEntry> ParseHistoryLine(const std::string& utf8Line) {
    std::string line = utf8Line;
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a copy with Windows line ends
    if (line.find('\0') != std::string::npos) return std::nullopt;
    const std::vector<std::string> f = SplitTabs(line);
    if (f.size() != kColumns || !IsHistoryTime(f[0]) || f[1].empty()) return std::nullopt;
    HistoryEntry e;
    e.time = f[0];
    e.source = Unescape(f[1]);
    if (!f[2].empty()) {
        if (f[2].size() > 9 || !IsDigits(f[2], 0, f[2].size())) return std::nullopt;
        e.task = std::stoi(f[2]);
    }
    e.schedule = Unescape(f[3]);
    e.action = Unescape(f[4]);
    e.parameter = Unescape(f[5]);
    e.outcome = Unescape(f[6]);
    e.detail = Unescape(f[7]);
    return e;
}

std::vector<HistoryEntry> ReadHistoryLines(const std::string& fileBytes) {
    int unreadable = 0;
    return ReadHistoryLines(fileBytes, unreadable);
}

std::vector<HistoryEntry> ReadHistoryLines(const std::string& fileBytes, int& unreadable) {
    std::vector<HistoryEntry> entries;
    unreadable = 0;
    std::size_t pos = fileBytes.compare(0, 3, kBom) == 0 ? 3 : 0;
    for (;;) {
        const std::size_t end = fileBytes.find('\n', pos);
        if (end == std::string::npos) break;  // still being written, or cut short
        std::string line = fileBytes.substr(pos, end - pos);
        if (auto e = ParseHistoryLine(line)) {
            entries.push_back(*e);
        } else {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line != kHeader) ++unreadable;
        }
        pos = end + 1;
    }
    return entries;
}

bool HistoryNeedsRotation(std::uint64_t fileBytes, std::uint64_t lineBytes, std::uint64_t limit) {
    return fileBytes > HistoryFileStart().size() && fileBytes + lineBytes > limit;
}

std::size_t CutLineBytes(const std::string& tail) {
    const std::size_t last = tail.rfind('\n');
    return last == std::string::npos ? tail.size() : tail.size() - last - 1;
}

std::vector<HistoryEntry> FilterHistory(const std::vector<HistoryEntry>& entries,
                                        const std::string& since, int task) {
    std::vector<HistoryEntry> kept;
    for (const HistoryEntry& e : entries) {
        // Times of one fixed form compare as texts; "2026-12-07 08:00" comes
        // before every second of that minute.
        if (!since.empty() && e.time.compare(0, since.size(), since) < 0) continue;
        if (task != 0 && e.task != task) continue;
        kept.push_back(e);
    }
    return kept;
}

}  // namespace vantrel
