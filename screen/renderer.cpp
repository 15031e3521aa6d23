#include "screen/renderer.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace screen {

namespace {

Qt::Alignment alignmentOf(theme::TextAlignment alignment) {
    switch (alignment) {
        case theme::TextAlignment::Centre: return Qt::AlignHCenter;
        case theme::TextAlignment::Right: return Qt::AlignRight;
        case theme::TextAlignment::Left: break;
    }
    return Qt::AlignLeft;
}

// A picture control: the picture centred in its box and cut off there. Each control paints in
// its own coordinates, as a widget does, so that the pixels match the window's.
void paintPicture(QPainter& painter, const theme::ScreenBox& box, const picture::Picture* shown, bool transparent) {
    if (!shown || shown->frames.empty()) return;
    const QImage image = transparent ? picture::transparentImage(*shown, 0) : shown->image();
    painter.save();
    painter.translate(box.x, box.y);
    painter.setClipRect(0, 0, box.width, box.height);
    // Integer division truncates toward zero: a larger picture shows its centre part.
    painter.drawImage((box.width - image.width()) / 2, (box.height - image.height()) / 2, image);
    painter.restore();
}

// A text control: one line at the top of its box, aligned as the box says, cut off at the box.
void paintText(QPainter& painter, const theme::ScreenLabel& label, const std::string& text, QColor colour) {
    if (text.empty()) return;
    painter.save();
    painter.translate(label.box.x, label.box.y);
    const QRect box(0, 0, label.box.width, label.box.height);
    painter.setClipRect(box);
    painter.setFont(textFont(label.pixelSize));
    painter.setPen(colour);
    painter.drawText(box, alignmentOf(label.alignment) | Qt::AlignTop | Qt::TextForceLeftToRight,
                     QString::fromStdString(text));
    painter.restore();
}

}  // namespace

QFont textFont(int pixelSize) { return textFont(pixelSize, QGuiApplication::font()); }

QFont textFont(int pixelSize, QFont font) {
    static const bool hasImpact = QFontDatabase::families().contains(QStringLiteral("Impact"));
    if (hasImpact) {
        font.setFamily(QStringLiteral("Impact"));
    } else {
        font.setStretch(QFont::Condensed);
        font.setWeight(QFont::Bold);
    }
    font.setPixelSize(pixelSize);
    return font;
}

QImage renderScreen(const theme::ScreenPlan& plan, const PictureLookup& pictures, QColor textColour) {
    // Transparent first, as a grabbed window is, then the white screen over all of it.
    QImage screen(theme::kScreenSize, theme::kScreenSize, QImage::Format_ARGB32_Premultiplied);
    screen.fill(Qt::transparent);
    QPainter painter(&screen);
    painter.fillRect(screen.rect(), Qt::white);
    if (!plan.known) return screen;
    const auto shown = [&](int tag) { return tag > 0 ? pictures(tag) : nullptr; };
    paintPicture(painter, theme::kLayer1Box, shown(plan.layer1), false);
    paintPicture(painter, theme::kLayer2Box, shown(plan.layer2), true);
    for (int text = 0; text < theme::kScreenTextCount; ++text)
        paintText(painter, theme::kScreenLabels[static_cast<size_t>(text)], plan.texts[static_cast<size_t>(text)],
                  textColour);
    for (size_t cell = 0; cell < plan.cells.size(); ++cell)
        paintPicture(painter, theme::kIconCellBoxes[cell], shown(plan.cells[cell]), true);
    return screen;
}

QImage renderScreen(const theme::ScreenPlan& plan, const PictureLookup& pictures) {
    return renderScreen(plan, pictures, QGuiApplication::palette().color(QPalette::WindowText));
}

QImage renderScreenPictures(const theme::ScreenPlan& plan, const PictureLookup& pictures) {
    theme::ScreenPlan withoutTexts = plan;
    withoutTexts.texts = {};  // an empty text paints nothing, so no font is ever asked for
    return renderScreen(withoutTexts, pictures, Qt::black);
}

}  // namespace screen
