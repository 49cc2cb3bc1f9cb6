// A registry seen through a window that only reads: every write raises the
// registry's own "Failed to set data" error and nothing is created. Lets a
// reader (vantrelctl list, a file to import) use the store's start-up load
// for its recovery of the task count without writing the defaults it would
// write at the program's start.
#pragma once

#include "registry/registry.h"

namespace vantrel {

class ReadOnlyRegistry : public Registry {
public:
    explicit ReadOnlyRegistry(Registry& inner) : inner_(inner) {}

    bool OpenKey(const std::string& path, bool) override { return inner_.OpenKey(path, false); }
    void CloseKey() override { inner_.CloseKey(); }
    bool ValueExists(const std::string& name) override { return inner_.ValueExists(name); }
    ValueType TypeOf(const std::string& name) override { return inner_.TypeOf(name); }
    std::string ReadString(const std::string& name) override { return inner_.ReadString(name); }
    void WriteString(const std::string& name, const std::string&) override { throw FailedToSetData(name); }
    std::int32_t ReadInteger(const std::string& name) override { return inner_.ReadInteger(name); }
    void WriteInteger(const std::string& name, std::int32_t) override { throw FailedToSetData(name); }
    bool DeleteValue(const std::string&) override { return false; }
    std::uint32_t ValueCount() override { return inner_.ValueCount(); }
    std::vector<std::string> ValueNames() override { return inner_.ValueNames(); }

private:
    Registry& inner_;
};

}  // namespace vantrel
