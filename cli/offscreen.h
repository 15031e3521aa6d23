#pragma once
// The Qt Gui application of the commands that paint (preview, thumbnail): offscreen, so that
// no display is needed, and without widgets.
namespace cli {

// Creates the process's QGuiApplication on the offscreen platform, once.
void ensureOffscreenGuiApplication();

}  // namespace cli
