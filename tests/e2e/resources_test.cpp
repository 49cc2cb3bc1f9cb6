// The shipped file's icons, read from Vantrel.exe itself: every named group
// has its 17 entries, every entry points at an image of the size and depth
// it announces, and every image loads and draws with a transparent corner.
// The groups name their images by number, so this also guards the order of
// the ICON statements in the resource script.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <string>

#include "text/gbk_text.h"

namespace vantrel {
namespace {

#pragma pack(push, 2)
struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

struct ImageShape {
    int width = 0;
    int bitCount = 0;
    bool png = false;
};

// The size and depth the image data itself declares.
ImageShape ShapeOf(const BYTE* data, DWORD size) {
    ImageShape shape;
    static const BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 33 && std::memcmp(data, kPngSignature, 8) == 0) {
        shape.png = true;
        shape.width = (data[16] << 24) | (data[17] << 16) | (data[18] << 8) | data[19];
        int bitDepth = data[24], colourType = data[25];
        shape.bitCount = bitDepth * (colourType == 6 ? 4 : colourType == 2 ? 3 : 1);
    } else if (size >= sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER header;
        std::memcpy(&header, data, sizeof header);
        shape.width = header.biWidth;
        shape.bitCount = header.biBitCount;
    }
    return shape;
}

class ShippedIcons : public ::testing::Test {
protected:
    void SetUp() override {
        char path[MAX_PATH] = {0};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        module_ = LoadLibraryExA((FolderPart(path) + "Vantrel.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    const BYTE* Resource(const char* name, LPCSTR type, DWORD* size) {
        HRSRC found = FindResourceA(module_, name, type);
        if (!found) return nullptr;
        *size = SizeofResource(module_, found);
        return static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    }
    HMODULE module_ = nullptr;
};

TEST_F(ShippedIcons, EveryGroupHasSeventeenEntriesMatchingTheirImages) {
    for (const char* name : {"MAINICON", "APPICON", "ENASHUT", "DISSHUT"}) {
        SCOPED_TRACE(name);
        DWORD groupSize = 0;
        const BYTE* group = Resource(name, RT_GROUP_ICON, &groupSize);
        ASSERT_NE(group, nullptr);
        GroupHeader header;
        std::memcpy(&header, group, sizeof header);
        ASSERT_EQ(header.count, 17);
        ASSERT_GE(groupSize, sizeof header + 17 * sizeof(GroupEntry));
        std::set<int> bitmapSizes;
        for (int k = 0; k < 17; ++k) {
            GroupEntry entry;
            std::memcpy(&entry, group + sizeof header + k * sizeof entry, sizeof entry);
            SCOPED_TRACE("entry " + std::to_string(k));
            DWORD imageSize = 0;
            const BYTE* image = Resource(MAKEINTRESOURCEA(entry.id), RT_ICON, &imageSize);
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(imageSize, entry.bytes);
            ImageShape shape = ShapeOf(image, imageSize);
            EXPECT_EQ(shape.width, entry.width);
            EXPECT_EQ(shape.bitCount, entry.bitCount);
            // Only 32-bit images may be PNG: readers drop the key-colour
            // transparency of a 24-bit PNG. And only sizes Windows XP never
            // asks for, as it cannot read PNG.
            if (shape.png) {
                EXPECT_EQ(shape.bitCount, 32);
                EXPECT_GT(shape.width, 48);
            } else {
                bitmapSizes.insert(shape.width);
            }

            // Drawn over a colour no picture uses, the top-left corner keeps
            // it (every picture leaves its corners transparent) and the
            // centre does not.
            HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image), imageSize, TRUE, 0x00030000,
                                                  entry.width, entry.width, LR_DEFAULTCOLOR);
            ASSERT_NE(icon, nullptr);
            HDC screen = GetDC(nullptr);
            HDC dc = CreateCompatibleDC(screen);
            HBITMAP canvas = CreateCompatibleBitmap(screen, entry.width, entry.width);
            HGDIOBJ old = SelectObject(dc, canvas);
            RECT all = {0, 0, entry.width, entry.width};
            const COLORREF background = RGB(1, 2, 3);
            HBRUSH brush = CreateSolidBrush(background);
            FillRect(dc, &all, brush);
            DeleteObject(brush);
            EXPECT_TRUE(DrawIconEx(dc, 0, 0, icon, entry.width, entry.width, 0, nullptr, DI_NORMAL));
            EXPECT_EQ(GetPixel(dc, 0, 0), background);
            EXPECT_NE(GetPixel(dc, entry.width / 2, entry.width / 2), background);
            SelectObject(dc, old);
            DeleteObject(canvas);
            DeleteDC(dc);
            ReleaseDC(nullptr, screen);
            DestroyIcon(icon);
        }
        // Windows XP reads only bitmap images, and its shell asks for these
        // sizes (small and large icons, the tray, Explorer's views); 20 is
        // the small icon and the tray at 120 DPI.
        for (int size : {16, 20, 24, 32, 48}) EXPECT_EQ(bitmapSizes.count(size), 1u) << "no bitmap of " << size;
    }
}

}  // namespace
}  // namespace vantrel
