// The store's contract, run against every registry of the build: the
// in-memory one, and on Windows the real registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "store/extra_settings.h"
#include "store/task_store.h"
#include "tests/registry_fixture.h"

namespace vantrel {
namespace {

using testing::AllBackends;
using testing::BackendFactory;
using testing::RegistryBackend;

const char kTestKey[] = "\\Software\\Brelnix\\VantrelContractTest";
const char kTestRunKey[] = "\\Software\\Brelnix\\VantrelContractTestRun";
const char kTestRunValue[] = "VantrelContractTest";
const char kProgramPath[] = "C:\\Program Files\\Vantrel\\Vantrel.exe";

std::string Dword(std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

class StoreContract : public ::testing::TestWithParam<std::pair<std::string, BackendFactory>> {
protected:
    void SetUp() override {
        backend_ = GetParam().second();
        backend_->DeleteKey(kTestKey);
        backend_->DeleteKey(kTestRunKey);
        store_.reset(new TaskStore(reg(), kTestKey, kTestRunKey, kTestRunValue));
        // No policy of the machine's reaches the contract.
        store_->UsePolicyKey(std::string(kTestKey) + "\\Policy");
    }
    void TearDown() override {
        store_.reset();
        reg().CloseKey();
        backend_->DeleteKey(kTestKey);
        backend_->DeleteKey(kTestRunKey);
    }
    Registry& reg() { return backend_->registry(); }

    std::set<std::string> Names() {
        OpenedKey key(reg(), kTestKey, false);
        auto names = reg().ValueNames();
        return std::set<std::string>(names.begin(), names.end());
    }
    std::string Str(const std::string& name) {
        OpenedKey key(reg(), kTestKey, false);
        return reg().ReadString(name);
    }
    std::int32_t Int(const std::string& name) {
        OpenedKey key(reg(), kTestKey, false);
        return reg().ReadInteger(name);
    }
    bool Exists(const std::string& name) {
        OpenedKey key(reg(), kTestKey, false);
        return reg().ValueExists(name);
    }
    void AppendAll(Settings& s, int count) {
        for (int i = 1; i <= count; ++i)
            store_->Append(s, "每天" + std::to_string(i) + "时0分", kActionNames[i % kActionCount],
                           "param" + std::to_string(i));
    }
    std::string ErrorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const RegistryError& e) {
            return e.what();
        }
        return "(no error)";
    }

    std::unique_ptr<RegistryBackend> backend_;
    std::unique_ptr<TaskStore> store_;
};

TEST_P(StoreContract, FirstStartCreatesTheKeyWithExactlyTheSixDefaults) {
    ASSERT_FALSE(backend_->KeyExists(kTestKey));
    Settings s;
    StartupResult r = store_->StartupLoad(s);
    EXPECT_TRUE(r.errors.empty());
    EXPECT_FALSE(r.greeting);
    EXPECT_TRUE(backend_->KeyExists(kTestKey));
    EXPECT_EQ(Names(), (std::set<std::string>{"shutapp", "soundpath", "tishi", "TaskNum", "kaiji",
                                              "rejian"}));
    EXPECT_EQ(Int("shutapp"), 0);
    EXPECT_EQ(Str("soundpath"), "");
    EXPECT_EQ(reg().TypeOf("soundpath"), ValueType::None);  // key closed again
    EXPECT_EQ(Int("tishi"), 60);
    EXPECT_EQ(Int("TaskNum"), 0);
    EXPECT_EQ(Int("kaiji"), 0);
    EXPECT_EQ(Int("rejian"), 0);
    EXPECT_EQ(s.countdownLength, 60);
    EXPECT_EQ(s.taskCount, 0);
}

TEST_P(StoreContract, LaterStartReadsWhatExistsAndWritesOnlyWhatIsMissing) {
    backend_->PlantRaw(kTestKey, "tishi", testing::kRawDword, Dword(30));
    backend_->PlantRaw(kTestKey, "soundpath", testing::kRawSz, std::string("C:\\响.wav") + '\0');
    backend_->PlantRaw(kTestKey, "TaskNum", testing::kRawDword, Dword(3));
    backend_->PlantRaw(kTestKey, "kaiji", testing::kRawDword, Dword(1));
    backend_->PlantRaw(kTestKey, "rejian", testing::kRawDword, Dword(5));
    Settings s;
    StartupResult r = store_->StartupLoad(s);
    EXPECT_TRUE(r.errors.empty());
    EXPECT_TRUE(r.greeting);
    EXPECT_EQ(s.countdownLength, 30);
    EXPECT_EQ(s.soundPath, "C:\\响.wav");
    EXPECT_EQ(s.taskCount, 3);
    EXPECT_EQ(s.ctrlFlag, 5);
    EXPECT_EQ(s.closeAll, 0);
    EXPECT_EQ(Int("shutapp"), 0);  // the one missing value, now written
    EXPECT_EQ(Int("tishi"), 30);
    EXPECT_EQ(Int("kaiji"), 1);
    EXPECT_EQ(Names().size(), 6u);
}

TEST_P(StoreContract, GreetingAsksForExactlyOne) {
    backend_->PlantRaw(kTestKey, "kaiji", testing::kRawDword, Dword(2));
    Settings s;
    EXPECT_FALSE(store_->StartupLoad(s).greeting);
}

TEST_P(StoreContract, WrongTypeSettingAtStartupIsReportedOnceAndKeepsItsDefault) {
    backend_->PlantRaw(kTestKey, "tishi", testing::kRawSz, std::string("90") + '\0');
    backend_->PlantRaw(kTestKey, "rejian", testing::kRawDword, Dword(1));
    Settings s;
    StartupResult r = store_->StartupLoad(s);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0], "Invalid data type for 'tishi'");
    EXPECT_EQ(s.countdownLength, 60);
    EXPECT_EQ(s.ctrlFlag, 1);  // start-up went on past the bad value
    EXPECT_EQ(Str("tishi"), "90");  // left as stored
}

