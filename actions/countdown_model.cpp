#include "actions/countdown_model.h"

namespace vantrel {

CountdownCaptions CaptionsFor(const std::string& word) {
    CountdownCaptions c;
    c.actNow = "立即" + word;
    c.cancel = "取消" + word;
    c.label = "要想" + c.cancel + "，请按下<" + c.cancel + ">按钮:剩余";
    c.window = "Windows 正在准备" + word + "...";
    return c;
}

namespace {

struct PowerWord {
    const char* word;
    PowerOp op;
};
const PowerWord kPowerWords[] = {
    {"注销", PowerOp::LogOff},         {"待机", PowerOp::Standby},
    {"休眠", PowerOp::Hibernate},      {"重启", PowerOp::Restart},
    {"关机", PowerOp::PowerOff},       {"断开拨号", PowerOp::HangUp},
    {"快速重启", PowerOp::FastRestart}, {"快速关机", PowerOp::FastShutdown},
};

}  // namespace

PowerOp PowerOpFor(const std::string& word) {
    for (const PowerWord& e : kPowerWords)
        if (word == e.word) return e.op;
    return PowerOp::None;
}

const char* PowerWordOf(PowerOp op) {
    for (const PowerWord& e : kPowerWords)
        if (op == e.op) return e.word;
    return "";
}

namespace {
std::string Seconds(long long n) { return std::to_string(n) + " 秒"; }
}  // namespace

std::string CountdownModel::Full() const { return Seconds(length_); }

CountdownModel::Step CountdownModel::Advance() {
    // The bar clamps its position to its maximum, the countdown length.
    if (position_ < length_) ++position_;
    Step step;
    step.remaining = Seconds(static_cast<long long>(length_) - position_);
    step.expired = position_ >= length_;
    if (step.expired) position_ = 0;
    return step;
}

}  // namespace vantrel
