#include "app/elevated_settings_win.h"

#include <shellapi.h>

#include <string.h>

#include "actions/system_ops.h"
#include "actions/utility_actions_win.h"
#include "app/startup_win.h"
#include "store/policy.h"
#include "text/codepage_win.h"
#include "ui/settings_window_win.h"
#include "winui/form_win.h"
#include "winui/on_demand_win.h"

namespace vantrel {

const char* const kSettingsOnlyArgument = "/settings";

bool AsksForSettingsOnly(const char* commandLine) {
    if (!commandLine) return false;
    while (*commandLine == ' ' || *commandLine == '\t') ++commandLine;
    const std::size_t n = strlen(kSettingsOnlyArgument);
    if (_strnicmp(commandLine, kSettingsOnlyArgument, n) != 0) return false;
    const char after = commandLine[n];
    return after == '\0' || after == ' ' || after == '\t';
}

namespace {

bool StartSettingsCopy(HWND owner, const wchar_t* verb) {
    wchar_t path[MAX_PATH + 1] = {0};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return false;
    const WideText argument = Wide(kSettingsOnlyArgument);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = verb;
    info.lpFile = path;
    info.lpParameters = argument.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&info)) return true;
    // Declining the prompt is the user's answer, not an error.
    if (GetLastError() == ERROR_CANCELLED) return false;
    ShowMessageBox(verb ? "无法以管理员身份打开设置窗口" : "无法打开设置窗口", "错误", MB_OK | MB_ICONERROR);
    return false;
}

}  // namespace

bool StartElevatedSettings(HWND owner) { return StartSettingsCopy(owner, L"runas"); }

bool StartSettingsOnly(HWND owner) { return StartSettingsCopy(owner, nullptr); }

SettingsOnlyHost::SettingsOnlyHost(Registry& registry)
    : startAtLogon_(registry, &SystemTasks(), kRunKeyPath, kRunValueName, kLogonTaskName),
      store_(registry, kProgramKeyPath, kRunKeyPath, kRunValueName) {
    store_.UseStartAtLogon(&startAtLogon_);
    store_.UsePolicyKey(kPolicyKeyPath);
}

std::uint32_t SettingsOnlyHost::SecondsSinceStart() { return vantrel::SecondsSinceStart(); }

unsigned SettingsOnlyHost::SystemMajorVersion() { return SystemVersion().dwMajorVersion; }

namespace {

BOOL CALLBACK FindShown(HWND w, LPARAM found) {
    if (!IsWindowVisible(w)) return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

// Whether this thread still shows a window: a task editor left open, a box.
bool ShowsAWindow() {
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), FindShown, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

int RunSettingsOnly(Registry& registry) {
    SettingsOnlyHost host(registry);
    host.store().StartupLoad(host.settings());
    if (!SettingsWindow::Open(host)) return 1;
    MSG msg = {};
    while (!(host.done() && !ShowsAWindow()) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    OwnedForms::ReleaseAll();
    return 0;
}

}  // namespace vantrel
