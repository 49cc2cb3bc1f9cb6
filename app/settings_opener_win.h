// Opening the settings window from the tray menu (or from a second start).
#pragma once

namespace vantrel {

class MainWindow;

// Stops the tick while the window is open, fills a new settings window from
// the registry and shows it, modeless.
void OpenSettingsWindow(MainWindow& main);

}  // namespace vantrel
