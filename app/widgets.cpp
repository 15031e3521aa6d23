#include "app/widgets.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QTimer>
#include <QUrl>
#include <map>
#include <string>

#include "resources/embedded.h"

namespace {

constexpr int kButtonWidth = 24;
// GIF frames without a delay (or an absurdly short one) show this long, as browsers do.
constexpr int kMinFrameDelayMs = 20;
constexpr int kDefaultFrameDelayMs = 100;

// One-pixel frames and bevels are filled strips, not stroked lines: at a fractional scale
// factor a stroked line on a widget's edge can fall between device pixels and vanish, while a
// strip one logical pixel wide always covers at least one device pixel inside the widget.
// fillBevel: `topLeft` along the top and left sides of `area`, `bottomRight` along the others
// (a raised bevel has the light colour top left, a lowered one the dark).
void fillBevel(QPainter& painter, const QRect& area, const QColor& topLeft, const QColor& bottomRight) {
    painter.fillRect(QRect(area.left(), area.bottom(), area.width(), 1), bottomRight);
    painter.fillRect(QRect(area.right(), area.top(), 1, area.height()), bottomRight);
    painter.fillRect(QRect(area.left(), area.top(), area.width() - 1, 1), topLeft);
    painter.fillRect(QRect(area.left(), area.top(), 1, area.height() - 1), topLeft);
}

void fillFrame(QPainter& painter, const QRect& area, const QColor& colour) { fillBevel(painter, area, colour, colour); }

}  // namespace

QPixmap windowPixmap(const char* name) {
    // Decoded once per process: a window shows the same few glyphs on over a hundred buttons.
    // Kept until exit on purpose: pixmaps must not outlive the application object's teardown.
    static auto& decoded = *new std::map<std::string, QPixmap, std::less<>>;
    if (auto found = decoded.find(std::string_view(name)); found != decoded.end()) return found->second;
    const std::string_view bytes = resources::windowPicture(name);
    QPixmap pixmap;
    if (!bytes.empty())
        pixmap.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<uint>(bytes.size()));
    decoded.emplace(name, pixmap);
    return pixmap;
}

QString droppedFilePath(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

// ---------------------------------------------------------------- TImage

TImage::TImage(QWidget* parent, const char* name, int tag, bool transparent)
    : QWidget(parent), Tag(tag), transparent_(transparent) {
    setObjectName(name);
}

void TImage::setPicture(PicturePtr picture) {
    if (picture_ == picture) return;
    picture_ = std::move(picture);
    transparentFrames_.clear();
    frame_ = 0;
    if (animation_) animation_->stop();
    if (picture_ && picture_->animated() && isVisible()) scheduleNextFrame();
    update();
}

const QImage& TImage::frameImage(int frame) {
    const auto index = static_cast<size_t>(frame);
    if (!transparent_) return picture_->frames.at(index).image;
    if (transparentFrames_.size() != picture_->frames.size())
        transparentFrames_.assign(picture_->frames.size(), QImage());
    if (transparentFrames_[index].isNull()) transparentFrames_[index] = picture::transparentImage(*picture_, frame);
    return transparentFrames_[index];
}

void TImage::paintEvent(QPaintEvent*) {
    if (!picture_ || picture_->frames.empty()) return;
    const QImage& image = frameImage(frame_);
    QPainter painter(this);
    painter.setClipRect(rect());
    // Integer division truncates toward zero: a larger picture shows its centre part.
    const int x = (width() - image.width()) / 2;
    const int y = (height() - image.height()) / 2;
    painter.drawImage(x, y, image);
}

void TImage::scheduleNextFrame() {
    if (!animation_) {
        animation_ = new QTimer(this);
        animation_->setSingleShot(true);
        connect(animation_, &QTimer::timeout, this, [this] {
            if (picture_ && picture_->animated()) showFrame((frame_ + 1) % static_cast<int>(picture_->frames.size()));
        });
    }
    int delay = picture_->frames.at(static_cast<size_t>(frame_)).delayMs;
    if (delay <= 0) delay = kDefaultFrameDelayMs;
    animation_->start(std::max(delay, kMinFrameDelayMs));
}

void TImage::showFrame(int frame) {
    frame_ = frame;
    update();
    if (isVisible()) scheduleNextFrame();
}

void TImage::showEvent(QShowEvent*) {
    if (picture_ && picture_->animated()) scheduleNextFrame();
}

void TImage::hideEvent(QHideEvent*) {
    if (animation_) animation_->stop();
}

void TImage::mouseDoubleClickEvent(QMouseEvent*) { emit doubleClicked(); }

void TImage::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFilePath(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TImage::dropEvent(QDropEvent* event) {
    const QString path = droppedFilePath(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    emit fileDropped(path);
}

// ---------------------------------------------------------------- TcxButtonEdit

TcxButtonEdit::TcxButtonEdit(QWidget* parent, const char* name, int tag, const std::vector<const char*>& glyphs)
    : QLineEdit(parent), Tag(tag) {
    setObjectName(name);
    setReadOnly(true);  // no caret, no typing
    setFrame(false);
    setAcceptDrops(true);
    for (size_t index = 0; index < glyphs.size(); ++index) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("%1_button%2").arg(QLatin1String(name)).arg(index));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::ArrowCursor);
        button->setIcon(QIcon(windowPixmap(glyphs[index])));
        button->setIconSize(QSize(16, 16));
        connect(button, &QToolButton::clicked, this, [this, index] { emit buttonClicked(static_cast<int>(index)); });
        buttons_.push_back(button);
    }
    setTextMargins(0, 0, kButtonWidth * static_cast<int>(buttons_.size()), 0);
}

