#include "winui/file_dialog_win.h"

#include <cstring>

#include "text/codepage_win.h"
#include "winui/form_win.h"
#include "winui/on_demand_win.h"

namespace vantrel {

const char* const kPathNotGbkText =
    "所选文件的路径含有GBK以外的字符，Vantrel无法保存。\n"
    "请选择其他文件，或将文件移到名称只含简体中文和英文的文件夹中。";

namespace {

// A filter's pairs of texts, each ended by a NUL, the list by a second NUL,
// converted whole.
WideText WideFilter(const char* filter) {
    size_t n = 0;
    while (filter[n] != '\0' || filter[n + 1] != '\0') n += std::strlen(filter + n) + 1;
    // The block up to its last text's NUL; WideText adds the closing one.
    return Wide(std::string(filter, n + 1));
}

}  // namespace

std::optional<std::string> StorablePath(const wchar_t* path) {
    if (!FitsGbk(path)) {
        ShowMessageBox(kPathNotGbkText, "错误", MB_OK | MB_ICONERROR);
        return std::nullopt;
    }
    return Narrow(path);
}

std::optional<std::string> ChooseFileToOpen(HWND owner, const OpenFileRequest& request) {
    wchar_t file[MAX_PATH] = {0};
    const WideText filter = request.filter ? WideFilter(request.filter) : WideText();
    const WideText folder = Wide(request.folder);
    const WideText title = request.title ? Wide(request.title) : WideText();
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = request.filter ? filter.c_str() : nullptr;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = request.folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = request.title ? title.c_str() : nullptr;
    // Without OFN_NOCHANGEDIR the dialog would leave the program's working
    // folder wherever the user browsed to.
    ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameOnDemand(&ofn)) return std::nullopt;
    return StorablePath(file);
}

}  // namespace vantrel
