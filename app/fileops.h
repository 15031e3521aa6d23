#pragma once
// Save and Open bound to the main window: the window's element table seen as a theme, and
// opening a package into the window without dialogs (for `skarvel-cli preview --theme`).
#include <string>

class TfmMain;

// Opens `package` into `folder` + "/files/" like Open does, emptying a non-empty unpack folder
// without asking. Throws platform::Error on failure, and when the package is damaged.
void openThemeInto(TfmMain& window, const std::string& package, const std::string& folder);
