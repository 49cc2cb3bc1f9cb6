#include "app/main_window_win.h"
#include "app/settings_opener_win.h"

namespace vantrel {

void OpenSettingsWindow(MainWindow& main) { (void)main; }

}  // namespace vantrel