void TcxButtonEdit::setButtonsEnabled(bool enabled) {
    for (QToolButton* button : buttons_) button->setEnabled(enabled);
}

void TcxButtonEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    // The flat style: a single line in the button-shadow colour.
    QPainter painter(this);
    fillFrame(painter, rect(), palette().color(QPalette::Dark));
}

void TcxButtonEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    int x = width() - 1 - kButtonWidth * static_cast<int>(buttons_.size());
    for (QToolButton* button : buttons_) {
        button->setGeometry(x, 1, kButtonWidth, height() - 2);
        x += kButtonWidth;
    }
}

void TcxButtonEdit::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ControlModifier) && !buttons_.empty()) {
        buttons_.front()->click();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TcxButtonEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFilePath(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TcxButtonEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (!droppedFilePath(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TcxButtonEdit::dropEvent(QDropEvent* event) {
    const QString path = droppedFilePath(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    emit fileDropped(path);
}

// ---------------------------------------------------------------- TShape, TPictureBox, TSpeedButton

TShape::TShape(QWidget* parent, const char* name, QColor fill, QColor outline)
    : QWidget(parent), fill_(fill), outline_(outline) {
    setObjectName(name);
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fill_);
    fillFrame(painter, rect(), outline_);
}

TToolBar::TToolBar(QWidget* parent, const char* name) : QFrame(parent) { setObjectName(name); }

void TToolBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    // Filled strips, as in fillBevel: they survive fractional scale factors.
    painter.fillRect(0, 0, width(), 1, colours.color(QPalette::Dark));
    painter.fillRect(0, height() - 2, width(), 1, colours.color(QPalette::Dark));
    painter.fillRect(0, 1, width(), 1, colours.color(QPalette::Light));
    painter.fillRect(0, height() - 1, width(), 1, colours.color(QPalette::Light));
}

TPictureBox::TPictureBox(QWidget* parent, const char* name) : QFrame(parent) { setObjectName(name); }

void TPictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    const QColor light = colours.color(QPalette::Light), dark = colours.color(QPalette::Dark);
    fillBevel(painter, rect(), light, dark);                         // raised outer bevel
    fillBevel(painter, rect().adjusted(3, 3, -3, -3), dark, light);  // lowered inner bevel
}

TSpeedButton::TSpeedButton(QWidget* parent, const char* name, const QString& caption, int tag)
    : QToolButton(parent), Tag(tag) {
    setObjectName(name);
    setText(caption);
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
}

void TSpeedButton::paintEvent(QPaintEvent* event) {
    if (icon().isNull() || text().isEmpty()) {
        QToolButton::paintEvent(event);
        return;
    }
    // The style draws the flat face; the glyph and the caption are placed here, because the
    // style's own spacing between them is narrower than the button's.
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    const bool down = option.state & (QStyle::State_Sunken | QStyle::State_On);
    const int shiftX = down ? style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this) : 0;
    const int shiftY = down ? style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this) : 0;
    const QRect glyph(kGlyphMargin + shiftX, (height() - kGlyphSize) / 2 + shiftY, kGlyphSize, kGlyphSize);
    icon().paint(&painter, glyph, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    const int captionX = glyph.right() + 1 + kGlyphSpacing;
    const QRect caption(captionX, shiftY, width() - captionX, height());
    style()->drawItemText(&painter, caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(),
                          isEnabled(), text(), QPalette::ButtonText);
}
