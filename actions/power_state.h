// The machine's power, decided without the system: whether this computer
// can stand by or hibernate (from the power manager's capabilities), the
// texts that say why not or why a power call failed, and what the program
// does when the computer goes to sleep during a countdown and wakes up.
#pragma once

#include <string>

namespace vantrel {

// The power manager's answer (CallNtPowerInformation SystemPowerCapabilities).
struct PowerCapabilities {
    bool sleepStates = false;    // S1, S2 or S3: the standby a program can ask for
    bool modernStandby = false;  // AoAc: low-power idle in S0 in place of S3
    bool hibernation = false;    // S4
    bool hiberFile = false;      // a hibernation file is there (powercfg /h on)
};

// What came of a power word or command.
struct PowerOutcome {
    bool acted = false;  // a word or command that names an operation
    bool ok = false;     // Windows took it (the hang-up: it hung up)
    // ExitWindowsEx took it: the shutdown or log-off has started, and a
    // program may still stop it. The run history says "started", not "done".
    bool started = false;
    // Why not, as the reminder showed it (the hang-up: its reminder's text).
    std::string text;
    // The sleep went, but the wake timer cannot wake the computer: the
    // notice for after the wake.
    std::string cannotWake;
};

// What a power operation needs of the machine. Standby is a sleep state a
// program can ask for, or Modern Standby, which Windows enters when the
// display goes off.
enum class PowerNeed { Nothing, Standby, Sleep, Hibernation };

// The pending word "待机" needs standby, "休眠" (a 休眠计算机 task sleeps,
// with a wake timer) a sleep state; the other words nothing.
PowerNeed NeedOfWord(const std::string& word);

// Whether standby on this computer is switching the display off: Modern
// Standby and no sleep state a program can ask for.
bool StandbyByDisplayOff(const PowerCapabilities& caps);

// Why this computer cannot do what `need` asks, as the user is told; empty
// when it can.
std::string PowerRefusal(PowerNeed need, const PowerCapabilities& caps);

// A power call Windows refused: "关机失败：" and Windows' own text.
std::string PowerFailureText(const std::string& name, const std::string& systemText);
// A wake timer that cannot wake the computer, with Windows' text.
std::string CannotWakeText(const std::string& systemText);

// The computer going to sleep and waking up, as the main window hears of
// it (WM_POWERBROADCAST).
class SleepWatch {
public:
    // The computer is going to sleep. A running countdown stops (returns
    // true): behind the sign-in screen after the wake nobody would see it
    // run out.
    bool Suspending(bool countingDown) {
        if (countingDown) interrupted_ = true;
        return countingDown;
    }
    // A wake-up the program could not arm: told after the next wake.
    void TellAfterWake(const std::string& text) { notice_ = text; }

    struct Waking {
        bool showCountdown = false;  // the stopped countdown again, at its whole length
        bool keepOn = false;         // ask once for the system and the display
        std::string notice;          // a reminder to show
    };
    // The computer woke up; `byProgramTimer`: the program's wake timer came
    // due. Windows sends more than one resume message for one wake; each
    // thing is done at the first.
    Waking Resumed(bool byProgramTimer);

private:
    bool interrupted_ = false;
    std::string notice_;
};

}  // namespace vantrel
