#pragma once
// Driving the window's phone screen without showing the window: files are loaded into the
// element table the way Open loads them (path, then the reload request) and UpdatePreview
// composes the screen for one mode. The tests and the benchmarks compare against it.
#include <QImage>
#include <QString>

class TfmMain;

// Writes `path` into the element's path field and runs the reload request; throws the
// picture loading rule's error.
void loadElement(TfmMain& window, int tag, const QString& path);

// Presses the preview button of `mode` (so PreviewMode and the radio group follow) and returns
// the 208 x 208 screen.
QImage renderPreview(TfmMain& window, int mode);
