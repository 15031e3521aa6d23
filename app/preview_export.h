#pragma once
// Rendering the phone screen without showing the window: files are loaded into the element
// table the way Open loads them (path, then the reload request) and UpdatePreview composes the
// screen for one mode. Used by `skarvel-cli preview`.
#include <QImage>
#include <QString>
#include <optional>
#include <string_view>

class TfmMain;

// The element tag of an icon by its descriptor item_id ("messages", "contacts", ...) and size;
// nothing for an unknown id.
std::optional<int> iconTag(std::string_view itemId, bool large);

// True for the fifteen preview modes (201, 202, 203, 210, 1 to 11).
bool isPreviewMode(int mode);

// Writes `path` into the element's path field and runs the reload request; throws the
// picture loading rule's error.
void loadElement(TfmMain& window, int tag, const QString& path);

// Presses the preview button of `mode` (so PreviewMode and the radio group follow) and returns
// the 208 x 208 screen.
QImage renderPreview(TfmMain& window, int mode);
