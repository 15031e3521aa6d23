#pragma once
// The one Qt application object of a test process, made on first use and kept until exit (Qt
// objects that tests leave behind may still refer to it while static objects are destroyed).
// `Application` is QGuiApplication for the tests that need no widgets, QApplication otherwise;
// `name` becomes the program name the application sees.
#include <QByteArray>
#include <QCoreApplication>

#include <string>

namespace testsupport {

template <class Application>
void ensureApplication(const char* name) {
    if (QCoreApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static std::string program = name;
    static char* argv[] = {program.data(), nullptr};
    static Application* application = new Application(argc, argv);
    (void)application;
}

}  // namespace testsupport
