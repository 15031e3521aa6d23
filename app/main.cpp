// The editor: one main window, created with New theme, centred on the screen. A package named
// on the command line (a file manager's "Open with") is opened once the window shows.
#include <QApplication>
#include <QIcon>
#include <QScreen>

#include <cstdio>
#include <new>

#include "app/fileops.h"
#include "app/mainwindow.h"
#include "platform/pending.h"

static int runEditor(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skarvel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Skarvel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("skarvel"));
    QIcon icon;
    for (const char* name : {"icon_48.png", "icon_128.png"}) icon.addPixmap(windowPixmap(name));
    QApplication::setWindowIcon(icon);
    // Long archive runs let the window repaint and take input through this hook.
    platform::setPendingMessagesHook([] { QCoreApplication::processEvents(); });

    TfmMain window;
    if (QScreen* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    openPackageFromCommandLine(window, QCoreApplication::arguments());
    const int result = application.exec();
    platform::setPendingMessagesHook(nullptr);
    return result;
}

int main(int argc, char** argv) {
    // Handlers show their own failures; running out of memory anywhere else ends the editor.
    try {
        return runEditor(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("skarvel: Out of memory\n", stderr);
        return 1;
    }
}
