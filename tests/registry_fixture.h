// The registries the store contract runs against: the in-memory one
// everywhere, and on Windows also the real registry under HKEY_LOCAL_MACHINE.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "registry/registry.h"

namespace vantrel {
namespace testing {

// Raw registry types, numbered as in winnt.h.
enum RawType : unsigned long { kRawSz = 1, kRawExpandSz = 2, kRawBinary = 3, kRawDword = 4,
                               kRawMultiSz = 7, kRawQword = 11 };

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    virtual std::string name() const = 0;
    virtual Registry& registry() = 0;
    // Starts from a missing key.
    virtual void DeleteKey(const std::string& path) = 0;
    virtual bool KeyExists(const std::string& path) = 0;
    // Stores bytes exactly as given, with the given type.
    virtual void PlantRaw(const std::string& path, const std::string& name, RawType type,
                          const std::string& bytes) = 0;
};

using BackendFactory = std::function<std::unique_ptr<RegistryBackend>()>;

// Every backend of this build, with its name.
std::vector<std::pair<std::string, BackendFactory>> AllBackends();

}  // namespace testing
}  // namespace vantrel
