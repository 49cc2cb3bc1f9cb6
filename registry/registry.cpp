#include "registry/registry.h"

namespace vantrel {

RegistryError InvalidDataType(const std::string& valueName) {
    return RegistryError("Invalid data type for '" + valueName + "'");
}

RegistryError FailedToGetData(const std::string& valueName) {
    return RegistryError("Failed to get data for '" + valueName + "'");
}

RegistryError FailedToSetData(const std::string& valueName) {
    return RegistryError("Failed to set data for '" + valueName + "'");
}

RegistryError FailedToDelete(const std::string& valueName) {
    return RegistryError("Failed to delete value '" + valueName + "'");
}

void DeleteValueOrThrow(Registry& reg, const std::string& name) {
    if (!reg.DeleteValue(name) && reg.ValueExists(name)) throw FailedToDelete(name);
}

}  // namespace vantrel
