// The registry accessor over a parsed registry file, so that the task store
// works on a file exactly as on the registry (vantrelctl --file, and a file
// to import checked through the same reads). Paths are below
// HKEY_LOCAL_MACHINE; a key of the file matches with or without Wow6432Node
// and in any letter case. Values keep their type, so wrong-type and
// missing-value errors read as on Windows.
#pragma once

#include <map>

#include "registry/reg_file.h"
#include "registry/registry.h"

namespace vantrel {

class FileRegistry : public Registry {
public:
    // Works on `file`, which outlives it. A key created here is named as a
    // 32-bit program sees it on this machine (`wow64`: under Wow6432Node).
    FileRegistry(RegFile& file, bool wow64) : file_(file), wow64_(wow64) {}

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

    // Whether a write changed the file since it was read.
    bool changed() const { return changed_; }

private:
    RegFileValue* Find(const std::string& name);
    void Set(const std::string& name, std::uint32_t type, std::string data);
    void Reindex();

    RegFile& file_;
    bool wow64_;
    long open_ = -1;  // index of the open key in file_.keys
    long foundKey_ = -1;  // the key last found by path, and that path
    std::string foundPath_;
    // The open key's values by upper-cased name: a task list of a thousand
    // records is four thousand values, too many to search one by one. Kept
    // while the key is closed and opened again (the store opens it for every
    // operation), and built afresh when the values were changed from outside.
    std::map<std::string, std::size_t> index_;
    long indexedKey_ = -1;
    const RegFileValue* indexedData_ = nullptr;
    std::size_t indexedCount_ = 0;
    bool changed_ = false;
};

ValueType ValueTypeOf(std::uint32_t rawType);

}  // namespace vantrel
