// Save and Open: placeholders until the theme workflows are bound to the window.
#include "app/mainwindow.h"
#include "platform/errors.h"

void TfmMain::sbSaveClick() { throw platform::Error("Saving themes is not ready yet"); }

void TfmMain::sbOpenClick() { throw platform::Error("Opening themes is not ready yet"); }
