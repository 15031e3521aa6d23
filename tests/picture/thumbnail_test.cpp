// skarvel-cli thumbnail, the command file managers run on every downloaded package: the idle
// screen of a good theme, and on damaged or hostile input exit 1 fast, with no OUT and nothing
// left in the temporary folder.
#include <signal.h>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include "tests/picture/fixtures.h"

namespace {

// The command gives up 1.8 s after it starts; a sanitizer build takes a good part of a second
// more to start on a busy machine.
constexpr qint64 kEndsWithinMs = 3500;

struct CliRun {
    int exitCode = -1;
    QString errors;
    QString output;
    qint64 milliseconds = 0;
};

class Thumbnail : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(tmp.isValid());
    }

    // Runs skarvel-cli with TMPDIR pointing at `tmp`, so that whatever it leaves there shows, and
    // with the given NAME=value variables.
    CliRun run(const QStringList& arguments, const QStringList& variables = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", tmp.path());
        for (const QString& variable : variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        process.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(SKARVEL_CLI), arguments);
        process.waitForFinished(20000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError()),
                QString::fromUtf8(process.readAllStandardOutput()), timer.elapsed()};
    }

    QString write(const QString& name, const QByteArray& bytes) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QString picture(const QString& name, QColor colour) {
        return write(name, fixtures::encodeWithQt(fixtures::filled(208, 208, colour, colour), "png"));
    }

    // A package saved by skarvel-cli from the given field options.
    QString save(const QString& name, const QStringList& fields) {
        const QString package = folder.filePath(name);
        const CliRun saved = run(QStringList{"theme", "save", package} + fields);
        EXPECT_EQ(saved.exitCode, 0) << saved.errors.toStdString();
        return package;
    }

    // A package of a hand-written descriptor and the given files, written by skarvel-cli zip.
    QString packageOf(const QString& name, const QByteArray& descriptor, const QStringList& files = {}) {
        const QString descriptorPath = write("theme_descriptor.xml", descriptor);
        const QString package = folder.filePath(name);
        const CliRun zipped = run(QStringList{"zip", package} + files + QStringList{descriptorPath});
        EXPECT_EQ(zipped.exitCode, 0) << zipped.errors.toStdString();
        return package;
    }

    QStringList leftInTmp() const {
        return QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    // After a run that the deadline ended, the janitor removes the folder a moment later.
    QStringList leftInTmpByTheJanitor() const {
        QElapsedTimer timer;
        timer.start();
        while (!leftInTmp().isEmpty() && timer.elapsed() < 1000) QThread::msleep(10);
        return leftInTmp();
    }

    QTemporaryDir folder;
    QTemporaryDir tmp;
};

QByteArray descriptorNaming(const char* wallpaper) {
    return QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<theme name=\"T\" version=\"1.1\">\n"
               "  <wallpaper   src=\"") +
           wallpaper + "\"/>\n</theme>\n";
}

}  // namespace

TEST_F(Thumbnail, IdleScreenOrBackgroundScaledToFit) {
    const QString wallpaper = picture("wall.png", Qt::red);
    const QString background = picture("bg.png", Qt::blue);
    const QString full = save("full.nth", {"--wallpaper", wallpaper, "--background", background});
    const QString noWallpaper = save("bg-only.nth", {"--background", background});
    const QString out = folder.filePath("out.png");

    const struct {
        const char* name;
        QString package;
        QStringList size;
        int side;
        QColor screen;
    } cases[] = {
        {"idle screen, default size", full, {}, 128, Qt::red},
        {"no wallpaper: the background view", noWallpaper, {"--size", "64"}, 64, Qt::blue},
        {"larger than the screen", full, {"--size", "256"}, 256, Qt::red},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun made = run(QStringList{"thumbnail", c.package, out} + c.size);
        ASSERT_EQ(made.exitCode, 0) << made.errors.toStdString();
        const QImage thumbnail(out);
        ASSERT_EQ(thumbnail.size(), QSize(c.side, c.side));
        // Half-way down the screen, between the title and the soft keys, lies the picture alone.
        EXPECT_EQ(thumbnail.pixelColor(c.side / 2, c.side * 55 / 100), c.screen);
        EXPECT_TRUE(leftInTmp().isEmpty()) << leftInTmp().join(' ').toStdString();
    }

    // At the screen's own size the thumbnail is the preview of mode 201.
    const QString preview = folder.filePath("preview.png");
    ASSERT_EQ(run({"preview", "--theme", full, "--mode", "201", "-o", preview}).exitCode, 0);
    ASSERT_EQ(run({"thumbnail", full, out, "--size", "208"}).exitCode, 0);
    EXPECT_EQ(QImage(out).convertToFormat(QImage::Format_RGB32), QImage(preview).convertToFormat(QImage::Format_RGB32));
}

