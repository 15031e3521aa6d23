#pragma once
// Shared pieces of the window tests: one QApplication for the process (offscreen), a main
// window whose dialogs are scripted, and picture files written with Qt into a temporary folder.
#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include "app/dialogs.h"
#include "app/mainwindow.h"
#include "support/qt_application.h"

namespace apptest {

inline void ensureApplication() { testsupport::ensureApplication<QApplication>("app_tests"); }

// A window with scripted dialogs (owned by the window).
struct Window {
    ScriptedDialogs* script = nullptr;  // the scripted answers and what was shown
    std::unique_ptr<TfmMain> window;

    explicit Window(std::optional<QByteArray> defaultScreensaver = std::nullopt) {
        ensureApplication();
        auto scripted = std::make_unique<ScriptedDialogs>();
        script = scripted.get();
        TfmMain::Options options;
        options.dialogs = std::move(scripted);
        options.defaultScreensaver = std::move(defaultScreensaver);
        window = std::make_unique<TfmMain>(std::move(options));
    }
    TfmMain* operator->() const { return window.get(); }
    TfmMain& operator*() const { return *window; }
};

// A picture file in `folder`: `image` saved by Qt in the format its extension names
// (or `format` when given).
inline QString writePicture(const QTemporaryDir& folder, const QString& name, const QImage& image,
                            const char* format = nullptr) {
    const QString path = folder.filePath(name);
    EXPECT_TRUE(image.save(path, format, 100)) << path.toStdString();
    return path;
}

inline QImage filled(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

inline QColor pixel(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

}  // namespace apptest
