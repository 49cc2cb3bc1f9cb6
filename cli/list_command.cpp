// vantrelctl list [--json]: the task list as the settings window shows it,
// with each enabled task's next run from now.
#include <cstdio>

#include "cli/command_line.h"
#include "cli/next_due.h"
#include "cli/target.h"
#include "cli/time_text.h"
#include "store/gbk_text.h"

namespace vantrel {

namespace {

// The next run as one text: a minute, the idle or start-up words, or empty.
std::string NextText(const std::string& schedule, const LocalTime& now, const MatchEnv& env) {
    const NextDue next = NextDueTimes(schedule, now, 1, env);
    if (!next.words.empty()) return next.words;
    return next.times.empty() ? std::string() : FormatMinute(next.times[0]);
}

// Whether the byte at `pos` starts no GBK character: a byte above 0x7F that
// is no lead byte, or a lead byte without a byte that can follow it.
bool StrayByte(const std::string& text, std::size_t pos, std::size_t length) {
    return length == 1 && static_cast<unsigned char>(text[pos]) >= 0x80;
}

// A JSON string of a GBK text (the caller's output turns the whole into
// UTF-8). Walked by characters: a GBK trail byte may be 0x5C and is no
// backslash. A stray byte becomes U+FFFD on its own, so that it never joins
// the escape written after it into one character.
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = GbkStrictCharLength(text, pos);
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (StrayByte(text, pos, len)) {
            out += "\\ufffd";
        } else if (len == 1 && (c == '"' || c == '\\')) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (len == 1 && c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out.append(text, pos, len);
        }
        pos += len;
    }
    return out + "\"";
}

// A text as one cell of the table: a line break or tab inside it is shown
// escaped, so that every task stays one row; a stray byte is shown as "?"
// (GBK has no replacement character), on its own.
std::string TableText(const std::string& text) {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = GbkStrictCharLength(text, pos);
        const char c = text[pos];
        if (StrayByte(text, pos, len))
            out += '?';
        else if (len == 1 && c == '\r')
            out += "\\r";
        else if (len == 1 && c == '\n')
            out += "\\n";
        else if (len == 1 && c == '\t')
            out += "\\t";
        else
            out.append(text, pos, len);
        pos += len;
    }
    return out;
}

std::string JsonOrNull(const std::string& text) { return text.empty() ? "null" : JsonString(text); }

}  // namespace

int RunList(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    int status = kExitDone;
    std::unique_ptr<Target> target = Target::Open(inv, env, Target::Mode::Read, err, status);
    if (!target) return status;
    if (!target->HasProgramKey()) {
        err << "vantrelctl: " << target->NoProgramKey() << "\n";
        return kExitFailed;
    }
    const std::vector<ListedRecord> rows = target->Listed();
    const LocalTime now = env.Now();
    MatchEnv match;
    match.shortDateFormat = env.ShortDateFormat();
    const bool json = inv.Has("--json");
    if (json) out << "[";
    bool firstRow = true;
    for (const ListedRecord& row : rows) {
        const TaskRecord& r = row.record;
        // A disabled task does not run, so it has no next run.
        const std::string next =
            row.error.empty() && IsEnabledText(r.enabled) ? NextText(r.schedule, now, match) : std::string();
        if (json) {
            out << (firstRow ? "\n" : ",\n") << "  {\"n\": " << row.number
                << ", \"schedule\": " << JsonString(r.schedule) << ", \"action\": " << JsonString(r.action)
                << ", \"param\": " << JsonString(r.parameter) << ", \"enabled\": " << JsonString(r.enabled)
                << ", \"next\": " << JsonOrNull(next) << ", \"error\": " << JsonOrNull(row.error) << "}";
        } else {
            if (firstRow) out << "序号\t时间\t任务\t任务属性\t是否启用\t下次运行\n";
            out << row.number << "\t" << TableText(r.schedule) << "\t" << TableText(r.action) << "\t"
                << TableText(r.parameter) << "\t" << TableText(r.enabled) << "\t"
                << (row.error.empty() ? (next.empty() ? "-" : next) : "错误: " + row.error) << "\n";
        }
        firstRow = false;
    }
    if (json) out << (rows.empty() ? "]\n" : "\n]\n");
    return kExitDone;
}

}  // namespace vantrel
