// System libraries the program needs only now and then, loaded on first use
// rather than at start-up. The program spends most of its life waiting in
// the tray; until a window, a countdown, a sound or a Browse button needs
// them it carries neither the common controls (under the manifest even a
// plain button pulls in their version 6) nor sound nor the file dialogs.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>

namespace vantrel {

// Loads the common controls and registers every class the program's windows
// use. Call before building a window with a progress bar, list view, date or
// time picker, tooltip or image-list button; later calls cost nothing.
void EnsureCommonControls();
bool CommonControlsLoaded();

// ImageList_LoadImageA on the program's own resources; null when the
// library or the image cannot be loaded.
HIMAGELIST LoadImageListBitmap(const char* name, int width);
void DestroyImageList(HIMAGELIST list);

// PlaySoundA; FALSE when the sound library cannot be loaded.
BOOL PlaySoundOnDemand(const char* sound, DWORD flags);
// Ends any sound the program plays; without the library loaded nothing can be
// playing, so it is not loaded for this.
void StopSoundOnDemand();

// mciSendStringA; MCIERR_DEVICE_NOT_INSTALLED when the library cannot be
// loaded.
MCIERROR MciSendStringOnDemand(const char* command, HWND callback);

// GetOpenFileNameA; FALSE (nothing chosen) when the library cannot be loaded.
BOOL GetOpenFileNameOnDemand(OPENFILENAMEA* ofn);

}  // namespace vantrel
