// Policies against every registry of the build: what the program goes by
// (program key, policy, both, out of range, removed), and which writers a
// policy refuses, with the program key untouched.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>

#include "store/extra_settings.h"
#include "store/policy.h"
#include "store/task_store.h"
#include "tests/registry_fixture.h"

namespace vantrel {
namespace {

using testing::AllBackends;
using testing::BackendFactory;
using testing::RawType;
using testing::RegistryBackend;

const char kKey[] = "\\Software\\Brelnix\\VantrelPolicyTest";
const char kPolicyKey[] = "\\Software\\Policies\\Brelnix\\VantrelPolicyTest";
const char kRunKey[] = "\\Software\\Brelnix\\VantrelPolicyTestRun";
const char kRunValue[] = "VantrelPolicyTest";

std::string Dword(std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// A value planted as the registry holds it: a DWORD or a text.
struct Raw {
    RawType type;
    std::string bytes;
};
Raw Num(std::int32_t v) { return {testing::kRawDword, Dword(v)}; }
Raw Text(const std::string& s) { return {testing::kRawSz, s + std::string(1, '\0')}; }

// The running program's copy of a setting, as text; kaiji has none and
// reads from start-up's greeting.
std::string CopyOf(const Settings& s, const StartupResult& loaded, const std::string& name) {
    if (name == kValCountdown) return std::to_string(s.countdownLength);
    if (name == kValCloseAll) return std::to_string(s.closeAll);
    if (name == kValSoundPath) return s.soundPath;
    if (name == kValCtrlHotkeys) return std::to_string(s.ctrlFlag);
    if (name == kValGreeting) return loaded.greeting ? "1" : "0";
    return std::to_string(s.*FindExtraSetting(name)->copy);
}

class PolicyTest : public ::testing::TestWithParam<std::pair<std::string, BackendFactory>> {
protected:
    void SetUp() override {
        backend_ = GetParam().second();
        Clean();
        store_.reset(new TaskStore(reg(), kKey, kRunKey, kRunValue));
        store_->UsePolicyKey(kPolicyKey);
    }
    void TearDown() override {
        store_.reset();
        reg().CloseKey();
        Clean();
    }
    void Clean() {
        backend_->DeleteKey(kKey);
        backend_->DeleteKey(kPolicyKey);
        backend_->DeleteKey(kRunKey);
    }
    Registry& reg() { return backend_->registry(); }
    void Plant(const char* key, const std::string& name, const Raw& raw) {
        backend_->PlantRaw(key, name, raw.type, raw.bytes);
    }
    void Unplant(const char* key, const std::string& name) {
        OpenedKey k(reg(), key, false);
        reg().DeleteValue(name);
    }
    // Every value of the program key, as text, for "nothing changed".
    std::map<std::string, std::string> Snapshot() {
        std::map<std::string, std::string> all;
        OpenedKey k(reg(), kKey, false);
        for (const std::string& name : reg().ValueNames())
            all[name] = reg().TypeOf(name) == ValueType::DWord ? std::to_string(reg().ReadInteger(name))
                                                                : reg().ReadString(name);
        return all;
    }

    std::unique_ptr<RegistryBackend> backend_;
    std::unique_ptr<TaskStore> store_;
};

// What the program goes by, for every place that reads it: the running
// program's copy, the settings window and 更多设置, and vantrelctl's
// effective value with its source. A policy is never copied into the
// program key.
TEST_P(PolicyTest, EffectiveValueComesFromThePolicyThenTheProgramKeyThenTheDefault) {
    const struct {
        const char* what;
        const char* name;
        std::optional<Raw> stored, policy;
        const char* value;
        ValueSource source;
        std::size_t ignored;  // history lines about the policy key
    } cases[] = {
        {"program key only", "tiqian", Num(10), std::nullopt, "10", ValueSource::ProgramKey, 0},
        {"policy only", "tiqian", std::nullopt, Num(20), "20", ValueSource::Policy, 0},
        {"both: the policy wins", "tiqian", Num(10), Num(20), "20", ValueSource::Policy, 0},
        {"policy at the top of its range", "mangwang", Num(7), Num(1000000), "1000000", ValueSource::Policy, 0},
        {"policy out of range", "tiqian", Num(10), Num(5000), "10", ValueSource::ProgramKey, 1},
        {"policy below its range", "mangxian", std::nullopt, Num(0), "120", ValueSource::Default, 1},
        {"policy of the wrong type", "mangcpu", Num(50), Text("20"), "50", ValueSource::ProgramKey, 1},
        {"countdown", "tishi", Num(60), Num(30), "30", ValueSource::Policy, 0},
        {"countdown out of range", "tishi", Num(60), Num(-5), "60", ValueSource::ProgramKey, 1},
        {"sound file", "soundpath", Text("C:\\a.wav"), Text("C:\\响.wav"), "C:\\响.wav", ValueSource::Policy, 0},
        {"sound file as a number", "soundpath", Text("C:\\a.wav"), Num(1), "C:\\a.wav", ValueSource::ProgramKey, 1},
        {"close-all switch", "shutapp", Num(0), Num(1), "1", ValueSource::Policy, 0},
        {"a switch out of range", "shutapp", Num(0), Num(2), "0", ValueSource::ProgramKey, 1},
        {"greeting", "kaiji", Num(0), Num(1), "1", ValueSource::Policy, 0},
        {"Ctrl hotkeys", "rejian", Num(1), Num(0), "0", ValueSource::Policy, 0},
        {"neither", "manglu", std::nullopt, std::nullopt, "0", ValueSource::Default, 0},
        {"a later setting by policy, off by default", "manglu", std::nullopt, Num(1), "1", ValueSource::Policy, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clean();
        const SettingEntry& setting = *FindSetting(c.name);
        if (c.stored) Plant(kKey, c.name, *c.stored);
        if (c.policy) Plant(kPolicyKey, c.name, *c.policy);

        Settings settings;
        const StartupResult loaded = store_->StartupLoad(settings);
        EXPECT_TRUE(loaded.errors.empty()) << loaded.errors.front();
        EXPECT_EQ(loaded.policyProblems.size(), c.ignored);
        for (const std::string& line : loaded.policyProblems) EXPECT_NE(line.find(c.name), std::string::npos) << line;
        EXPECT_EQ(CopyOf(settings, loaded, c.name), c.value);

        const EffectiveSetting effective =
            EffectiveValue(setting, store_->ReadPolicies(), store_->ReadStoredSetting(setting));
        EXPECT_EQ(effective.value, c.value);
        EXPECT_EQ(effective.source, c.source);
        if (const ExtraSetting* extra = FindExtraSetting(c.name)) {
            EXPECT_EQ(std::to_string(store_->ReadExtraSetting(*extra)), c.value);
        }

        // The program key holds the user's own value (or start-up's
        // default), never the policy's.
        const std::optional<std::string> own = store_->ReadStoredSetting(setting);
        if (c.stored && c.stored->type == testing::kRawDword) {
            EXPECT_EQ(own, std::to_string(*reinterpret_cast<const std::int32_t*>(c.stored->bytes.data())));
        }
        if (own && c.source == ValueSource::Policy && !setting.text) {
            EXPECT_NE(*own, std::string(c.value));
        }
    }
}

// The settings window shows what a policy holds, and its OK writes none of
// it, whatever the window sent: the user's own value stays for the day the
// policy goes.
TEST_P(PolicyTest, TheSettingsWindowShowsPolicyValuesAndNeverWritesThem) {
    Plant(kKey, "tishi", Num(90));
    Plant(kPolicyKey, "tishi", Num(30));
    Plant(kPolicyKey, "shutapp", Num(1));
    Settings settings;
    store_->StartupLoad(settings);
    const SettingsView view = store_->LoadSettings(settings, "C:\\V\\Vantrel.exe");
    EXPECT_EQ(view.countdownSeconds, 30);
    EXPECT_TRUE(view.closeAll);
    EXPECT_TRUE(view.policies.Holds("TISHI"));
    SettingsChoice choice = ShownChoice(view);
    choice.countdownSeconds = 45;
    choice.closeAll = false;
    choice.greeting = true;
    const SettingsChoice shown = ShownChoice(view);
    store_->SaveSettings(settings, choice, "C:\\V\\Vantrel.exe", &shown);
    const auto after = Snapshot();
    EXPECT_EQ(after.at("tishi"), "90");
    EXPECT_EQ(after.at("shutapp"), "0");
    EXPECT_EQ(after.at("kaiji"), "1");  // no policy: written
    EXPECT_EQ(settings.countdownLength, 30);
    EXPECT_EQ(settings.closeAll, 1);
}

// A policy removed (or changed) while the program runs: the next look at
// the policy key brings the user's own value back; a value ignored is told
// once, however often the key is looked at.
TEST_P(PolicyTest, ARemovedPolicyBringsTheUsersValueBack) {
    Plant(kKey, "tiqian", Num(10));
    Plant(kKey, "tishi", Num(90));
    Plant(kPolicyKey, "tiqian", Num(20));
    Plant(kPolicyKey, "tishi", Num(30));
    Settings settings;
    store_->StartupLoad(settings);
    ASSERT_EQ(settings.warnMinutes, 20);
    bool changed = true;
    EXPECT_TRUE(store_->RefreshPolicies(settings, &changed).empty());
    EXPECT_FALSE(changed);

    Unplant(kPolicyKey, "tiqian");
    Plant(kPolicyKey, "mangcpu", Num(101));
    const std::vector<std::string> told = store_->RefreshPolicies(settings, &changed);
    EXPECT_TRUE(changed);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("mangcpu"), std::string::npos);
    EXPECT_EQ(settings.warnMinutes, 10);
    EXPECT_EQ(settings.countdownLength, 30);
    EXPECT_EQ(settings.busyProcessorPercent, 80);

    Plant(kPolicyKey, "kaiji", Num(1));
    EXPECT_TRUE(store_->RefreshPolicies(settings, &changed).empty());  // mangcpu told already
    EXPECT_TRUE(changed);

    backend_->DeleteKey(kPolicyKey);
    store_->RefreshPolicies(settings, &changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(settings.countdownLength, 90);
    EXPECT_EQ(settings.warnMinutes, 10);
    EXPECT_EQ(Snapshot().at("tiqian"), "10");
}

// Every writer of the store under each policy: the ones a policy holds are
// refused before anything is written, naming the policy; the others go on.
TEST_P(PolicyTest, WritersARefusedUnderThePolicyThatHoldsWhatTheyChange) {
    using Op = std::function<void(TaskStore&, Settings&)>;
    const TaskRecord first{"每天1时0分", kActionNames[kActShutDown], "", kEnabledText};
    const struct {
        const char* what;
        Op op;
        bool task;            // a change of the tasks
        const char* setting;  // else the one setting it writes ("" none)
    } writers[] = {
        {"append", [](TaskStore& s, Settings& c) { s.Append(c, "每天9时0分", kActionNames[kActShutDown], ""); }, true, ""},
        {"append a record", [&](TaskStore& s, Settings& c) { s.AppendRecord(c, first); }, true, ""},
        {"rewrite", [](TaskStore& s, Settings&) { s.Rewrite(1, "每天2时0分", kActionNames[kActShutDown], ""); }, true, ""},
        {"rewrite as listed",
         [&](TaskStore& s, Settings&) { s.Rewrite(1, first, "每天2时0分", kActionNames[kActShutDown], ""); }, true, ""},
        {"delete", [](TaskStore& s, Settings& c) { s.Delete(c, 1); }, true, ""},
        {"delete as listed", [&](TaskStore& s, Settings& c) { s.Delete(c, 1, first); }, true, ""},
        {"disable", [](TaskStore& s, Settings&) { s.SetEnabled(1, false); }, true, ""},
        {"disable as listed", [&](TaskStore& s, Settings&) { s.SetEnabled(1, first, false); }, true, ""},
        {"replace the list", [&](TaskStore& s, Settings& c) { s.ReplaceTasks(c, {first, first}); }, true, ""},
        {"import", [&](TaskStore& s, Settings& c) { s.Import(c, {first}, false, {}); }, true, ""},
        {"set tiqian", [](TaskStore& s, Settings&) { s.WriteSetting(*FindSetting("tiqian"), "9"); }, false, "tiqian"},
        {"set tishi", [](TaskStore& s, Settings&) { s.WriteSetting(*FindSetting("tishi"), "9"); }, false, "tishi"},
        {"更多设置 tiqian",
         [](TaskStore& s, Settings& c) { s.WriteExtraSetting(c, *FindExtraSetting("tiqian"), 9); }, false, "tiqian"},
    };
    const struct {
        const char* policy;
        std::int32_t value;
    } policies[] = {{"suoding", 1}, {"suoding", 0}, {"tiqian", 3}, {"changkai", 1}, {"butui", 1}, {"", 0}};
    for (const auto& p : policies) {
        for (const auto& w : writers) {
            SCOPED_TRACE(std::string(p.policy) + " " + std::to_string(p.value) + ": " + w.what);
            Clean();
            Settings settings;
            store_->StartupLoad(settings);
            store_->AppendRecord(settings, first);
            if (*p.policy) Plant(kPolicyKey, p.policy, Num(p.value));
            const auto before = Snapshot();
            const bool refused = w.task ? std::string(p.policy) == "suoding" && p.value == 1
                                        : std::string(p.policy) == w.setting;
            std::string message;
            try {
                w.op(*store_, settings);
            } catch (const PolicyRefused& e) {
                message = e.what();
            }
            EXPECT_EQ(!message.empty(), refused) << message;
            if (!refused) continue;
            EXPECT_NE(message.find(p.policy), std::string::npos) << message;
            EXPECT_EQ(Snapshot(), before);
        }
    }
}

// The machine's own account (a startup script of Group Policy) writes the
// task list under the policy that keeps users from it.
TEST_P(PolicyTest, TheMachineAccountChangesTasksUnderTheNoChangesPolicy) {
    Plant(kPolicyKey, "suoding", Num(1));
    Settings settings;
    store_->StartupLoad(settings);
    EXPECT_TRUE(settings.policies.noTaskChanges);
    store_->set_task_policy_exempt(true);
    const TaskRecord task{"每天1时0分", kActionNames[kActShutDown], "", kEnabledText};
    store_->ReplaceTasks(settings, {task, task});
    EXPECT_EQ(settings.taskCount, 2);
    store_->set_task_policy_exempt(false);
    EXPECT_THROW(store_->Delete(settings, 1), PolicyRefused);
    EXPECT_EQ(settings.taskCount, 2);
}

INSTANTIATE_TEST_SUITE_P(Registries, PolicyTest, ::testing::ValuesIn(AllBackends()),
                         [](const ::testing::TestParamInfo<PolicyTest::ParamType>& info) {
                             return info.param.first;
                         });

}  // namespace
}  // namespace vantrel
