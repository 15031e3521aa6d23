// The phone screen: UpdatePreview composes it for PreviewMode from copies of the element
// pictures; the preview buttons set the mode.
#include <QLabel>

#include "app/elements.h"
#include "app/mainwindow.h"

namespace {

const QString kOptions = QStringLiteral("Вар-ты");
const QString kSelect = QStringLiteral("Выбор");
const QString kExit = QStringLiteral("Выйти");

// Menu items whose small icons fill the two grid pages, cell by cell.
constexpr int kGridPage1Items[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
constexpr int kGridPage2Items[] = {4, 5, 6, 7, 8, 9, 10, 11};

}  // namespace

void TfmMain::placeIcon(TImage* cell, const TImage* source) {
    // A screen control keeps its own copy: later edits of the element do not reach it.
    cell->setPicture(source ? source->picture() : nullptr);
}

void TfmMain::UpdatePreview() {
    for (TImage* cell : sm) cell->clear();

    const auto setTexts = [this](const QString& items, const QString& left, const QString& center,
                                 const QString& right, const QString& clock) {
        LabelItems->setText(items);
        LabelLeft->setText(left);
        LabelCenter->setText(center);
        LabelRight->setText(right);
        LabelClock->setText(clock);
    };
    const auto showGrid = [this](const int* items, size_t count) {
        for (size_t cell = 0; cell < count; ++cell) placeIcon(sm[cell], elementPicture(items[cell] + elements::kSmallIconOffset));
    };

    switch (PreviewMode) {
    case elements::kWallpaper:
        placeIcon(Layer1, imWall);
        Layer2->clear();
        setTexts(QStringLiteral("Оператор"), QStringLiteral("Актив"), QStringLiteral("МЕНЮ"), QStringLiteral("Имена"),
                 QStringLiteral("23:50"));
        return;
    case elements::kBackground:
    case elements::kGridPage1:
    case elements::kGridPage2:
        placeIcon(Layer1, imBg);
        Layer2->clear();
        setTexts({}, kOptions, kSelect, kExit, {});
        if (PreviewMode == elements::kGridPage1) showGrid(kGridPage1Items, std::size(kGridPage1Items));
        if (PreviewMode == elements::kGridPage2) showGrid(kGridPage2Items, std::size(kGridPage2Items));
        return;
    default:
        break;
    }
    if (PreviewMode >= 1 && PreviewMode <= elements::kMenuItems) {
        // The last picture control carrying the mode's tag: the item's large icon.
        TImage* largeIcon = elementPicture(PreviewMode);
        placeIcon(Layer1, imBg);
        placeIcon(Layer2, largeIcon);
        setTexts(QString::fromUtf8(elements::kMenuItemTable[static_cast<size_t>(PreviewMode - 1)].title), kOptions,
                 kSelect, kExit, QString::number(PreviewMode));
    }
    // Any other mode (0, after a failed start) leaves the layers and texts as they were.
}

void TfmMain::btMessageShowClick(TSpeedButton* sender) {
    PreviewMode = sender->Tag;
    UpdatePreview();
}