TEST_F(Thumbnail, BelowTheScreensSizeThePicturesAloneInTheirPlaces) {
    // A wallpaper smaller than the screen sits centred on white; the texts would lie over both.
    const QImage wallpaper = fixtures::filled(100, 60, Qt::blue, Qt::green);
    const QString package = save("t.nth", {"--wallpaper", write("wall.png", fixtures::encodeWithQt(wallpaper, "png"))});
    QImage screen(208, 208, QImage::Format_ARGB32_Premultiplied);
    screen.fill(Qt::white);
    QPainter(&screen).drawImage((208 - 100) / 2, (208 - 60) / 2, wallpaper);

    const QString out = folder.filePath("out.png");
    for (const int side : {128, 207}) {
        SCOPED_TRACE(side);
        const CliRun made = run({"thumbnail", package, out, "--size", QString::number(side)});
        ASSERT_EQ(made.exitCode, 0) << made.errors.toStdString();
        const QImage expected = screen.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        EXPECT_EQ(QImage(out).convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32));
    }
}

TEST_F(Thumbnail, OnlyTextsLargeEnoughToReadStartQtGuiAndLoadFonts) {
    // The loader names each library and plugin it opens; fontconfig names each configuration file.
    const QString package = save("t.nth", {"--wallpaper", picture("wall.png", Qt::red)});
    const struct {
        int side;
        bool withTexts;
    } cases[] = {{1, false}, {128, false}, {207, false}, {208, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.side);
        const CliRun made = run({"thumbnail", package, folder.filePath("out.png"), "--size", QString::number(c.side)},
                                {"LD_DEBUG=files", "FC_DEBUG=1024"});
        ASSERT_EQ(made.exitCode, 0) << made.errors.toStdString();
        EXPECT_EQ(made.errors.contains("plugins/platforms/"), c.withTexts);
        EXPECT_EQ(made.output.contains("fonts.conf"), c.withTexts);
    }
}

TEST_F(Thumbnail, HostileInputExitsOneFastLeavingNothing) {
    const QString good = save("good.nth", {"--wallpaper", picture("wall.png", Qt::red)});
    QFile goodFile(good);
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray goodBytes = goodFile.readAll();
    QByteArray flipped = goodBytes;
    for (int i = 60; i < 400; ++i) flipped[i] = char(flipped[i] ^ 0x5A);  // inside the first member's data
    const QString fifo = folder.filePath("fifo.nth");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);

    const struct {
        const char* name;
        QString package;
        const char* message;
    } cases[] = {
        {"no such file", folder.filePath("none.nth"), ""},
        {"not an archive", write("noise.nth", QByteArray(5000, '\x37')), ""},
        {"damaged member data", write("flipped.nth", flipped), ""},
        {"cut in half", write("half.nth", goodBytes.left(goodBytes.size() / 2)), ""},
        {"descriptor names a file outside the package", packageOf("escape.nth", descriptorNaming("../../etc/hostname")),
         "File name leaves the unpack folder"},
        {"descriptor names the unpack folder", packageOf("dot.nth", descriptorNaming(".")),
         "names no file of the package"},
        {"wallpaper declaring 20000 x 20000 pixels",
         packageOf("huge.nth", descriptorNaming("huge.png"), {write("huge.png", fixtures::pngDeclaring(20000, 20000))}),
         "Image is too large"},
        {"a pipe in place of a file", fifo, ""},
    };
    const QString out = folder.filePath("out.png");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun made = run({"thumbnail", c.package, out});
        EXPECT_EQ(made.exitCode, 1);
        EXPECT_TRUE(made.errors.startsWith("skarvel-cli: ")) << made.errors.toStdString();
        EXPECT_TRUE(made.errors.contains(QString::fromUtf8(c.message))) << made.errors.toStdString();
        EXPECT_LT(made.milliseconds, kEndsWithinMs);
        EXPECT_FALSE(QFile::exists(out));
        EXPECT_TRUE(leftInTmp().isEmpty()) << leftInTmp().join(' ').toStdString();
    }
}

