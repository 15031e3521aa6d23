#pragma once
// Rendering the phone screen without showing the window: files are loaded into the element
// table the way Open loads them (path, then the reload request) and UpdatePreview composes the
// screen for one mode. Used by `skarvel-cli preview`.
#include <QImage>
#include <QString>

class TfmMain;

// True for the fifteen preview modes (201, 202, 203, 210, 1 to 11).
bool isPreviewMode(int mode);

// Writes `path` into the element's path field and runs the reload request; throws the
// picture loading rule's error.
void loadElement(TfmMain& window, int tag, const QString& path);

// Presses the preview button of `mode` (so PreviewMode and the radio group follow) and returns
// the 208 x 208 screen.
QImage renderPreview(TfmMain& window, int mode);
