#include <gtest/gtest.h>

#include <functional>

#include "store/counting_registry.h"
#include "store/memory_registry.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelCount";

// Each call lands in its own count, once, and reaches the registry beneath;
// a read that raises (wrong type, missing integer) is counted all the same.
TEST(CountingRegistry, CountsEachCallInItsKindAndHandsItOn) {
    using Field = std::uint64_t RegistryCalls::*;
    const struct {
        const char* what;
        std::function<void(Registry&)> call;
        Field counted;
        std::uint64_t listed;  // names handed back
    } cases[] = {
        {"open", [](Registry& r) { r.OpenKey(kKey, false); }, &RegistryCalls::opens, 0},
        {"close", [](Registry& r) { r.CloseKey(); }, &RegistryCalls::closes, 0},
        {"exists", [](Registry& r) { EXPECT_TRUE(r.ValueExists("A1")); }, &RegistryCalls::reads, 0},
        {"type", [](Registry& r) { EXPECT_EQ(r.TypeOf("TaskNum"), ValueType::DWord); }, &RegistryCalls::reads, 0},
        {"text", [](Registry& r) { EXPECT_EQ(r.ReadString("A1"), "x"); }, &RegistryCalls::reads, 0},
        {"wrong type", [](Registry& r) { EXPECT_THROW(r.ReadString("TaskNum"), RegistryError); },
         &RegistryCalls::reads, 0},
        {"integer", [](Registry& r) { EXPECT_EQ(r.ReadInteger("TaskNum"), 1); }, &RegistryCalls::reads, 0},
        {"missing integer", [](Registry& r) { EXPECT_THROW(r.ReadInteger("B9"), RegistryError); },
         &RegistryCalls::reads, 0},
        {"count", [](Registry& r) { EXPECT_EQ(r.ValueCount(), 2u); }, &RegistryCalls::enumerations, 0},
        {"names", [](Registry& r) { EXPECT_EQ(r.ValueNames().size(), 2u); }, &RegistryCalls::enumerations, 2},
        {"write text", [](Registry& r) { r.WriteString("B1", "y"); }, &RegistryCalls::writes, 0},
        {"write integer", [](Registry& r) { r.WriteInteger("TaskNum", 2); }, &RegistryCalls::writes, 0},
        {"delete", [](Registry& r) { EXPECT_TRUE(r.DeleteValue("A1")); }, &RegistryCalls::writes, 0},
    };
    const Field all[] = {&RegistryCalls::opens,        &RegistryCalls::closes,
                         &RegistryCalls::reads,        &RegistryCalls::enumerations,
                         &RegistryCalls::namesListed,  &RegistryCalls::writes};
    for (const auto& c : cases) {
        MemoryRegistry inner;
        inner.OpenKey(kKey, true);
        inner.WriteString("A1", "x");
        inner.WriteInteger("TaskNum", 1);
        CountingRegistry reg(inner);
        c.call(reg);
        for (Field f : all) {
            std::uint64_t expected = f == c.counted ? 1 : f == &RegistryCalls::namesListed ? c.listed : 0;
            EXPECT_EQ(reg.calls().*f, expected) << c.what;
        }
    }
    // Writes reach the registry beneath.
    MemoryRegistry inner;
    CountingRegistry reg(inner);
    reg.OpenKey(kKey, true);
    reg.WriteString("C1", "z");
    EXPECT_EQ(inner.ReadString("C1"), "z");
    reg.Reset();
    EXPECT_EQ(reg.calls().opens + reg.calls().writes, 0u);
}

}  // namespace
}  // namespace vantrel
