#include "app/about/about.h"

#include "app/widgets.h"

#include <QDesktopServices>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

constexpr int kClientWidth = 278;
constexpr int kClientHeight = 188;
constexpr int kFontPixels = 11;  // 8 point at 96 dpi

// Centred text of several lines with a 1-pixel light shadow towards the top left.
class ShadowLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        const int flags = Qt::AlignCenter | Qt::TextWordWrap;
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(rect().translated(-1, -1), flags, text());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), flags, text());
    }
};

// A label that reports a left click.
class LinkLabel : public QLabel {
public:
    LinkLabel(const QString& text, QWidget* parent, std::function<void()> onClick)
        : QLabel(text, parent), onClick_(std::move(onClick)) {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) onClick_();
        QLabel::mouseReleaseEvent(event);
    }

private:
    std::function<void()> onClick_;
};

template <typename Control>
Control* named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

}  // namespace

TfmAbout::TfmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("fmAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);
    QFont base = font();
    base.setPixelSize(kFontPixels);
    setFont(base);

    Panel1 = named(new QWidget(this), "Panel1");
    Panel1->setGeometry(0, kClientHeight - 41, kClientWidth, 41);

    cxButton1 = named(new QPushButton(QStringLiteral("OK"), Panel1), "cxButton1");
    cxButton1->setGeometry(102, 8, 75, 25);
    cxButton1->setFlat(true);
    QIcon tick;
    tick.addPixmap(windowPixmap("glyph_ok.png"), QIcon::Normal);
    tick.addPixmap(windowPixmap("glyph_ok_disabled.png"), QIcon::Disabled);
    cxButton1->setIcon(tick);
    cxButton1->setIconSize(QSize(16, 16));
    cxButton1->setAutoDefault(false);
    connect(cxButton1, &QPushButton::clicked, this, &QDialog::reject);

    // A single lowered line along the bottom edge, just above the button strip.
    Bevel1 = named(new QFrame(this), "Bevel1");
    Bevel1->setGeometry(0, kClientHeight - 41 - 2, kClientWidth, 2);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    Panel2 = named(new QWidget(this), "Panel2");
    Panel2->setGeometry(12, 16, 253, 105);

    Image1 = named(new QLabel(Panel2), "Image1");
    const QPixmap picture = windowPixmap("about.png");
    Image1->setPixmap(picture);
    Image1->setGeometry(8, 4, picture.isNull() ? 80 : picture.width(), picture.isNull() ? 80 : picture.height());

    RxLabel2 = named(new ShadowLabel(QStringLiteral("Skarvel\nредактор тем\n© команда Skarvel"), Panel2), "RxLabel2");
    QFont bold = base;
    bold.setBold(true);
    RxLabel2->setFont(bold);
    RxLabel2->setGeometry(100, 12, 145, 45);

    Label1 = named(new LinkLabel(QString::fromLatin1(kAddress), Panel2, [this] { Label1Click(); }), "Label1");
    QFont underlined = base;
    underlined.setUnderline(true);
    Label1->setFont(underlined);
    QPalette link = Label1->palette();
    link.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label1->setPalette(link);
    // The address keeps its whole width where the text is wider than the designed box.
    Label1->setGeometry(124, 76, std::max(96, Label1->sizeHint().width()), 13);

    cxButton1->setFocus();
}

void TfmAbout::Label1Click() {
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kAddress)));
}

void TfmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the screen, not over the window that opened it.
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
