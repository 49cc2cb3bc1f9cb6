#include "winui/file_dialog_win.h"

#include "winui/on_demand_win.h"

namespace vantrel {

std::optional<std::string> ChooseFileToOpen(HWND owner, const OpenFileRequest& request) {
    char file[MAX_PATH] = {0};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = request.filter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = request.folder.empty() ? nullptr : request.folder.c_str();
    ofn.lpstrTitle = request.title;
    // Without OFN_NOCHANGEDIR the dialog would leave the program's working
    // folder wherever the user browsed to.
    ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameOnDemand(&ofn)) return std::nullopt;
    return std::string(file);
}

}  // namespace vantrel