TEST_P(StoreContract, AppendWritesAnEnabledRecordAndRaisesTheCount) {
    Settings s;
    store_->StartupLoad(s);
    EXPECT_EQ(store_->Append(s, "每天17时30分", "提醒", "下班时间到。"), 1);
    EXPECT_EQ(store_->Append(s, "空闲30分钟", "休眠计算机", "第2天7时30分唤醒"), 2);
    EXPECT_EQ(s.taskCount, 2);
    EXPECT_EQ(Int("TaskNum"), 2);
    EXPECT_EQ(store_->ReadRecord(1), (TaskRecord{"每天17时30分", "提醒", "下班时间到。", "启用"}));
    EXPECT_EQ(store_->ReadRecord(2),
              (TaskRecord{"空闲30分钟", "休眠计算机", "第2天7时30分唤醒", "启用"}));
    EXPECT_EQ(store_->ReadRecord(3), TaskRecord{});  // missing values read empty
}

TEST_P(StoreContract, RewriteKeepsTheEnabledStateAndTheCount) {
    Settings s;
    store_->StartupLoad(s);
    AppendAll(s, 3);
    store_->SetEnabled(2, false);
    EXPECT_EQ(store_->Rewrite(2, "每周5日17时30分", "关闭计算机", ""), "禁用");
    EXPECT_EQ(store_->ReadRecord(2), (TaskRecord{"每周5日17时30分", "关闭计算机", "", "禁用"}));
    EXPECT_EQ(Int("TaskNum"), 3);

    {
        OpenedKey key(reg(), kTestKey);
        reg().DeleteValue("D3");
    }
    EXPECT_EQ(store_->Rewrite(3, "每天1时1分", "提醒", "x"), "启用");
    EXPECT_EQ(Str("D3"), "启用");
}

TEST_P(StoreContract, DeleteMovesLaterRecordsDownAndRemovesTheLastNumber) {
    Settings s;
    store_->StartupLoad(s);
    AppendAll(s, 4);
    TaskRecord r1 = store_->ReadRecord(1), r3 = store_->ReadRecord(3), r4 = store_->ReadRecord(4);
    store_->SetEnabled(4, false);
    r4.enabled = "禁用";
    ASSERT_TRUE(store_->Delete(s, 2));
    EXPECT_EQ(s.taskCount, 3);
    EXPECT_EQ(Int("TaskNum"), 3);
    EXPECT_EQ(store_->ReadRecord(1), r1);
    EXPECT_EQ(store_->ReadRecord(2), r3);
    EXPECT_EQ(store_->ReadRecord(3), r4);
    for (const char* name : {"A4", "B4", "C4", "D4"}) EXPECT_FALSE(Exists(name)) << name;
}

TEST_P(StoreContract, DeleteCopiesAMissingValueAsAnEmptyText) {
    Settings s;
    store_->StartupLoad(s);
    AppendAll(s, 3);
    {
        OpenedKey key(reg(), kTestKey);
        reg().DeleteValue("C3");
    }
    ASSERT_TRUE(store_->Delete(s, 1));
    EXPECT_TRUE(Exists("C2"));
    EXPECT_EQ(Str("C2"), "");
    EXPECT_FALSE(Exists("A3"));
}

