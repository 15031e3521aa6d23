// The window on scaled displays: at the scale factors 1.25, 1.5 and 2 every one-pixel frame and
// bevel is drawn and no label's text is cut. Each factor runs in a child process of this test
// executable, because Qt reads QT_SCALE_FACTOR once, when the application starts.
#include <QLabel>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>

#include <cmath>

#include "app_test_support.h"

using apptest::Window;

namespace {

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
}

// Whether a one-logical-pixel strip starting at logical `position` (a row when `horizontal`,
// else a column), from `from` to `to` along it, shows in `shot` as a whole line of `colour`.
bool lineDrawn(const QImage& shot, double scale, bool horizontal, int position, int from, int to, QColor colour) {
    const int first = static_cast<int>(std::floor(position * scale)) - 1;
    const int last = static_cast<int>(std::ceil((position + 1) * scale));
    for (int line = first; line <= last; ++line) {
        int matching = 0, total = 0;
        for (int along = static_cast<int>(std::ceil(from * scale)); along < static_cast<int>(to * scale); ++along) {
            const QPoint at = horizontal ? QPoint(along, line) : QPoint(line, along);
            if (!shot.rect().contains(at)) continue;
            ++total;
            matching += near(shot.pixelColor(at), colour);
        }
        if (total > 0 && matching == total) return true;
    }
    return false;
}

// The four sides of `area` (window coordinates): top and left in `topLeft`, the others in
// `bottomRight`. Corners are left out; they belong to two sides.
void expectFrame(const QImage& shot, double scale, QRect area, QColor topLeft, QColor bottomRight,
                 const QString& what) {
    const int inset = 3;
    EXPECT_TRUE(lineDrawn(shot, scale, true, area.top(), area.left() + inset, area.right() - inset, topLeft))
        << what.toStdString() << " top";
    EXPECT_TRUE(lineDrawn(shot, scale, true, area.bottom(), area.left() + inset, area.right() - inset, bottomRight))
        << what.toStdString() << " bottom";
    EXPECT_TRUE(lineDrawn(shot, scale, false, area.left(), area.top() + inset, area.bottom() - inset, topLeft))
        << what.toStdString() << " left";
    EXPECT_TRUE(lineDrawn(shot, scale, false, area.right(), area.top() + inset, area.bottom() - inset, bottomRight))
        << what.toStdString() << " right";
}

QRect inWindow(const QWidget* widget, const QWidget* window) {
    return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

// A label's text is cut when ink reaches the last device column of its box.
void expectTextWhole(const QImage& shot, double scale, const QLabel* label, QRect area) {
    const int column = static_cast<int>(std::floor((area.right() + 1) * scale)) - 1;
    for (int y = static_cast<int>(std::ceil(area.top() * scale)); y < static_cast<int>((area.bottom() + 1) * scale);
         ++y)
        if (shot.rect().contains(column, y) && qGray(shot.pixel(column, y)) < 128) {
            ADD_FAILURE() << label->objectName().toStdString() << " \"" << label->text().toStdString()
                          << "\" is cut at its right edge";
            return;
        }
}

// Checks every frame, bevel and label that lies wholly inside `visible` (window coordinates).
void checkShot(TfmMain& window, const QRect& visible) {
    const QImage shot = window.grab().toImage();
    const double scale = shot.devicePixelRatio();
    const QColor dark = window.palette().color(QPalette::Dark), light = window.palette().color(QPalette::Light);
    for (TcxButtonEdit* field : window.findChildren<TcxButtonEdit*>()) {
        const QRect area = inWindow(field, &window);
        if (visible.contains(area)) expectFrame(shot, scale, area, dark, dark, field->objectName());
    }
    for (TPictureBox* box : window.findChildren<TPictureBox*>()) {
        const QRect area = inWindow(box, &window);
        if (!visible.contains(area)) continue;
        expectFrame(shot, scale, area, light, dark, box->objectName() + " outer");
        expectFrame(shot, scale, area.adjusted(3, 3, -3, -3), dark, light, box->objectName() + " inner");
    }
    // Labels sized to their text; the phone screen's labels have fixed boxes that cut by design.
    for (QLabel* label : window.ScrollBox1->findChildren<QLabel*>()) {
        const QRect area = inWindow(label, &window);
        if (label->isVisible() && !label->text().isEmpty() && visible.contains(area))
            expectTextWhole(shot, scale, label, area);
    }
}

}  // namespace

// Runs in the child process that ScaledDisplay starts; skipped when run on its own.
TEST(ScaledDisplayChild, EveryFrameDrawnAndNoTextCut) {
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) GTEST_SKIP() << "runs under QT_SCALE_FACTOR only";
    Window window;
    window->show();
    QCoreApplication::processEvents();
    ASSERT_GT(window->devicePixelRatioF(), 1.0);

    const QRect whole = window->rect();
    const QImage shot = window->grab().toImage();
    const QColor dark = window->palette().color(QPalette::Dark);
    const QRect toolBar = inWindow(window->ToolBar1, &*window);
    EXPECT_TRUE(lineDrawn(shot, shot.devicePixelRatio(), true, toolBar.top(), 0, toolBar.width(), dark))
        << "toolbar top";
    EXPECT_TRUE(lineDrawn(shot, shot.devicePixelRatio(), true, toolBar.bottom() - 1, 0, toolBar.width(), dark))
        << "toolbar bottom";
    expectFrame(shot, shot.devicePixelRatio(), inWindow(window->Shape2, &*window), QColor(114, 114, 114),
                QColor(114, 114, 114), "Shape2");
    const QRect outsideSections = whole.adjusted(0, 0, -window->ScrollBox1->width(), 0);
    checkShot(*window, outsideSections);

    // The sections column, each section scrolled to the top of the view in turn.
    QWidget* viewport = window->ScrollBox1->viewport();
    const QRect view = inWindow(viewport, &*window);
    for (QObject* child : window->ScrollBox1->widget()->children()) {
        auto* section = qobject_cast<QWidget*>(child);
        if (!section) continue;
        SCOPED_TRACE(section->objectName().toStdString());
        window->ScrollBox1->verticalScrollBar()->setValue(section->y());
        QCoreApplication::processEvents();
        checkShot(*window, view);
    }
}

TEST(ScaledDisplay, EveryFrameDrawnAndNoTextCutAtCommonScaleFactors) {
    apptest::ensureApplication();
    for (const char* factor : {"1.25", "1.5", "2"}) {
        SCOPED_TRACE(factor);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(factor));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=ScaledDisplayChild.*"});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QString output = QString::fromUtf8(child.readAll());
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("[       OK ] ScaledDisplayChild")) << output.toStdString();
    }
}
