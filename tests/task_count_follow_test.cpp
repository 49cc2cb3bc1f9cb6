#include <gtest/gtest.h>

#include "registry/memory_registry.h"
#include "store/task_store.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\Vantrel";

StoredValue Dword(std::int32_t n) {
    StoredValue v;
    v.type = ValueType::DWord;
    v.bytes.assign(reinterpret_cast<const char*>(&n), 4);
    return v;
}

// The running program takes a count another writer stored (vantrelctl add
// or delete), and keeps its own copy where the stored one cannot be right.
TEST(FollowStoredTaskCount, TakesAPlausibleStoredCountAndKeepsTheCopyOtherwise) {
    StoredValue text;
    text.type = ValueType::String;
    text.bytes = "3";
    const struct {
        const char* what;
        bool present;
        StoredValue stored;
        std::int32_t expected;
    } cases[] = {
        {"grown", true, Dword(3), 3},
        {"shrunk", true, Dword(1), 1},
        {"emptied", true, Dword(0), 0},
        {"negative", true, Dword(-1), 2},
        {"more than the key holds", true, Dword(100), 2},
        {"text", true, text, 2},
        {"missing", false, StoredValue(), 2},
    };
    for (const auto& c : cases) {
        MemoryRegistry reg;
        reg.SetRaw(kKey, "tishi", Dword(60));
        for (int n = 1; n <= 3; ++n)
            for (const char* letter : {"A", "B", "C", "D"}) reg.SetRaw(kKey, letter + std::to_string(n), text);
        if (c.present) reg.SetRaw(kKey, "TaskNum", c.stored);
        Settings settings;
        settings.taskCount = 2;
        FollowStoredTaskCount(reg, kKey, settings);
        EXPECT_EQ(settings.taskCount, c.expected) << c.what;
    }
    MemoryRegistry none;
    Settings settings;
    settings.taskCount = 2;
    FollowStoredTaskCount(none, kKey, settings);
    EXPECT_EQ(settings.taskCount, 2);
    EXPECT_FALSE(none.KeyExists(kKey));  // reading creates nothing
}

// A settings window opened before vantrelctl added a task still holds the
// old count; its add goes after the new record instead of over it.
TEST(FollowStoredTaskCount, AnAddWithAStaleCopyNeverOverwritesAStoredRecord) {
    MemoryRegistry reg;
    TaskStore window(reg, kKey);
    Settings windowCopy;
    window.Append(windowCopy, "每天8时0分", "提醒", "window");
    Settings ctlCopy = windowCopy;
    TaskStore(reg, kKey).Append(ctlCopy, "每天9时0分", "提醒", "vantrelctl");
    EXPECT_EQ(window.Append(windowCopy, "每天10时0分", "提醒", "window again"), 3);
    EXPECT_EQ(window.ReadRecord(2).parameter, "vantrelctl");
    EXPECT_EQ(windowCopy.taskCount, 3);
}

}  // namespace
}  // namespace vantrel
