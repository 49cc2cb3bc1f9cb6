#include "winui/on_demand_win.h"

#include <string>
#include <vector>

#include "text/codepage_win.h"

namespace vantrel {

HMODULE LoadSystemLibrary(const char* name) {
    wchar_t folder[MAX_PATH] = {0};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::vector<wchar_t> path(folder, folder + n);
    path.push_back(L'\\');
    for (const char* c = name; *c; ++c) path.push_back(static_cast<wchar_t>(*c));  // ASCII file names
    path.push_back(L'\0');
    return LoadLibraryW(path.data());
}

namespace {

// A library loaded once and kept for the rest of the program.
class OnDemandLibrary {
public:
    // `fromSystemFolder`: loaded by full path, so no copy in the program's
    // folder or the current folder can stand in for it. The common controls
    // are loaded by name instead: the manifest's activation context must be
    // able to redirect the name to version 6.
    OnDemandLibrary(const char* name, bool fromSystemFolder) : name_(name), fromSystemFolder_(fromSystemFolder) {}

    bool Loaded() const { return module_ != nullptr; }

    template <typename F>
    F Function(const char* function) {
        if (!module_ && !tried_) Load();
        if (!module_) return nullptr;
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, function)));
    }

private:
    void Load() {
        tried_ = true;
        module_ = fromSystemFolder_ ? LoadSystemLibrary(name_) : LoadLibraryW(Wide(name_).c_str());
    }

    const char* name_;
    bool fromSystemFolder_;
    bool tried_ = false;
    HMODULE module_ = nullptr;
};

OnDemandLibrary g_commonControls("comctl32.dll", false);
OnDemandLibrary g_sound("winmm.dll", true);
OnDemandLibrary g_dialogs("comdlg32.dll", true);
OnDemandLibrary g_com("ole32.dll", true);
OnDemandLibrary g_comStrings("oleaut32.dll", true);

bool g_classesRegistered = false;

}  // namespace

void EnsureCommonControls() {
    if (g_classesRegistered) return;
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = g_commonControls.Function<InitFn>("InitCommonControlsEx");
    if (!init) return;
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                        ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS |
                                                        ICC_BAR_CLASSES};
    g_classesRegistered = init(&classes) != FALSE;
}

bool CommonControlsLoaded() { return g_commonControls.Loaded(); }

unsigned CommonControlsMajorVersion() {
    struct VersionInfo {  // DLLVERSIONINFO
        DWORD cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformID;
    };
    using VersionFn = HRESULT(CALLBACK*)(VersionInfo*);
    auto version = g_commonControls.Function<VersionFn>("DllGetVersion");
    VersionInfo info = {sizeof info, 0, 0, 0, 0};
    return version && SUCCEEDED(version(&info)) ? info.dwMajorVersion : 0;
}

HIMAGELIST LoadImageListBitmap(const char* name, int width) {
    using LoadFn = HIMAGELIST(WINAPI*)(HINSTANCE, LPCSTR, int, int, COLORREF, UINT, UINT);
    auto load = g_commonControls.Function<LoadFn>("ImageList_LoadImageA");
    if (!load) return nullptr;
    return load(GetModuleHandleA(nullptr), name, width, 0, CLR_DEFAULT, IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

void DestroyImageList(HIMAGELIST list) {
    using DestroyFn = BOOL(WINAPI*)(HIMAGELIST);
    if (!list) return;
    if (auto destroy = g_commonControls.Function<DestroyFn>("ImageList_Destroy")) destroy(list);
}

BOOL PlaySoundOnDemand(const char* sound, DWORD flags) {
    using PlayFn = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);
    auto play = g_sound.Function<PlayFn>("PlaySoundW");
    if (!play) return FALSE;
    if (!sound) return play(nullptr, nullptr, flags);
    return play(Wide(sound).c_str(), nullptr, flags);
}

void StopSoundOnDemand() {
    if (g_sound.Loaded()) PlaySoundOnDemand(nullptr, 0);
}

MCIERROR MciSendStringOnDemand(const char* command, HWND callback) {
    using SendFn = MCIERROR(WINAPI*)(LPCSTR, LPSTR, UINT, HWND);
    auto send = g_sound.Function<SendFn>("mciSendStringA");
    return send ? send(command, nullptr, 0, callback) : MCIERR_DEVICE_NOT_INSTALLED;
}

BOOL GetOpenFileNameOnDemand(OPENFILENAMEW* ofn) {
    using OpenFn = BOOL(WINAPI*)(LPOPENFILENAMEW);
    auto open = g_dialogs.Function<OpenFn>("GetOpenFileNameW");
    return open ? open(ofn) : FALSE;
}

HRESULT CoInitializeExOnDemand(DWORD model) {
    using InitFn = HRESULT(WINAPI*)(LPVOID, DWORD);
    auto init = g_com.Function<InitFn>("CoInitializeEx");
    return init ? init(nullptr, model) : E_FAIL;
}

void CoUninitializeOnDemand() {
    using UninitFn = void(WINAPI*)();
    if (auto uninit = g_com.Function<UninitFn>("CoUninitialize")) uninit();
}

HRESULT CoCreateInstanceOnDemand(REFCLSID clsid, REFIID iid, void** object) {
    using CreateFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    auto create = g_com.Function<CreateFn>("CoCreateInstance");
    return create ? create(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object) : E_FAIL;
}

BSTR SysAllocStringLenOnDemand(const wchar_t* text, UINT length) {
    using AllocFn = BSTR(WINAPI*)(const OLECHAR*, UINT);
    auto alloc = g_comStrings.Function<AllocFn>("SysAllocStringLen");
    return alloc ? alloc(text, length) : nullptr;
}

void SysFreeStringOnDemand(BSTR text) {
    using FreeFn = void(WINAPI*)(BSTR);
    if (!text) return;
    if (auto release = g_comStrings.Function<FreeFn>("SysFreeString")) release(text);
}

UINT SysStringLenOnDemand(BSTR text) {
    using LengthFn = UINT(WINAPI*)(BSTR);
    if (!text) return 0;
    auto length = g_comStrings.Function<LengthFn>("SysStringLen");
    return length ? length(text) : 0;
}

}  // namespace vantrel
