// The peer of app_startup_bench: the least a Qt Widgets program of the editor's kind does to
// show its window. An empty QMainWindow of the editor's size with a two-item menu bar (a "Файл"
// menu and an "About" command), shown and run until it is closed.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Peer"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("Файл"));
    file->addAction(QStringLiteral("Выход"), &window, &QWidget::close);
    window.menuBar()->addAction(QStringLiteral("About"));
    window.setCentralWidget(new QWidget);
    window.resize(824, 607 + window.menuBar()->sizeHint().height());
    window.show();
    return application.exec();
}