TEST_P(StoreContract, DeleteThatCannotReadAValueChangesNothing) {
    Settings s;
    store_->StartupLoad(s);
    AppendAll(s, 4);
    backend_->PlantRaw(kTestKey, "C3", testing::kRawDword, Dword(1));
    const std::set<std::string> names = Names();
    std::vector<TaskRecord> before;
    for (int n : {1, 2, 4}) before.push_back(store_->ReadRecord(n));
    EXPECT_EQ(ErrorOf([&] { store_->Delete(s, 1); }), "Invalid data type for 'C3'");
    EXPECT_EQ(s.taskCount, 4);
    EXPECT_EQ(Int("TaskNum"), 4);
    EXPECT_EQ(Names(), names);
    std::vector<TaskRecord> after;
    for (int n : {1, 2, 4}) after.push_back(store_->ReadRecord(n));
    EXPECT_EQ(after, before);
    EXPECT_EQ(reg().TypeOf("C3"), ValueType::None);  // key closed again
}

TEST_P(StoreContract, DeletingTheOnlyRecordLeavesNoTaskValues) {
    Settings s;
    store_->StartupLoad(s);
    AppendAll(s, 1);
    ASSERT_TRUE(store_->Delete(s, 1));
    EXPECT_EQ(s.taskCount, 0);
    EXPECT_EQ(Int("TaskNum"), 0);
    EXPECT_EQ(Names().size(), 6u);
}

TEST_P(StoreContract, DeleteOutsideTheRecordsDoesNothing) {
    Settings s;
    store_->StartupLoad(s);
    AppendAll(s, 2);
    EXPECT_FALSE(store_->Delete(s, 0));
    EXPECT_FALSE(store_->Delete(s, 3));
    EXPECT_EQ(Int("TaskNum"), 2);
    EXPECT_EQ(s.taskCount, 2);
}

TEST_P(StoreContract, ReadErrorsCarryTheExactTexts) {
    backend_->PlantRaw(kTestKey, "A1", testing::kRawDword, Dword(7));
    backend_->PlantRaw(kTestKey, "TaskNum", testing::kRawSz, std::string("1") + '\0');
    EXPECT_EQ(ErrorOf([&] { store_->ReadRecord(1); }), "Invalid data type for 'A1'");
    EXPECT_EQ(ErrorOf([&] { Int("TaskNum"); }), "Invalid data type for 'TaskNum'");
    EXPECT_EQ(ErrorOf([&] { Int("nothing"); }), "Failed to get data for 'nothing'");
    for (auto type : {testing::kRawBinary, testing::kRawMultiSz, testing::kRawQword}) {
        backend_->PlantRaw(kTestKey, "B1", type, std::string(8, '\x01'));
        EXPECT_EQ(ErrorOf([&] { store_->ReadRecord(1); }), "Invalid data type for 'A1'");
        EXPECT_EQ(ErrorOf([&] { Str("B1"); }), "Invalid data type for 'B1'") << type;
    }
}

TEST_P(StoreContract, StringsReadWholeCutAtTheFirstNul) {
    std::string big(100 * 1024, 'x');
    big[0] = '\xC3';  // a GBK text, byte for byte
    big[1] = '\xBF';
    backend_->PlantRaw(kTestKey, "A1", testing::kRawSz, big + '\0');
    backend_->PlantRaw(kTestKey, "B1", testing::kRawSz, std::string("提醒\0tail\0", 10));
    backend_->PlantRaw(kTestKey, "C1", testing::kRawExpandSz, std::string("%TEMP%\\a") + '\0');
    backend_->PlantRaw(kTestKey, "D1", testing::kRawSz, "启用");  // no terminating NUL
    TaskRecord r = store_->ReadRecord(1);
    EXPECT_EQ(r.schedule, big);
    EXPECT_EQ(r.action, "提醒");
    EXPECT_EQ(r.parameter, "%TEMP%\\a");  // taken as stored, not expanded
    EXPECT_EQ(r.enabled, "启用");
}

TEST_P(StoreContract, SettingsLoadListsRecordsWithAScheduleText) {
    Settings s;
    store_->StartupLoad(s);
    AppendAll(s, 3);
    store_->Rewrite(2, "", "提醒", "");
    SettingsView v = store_->LoadSettings(s, kProgramPath);
    ASSERT_EQ(v.tasks.size(), 2u);
    EXPECT_EQ(v.tasks[0].number, 1);
    EXPECT_EQ(v.tasks[1].number, 3);
    EXPECT_EQ(v.tasks[1].record, store_->ReadRecord(3));
    EXPECT_EQ(v.countdownSeconds, 60);
    EXPECT_FALSE(v.runAtLogon);
}

