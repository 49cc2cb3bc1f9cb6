// Registry files as vantrelctl import meets them on a share: any bytes.
// Whatever reads is written back and reads the same, a key rewritten with
// the values it has gives the file back byte for byte, and every value of
// every key reads through the registry accessor without escaping it.
#include <cstdlib>
#include <string>

#include "registry/file_registry.h"
#include "registry/reg_file.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    RegFileParse first = ParseRegFile(bytes);
    if (!first.ok) return 0;
    const RegFileParse second = ParseRegFile(WriteRegFile(first.file));
    if (!second.ok || second.file.keys.size() != first.file.keys.size()) std::abort();
    for (std::size_t i = 0; i < first.file.keys.size(); ++i) {
        const RegFileKey& a = first.file.keys[i];
        const RegFileKey& b = second.file.keys[i];
        if (a.path != b.path || a.values.size() != b.values.size()) std::abort();
        for (std::size_t j = 0; j < a.values.size(); ++j)
            if (a.values[j].name != b.values[j].name || a.values[j].type != b.values[j].type ||
                a.values[j].data != b.values[j].data)
                std::abort();
    }
    for (const RegFileKey& key : first.file.keys)
        if (ProgramKeyProblem(first, key.path).empty() && RewriteRegFile(first.layout, key, key.path) != bytes)
            std::abort();
    FileRegistry reg(first.file, false);
    for (const RegFileKey& key : second.file.keys) {
        if (!reg.OpenKey(key.path, false)) continue;
        for (const std::string& name : reg.ValueNames()) {
            try {
                if (reg.TypeOf(name) == ValueType::DWord)
                    reg.ReadInteger(name);
                else
                    reg.ReadString(name);
            } catch (const RegistryError&) {
            }
        }
    }
    return 0;
}
