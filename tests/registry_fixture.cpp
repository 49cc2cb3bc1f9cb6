#include "tests/registry_fixture.h"

#include "registry/file_registry.h"
#include "text/gbk_text.h"
#include "registry/memory_registry.h"

namespace vantrel {
namespace testing {

namespace {

ValueType FromRaw(RawType type) {
    switch (type) {
        case kRawSz: return ValueType::String;
        case kRawExpandSz: return ValueType::ExpandString;
        case kRawBinary: return ValueType::Binary;
        case kRawDword: return ValueType::DWord;
        case kRawMultiSz: return ValueType::MultiString;
        case kRawQword: return ValueType::QWord;
    }
    return ValueType::Other;
}

class MemoryBackend : public RegistryBackend {
public:
    std::string name() const override { return "Memory"; }
    Registry& registry() override { return reg_; }
    void DeleteKey(const std::string& path) override { reg_.DeleteKey(path); }
    bool KeyExists(const std::string& path) override { return reg_.KeyExists(path); }
    void PlantRaw(const std::string& path, const std::string& name, RawType type,
                  const std::string& bytes) override {
        StoredValue v;
        v.type = FromRaw(type);
        v.bytes = bytes;
        reg_.SetRaw(path, name, v);
    }

private:
    MemoryRegistry reg_;
};

// A registry file, as vantrelctl --file works on it: the same contract holds.
// Every value planted or read goes through the parsed file, and each planted
// value is written out and read back first, so the file format carries it.
class RegFileBackend : public RegistryBackend {
public:
    std::string name() const override { return "RegFile"; }
    Registry& registry() override { return reg_; }
    void DeleteKey(const std::string& path) override {
        for (auto it = file_.keys.begin(); it != file_.keys.end(); ++it) {
            if (SameProgramKey(it->path, path)) {
                file_.keys.erase(it);
                break;
            }
        }
        reg_.CloseKey();
    }
    bool KeyExists(const std::string& path) override {
        for (const RegFileKey& k : file_.keys)
            if (SameProgramKey(k.path, path)) return true;
        return false;
    }
    void PlantRaw(const std::string& path, const std::string& name, RawType type,
                  const std::string& bytes) override {
        RegFile one;
        std::string data = bytes;
        if (type == kRawSz || type == kRawExpandSz) data = data.substr(0, data.find('\0'));
        one.keys.push_back(RegFileKey{RegFileKeyPath(path, false), {RegFileValue{name, static_cast<std::uint32_t>(type), data}}});
        RegFileParse back = ParseRegFile(WriteRegFile(one));
        RegFileKey* key = nullptr;
        for (RegFileKey& k : file_.keys)
            if (SameProgramKey(k.path, path)) key = &k;
        if (!key) {
            file_.keys.push_back(RegFileKey{RegFileKeyPath(path, false), {}});
            key = &file_.keys.back();
        }
        for (RegFileValue& v : key->values) {
            if (AsciiUpper(v.name) == AsciiUpper(name)) {
                v = back.file.keys.at(0).values.at(0);
                return;
            }
        }
        key->values.push_back(back.file.keys.at(0).values.at(0));
    }

private:
    RegFile file_;
    FileRegistry reg_{file_, false};
};

}  // namespace

#ifdef _WIN32
std::unique_ptr<RegistryBackend> MakeWinBackend();
#endif

std::vector<std::pair<std::string, BackendFactory>> AllBackends() {
    std::vector<std::pair<std::string, BackendFactory>> all;
    all.emplace_back("Memory", [] { return std::unique_ptr<RegistryBackend>(new MemoryBackend); });
    all.emplace_back("RegFile", [] { return std::unique_ptr<RegistryBackend>(new RegFileBackend); });
#ifdef _WIN32
    all.emplace_back("Win32", [] { return MakeWinBackend(); });
#endif
    return all;
}

}  // namespace testing
}  // namespace vantrel