TEST_F(Thumbnail, BadCommandLinesExitTwo) {
    const QString out = folder.filePath("out.png");
    for (const QStringList& arguments :
         {QStringList{"thumbnail", "x.nth", out, "--size", "0"},
          QStringList{"thumbnail", "x.nth", out, "--size", "big"}, QStringList{"thumbnail", "x.nth"}}) {
        EXPECT_EQ(run(arguments).exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST_F(Thumbnail, LoadsNoQtWidgets) {
    const QString package = save("t.nth", {"--wallpaper", picture("wall.png", Qt::red)});
    const CliRun made = run({"thumbnail", package, folder.filePath("out.png")}, {"LD_DEBUG=files"});
    EXPECT_EQ(made.exitCode, 0);
    EXPECT_TRUE(made.errors.contains("libQt6Gui")) << "the loader's list is missing";
    EXPECT_FALSE(made.errors.contains("libQt6Widgets"));
}

TEST_F(Thumbnail, DeadlineEndsARunThatHangs) {
    // Writing OUT when OUT is a pipe nobody reads blocks for good: the deadline ends the run.
    const QString package = save("t.nth", {"--wallpaper", picture("wall.png", Qt::red)});
    const QString out = folder.filePath("out.png");
    ASSERT_EQ(::mkfifo(out.toLocal8Bit().constData(), 0600), 0);
    const CliRun made = run({"thumbnail", package, out});
    EXPECT_EQ(made.exitCode, 1);
    EXPECT_TRUE(made.errors.contains("took too long")) << made.errors.toStdString();
    EXPECT_LT(made.milliseconds, kEndsWithinMs);
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_TRUE(leftInTmpByTheJanitor().isEmpty()) << leftInTmp().join(' ').toStdString();
}

TEST_F(Thumbnail, JanitorCleansUpAfterAStoppedRun) {
    // A run that cannot even take its deadline's signal is killed, and its folder still goes.
    const QString package = save("t.nth", {"--wallpaper", picture("wall.png", Qt::red)});
    const QString out = folder.filePath("out.png");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", tmp.path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(SKARVEL_CLI), {"thumbnail", package, out});
    ASSERT_TRUE(process.waitForStarted());
    // Once the janitor runs (the run's one child), the run is frozen.
    const QString children = QStringLiteral("/proc/%1/task/%1/children").arg(process.processId());
    QByteArray janitor;
    while (janitor.isEmpty() && process.state() == QProcess::Running) {
        QFile list(children);
        if (list.open(QIODevice::ReadOnly)) janitor = list.readAll().trimmed();
    }
    ASSERT_FALSE(janitor.isEmpty());
    ASSERT_EQ(::kill(pid_t(process.processId()), SIGSTOP), 0);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_NE(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, 0);
    EXPECT_LT(timer.elapsed(), kEndsWithinMs);
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_TRUE(leftInTmpByTheJanitor().isEmpty()) << leftInTmp().join(' ').toStdString();
}
