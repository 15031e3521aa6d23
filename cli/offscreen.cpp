#include "cli/offscreen.h"

#include <QGuiApplication>

namespace cli {

void ensureOffscreenGuiApplication() {
    if (QGuiApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing is typed here: loading the input method plugins would only cost start-up time.
    qputenv("QT_IM_MODULE", "none");
    static int argc = 1;
    static char name[] = "skarvel-cli";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}

}  // namespace cli
