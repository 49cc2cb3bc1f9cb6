// Tells when a key below HKEY_LOCAL_MACHINE changed (a value set or
// deleted, a subkey made or removed), without reading it: the caller looks
// at Changed() when it suits it and reads the key only then. A key that
// does not exist yet is watched through its nearest existing parent, whole,
// so that its creation is seen too.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

class KeyWatch {
public:
    // `path` below HKEY_LOCAL_MACHINE, with or without a leading "\".
    explicit KeyWatch(const std::string& path);
    ~KeyWatch();
    KeyWatch(const KeyWatch&) = delete;
    KeyWatch& operator=(const KeyWatch&) = delete;

    // Whether anything changed since the watch began or since the last
    // call that said so; the watch goes on. True also when the key could
    // not be watched at all, so that a caller never misses a change.
    bool Changed();

private:
    void Arm();
    void Close();

    std::string path_;
    HKEY key_ = nullptr;
    HANDLE event_ = nullptr;
    bool whole_ = false;  // watching a parent: every key below it
};

}  // namespace vantrel
