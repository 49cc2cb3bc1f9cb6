// System libraries loaded at run time. Sound and the file dialogs are loaded
// on first use: the program spends most of its life waiting in the tray, and
// until a countdown, a sound or a Browse button needs them it carries neither.
// The common controls are loaded at start-up (WinMain), before the first
// window: under a manifest that asks for their version 6, Windows XP creates
// no window of any class until they are.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <oleauto.h>
#include <objbase.h>

namespace vantrel {

// Loads the common controls and registers every class the program's windows
// use. WinMain calls it first; windows that need a progress bar, list view,
// date or time picker, tooltip or image list call it again, which costs
// nothing and keeps the test program, which has no WinMain, working.
void EnsureCommonControls();
bool CommonControlsLoaded();
// The major version of the common controls the process uses: 6 under the
// program's manifest, 5 where it is not honoured (and in the test program,
// which has none); 0 when it cannot be told.
unsigned CommonControlsMajorVersion();

// ImageList_LoadImageA on the program's own resources; null when the
// library or the image cannot be loaded.
HIMAGELIST LoadImageListBitmap(const char* name, int width);
void DestroyImageList(HIMAGELIST list);

// PlaySoundW with a GBK file name (nullptr: stop); FALSE when the sound
// library cannot be loaded.
BOOL PlaySoundOnDemand(const char* sound, DWORD flags);
// Ends any sound the program plays; without the library loaded nothing can be
// playing, so it is not loaded for this.
void StopSoundOnDemand();

// mciSendStringA; MCIERR_DEVICE_NOT_INSTALLED when the library cannot be
// loaded.
MCIERROR MciSendStringOnDemand(const char* command, HWND callback);

// Loads a library of the system folder by its full path, so that no copy in
// the program's folder or the current folder (the program runs with
// administrator rights) can stand in for it; null when it cannot be loaded.
// Loaded once and kept to the end of the program.
HMODULE LoadSystemLibrary(const char* name);

// GetOpenFileNameW; FALSE (nothing chosen) when the library cannot be loaded.
BOOL GetOpenFileNameOnDemand(OPENFILENAMEW* ofn);

// COM and its strings, for the start-at-logon task: ole32 and oleaut32 load
// only when the task service is asked, never for a program that just waits
// in the tray. Without the library the calls fail with E_FAIL, null or 0.
HRESULT CoInitializeExOnDemand(DWORD model);
void CoUninitializeOnDemand();
HRESULT CoCreateInstanceOnDemand(REFCLSID clsid, REFIID iid, void** object);
BSTR SysAllocStringLenOnDemand(const wchar_t* text, UINT length);
void SysFreeStringOnDemand(BSTR text);
UINT SysStringLenOnDemand(BSTR text);

}  // namespace vantrel
