// vantrelctl timer 30m|2h|off|status: the tray's 定时关机 from the command
// line, on the same value of the program key. One quick timer at a time: a
// new one replaces it. A running Vantrel takes a change up at the start of
// the next minute; it never adds a task record.
#include "cli/command_line.h"
#include "cli/target.h"
#include "scheduler/conversions.h"
#include "scheduler/time_text.h"

namespace vantrel {

namespace {

// Up to a week ahead.
constexpr int kMaxTimerMinutes = 7 * 24 * 60;

// "30m" -> 30, "2h" -> 120; nullopt for anything else.
std::optional<int> TimerMinutes(const std::string& text) {
    if (text.size() < 2) return std::nullopt;
    const char unit = text.back();
    const std::string digits = text.substr(0, text.size() - 1);
    const std::optional<std::int32_t> n = TryStrToInt(digits);
    if (!n || std::to_string(*n) != digits || *n < 1 || (unit != 'm' && unit != 'h')) return std::nullopt;
    const long long minutes = unit == 'h' ? *n * 60LL : *n;
    if (minutes > kMaxTimerMinutes) return std::nullopt;
    return static_cast<int>(minutes);
}

}  // namespace

int RunTimer(const Invocation& inv, CliEnv& env, TextOut& out, TextOut& err) {
    const std::string& what = inv.operands[0];
    const bool status = what == "status", off = what == "off";
    const std::optional<int> minutes = status || off ? std::nullopt : TimerMinutes(what);
    if (!status && !off && !minutes)
        throw UsageError{"vantrelctl: timer 应为 N m（分钟，如 30m）、N h（小时，如 2h，最多一周）、off 或 status，不是“" +
                         what + "”"};
    int exit = kExitDone;
    std::unique_ptr<Target> target =
        Target::Open(inv, env, status ? Target::Mode::Read : Target::Mode::Write, err, exit);
    if (!target) return exit;
    if (status) {
        // A text that is no minute is no timer, as the program reads it; nor
        // is a minute already past, which the program drops unfired.
        const std::optional<LocalTime> at = ParseLocalTime(target->store().ReadMinuteValue(kValQuickTimer), false);
        if (!at || MinuteNumber(*at) < MinuteNumber(env.Now())) {
            out << "未定时\n";
            return kExitNotOn;
        }
        out << "定时关机 " << FormatMinute(*at) << "\n";
        return kExitDone;
    }
    const std::string at = off ? std::string() : FormatMinute(MinutesLater(env.Now(), *minutes));
    try {
        target->store().WriteMinuteValue(kValQuickTimer, at);
    } catch (const RegistryError& e) {
        err << "vantrelctl: " << target->WriteFailure(e) << "\n";
        return kExitFailed;
    }
    if (!target->Commit(err)) return kExitFailed;
    out << (off ? std::string("已取消定时关机") : "定时关机 " + at) << "\n";
    return kExitDone;
}

}  // namespace vantrel
