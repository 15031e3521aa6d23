#include "cli/offscreen.h"

#include <QGuiApplication>

namespace cli {

void ensureOffscreenGuiApplication() {
    if (QGuiApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "skarvel-cli";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}

}  // namespace cli
