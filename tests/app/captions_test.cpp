// The captions a window manager shows: the editor runs on a virtual X display (Xvfb) and every
// top-level window's _NET_WM_NAME, read with xprop, is exactly the title the window gives itself,
// with nothing appended. Named on the command line, a package opens the folder browser at once,
// so two windows show without any input.
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>

#include "app_test_support.h"

namespace {

// An Xvfb server on the first free display, stopped with the object.
class VirtualDisplay {
public:
    VirtualDisplay() {
        server_.setProgram(QStringLiteral("Xvfb"));
        server_.setArguments({"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        server_.start();
        QByteArray number;
        while (!number.contains('\n') && server_.waitForReadyRead(10000)) number += server_.readAllStandardOutput();
        if (number.contains('\n')) name_ = u':' + QString::fromLatin1(number.trimmed());
    }
    ~VirtualDisplay() {
        server_.terminate();
        server_.waitForFinished(5000);
    }
    const QString& name() const { return name_; }

private:
    QProcess server_;
    QString name_;
};

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));  // xprop prints UTF-8 as is
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The _NET_WM_NAME of every top-level window of the display that has one.
QStringList windowCaptions(const QString& display) {
    QStringList captions;
    const QString tree = run(QStringLiteral("xwininfo"), {"-display", display, "-root", "-children"});
    static const QRegularExpression windowId(QStringLiteral("^\\s+(0x[0-9a-f]+)"), QRegularExpression::MultilineOption);
    static const QRegularExpression quoted(QStringLiteral("= \"(.*)\"$"));
    for (const QRegularExpressionMatch& id : windowId.globalMatch(tree)) {
        const QString property =
            run(QStringLiteral("xprop"), {"-display", display, "-id", id.captured(1), "_NET_WM_NAME"}).trimmed();
        const QRegularExpressionMatch caption = quoted.match(property);
        if (caption.hasMatch()) captions << caption.captured(1);
    }
    return captions;
}

const QString kFolderPrompt = QStringLiteral("Выберите каталог для распаковки темы");

struct EditorRun {
    QStringList captions;  // of every top-level window, once both expected ones showed
    QString errors;        // what the editor wrote to its error output
};

// Starts the editor on `display` with a package on its command line and collects the captions.
EditorRun runEditor(const QString& display) {
    QTemporaryDir folder;
    QProcess editor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    // libxkbcommon-x11 reads keymap names with strndup past their end, which AddressSanitizer's
    // strict string checks report as an overflow inside that library.
    if (environment.contains(QStringLiteral("ASAN_OPTIONS")))
        environment.insert(QStringLiteral("ASAN_OPTIONS"), environment.value(QStringLiteral("ASAN_OPTIONS")) +
                                                               QStringLiteral(":strict_string_checks=0"));
    editor.setProcessEnvironment(environment);
    editor.setWorkingDirectory(folder.path());
    editor.start(QStringLiteral(SKARVEL_EDITOR), {folder.filePath("theme.nth")});
    EditorRun run;
    if (!editor.waitForStarted(10000)) return run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline && editor.state() == QProcess::Running) {
        run.captions = windowCaptions(display);
        if (run.captions.contains("Skarvel") && run.captions.contains(kFolderPrompt)) break;
        QThread::msleep(200);
    }
    editor.kill();
    editor.waitForFinished(5000);
    run.errors = QString::fromUtf8(editor.readAllStandardError());
    return run;
}

}  // namespace

TEST(Captions, EveryWindowShowsExactlyItsOwnTitleOnX11) {
    for (const char* tool : {"Xvfb", "xprop", "xwininfo"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed";
    // A display that another program on the machine takes over or shuts down is tried again.
    EditorRun run;
    for (int attempt = 0; attempt < 3; ++attempt) {
        VirtualDisplay display;
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
        run = runEditor(display.name());
        if (!run.errors.contains("could not connect to display")) break;
    }
    EXPECT_TRUE(run.captions.contains("Skarvel")) << run.captions.join(" | ").toStdString() << "\n"
                                                  << run.errors.toStdString();
    EXPECT_TRUE(run.captions.contains(kFolderPrompt)) << run.captions.join(" | ").toStdString();
    for (const QString& caption : run.captions)
        EXPECT_FALSE(caption.contains(QStringLiteral(" — "))) << caption.toStdString();
}
