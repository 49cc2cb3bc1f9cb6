#include "registry/memory_registry.h"

#include <cstring>

#include "text/gbk_text.h"

namespace vantrel {

std::string MemoryRegistry::Normalize(const std::string& path) {
    std::string p = path;
    while (!p.empty() && p.front() == '\\') p.erase(p.begin());
    while (!p.empty() && p.back() == '\\') p.pop_back();
    return AsciiUpper(p);
}

bool MemoryRegistry::OpenKey(const std::string& path, bool create) {
    CloseKey();
    ++opens_;
    std::string key = Normalize(path);
    if (keys_.find(key) == keys_.end()) {
        if (!create || readOnly_) return false;
        keys_[key];
    }
    current_ = key;
    open_ = true;
    return true;
}

void MemoryRegistry::CloseKey() {
    if (open_) ++closes_;
    open_ = false;
    current_.clear();
}

const StoredValue* MemoryRegistry::Find(const std::string& name) const {
    if (!open_) return nullptr;
    auto key = keys_.find(current_);
    if (key == keys_.end()) return nullptr;
    auto value = key->second.find(AsciiUpper(name));
    return value == key->second.end() ? nullptr : &value->second;
}

bool MemoryRegistry::ValueExists(const std::string& name) { return Find(name) != nullptr; }

ValueType MemoryRegistry::TypeOf(const std::string& name) {
    const StoredValue* v = Find(name);
    return v ? v->type : ValueType::None;
}

std::string MemoryRegistry::ReadString(const std::string& name) {
    ++reads_;
    const StoredValue* v = Find(name);
    if (!v) return std::string();
    if (v->type != ValueType::String && v->type != ValueType::ExpandString) throw InvalidDataType(name);
    return v->bytes.substr(0, v->bytes.find('\0'));
}

void MemoryRegistry::WriteString(const std::string& name, const std::string& value) {
    if (!open_ || readOnly_) throw FailedToSetData(name);
    StoredValue& v = keys_[current_][AsciiUpper(name)];
    if (v.name.empty()) v.name = name;
    v.type = ValueType::String;
    v.bytes = value.substr(0, value.find('\0'));
}

std::int32_t MemoryRegistry::ReadInteger(const std::string& name) {
    ++reads_;
    const StoredValue* v = Find(name);
    if (!v) throw FailedToGetData(name);
    if (v->type != ValueType::DWord || v->bytes.size() != 4) throw InvalidDataType(name);
    std::int32_t result;
    std::memcpy(&result, v->bytes.data(), 4);
    return result;
}

void MemoryRegistry::WriteInteger(const std::string& name, std::int32_t value) {
    if (!open_ || readOnly_) throw FailedToSetData(name);
    StoredValue& v = keys_[current_][AsciiUpper(name)];
    if (v.name.empty()) v.name = name;
    v.type = ValueType::DWord;
    v.bytes.assign(reinterpret_cast<const char*>(&value), 4);
}

bool MemoryRegistry::DeleteValue(const std::string& name) {
    if (!open_ || readOnly_) return false;
    return keys_[current_].erase(AsciiUpper(name)) > 0;
}

std::uint32_t MemoryRegistry::ValueCount() {
    if (!open_) return 0;
    return static_cast<std::uint32_t>(keys_[current_].size());
}

std::vector<std::string> MemoryRegistry::ValueNames() {
    return open_ ? ValueNamesOf(current_) : std::vector<std::string>();
}

void MemoryRegistry::SetRaw(const std::string& path, const std::string& name, StoredValue value) {
    value.name = name;
    keys_[Normalize(path)][AsciiUpper(name)] = std::move(value);
}

bool MemoryRegistry::KeyExists(const std::string& path) const {
    return keys_.count(Normalize(path)) > 0;
}

std::vector<std::string> MemoryRegistry::ValueNamesOf(const std::string& path) const {
    std::vector<std::string> names;
    auto key = keys_.find(Normalize(path));
    if (key != keys_.end())
        for (const auto& entry : key->second) names.push_back(entry.second.name);
    return names;
}

void MemoryRegistry::DeleteKey(const std::string& path) {
    keys_.erase(Normalize(path));
    if (current_ == Normalize(path)) CloseKey();
}

}  // namespace vantrel
