// Random sequences of append, rewrite, delete, set-enabled and start-up load
// on the in-memory registry, checked against a plain list after every step:
// records numbered 1 to TaskNum without gaps, each holding the right texts,
// and no value left behind above the count.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "registry/memory_registry.h"
#include "store/task_store.h"

using namespace vantrel;

namespace {

const char kKey[] = "\\Software\\Brelnix\\Vantrel";

void Check(MemoryRegistry& reg, TaskStore& store, const Settings& s, const std::vector<TaskRecord>& model) {
    if (s.taskCount != static_cast<int>(model.size())) std::abort();
    {
        OpenedKey key(reg, kKey);
        if (reg.ReadInteger(kValTaskNum) != s.taskCount) std::abort();
    }
    for (size_t i = 0; i < model.size(); ++i)
        if (!(store.ReadRecord(static_cast<int>(i) + 1) == model[i])) std::abort();
    for (const std::string& name : reg.ValueNamesOf(kKey)) {
        if (name.size() < 2 || std::string("ABCD").find(name[0]) == std::string::npos) continue;
        if (name.find_first_not_of("0123456789", 1) != std::string::npos) continue;
        long n = std::strtol(name.c_str() + 1, nullptr, 10);
        if (n < 1 || n > s.taskCount) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    MemoryRegistry reg;
    TaskStore store(reg, kKey);
    Settings s;
    store.StartupLoad(s);
    std::vector<TaskRecord> model;
    while (in.remaining_bytes() > 0 && model.size() < 64) {
        int op = in.ConsumeIntegralInRange(0, 4);
        int n = in.ConsumeIntegralInRange(0, static_cast<int>(model.size()) + 1);
        switch (op) {
            case 0: {
                TaskRecord r{in.ConsumeRandomLengthString(12), in.ConsumeRandomLengthString(8),
                             in.ConsumeRandomLengthString(8), kEnabledText};
                // Texts end at their first NUL in the registry.
                for (std::string* t : {&r.schedule, &r.action, &r.parameter}) t->resize(t->find('\0') == std::string::npos ? t->size() : t->find('\0'));
                if (store.Append(s, r.schedule, r.action, r.parameter) != static_cast<int>(model.size()) + 1) std::abort();
                model.push_back(r);
                break;
            }
            case 1: {
                if (n < 1 || n > static_cast<int>(model.size())) break;
                std::string a = in.ConsumeRandomLengthString(12);
                a.resize(a.find('\0') == std::string::npos ? a.size() : a.find('\0'));
                std::string kept = store.Rewrite(n, a, "提醒", "");
                model[n - 1].schedule = a;
                model[n - 1].action = "提醒";
                model[n - 1].parameter = "";
                if (model[n - 1].enabled.empty()) model[n - 1].enabled = kEnabledText;
                if (kept != model[n - 1].enabled) std::abort();
                break;
            }
            case 2: {
                bool done = store.Delete(s, n);
                bool valid = n >= 1 && n <= static_cast<int>(model.size());
                if (done != valid) std::abort();
                if (valid) model.erase(model.begin() + (n - 1));
                break;
            }
            case 3: {
                if (n < 1 || n > static_cast<int>(model.size())) break;
                bool on = in.ConsumeBool();
                store.SetEnabled(n, on);
                model[n - 1].enabled = on ? kEnabledText : kDisabledText;
                break;
            }
            case 4: {
                Settings fresh;
                StartupResult r = store.StartupLoad(fresh);
                if (!r.errors.empty()) std::abort();
                s = fresh;
                break;
            }
        }
        Check(reg, store, s, model);
    }
    return 0;
}
