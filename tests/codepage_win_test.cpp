// Text at the Win32 boundary: what the program stores and shows must not
// depend on the system's ANSI code page. These cases run in the Chinese
// prefix and again in the English one (code page 1252).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "text/codepage_win.h"
#include "registry/registry_win.h"
#include "winui/file_dialog_win.h"
#include "winui/form_win.h"

namespace vantrel {
namespace {

const char kKey[] = "\\Software\\Brelnix\\VantrelCodePageTest";

// Texts the program stores: schedule texts, action names, a path, a text
// with characters of GBK beyond GB2312 (镕, 鎔), ASCII punctuation.
const char* const kStoredTexts[] = {
    "每天17时30分", "关闭计算机", "C:\\音乐\\提醒 & 铃声.wav", "朱镕基 鎔", "a&b \"c\" 100%", "",
};

// The value as the registry holds it: its type and its UTF-16 bytes.
struct RawValue {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    bool operator==(const RawValue& o) const { return type == o.type && bytes == o.bytes; }
};

RawValue ReadRaw(HKEY key, const wchar_t* name) {
    RawValue raw;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &raw.type, nullptr, &size) != ERROR_SUCCESS) return raw;
    raw.bytes.resize(size);
    RegQueryValueExW(key, name, nullptr, &raw.type, raw.bytes.data(), &size);
    raw.bytes.resize(size);
    return raw;
}

class StoredText : public ::testing::Test {
protected:
    void SetUp() override { WinRegistry::DeleteTree(kKey); }
    void TearDown() override { WinRegistry::DeleteTree(kKey); }
};

// Whatever the ANSI code page, a text goes in and comes back as the same GBK
// bytes, and the registry holds its UTF-16 form. On a Chinese system that is
// exactly what the ANSI calls of the earlier versions wrote, so tasks
// written by either read the same.
TEST_F(StoredText, TextsAreStoredAsUtf16AndReadBackAsTheSameGbkOnEverySystem) {
    WinRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(kKey + 1).c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    for (const char* text : kStoredTexts) {
        reg.WriteString("wide", text);
        EXPECT_EQ(reg.ReadString("wide"), text);
        if (GetACP() != 936) continue;  // the ANSI calls write GBK only there
        RegSetValueExA(key, "ansi", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::strlen(text) + 1));
        EXPECT_EQ(ReadRaw(key, L"ansi"), ReadRaw(key, L"wide")) << text;
        EXPECT_EQ(reg.ReadString("ansi"), text);
    }
    reg.WriteString("wide", "提醒");
    const RawValue stored = ReadRaw(key, L"wide");
    RegCloseKey(key);
    const wchar_t utf16[] = L"提醒";
    EXPECT_EQ(stored.bytes, std::vector<BYTE>(reinterpret_cast<const BYTE*>(utf16),
                                              reinterpret_cast<const BYTE*>(utf16) + sizeof utf16));
}

// A path Windows hands over is taken only when every character has a GBK
// form; otherwise it is refused where the user chose it, with a box that
// says why, never stored with '?' in it.
TEST(WideText, APathGbkCannotHoldIsRefusedWithAMessage) {
    const struct {
        const wchar_t* path;
        bool fits;
    } cases[] = {
        {L"C:\\音乐\\铃声.wav", true},
        {L"C:\\朱镕基.txt", true},                 // GBK beyond GB2312
        {L"C:\\\uD55C\uAD6D\uC5B4\\bell.wav", false},  // Hangul: no GBK form
        {L"C:\\\U0001F600.wav", false},           // outside the basic plane
    };
    for (const auto& c : cases) {
        const std::string narrow = Narrow(c.path);
        std::vector<std::string> boxes;
        SetMessageBoxHook([&](const char* text, const char*, UINT) {
            boxes.push_back(text);
            return IDOK;
        });
        const std::optional<std::string> stored = StorablePath(c.path);
        SetMessageBoxHook(nullptr);
        EXPECT_EQ(stored, c.fits ? std::optional<std::string>(narrow) : std::nullopt) << narrow;
        EXPECT_EQ(boxes, c.fits ? std::vector<std::string>() : std::vector<std::string>{kPathNotGbkText}) << narrow;
    }
}

}  // namespace
}  // namespace vantrel
