#include "registry/registry_win.h"

#include <windows.h>

#include <vector>

#include "text/codepage_win.h"

namespace vantrel {

namespace {

std::string Relative(const std::string& path) {
    std::string p = path;
    while (!p.empty() && p.front() == '\\') p.erase(p.begin());
    return p;
}

ValueType FromRegType(DWORD type) {
    switch (type) {
        case REG_SZ: return ValueType::String;
        case REG_EXPAND_SZ: return ValueType::ExpandString;
        case REG_DWORD: return ValueType::DWord;
        case REG_BINARY: return ValueType::Binary;
        case REG_MULTI_SZ: return ValueType::MultiString;
        case REG_QWORD: return ValueType::QWord;
        default: return ValueType::Other;
    }
}

}  // namespace

WinRegistry::~WinRegistry() { CloseKey(); }

bool WinRegistry::OpenKey(const std::string& path, bool create) {
    CloseKey();
    HKEY key = nullptr;
    LONG rc;
    const REGSAM sam = access_ == Access::Read ? KEY_READ : KEY_ALL_ACCESS;
    if (create && access_ == Access::Full) {
        rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(Relative(path)).c_str(), 0, nullptr,
                             REG_OPTION_NON_VOLATILE, sam, nullptr, &key, nullptr);
    } else {
        rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(Relative(path)).c_str(), 0, sam, &key);
    }
    if (rc != ERROR_SUCCESS) {
        lastError_ = rc;
        return false;
    }
    key_ = key;
    return true;
}

void WinRegistry::CloseKey() {
    if (key_) RegCloseKey(static_cast<HKEY>(key_));
    key_ = nullptr;
}

bool WinRegistry::ValueExists(const std::string& name) { return TypeOf(name) != ValueType::None; }

ValueType WinRegistry::TypeOf(const std::string& name) {
    if (!key_) return ValueType::None;
    DWORD type = 0;
    LONG rc = RegQueryValueExW(static_cast<HKEY>(key_), Wide(name).c_str(), nullptr, &type, nullptr,
                               nullptr);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return ValueType::None;
    return FromRegType(type);
}

std::string WinRegistry::ReadString(const std::string& name) {
    if (!key_) return std::string();
    HKEY key = static_cast<HKEY>(key_);
    // Most texts are short: one call into a stack buffer reads them. A longer
    // one (of any length) is read again at its size; the size can change
    // between two calls when someone else writes the value, so ask again
    // until the data fits.
    const WideText wideName = Wide(name);
    wchar_t small[256];
    DWORD type = 0, size = sizeof small;
    LONG rc = RegQueryValueExW(key, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(small),
                               &size);
    std::vector<wchar_t> buffer;
    while (rc == ERROR_MORE_DATA) {
        buffer.assign((size + 1) / sizeof(wchar_t) + 1, L'\0');
        DWORD got = size;
        rc = RegQueryValueExW(key, wideName.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &got);
        size = got;  // the size needed, or the size read
    }
    if (rc == ERROR_FILE_NOT_FOUND) return std::string();
    if (rc != ERROR_SUCCESS) throw FailedToGetData(name);
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw InvalidDataType(name);
    const wchar_t* data = buffer.empty() ? small : buffer.data();
    // A value stored without its terminating NUL still ends at `size`; an
    // odd last byte is no character.
    int length = static_cast<int>(size / sizeof(wchar_t));
    for (int i = 0; i < length; ++i) {
        if (data[i] == L'\0') {
            length = i;
            break;
        }
    }
    return Narrow(data, length);
}

void WinRegistry::WriteString(const std::string& name, const std::string& value) {
    const WideText text = Wide(value.substr(0, value.find('\0')));
    LONG rc = key_ ? RegSetValueExW(static_cast<HKEY>(key_), Wide(name).c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>((text.length() + 1) * sizeof(wchar_t)))
                   : ERROR_INVALID_HANDLE;
    if (rc != ERROR_SUCCESS) {
        lastError_ = rc;
        throw FailedToSetData(name);
    }
}

std::int32_t WinRegistry::ReadInteger(const std::string& name) {
    if (!key_) throw FailedToGetData(name);
    const WideText wideName = Wide(name);
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExW(static_cast<HKEY>(key_), wideName.c_str(), nullptr, &type, nullptr,
                               &size);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) throw FailedToGetData(name);
    if (type != REG_DWORD || size != sizeof(DWORD)) throw InvalidDataType(name);
    DWORD value = 0;
    size = sizeof value;
    rc = RegQueryValueExW(static_cast<HKEY>(key_), wideName.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(&value), &size);
    if (rc != ERROR_SUCCESS) throw FailedToGetData(name);
    if (type != REG_DWORD) throw InvalidDataType(name);
    return static_cast<std::int32_t>(value);
}

void WinRegistry::WriteInteger(const std::string& name, std::int32_t value) {
    DWORD data = static_cast<DWORD>(value);
    LONG rc = key_ ? RegSetValueExW(static_cast<HKEY>(key_), Wide(name).c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&data), sizeof data)
                   : ERROR_INVALID_HANDLE;
    if (rc != ERROR_SUCCESS) {
        lastError_ = rc;
        throw FailedToSetData(name);
    }
}

bool WinRegistry::DeleteValue(const std::string& name) {
    const LONG rc = key_ ? RegDeleteValueW(static_cast<HKEY>(key_), Wide(name).c_str()) : ERROR_INVALID_HANDLE;
    // A refusal (not a value that was never there) is kept for the message.
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) lastError_ = rc;
    return rc == ERROR_SUCCESS;
}

std::uint32_t WinRegistry::ValueCount() {
    if (!key_) return 0;
    DWORD count = 0;
    if (RegQueryInfoKeyW(static_cast<HKEY>(key_), nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, &count, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return count;
}

std::vector<std::string> WinRegistry::ValueNames() {
    std::vector<std::string> names;
    if (!key_) return names;
    DWORD maxLen = 0;
    RegQueryInfoKeyW(static_cast<HKEY>(key_), nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, &maxLen, nullptr, nullptr, nullptr);
    std::vector<wchar_t> buffer(maxLen + 2);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(buffer.size());
        LONG rc = RegEnumValueW(static_cast<HKEY>(key_), i, buffer.data(), &len, nullptr, nullptr,
                                nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        names.push_back(Narrow(buffer.data(), static_cast<int>(len)));
    }
    return names;
}

void WinRegistry::DeleteTree(const std::string& path) {
    std::string relative = Relative(path);
    HKEY key = nullptr;
    const WideText wideRelative = Wide(relative);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wideRelative.c_str(), 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        // Values and subkeys first: RegDeleteKeyW refuses a key with subkeys
        // on older systems, and this key has none but its values.
        for (;;) {
            wchar_t name[16384];
            DWORD len = sizeof name / sizeof name[0];
            if (RegEnumValueW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            if (RegDeleteValueW(key, name) != ERROR_SUCCESS) break;
        }
        RegCloseKey(key);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, wideRelative.c_str());
}

}  // namespace vantrel
