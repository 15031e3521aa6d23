#pragma once
// The phone screen painted from a screen plan with Qt Gui alone (no widgets): what the editor's
// phone screen shows, as a 208 x 208 image. The texts need a QGuiApplication for their fonts;
// the pictures alone need none.
#include <QColor>
#include <QFont>
#include <QImage>
#include <functional>

#include "picture/picture.h"
#include "theme/screen_plan.h"

namespace screen {

// The face of the screen's texts at `pixelSize`: "Impact" where it is installed, else `base`
// (by default the application's face) condensed and bold, which fontconfig resolves to an
// installed condensed bold face.
QFont textFont(int pixelSize, QFont base);
QFont textFont(int pixelSize);

// The decoded picture of an element tag, or null when the element holds none.
using PictureLookup = std::function<const picture::Picture*(int tag)>;

// Paints the screen as the window's controls draw it, bottom to top: the white screen, Layer1
// (opaque), Layer2 (transparent), the five texts in `textColour`, the icon cells (transparent).
// Each picture shows its first frame at its own size, centred in its box (offsets truncated
// toward zero) and cut off at the box. A plan of an unknown mode paints the bare white screen.
QImage renderScreen(const theme::ScreenPlan& plan, const PictureLookup& pictures, QColor textColour);
// The same in the application palette's window-text colour.
QImage renderScreen(const theme::ScreenPlan& plan, const PictureLookup& pictures);
// The same screen without its texts: the layers and icon cells in their places. Loads no fonts
// and needs no QGuiApplication.
QImage renderScreenPictures(const theme::ScreenPlan& plan, const PictureLookup& pictures);

}  // namespace screen
