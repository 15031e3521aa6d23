// The sections column: ScrollBox1 with its fifteen sections (General, Wallpaper, Background,
// Screensaver, then each menu item), their header strips, captions, path fields and pictures.
#include <QComboBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <string>

#include "app/elements.h"
#include "app/mainwindow.h"

namespace {

constexpr int kScrollRange = 3640;     // fixed vertical range of the column
constexpr int kHorizontalRange = 397;  // narrower than the view: no horizontal bar
constexpr int kHeaderHeight = 23;
constexpr int kHeaderWidth = 408;
constexpr int kGeneralHeight = 93;
constexpr int kElementSectionHeight = 290;
constexpr int kMenuItemSectionHeight = 239;
constexpr int kGeneralFieldX = 96;  // eRing and eColor, right of their labels
constexpr int kBoxBorder = 4;       // picture area = box minus 4 pixels on each side
constexpr int kInternetItem = 10;   // its header tab is wider, for the longer caption
constexpr int kLabelGap = 1;        // between a General label and its field
constexpr int kTextSlack = 2;       // spare width of a label sized to its text
constexpr int kSmallestLabelPixels = 9;

const char* const kBrowseGlyph = "glyph_browse.png";
const char* const kClearGlyph = "glyph_clear.png";
const char* const kHeaderPicture = "header_136.png";
const char* const kWideHeaderPicture = "header_182.png";

const char* const kColourNames[] = {"Синяя",     "Коричневая", "Серая",   "Зеленая",
                                    "Оранжевая", "Розовая",    "Красная", "Фиолетовая"};

struct ElementSection {
    int tag;
    const char* panel;
    const char* caption;
    const char* field;
    const char* picture;
    int captionX;
};

constexpr ElementSection kElementSections[] = {
    {theme::kTagWallpaper, "pnWall", "Обои", "eWall", "imWall", 12},
    {theme::kTagBackground, "pnBg", "Задний фон", "eBg", "imBg", 8},
    {theme::kTagScreensaver, "pnScreen", "Скринсейвер", "eScreen", "imScreen", 8},
};

// Sizes a label to its text, with room to spare: at a fractional scale factor the glyphs are
// placed on device pixels and the text can come out a pixel wider than its unscaled width.
// The width comes straight from the font's metrics: QLabel's own size hint lays the text out
// several times over, which for the column's forty labels is a noticeable part of start-up.
void fitToText(QLabel* label) {
    const QFontMetrics metrics(label->font());
    label->resize(metrics.horizontalAdvance(label->text()) + kTextSlack, metrics.height());
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QPoint position) {
    auto* result = new QLabel(text, parent);
    result->setObjectName(name);
    result->move(position);
    fitToText(result);
    return result;
}

// A label that must end before the control to its right: when the face is wider than the one
// the layout was drawn with, the same face at a smaller size keeps the text readable where
// condensing it would cramp the letters.
QLabel* labelBefore(QWidget* parent, const char* name, const QString& text, QPoint position, int controlX) {
    QLabel* result = label(parent, name, text, position);
    const int room = controlX - position.x() - kLabelGap;
    QFont font = result->font();
    for (int size = font.pixelSize() - 1; result->width() > room && size >= kSmallestLabelPixels; --size) {
        font.setPixelSize(size);
        result->setFont(font);
        fitToText(result);
    }
    return result;
}

// A header strip picture, decoded once and shared by every section that shows it; null when
// the picture is missing.
const PicturePtr& headerStrip(const char* name) {
    static auto& strips = *new std::map<std::string, PicturePtr, std::less<>>;
    if (auto found = strips.find(std::string_view(name)); found != strips.end()) return found->second;
    PicturePtr strip;
    if (const QPixmap pixmap = windowPixmap(name); !pixmap.isNull()) {
        auto decoded = std::make_shared<picture::Picture>();
        decoded->frames.push_back({pixmap.toImage(), 0});
        strip = std::move(decoded);
    }
    return strips.emplace(name, std::move(strip)).first->second;
}

}  // namespace

QWidget* TfmMain::buildSection(QWidget* parent, const char* name, const QString& caption, int height,
                               const char* headerPicture, int captionX) {
    auto* section = new QFrame(parent);
    section->setObjectName(name);
    section->setFixedHeight(height);
    auto* header = new TImage(section, (QByteArray(name) + "Header").constData());
    header->setGeometry(0, 0, kHeaderWidth, kHeaderHeight);
    if (const PicturePtr& strip = headerStrip(headerPicture)) {
        // The strip is drawn at its own size from the left, not centred.
        header->setGeometry(0, 0, strip->width(), strip->height());
        header->setPicture(strip);
    }
    auto* title = label(section, (QByteArray(name) + "Caption").constData(), caption, {captionX, 4});
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    fitToText(title);
    return section;
}