TEST_P(StoreContract, SettingsSaveWritesTheOptionsAndTheRunEntry) {
    Settings s;
    store_->StartupLoad(s);
    SettingsChoice c;
    c.countdownSeconds = 90;
    c.greeting = true;
    c.closeAll = true;
    c.ctrlHotkeys = true;
    c.runAtLogon = true;
    c.soundPath = "";  // unchanged: the stored value is not written
    {
        OpenedKey key(reg(), kTestKey);
        reg().DeleteValue("soundpath");
    }
    store_->SaveSettings(s, c, kProgramPath);
    EXPECT_EQ(s.countdownLength, 90);
    EXPECT_EQ(s.closeAll, 1);
    EXPECT_EQ(s.ctrlFlag, 1);
    EXPECT_EQ(Int("tishi"), 90);
    EXPECT_EQ(Int("kaiji"), 1);
    EXPECT_EQ(Int("shutapp"), 1);
    EXPECT_EQ(Int("rejian"), 1);
    EXPECT_FALSE(Exists("soundpath"));
    SettingsView v = store_->LoadSettings(s, kProgramPath);
    EXPECT_TRUE(v.runAtLogon);
    EXPECT_TRUE(v.greeting);
    EXPECT_TRUE(store_->LoadSettings(s, "c:\\program files\\vantrel\\vantrel.exe").runAtLogon);  // any case

    c.soundPath = "D:\\ding.wav";
    c.runAtLogon = false;
    store_->SaveSettings(s, c, kProgramPath);
    EXPECT_EQ(Str("soundpath"), "D:\\ding.wav");
    EXPECT_EQ(s.soundPath, "D:\\ding.wav");
    {
        OpenedKey key(reg(), kTestRunKey, false);
        EXPECT_FALSE(reg().ValueExists(kTestRunValue));
    }
}

TEST_P(StoreContract, ACorruptCountStopsAtTheHighestStoredRecord) {
    Settings s;
    store_->StartupLoad(s);
    AppendAll(s, 3);
    s.taskCount = 2147483647;
    {
        OpenedKey key(reg(), kTestKey);
        reg().WriteInteger("TaskNum", s.taskCount);
        EXPECT_EQ(LastRecordToScan(reg(), s.taskCount), 3);
        EXPECT_EQ(LastRecordToScan(reg(), 2), 2);
        EXPECT_EQ(LastRecordToScan(reg(), -1), 0);
    }
    EXPECT_EQ(store_->LoadSettings(s, kProgramPath).tasks.size(), 3u);
    TaskRecord r3 = store_->ReadRecord(3);
    ASSERT_TRUE(store_->Delete(s, 2));  // finishes at once
    EXPECT_EQ(store_->ReadRecord(2), r3);
    // The count the delete took is the one recovered from the records.
    EXPECT_EQ(s.taskCount, 2);
    EXPECT_EQ(Int("TaskNum"), 2);
}

// The later settings: a missing one is its default and start-up writes
// nothing for it (older copies see the key as before); one stored is read,
// one out of range is its default, one of another type is reported.
TEST_P(StoreContract, LaterSettingsReadTheirDefaultsAndWriteNothingMissing) {
    const ExtraSetting& warn = *FindExtraSetting("tiqian");
    Settings s;
    s.warnMinutes = -1;
    store_->StartupLoad(s);
    EXPECT_FALSE(Exists("tiqian"));
    EXPECT_EQ(store_->ReadExtraSetting(warn), 5);
    store_->WriteExtraSetting(s, warn, 10);
    EXPECT_EQ(s.warnMinutes, 10);
    Settings again;
    store_->StartupLoad(again);
    EXPECT_EQ(again.warnMinutes, 10);
    {
        OpenedKey key(reg(), kTestKey);
        reg().WriteInteger("tiqian", 99999);
    }
    EXPECT_EQ(store_->ReadExtraSetting(warn), 5);
    {
        OpenedKey key(reg(), kTestKey);
        reg().WriteString("tiqian", "10");
    }
    Settings typed;
    EXPECT_EQ(store_->StartupLoad(typed).errors.size(), 1u);
    EXPECT_EQ(typed.warnMinutes, 5);
}

INSTANTIATE_TEST_SUITE_P(Registries, StoreContract, ::testing::ValuesIn(AllBackends()),
                         [](const ::testing::TestParamInfo<StoreContract::ParamType>& info) {
                             return info.param.first;
                         });

}  // namespace
}  // namespace vantrel
