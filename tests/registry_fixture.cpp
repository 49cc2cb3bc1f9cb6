#include "tests/registry_fixture.h"

#include "store/memory_registry.h"

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

}  // namespace

#ifdef _WIN32
std::unique_ptr<RegistryBackend> MakeWinBackend();
#endif

std::vector<std::pair<std::string, BackendFactory>> AllBackends() {
    std::vector<std::pair<std::string, BackendFactory>> all;
    all.emplace_back("Memory", [] { return std::unique_ptr<RegistryBackend>(new MemoryBackend); });
#ifdef _WIN32
    all.emplace_back("Win32", [] { return MakeWinBackend(); });
#endif
    return all;
}

}  // namespace testing
}  // namespace vantrel