void TfmMain::addElement(QWidget* section, int tag, QRect fieldGeometry, QRect boxGeometry) {
    const char* fieldName = nullptr;
    const char* pictureName = nullptr;
    for (const ElementSection& info : kElementSections)
        if (info.tag == tag) fieldName = info.field, pictureName = info.picture;
    if (!fieldName) {
        const bool small = tag > theme::kSmallIconOffset;
        const auto& item =
            elements::kMenuItemTable.at(static_cast<size_t>((small ? tag - theme::kSmallIconOffset : tag) - 1));
        fieldName = small ? item.smallField : item.largeField;
        pictureName = small ? item.smallPicture : item.largePicture;
    }
    // The screensaver has no clear button: only New theme or Open brings the default back.
    std::vector<const char*> glyphs{kBrowseGlyph};
    if (tag != theme::kTagScreensaver) glyphs.push_back(kClearGlyph);
    auto* field = new TcxButtonEdit(section, fieldName, tag, glyphs);
    field->setGeometry(fieldGeometry);
    auto* box = new TPictureBox(section, (QByteArray(pictureName) + "Box").constData());
    box->setGeometry(boxGeometry);
    auto* picture = new TImage(box, pictureName, tag);
    picture->setGeometry(kBoxBorder, kBoxBorder, boxGeometry.width() - 2 * kBoxBorder,
                         boxGeometry.height() - 2 * kBoxBorder);
    if (tag == theme::kTagWallpaper) eWall = field, imWall = picture;
    if (tag == theme::kTagBackground) eBg = field, imBg = picture;
    if (tag == theme::kTagScreensaver) eScreen = field, imScreen = picture;
}

void TfmMain::buildSections() {
    ScrollBox1 = new QScrollArea(client);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollBox1->setWidgetResizable(true);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("ScrollBox1Content"));
    content->setMinimumSize(kHorizontalRange, kScrollRange);
    content->setMaximumHeight(kScrollRange);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ScrollBox1->setWidget(content);
    ScrollBox1->verticalScrollBar()->setSingleStep(8);

    // General: the ringtone and the colour scheme.
    QWidget* general = buildSection(content, "pnGeneral", QStringLiteral("Общее"), kGeneralHeight, kHeaderPicture, 12);
    labelBefore(general, "lbRing", QStringLiteral("Сигнал вызова"), {8, 36}, kGeneralFieldX);
    eRing = new TcxButtonEdit(general, "eRing", 0, {kBrowseGlyph});
    eRing->setGeometry(kGeneralFieldX, 32, 305, 22);
    labelBefore(general, "lbColor", QStringLiteral("Цветовая схема"), {8, 64}, kGeneralFieldX);
    eColor = new QComboBox(general);
    eColor->setObjectName(QStringLiteral("eColor"));
    eColor->setEditable(false);  // only its own entries, never free text
    for (const char* name : kColourNames) eColor->addItem(QString::fromUtf8(name));
    eColor->setCurrentIndex(-1);
    eColor->setGeometry(kGeneralFieldX, 60, 125, 21);
    layout->addWidget(general);

    for (const ElementSection& info : kElementSections) {
        QWidget* section = buildSection(content, info.panel, QString::fromUtf8(info.caption), kElementSectionHeight,
                                        kHeaderPicture, info.captionX);
        addElement(section, info.tag, {8, 32, 393, 22}, {8, 64, 216, 216});
        layout->addWidget(section);
    }

    for (int item = 1; item <= theme::kMenuItemCount; ++item) {
        const std::string_view title = theme::kMenuTitles[static_cast<size_t>(item - 1)];
        const QByteArray panel = "pnItem" + QByteArray::number(item);
        QWidget* section = buildSection(content, panel.constData(), QString::fromUtf8(title), kMenuItemSectionHeight,
                                        item == kInternetItem ? kWideHeaderPicture : kHeaderPicture, 12);
        label(section, (panel + "Large").constData(), QStringLiteral("Крупно"), {12, 36});
        label(section, (panel + "Small").constData(), QStringLiteral("Мелко"), {12, 60});
        addElement(section, item, {60, 32, 345, 22}, {60, 84, 140, 132});
        addElement(section, item + theme::kSmallIconOffset, {60, 56, 345, 22}, {220, 116, 70, 70});
        layout->addWidget(section);
    }
    layout->addStretch();  // the last 48 pixels of the range stay empty
}
