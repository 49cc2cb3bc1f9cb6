#include "text/gbk_text.h"

#include <string>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

// "\x95\x5C" is a two-byte GBK character whose trail byte is the value of a
// backslash; "\x81\x61" is one whose trail byte is the value of 'a'.
const std::string kTrailBackslash = "\x95\x5C";
const std::string kTrailLowerA = "\x81\x61";

TEST(GbkLiteral, NarrowLiteralsAreGbkBytes) {
    EXPECT_EQ(std::string("每天"), std::string("\xC3\xBF\xCC\xEC"));
    EXPECT_EQ(std::string("表"), std::string("\xB1\xED"));
}

TEST(GbkLeadByte, Boundaries) {
    struct Case {
        unsigned char byte;
        bool lead;
    };
    const Case cases[] = {{0x00, false}, {0x41, false}, {0x5C, false}, {0x7F, false},
                          {0x80, false}, {0x81, true},  {0xB7, true},  {0xC3, true},
                          {0xFE, true},  {0xFF, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsGbkLeadByte(c.byte), c.lead) << "byte " << static_cast<int>(c.byte);
    }
}

TEST(GbkCharLength, ByPosition) {
    const std::string text = std::string("a") + "每" + "\xC3";  // 61 C3 BF C3
    EXPECT_EQ(GbkCharLength(text, 0), 1u);
    EXPECT_EQ(GbkCharLength(text, 1), 2u);
    // A lead byte with nothing after it stands alone.
    EXPECT_EQ(GbkCharLength(text, 3), 1u);
    EXPECT_EQ(GbkCharLength(text, 4), 0u);
    EXPECT_EQ(GbkCharLength(text, 100), 0u);
}

TEST(FirstGbkChars, CountsCharactersNotBytes) {
    struct Case {
        std::string text;
        std::size_t count;
        std::string expected;
    };
    const Case cases[] = {
        {"每天17时30分", 2, "每天"},
        {"ab每天", 2, "ab"},
        {"a每天", 2, "a每"},
        {"每", 2, "每"},
        {"", 2, ""},
        {"a\xC3", 2, "a\xC3"},
        {"\xC3", 1, "\xC3"},
        {"每天", 0, ""},
        {"每天", 5, "每天"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FirstGbkChars(c.text, c.count), c.expected)
            << "text '" << c.text << "' count " << c.count;
    }
}

struct PathCase {
    std::string path;
    std::string folder;
    std::string file;
};

class PathParts : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathParts, SplitsAtLastSeparatorOfItsOwn) {
    const PathCase& c = GetParam();
    EXPECT_EQ(FolderPart(c.path), c.folder);
    EXPECT_EQ(FileNamePart(c.path), c.file);
    // The two parts always make up the whole text again.
    EXPECT_EQ(FolderPart(c.path) + FileNamePart(c.path), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathParts,
    ::testing::Values(
        PathCase{"C:\\Windows\\notepad.exe", "C:\\Windows\\", "notepad.exe"},
        PathCase{"notepad.exe", "", "notepad.exe"},
        PathCase{"", "", ""},
        PathCase{"C:notepad.exe", "C:", "notepad.exe"},
        PathCase{"C:\\Tools\\", "C:\\Tools\\", ""},
        PathCase{"http://host:8080/index.html", "http://host:", "8080/index.html"},
        // The trail byte 5C of the last character is not a separator.
        PathCase{"C:\\dir\\a" + kTrailBackslash, "C:\\dir\\", "a" + kTrailBackslash},
        PathCase{"C:\\" + kTrailBackslash + "\\x.exe", "C:\\" + kTrailBackslash + "\\", "x.exe"},
        PathCase{kTrailBackslash + kTrailBackslash, "", kTrailBackslash + kTrailBackslash},
        PathCase{"D:\\程序\\记事本.exe", "D:\\程序\\", "记事本.exe"},
        // A backslash after a lone lead byte at the end would be its trail
        // byte; one before the lead byte is a separator.
        PathCase{"a\\\xC3", "a\\", "\xC3"}));

TEST(LastPathSeparator, Offsets) {
    EXPECT_EQ(LastPathSeparator("C:\\a\\b"), 4u);
    EXPECT_EQ(LastPathSeparator("C:"), 1u);
    EXPECT_EQ(LastPathSeparator("abc"), std::string::npos);
    EXPECT_EQ(LastPathSeparator(kTrailBackslash), std::string::npos);
    EXPECT_EQ(LastPathSeparator("\\" + kTrailBackslash), 0u);
}

TEST(AsciiUpper, FoldsOnlyAsciiLetters) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"notepad.exe", "NOTEPAD.EXE"},
        {"NotePad.EXE", "NOTEPAD.EXE"},
        {"a-z_09{}", "A-Z_09{}"},
        {"记事本.exe", "记事本.EXE"},
        // A trail byte that has the value of 'a' belongs to its character.
        {"ab" + kTrailLowerA + "c", "AB" + kTrailLowerA + "C"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AsciiUpper(c.text), c.expected) << "text '" << c.text << "'";
    }
}

}  // namespace
}  // namespace vantrel
