// A registry that counts the calls made through it and hands each one on
// unchanged, so that the calls an operation makes (one tick, one load) can
// be counted the same over the Win32 registry and the in-memory one.
#pragma once

#include <cstdint>

#include "registry/registry.h"

namespace vantrel {

struct RegistryCalls {
    std::uint64_t opens = 0;         // OpenKey
    std::uint64_t closes = 0;        // CloseKey
    std::uint64_t reads = 0;         // ValueExists, TypeOf, ReadString, ReadInteger
    std::uint64_t enumerations = 0;  // ValueCount, ValueNames
    std::uint64_t namesListed = 0;   // names the ValueNames calls handed back
    std::uint64_t writes = 0;        // WriteString, WriteInteger, DeleteValue
};

class CountingRegistry : public Registry {
public:
    explicit CountingRegistry(Registry& inner) : inner_(inner) {}

    const RegistryCalls& calls() const { return calls_; }
    void Reset() { calls_ = RegistryCalls(); }

    // Each call is counted before it is handed on, so a read that raises
    // (a value of the wrong type) is counted too.
    bool OpenKey(const std::string& path, bool create) override {
        ++calls_.opens;
        return inner_.OpenKey(path, create);
    }
    void CloseKey() override {
        ++calls_.closes;
        inner_.CloseKey();
    }
    bool ValueExists(const std::string& name) override {
        ++calls_.reads;
        return inner_.ValueExists(name);
    }
    ValueType TypeOf(const std::string& name) override {
        ++calls_.reads;
        return inner_.TypeOf(name);
    }
    std::string ReadString(const std::string& name) override {
        ++calls_.reads;
        return inner_.ReadString(name);
    }
    std::int32_t ReadInteger(const std::string& name) override {
        ++calls_.reads;
        return inner_.ReadInteger(name);
    }
    void WriteString(const std::string& name, const std::string& value) override {
        ++calls_.writes;
        inner_.WriteString(name, value);
    }
    void WriteInteger(const std::string& name, std::int32_t value) override {
        ++calls_.writes;
        inner_.WriteInteger(name, value);
    }
    bool DeleteValue(const std::string& name) override {
        ++calls_.writes;
        return inner_.DeleteValue(name);
    }
    std::uint32_t ValueCount() override {
        ++calls_.enumerations;
        return inner_.ValueCount();
    }
    std::vector<std::string> ValueNames() override {
        ++calls_.enumerations;
        std::vector<std::string> names = inner_.ValueNames();
        calls_.namesListed += names.size();
        return names;
    }

private:
    Registry& inner_;
    RegistryCalls calls_;
};

}  // namespace vantrel
