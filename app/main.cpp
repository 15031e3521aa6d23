// The editor: one main window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationName("Skarvel");
    QMainWindow window;
    window.setWindowTitle("Skarvel");
    window.resize(824, 607);
    window.show();
    return application.exec();
}
