// An in-memory registry for tests and tools: keys are paths, values keep
// their type, so wrong-type and missing-value errors behave as on Windows.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "registry/registry.h"

namespace vantrel {

struct StoredValue {
    ValueType type = ValueType::None;
    std::string name;   // as first written; lookups ignore ASCII case, as Windows does
    std::string bytes;  // strings without their terminating NUL, integers as 4 bytes
};

class MemoryRegistry : public Registry {
public:
    bool OpenKey(const std::string& path, bool create) override;
    void CloseKey() override;
    bool ValueExists(const std::string& name) override;
    ValueType TypeOf(const std::string& name) override;
    std::string ReadString(const std::string& name) override;
    void WriteString(const std::string& name, const std::string& value) override;
    std::int32_t ReadInteger(const std::string& name) override;
    void WriteInteger(const std::string& name, std::int32_t value) override;
    bool DeleteValue(const std::string& name) override;
    std::uint32_t ValueCount() override;
    std::vector<std::string> ValueNames() override;

    // Test hooks: plant a raw value, inspect a key, refuse writes.
    void SetRaw(const std::string& path, const std::string& name, StoredValue value);
    bool KeyExists(const std::string& path) const;
    std::vector<std::string> ValueNamesOf(const std::string& path) const;
    void DeleteKey(const std::string& path);
    void set_read_only(bool ro) { readOnly_ = ro; }
    int opens() const { return opens_; }
    int closes() const { return closes_; }
    int reads() const { return reads_; }

private:
    using Key = std::map<std::string, StoredValue>;
    static std::string Normalize(const std::string& path);
    const StoredValue* Find(const std::string& name) const;

    std::map<std::string, Key> keys_;  // by normalized, upper-cased path
    std::string current_;
    bool open_ = false;
    bool readOnly_ = false;
    int opens_ = 0;
    int closes_ = 0;
    int reads_ = 0;
};

}  // namespace vantrel
