// Start-up and preview speed of the editor window, offscreen, in one process:
//  - creating TfmMain (with New theme) until its first paint, against creating and painting an
//    empty QMainWindow of the same size (the floor); target: within 3 times the floor;
//  - one UpdatePreview per preview mode with all 25 elements filled; target: under 2 ms each.
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "theme/elements.h"
#include "app/mainwindow.h"
#include "app/preview_export.h"

namespace {

constexpr int kStartupRuns = 15;
constexpr int kPreviewRuns = 200;
constexpr int kModes[] = {201, 202, 203, 210, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

// Notes the first paint of a window's contents.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

struct StartupTime {
    double created = 0;  // ms until the constructor returned
    double painted = 0;  // ms until the first paint
};

// Milliseconds from creating a window to its first paint.
StartupTime timeToFirstPaint(const std::function<QMainWindow*()>& create) {
    QElapsedTimer timer;
    timer.start();
    QMainWindow* window = create();
    const double created = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    PaintWatch watch;
    window->installEventFilter(&watch);
    if (window->centralWidget()) window->centralWidget()->installEventFilter(&watch);
    window->show();
    while (!watch.painted && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double painted = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    delete window;
    QCoreApplication::processEvents();
    return {created, painted};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QImage gradient(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient fill(0, 0, width, height);
    fill.setColorAt(0, QColor::fromHsv(seed * 23 % 360, 200, 220));
    fill.setColorAt(1, QColor::fromHsv(seed * 41 % 360, 180, 90));
    painter.fillRect(image.rect(), fill);
    return image;
}

// Realistic element files: JPEG screens, PNG large icons, a mix of BMP, GIF-free PNG small icons.
void fillTheme(TfmMain& window, const QTemporaryDir& folder) {
    int seed = 0;
    for (int tag : theme::kElementTags) {
        ++seed;
        QString name;
        QImage image;
        if (tag >= 201) {
            image = gradient(208, 208, seed);
            name = QStringLiteral("e%1.jpg").arg(tag);
        } else if (tag <= theme::kMenuItemCount) {
            image = gradient(132, 124, seed);
            name = QStringLiteral("e%1.png").arg(tag);
        } else {
            image = gradient(62, 62, seed);
            name = QStringLiteral("e%1.%2").arg(tag).arg(tag % 2 ? "bmp" : "png");
        }
        const QString path = folder.filePath(name);
        image.save(path, nullptr, 90);
        loadElement(window, tag, path);
    }
}

QMainWindow* emptyWindow() {
    auto* window = new QMainWindow;
    window->setCentralWidget(new QWidget);
    window->resize(832, 653);
    return window;
}

// The empty window with nothing but a menu bar like the editor's: what any window with that
// menu costs before its first control.
QMainWindow* menuOnlyWindow() {
    QMainWindow* window = emptyWindow();
    auto* bar = new QMenuBar(window);
    window->setMenuBar(bar);
    QMenu* file = bar->addMenu(QStringLiteral("Файл"));
    for (const char* item : {"Новая", "Открыть", "Сохранить"}) file->addAction(QString::fromUtf8(item));
    file->addSeparator();
    file->addAction(QStringLiteral("Выход"));
    bar->addAction(QStringLiteral("About"));
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    // Warm-up: fonts, styles and plugins load once per process.
    timeToFirstPaint([] { return new TfmMain; });

    std::vector<double> floor, menuOnly, startup, construction;
    for (int run = 0; run < kStartupRuns; ++run) {
        floor.push_back(timeToFirstPaint(emptyWindow).painted);
        menuOnly.push_back(timeToFirstPaint(menuOnlyWindow).painted);
        const StartupTime editor = timeToFirstPaint([] { return new TfmMain; });
        startup.push_back(editor.painted);
        construction.push_back(editor.created);
    }
    const double floorMs = median(floor), startupMs = median(startup);
    std::printf("start-up to first paint (median of %d)\n", kStartupRuns);
    std::printf("  empty QMainWindow (floor)  %8.2f ms\n", floorMs);
    std::printf("  the same with the menu bar %8.2f ms   ratio %.2f (reference)\n", median(menuOnly),
                median(menuOnly) / floorMs);
    std::printf("  TfmMain with New theme     %8.2f ms   ratio %.2f (target <= 3)\n", startupMs, startupMs / floorMs);
    std::printf("    of which construction    %8.2f ms\n", median(construction));

    QTemporaryDir folder;
    TfmMain window;
    fillTheme(window, folder);
    std::printf("UpdatePreview per mode (mean of %d, all 25 elements filled; target < 2 ms)\n", kPreviewRuns);
    double worst = 0;
    for (int mode : kModes) {
        window.previewButton(mode)->click();
        QElapsedTimer timer;
        timer.start();
        for (int run = 0; run < kPreviewRuns; ++run) window.UpdatePreview();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6 / kPreviewRuns;
        worst = std::max(worst, ms);
        std::printf("  mode %3d  %8.4f ms\n", mode, ms);
    }
    std::printf("  slowest   %8.4f ms\n", worst);
    return 0;
}
