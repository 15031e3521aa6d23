// The About box, offscreen: layout and captions, every way of closing it, a fresh box for each
// showing, and the address link handed to the desktop.
#include "app/about/about.h"
#include "app_test_support.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

class AboutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { apptest::ensureApplication(); }

    // Runs the modal loop of `box`; `close` is applied to it once the loop is running.
    static int execAndClose(TfmAbout& box, const std::function<void(TfmAbout&)>& close) {
        QTimer::singleShot(0, &box, [&box, close] {
            EXPECT_EQ(QApplication::activeModalWidget(), &box);
            close(box);
        });
        return box.exec();
    }

    static int aboutBoxesAlive() {
        int count = 0;
        for (QWidget* widget : QApplication::allWidgets()) count += qobject_cast<TfmAbout*>(widget) != nullptr;
        return count;
    }
};

void click(QWidget* widget, Qt::MouseButton button) {
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), button, button, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void pressEscape(TfmAbout& box) {
    QWidget* target = box.focusWidget() ? box.focusWidget() : &box;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

TEST_F(AboutTest, LayoutAndCaptions) {
    TfmAbout box;
    box.show();
    EXPECT_EQ(box.windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(box.size(), QSize(278, 188));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());  // fixed size

    EXPECT_EQ(box.Panel1->geometry(), QRect(0, 147, 278, 41));
    EXPECT_EQ(box.cxButton1->parentWidget(), box.Panel1);
    EXPECT_EQ(box.cxButton1->geometry(), QRect(102, 8, 75, 25));
    EXPECT_EQ(box.cxButton1->text(), QStringLiteral("OK"));
    EXPECT_FALSE(box.cxButton1->icon().isNull());
    EXPECT_EQ(box.Bevel1->geometry(), QRect(0, 145, 278, 2));
    EXPECT_EQ(box.Panel2->geometry(), QRect(12, 16, 253, 105));

    EXPECT_EQ(box.Image1->parentWidget(), box.Panel2);
    EXPECT_EQ(box.Image1->geometry(), QRect(8, 4, 80, 80));
    EXPECT_EQ(box.Image1->pixmap().size(), QSize(80, 80));

    EXPECT_EQ(box.RxLabel2->geometry(), QRect(100, 12, 145, 45));
    EXPECT_TRUE(box.RxLabel2->font().bold());
    const QStringList author = box.RxLabel2->text().split('\n');
    ASSERT_EQ(author.size(), 3);
    EXPECT_TRUE(box.RxLabel2->text().contains(QStringLiteral("Skarvel")));

    EXPECT_EQ(box.Label1->pos(), QPoint(124, 76));
    EXPECT_GE(box.Label1->width(), 96);
    EXPECT_GE(box.Label1->width(), box.Label1->sizeHint().width());  // the address is not cut off
    EXPECT_EQ(box.Label1->text(), QStringLiteral("skarvel@example.org"));
    EXPECT_TRUE(box.Label1->font().underline());
    EXPECT_EQ(box.Label1->cursor().shape(), Qt::PointingHandCursor);

    // Each control is reachable by its name as well.
    for (const char* name : {"Panel1", "cxButton1", "Bevel1", "Panel2", "Image1", "RxLabel2", "Label1"})
        EXPECT_NE(box.findChild<QWidget*>(name), nullptr) << name;
}

TEST_F(AboutTest, EveryWayOfClosingEndsTheLoopWithTheCancelResult) {
    struct Case {
        const char* how;
        std::function<void(TfmAbout&)> close;
    } cases[] = {
        {"Esc", pressEscape},
        {"OK button", [](TfmAbout& box) { box.cxButton1->click(); }},
        {"close box", [](TfmAbout& box) { box.close(); }},
    };
    for (const Case& c : cases) {
        TfmAbout box;
        EXPECT_EQ(execAndClose(box, c.close), QDialog::Rejected) << c.how;
        EXPECT_FALSE(box.isVisible()) << c.how;
    }
}

TEST_F(AboutTest, EachShowingIsAFreshBoxThatIsGoneAfterwards) {
    std::vector<QPointer<TfmAbout>> shown;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(aboutBoxesAlive(), 0);
        TfmAbout about;
        shown.push_back(&about);
        EXPECT_EQ(execAndClose(about,
                               [](TfmAbout& box) {
                                   EXPECT_EQ(box.focusWidget(), box.cxButton1);  // focus starts on OK
                                   pressEscape(box);
                               }),
                  QDialog::Rejected);
    }
    EXPECT_EQ(aboutBoxesAlive(), 0);
    for (const QPointer<TfmAbout>& box : shown) EXPECT_TRUE(box.isNull());
}

TEST_F(AboutTest, ClickingTheAddressHandsTheMailtoLinkEachTimeAndStaysOpen) {
    // The desktop's handler for "mailto:" is replaced by a browser that records the link; it
    // is set to another address before each click.
    QTextBrowser recorder;
    const QUrl before(QStringLiteral("before:"));
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "setSource");
    TfmAbout box;
    box.show();
    for (int time = 0; time < 2; ++time) {
        recorder.setSource(before);
        click(box.Label1, Qt::LeftButton);
        EXPECT_EQ(recorder.source(), QUrl(QStringLiteral("mailto:skarvel@example.org"))) << time;
        EXPECT_TRUE(box.isVisible()) << time;
    }
    recorder.setSource(before);
    click(box.Label1, Qt::RightButton);
    EXPECT_EQ(recorder.source(), before);  // only the left button follows the link
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

}  // namespace
