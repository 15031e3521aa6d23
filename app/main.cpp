// The editor: one main window, created with New theme, centred on the screen. A package named
// on the command line (a file manager's "Open with") is opened once the window shows.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QScreen>

#include <cstdio>
#include <new>

#include "app/fileops.h"
#include "app/mainwindow.h"
#include "platform/pending.h"

namespace {

void describeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("Editor for phone theme packages (.nth)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("package"), QStringLiteral("Theme package to open."),
                                 QStringLiteral("[package]"));
}

// --help and --version are answered without a window system, so they also work without a display.
bool asksOnlyForText(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") return false;
        if (argument == "-h" || argument == "--help" || argument == "-?" || argument == "--help-all" ||
            argument == "-v" || argument == "--version")
            return true;
    }
    return false;
}

int runEditor(int argc, char** argv) {
    QCoreApplication::setApplicationVersion(QStringLiteral(SKARVEL_VERSION));
    QCommandLineParser parser;
    describeCommandLine(parser);
    if (asksOnlyForText(argc, argv)) {
        QCoreApplication textOnly(argc, argv);
        parser.process(textOnly);  // prints the text and exits
    }
    QApplication application(argc, argv);
    parser.process(application);
    QApplication::setApplicationName(QStringLiteral("Skarvel"));
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
    openPackageFromCommandLine(window,
                               QStringList{QCoreApplication::arguments().constFirst()} << parser.positionalArguments());
    const int result = application.exec();
    platform::setPendingMessagesHook(nullptr);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    // Handlers show their own failures; running out of memory anywhere else ends the editor.
    try {
        return runEditor(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("skarvel: Out of memory\n", stderr);
        return 1;
    }
}
