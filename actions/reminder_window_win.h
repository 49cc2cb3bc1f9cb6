// The reminder window's fixed names, for whoever needs to find an open
// reminder and its controls (the tests do).
#pragma once

namespace vantrel {

extern const char* const kReminderClassName;  // "TForm6"
const int kReminderLabelId = 101;             // Label1
const int kReminderButtonId = 102;            // Button1 ("确定")

}  // namespace vantrel
