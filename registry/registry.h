// The registry accessor: one current open key below HKEY_LOCAL_MACHINE and
// typed reads and writes of its values. The Win32 registry and an in-memory
// registry both implement it, so the task store behaves the same natively
// and on Windows.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel {

// "Invalid data type for '%s'", "Failed to get data for '%s'",
// "Failed to set data for '%s'", "Failed to delete value '%s'": the message
// is the exact text the user sees.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

RegistryError InvalidDataType(const std::string& valueName);
RegistryError FailedToGetData(const std::string& valueName);
RegistryError FailedToSetData(const std::string& valueName);
RegistryError FailedToDelete(const std::string& valueName);

enum class ValueType { None, String, ExpandString, DWord, Binary, MultiString, QWord, Other };

class Registry {
public:
    virtual ~Registry() = default;

    // Opens `path` (below HKEY_LOCAL_MACHINE, with or without a leading "\"),
    // creating it when `create` is set, and closes the key open before.
    // Returns false when the key cannot be opened; reads then find nothing.
    virtual bool OpenKey(const std::string& path, bool create) = 0;
    virtual void CloseKey() = 0;

    virtual bool ValueExists(const std::string& name) = 0;
    virtual ValueType TypeOf(const std::string& name) = 0;  // None when missing

    // REG_SZ or REG_EXPAND_SZ (taken as stored), cut at the first NUL, of any
    // length; a missing value (or no open key) reads as the empty text; any
    // other type raises "Invalid data type".
    virtual std::string ReadString(const std::string& name) = 0;
    virtual void WriteString(const std::string& name, const std::string& value) = 0;

    // REG_DWORD; a missing value raises "Failed to get data", another type
    // "Invalid data type".
    virtual std::int32_t ReadInteger(const std::string& name) = 0;
    virtual void WriteInteger(const std::string& name, std::int32_t value) = 0;

    // Returns whether a value was deleted: false for a value that does not
    // exist, and for one the registry refused to delete (it is still there).
    virtual bool DeleteValue(const std::string& name) = 0;

    // Number of values of the open key, and their names (none when no key is open).
    virtual std::uint32_t ValueCount() = 0;
    virtual std::vector<std::string> ValueNames() = 0;

    // A second accessor on the same registry with an open key of its own,
    // so that two users (the tick, which may run messages in the middle of
    // its reads, and a window those messages open) never close or move each
    // other's key. nullptr when this registry has none to give; the caller
    // then shares this one.
    virtual std::unique_ptr<Registry> NewAccessor() { return nullptr; }
};

// Deletes a value of the open key; one the registry refuses to delete (it is
// still there afterwards) raises FailedToDelete. A missing value is no error.
void DeleteValueOrThrow(Registry& reg, const std::string& name);

// Opens a key on construction and closes it when the operation ends, also
// when it ends by an exception.
class OpenedKey {
public:
    OpenedKey(Registry& reg, const std::string& path, bool create = true)
        : reg_(reg), opened_(reg.OpenKey(path, create)) {}
    ~OpenedKey() { reg_.CloseKey(); }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    bool ok() const { return opened_; }

private:
    Registry& reg_;
    bool opened_;
};

}  // namespace vantrel
