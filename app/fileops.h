#pragma once
// Save and Open bound to the main window: the window's element table seen as a theme, opening
// the package named on the command line, and opening a package into the window without dialogs
// (for `skarvel-cli preview --theme`).
#include <QStringList>
#include <string>

class TfmMain;

// The editor's command line is the program and, optionally, one package to open. The package
// is opened (from the folder browser on) once the event loop runs, so the window is already
// shown; failures go to the error display.
void openPackageFromCommandLine(TfmMain& window, const QStringList& arguments);

// Opens `package` into `folder` + "/files/" like Open does, emptying a non-empty unpack folder
// without asking. Throws platform::Error on failure, and when the package is damaged.
void openThemeInto(TfmMain& window, const std::string& package, const std::string& folder);
