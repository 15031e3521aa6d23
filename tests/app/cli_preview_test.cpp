// skarvel-cli preview renders with the window's own code: its PNG equals the in-process screen.
#include <QProcess>

#include "app/preview_export.h"
#include "app_test_support.h"

using apptest::filled;
using apptest::Window;
using apptest::writePicture;

namespace {

struct CliRun {
    int exitCode;
    QString errors;
};

CliRun runCli(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(SKARVEL_CLI), QStringList{"preview"} + arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

TEST(CliPreview, WritesTheSameScreenAsTheWindow) {
    apptest::ensureApplication();
    QTemporaryDir folder;
    const QString background = writePicture(folder, "bg.png", filled(208, 208, Qt::darkCyan));
    const QString large = writePicture(folder, "ptt.bmp", filled(90, 200, Qt::red));
    const QString small = writePicture(folder, "msg.png", filled(62, 62, Qt::yellow));
    const QString output = folder.filePath("out.png");
    for (int mode : {7, 203}) {
        SCOPED_TRACE(mode);
        const CliRun run = runCli({"--background", background, "--icon", "push_to_talk:large=" + large, "--icon",
                                   "messages:small=" + small, "--mode", QString::number(mode), "-o", output});
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        Window window;
        loadElement(*window, 202, background);
        loadElement(*window, 7, large);
        loadElement(*window, 101, small);
        const QImage expected = renderPreview(*window, mode).convertToFormat(QImage::Format_RGB32);
        const QImage written = QImage(output).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(written.size(), QSize(208, 208));
        EXPECT_EQ(written, expected);
    }
}

TEST(CliPreview, Failures) {
    QTemporaryDir folder;
    const QString output = folder.filePath("out.png");
    const struct {
        QStringList arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"--mode", "204", "-o", output}, 2, "--mode must be one of"},
        {{"--icon", "weather:large=x.png", "--mode", "1", "-o", output}, 2, "unknown item_id"},
        {{"--icon", "messages:huge=x.png", "--mode", "1", "-o", output}, 2, "large or small"},
        {{"--wallpaper", folder.filePath("none.png"), "--mode", "201", "-o", output}, 1, "Cannot open file"},
        {{"--wallpaper", folder.filePath("w.tiff"), "--mode", "201", "-o", output},
         1,
         "Unknown picture file extension (.tiff)"},
        {{"--mode", "201", "-o", folder.filePath("missing/out.png")}, 1, "Cannot create file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CliRun run = runCli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.errors.contains(QString::fromUtf8(c.message))) << run.errors.toStdString();
    }
    EXPECT_FALSE(QFile::exists(output));
}

TEST(CliPreview, LoadsNoQtWidgets) {
    // The dynamic loader lists every library it maps, also those loaded later (the platform plugin).
    QTemporaryDir folder;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_DEBUG", "files");
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(SKARVEL_CLI), {"preview", "--mode", "203", "-o", folder.filePath("out.png")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    const QString loaded = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(loaded.contains("libQt6Gui")) << "the loader's list is missing";
    EXPECT_FALSE(loaded.contains("libQt6Widgets"));
}
