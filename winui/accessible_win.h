// What a screen reader needs of the program's windows. An input that has no
// text of its own (an edit box, a combo box, a date/time picker) is named by
// the nearest STATIC before it in z-order (creation order), the search
// stopping at a group or tab-stop control; so each window creates a label
// right before its input, the unit after it, and where no visible label
// fits, gives the input a hidden one here.
#pragma once

#include <windows.h>

namespace vantrel {

class Form;

// A hidden label holding `name`, put right before `input` in z-order.
HWND NameInput(Form& form, HWND input, const char* name);

// Tells screen readers that `window` has just appeared and wants attention
// (EVENT_SYSTEM_ALERT); they read its name and its text.
void AnnounceAlert(HWND window);

// The system's colours changed (High Contrast switched on or off): common
// controls learn of it only from their parent, and every control is drawn
// again in the new colours. The windows use system colours alone.
void FollowSystemColours(HWND window);

}  // namespace vantrel
