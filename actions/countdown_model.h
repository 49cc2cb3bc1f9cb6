// The countdown in front of a power action, without its window: the
// captions for a power word, the one-second steps of the progress bar, and
// which operation a pending word stands for.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

struct CountdownCaptions {
    std::string actNow;   // BitBtn1
    std::string cancel;   // BitBtn2
    std::string label;    // Label1
    std::string window;   // window caption
};

CountdownCaptions CaptionsFor(const std::string& word);

// The pending power words, in the order in which they are tested.
enum class PowerOp { None, LogOff, Standby, Hibernate, Restart, PowerOff, HangUp, FastRestart, FastShutdown };
PowerOp PowerOpFor(const std::string& word);
// The word of an operation ("" for None); the immediate commands are named
// by it too.
const char* PowerWordOf(PowerOp op);

// The progress bar and the seconds shown. A negative length (a hand-edited
// setting) counts as 0, so the first step carries out the action. A length
// lowered below the steps already taken (the settings window saved during a
// countdown) takes the position down with it, as the bar clamps its
// position to its maximum: the seconds shown never go below "0 秒".
class CountdownModel {
public:
    void SetLength(std::int32_t seconds) {
        length_ = seconds < 0 ? 0 : seconds;
        if (position_ > length_) position_ = length_;
    }
    std::int32_t length() const { return length_; }
    std::int32_t position() const { return position_; }
    void Reset() { position_ = 0; }

    struct Step {
        std::string remaining;  // "59 秒"
        bool expired;           // the action is due now; the position is back at 0
    };
    Step Advance();
    // What the label shows before the first step: the whole length.
    std::string Full() const;

private:
    std::int32_t length_ = 60;
    std::int32_t position_ = 0;
};

}  // namespace vantrel
