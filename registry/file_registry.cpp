#include "registry/file_registry.h"

#include <cstring>

#include "text/gbk_text.h"

namespace vantrel {

ValueType ValueTypeOf(std::uint32_t rawType) {
    switch (rawType) {
        case kRegSz: return ValueType::String;
        case kRegExpandSz: return ValueType::ExpandString;
        case kRegDword: return ValueType::DWord;
        case kRegBinary: return ValueType::Binary;
        case kRegMultiSz: return ValueType::MultiString;
        case kRegQword: return ValueType::QWord;
        default: return ValueType::Other;
    }
}

bool FileRegistry::OpenKey(const std::string& path, bool create) {
    CloseKey();
    // The store opens its key for every operation: the key found last time
    // is tried first, so a file of many keys is not searched each time.
    if (foundKey_ >= 0 && static_cast<std::size_t>(foundKey_) < file_.keys.size() && foundPath_ == path &&
        SameProgramKey(file_.keys[static_cast<std::size_t>(foundKey_)].path, path)) {
        open_ = foundKey_;
        Reindex();
        return true;
    }
    for (std::size_t i = 0; i < file_.keys.size(); ++i) {
        if (SameProgramKey(file_.keys[i].path, path)) {
            open_ = foundKey_ = static_cast<long>(i);
            foundPath_ = path;
            Reindex();
            return true;
        }
    }
    if (!create) return false;
    file_.keys.push_back(RegFileKey{RegFileKeyPath(path, wow64_), {}});
    open_ = static_cast<long>(file_.keys.size() - 1);
    Reindex();
    changed_ = true;
    return true;
}

void FileRegistry::CloseKey() { open_ = -1; }

void FileRegistry::Reindex() {
    if (open_ < 0) return;
    const auto& values = file_.keys[static_cast<std::size_t>(open_)].values;
    if (indexedKey_ == open_ && indexedData_ == values.data() && indexedCount_ == values.size()) return;
    index_.clear();
    indexedKey_ = open_;
    indexedData_ = values.data();
    indexedCount_ = values.size();
    // The first of two equal names wins, as a lookup from the start would.
    for (std::size_t i = values.size(); i-- > 0;) index_[AsciiUpper(values[i].name)] = i;
}

RegFileValue* FileRegistry::Find(const std::string& name) {
    if (open_ < 0) return nullptr;
    Reindex();
    auto it = index_.find(AsciiUpper(name));
    return it == index_.end() ? nullptr : &file_.keys[static_cast<std::size_t>(open_)].values[it->second];
}

bool FileRegistry::ValueExists(const std::string& name) { return Find(name) != nullptr; }

ValueType FileRegistry::TypeOf(const std::string& name) {
    const RegFileValue* v = Find(name);
    return v ? ValueTypeOf(v->type) : ValueType::None;
}

std::string FileRegistry::ReadString(const std::string& name) {
    const RegFileValue* v = Find(name);
    if (!v) return std::string();
    if (v->type != kRegSz && v->type != kRegExpandSz) throw InvalidDataType(name);
    return v->data.substr(0, v->data.find('\0'));
}

void FileRegistry::Set(const std::string& name, std::uint32_t type, std::string data) {
    if (open_ < 0) throw FailedToSetData(name);
    changed_ = true;
    if (RegFileValue* v = Find(name)) {
        v->type = type;
        v->data = std::move(data);
        return;
    }
    auto& values = file_.keys[static_cast<std::size_t>(open_)].values;
    values.push_back(RegFileValue{name, type, std::move(data)});
    if (indexedData_ == values.data() && indexedCount_ + 1 == values.size()) {
        index_[AsciiUpper(name)] = values.size() - 1;
        indexedCount_ = values.size();
    } else {
        Reindex();
    }
}

void FileRegistry::WriteString(const std::string& name, const std::string& value) {
    Set(name, kRegSz, value.substr(0, value.find('\0')));
}

std::int32_t FileRegistry::ReadInteger(const std::string& name) {
    const RegFileValue* v = Find(name);
    if (!v) throw FailedToGetData(name);
    if (v->type != kRegDword || v->data.size() != 4) throw InvalidDataType(name);
    return static_cast<std::int32_t>(DwordOf(v->data));
}

void FileRegistry::WriteInteger(const std::string& name, std::int32_t value) {
    Set(name, kRegDword, DwordBytes(static_cast<std::uint32_t>(value)));
}

bool FileRegistry::DeleteValue(const std::string& name) {
    if (open_ < 0) return false;
    auto& values = file_.keys[static_cast<std::size_t>(open_)].values;
    const std::string wanted = AsciiUpper(name);
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (AsciiUpper(it->name) == wanted) {
            values.erase(it);
            indexedKey_ = -1;
            Reindex();
            changed_ = true;
            return true;
        }
    }
    return false;
}

std::uint32_t FileRegistry::ValueCount() {
    return open_ < 0 ? 0 : static_cast<std::uint32_t>(file_.keys[static_cast<std::size_t>(open_)].values.size());
}

std::vector<std::string> FileRegistry::ValueNames() {
    std::vector<std::string> names;
    if (open_ < 0) return names;
    for (const RegFileValue& v : file_.keys[static_cast<std::size_t>(open_)].values) names.push_back(v.name);
    return names;
}

}  // namespace vantrel
