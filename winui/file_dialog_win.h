// The open-file dialog as the program's browse buttons use it: a file that
// exists, the working folder left as it was.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vantrel {

struct OpenFileRequest {
    // Pairs of description and pattern, each ended by a NUL, the list by a
    // second NUL ("wav文件(*.wav)\0*.wav\0"); nullptr: every file.
    const char* filter = nullptr;
    const char* title = nullptr;  // nullptr: the system's title
    std::string folder;           // where the dialog starts; empty: the system's choice
};

// The full path of the file the user chose, or nullopt when the dialog was
// cancelled, the file-dialog library cannot be loaded, or the path cannot be
// stored (see StorablePath).
std::optional<std::string> ChooseFileToOpen(HWND owner, const OpenFileRequest& request);

// A path Windows handed over, as the GBK text to store; a path with a
// character GBK cannot hold is refused with an error box saying so
// (kPathNotGbkText) rather than stored with '?' in its place.
std::optional<std::string> StorablePath(const wchar_t* path);
extern const char* const kPathNotGbkText;

}  // namespace vantrel
