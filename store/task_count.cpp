#include "store/task_count.h"

#include <algorithm>
#include <utility>

#include "store/task_store.h"

namespace vantrel {

namespace {

// No record of the key lies above the number of values it holds.
std::int64_t RecordBound(Registry& reg) { return std::min<std::int64_t>(reg.ValueCount(), INT32_MAX); }

bool Plausible(Registry& reg, std::int32_t count) { return count >= 0 && count <= RecordBound(reg); }

std::int32_t RecoveredCount(Registry& reg) {
    const std::int64_t bound = RecordBound(reg);
    std::int32_t highest = 0;
    for (const std::string& name : reg.ValueNames()) {
        const std::int32_t n = RecordNumberOf(name);
        if (n <= bound && n > highest) highest = n;
    }
    return highest;
}

}  // namespace

std::int32_t RecordNumberOf(const std::string& name) {
    if (name.size() < 2 || name.size() > 11) return 0;
    if (std::string("ABCDabcd").find(name[0]) == std::string::npos || name[1] == '0') return 0;
    std::int64_t n = 0;
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n > INT32_MAX ? 0 : static_cast<std::int32_t>(n);
}

std::int32_t TaskCount(Registry& reg) {
    try {
        const std::int32_t stored = reg.ReadInteger(kValTaskNum);
        if (Plausible(reg, stored)) return stored;
    } catch (const RegistryError&) {
    }
    return RecoveredCount(reg);
}

std::vector<std::string> ValuesAboveCount(Registry& reg, std::int32_t count) {
    std::vector<std::pair<std::int32_t, std::string>> above;
    for (const std::string& name : reg.ValueNames()) {
        const std::int32_t n = RecordNumberOf(name);
        if (n > count) above.emplace_back(n, name);
    }
    std::sort(above.begin(), above.end());
    std::vector<std::string> names;
    for (auto& v : above) names.push_back(std::move(v.second));
    return names;
}

std::string ValueAboveCountText(const std::string& name, std::int32_t count) {
    return "值 " + name + " 属于第 " + std::to_string(RecordNumberOf(name)) + " 条任务，但 TaskNum 只有 " +
           std::to_string(count);
}

void FollowStoredTaskCount(Registry& reg, const std::string& programKey, Settings& settings) {
    OpenedKey key(reg, programKey, false);
    if (!key.ok()) return;
    std::int32_t stored = 0;
    try {
        stored = reg.ReadInteger(kValTaskNum);
    } catch (const RegistryError&) {
        return;
    }
    if (Plausible(reg, stored)) settings.taskCount = stored;
}

int LastRecordToScan(Registry& reg, std::int32_t copy) {
    if (copy <= 0) return 0;
    return Plausible(reg, copy) ? copy : RecoveredCount(reg);
}

}  // namespace vantrel
