// TfmMain: construction of the frame, toolbar, menu, phone screen and preview column, the
// handler wrapper, the error display and the busy state. Sections: sections.cpp; editing:
// editing.cpp; the phone screen's composition: preview.cpp; Save and Open: fileops.cpp.
#include "app/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollArea>
#include <QTimer>

#include "app/about_box.h"
#include "app/error_display.h"
#include "app/handset_tools.h"
#include "app/qt_dialogs.h"
#include "platform/errors.h"
#include "screen/renderer.h"
#include "theme/screen_plan.h"

namespace {

// Client-area geometry at 96 dpi.
constexpr int kClientWidth = 824;
constexpr int kClientHeight = 607;
constexpr int kToolBarHeight = 37;
constexpr int kSectionsWidth = 428;
constexpr int kPreviewColumnWidth = 134;
constexpr int kBevelWidth = 2;
constexpr int kProgressWidth = 160;

constexpr int kFontPixels = 11;  // "MS Sans Serif" 8 point

const QColor kFrameGrey(114, 114, 114);
const QColor kPreviewStrip(255, 255, 196);

struct PreviewButtonInfo {
    const char* name;
    int tag;
    const char* caption;
};

constexpr PreviewButtonInfo kPreviewButtons[] = {
    {"btWallShow", 201, "Обои"},
    {"btBgShow", 202, "Чистый Фон"},
    {"btScreenShow", 203, "Меню \"Значки\" 1"},
    {"btIconsShow", 210, "Меню \"Значки\" 2"},
    {"btMessageShow", 1, "Сообщения"},
    {"RxSpeedButton7", 2, "Контакты"},
    {"RxSpeedButton8", 3, "Звонки"},
    {"RxSpeedButton9", 4, "Настройки"},
    {"RxSpeedButton10", 5, "Галерея"},
    {"RxSpeedButton11", 6, "Мультимедиа"},
    {"RxSpeedButton12", 7, "PTT"},
    {"RxSpeedButton13", 8, "Органайзер"},
    {"RxSpeedButton14", 9, "Приложения"},
    {"RxSpeedButton15", 10, "Интернет"},
    {"RxSpeedButton16", 11, "SIM-карта"},
};

// The phone screen's top left corner in the client area.
constexpr QPoint kScreenOrigin(22, 62);

QRect clientRect(const theme::ScreenBox& box) {
    return QRect(kScreenOrigin.x() + box.x, kScreenOrigin.y() + box.y, box.width, box.height);
}

QLabel* screenLabel(QWidget* parent, const theme::ScreenLabel& info) {
    auto* label = new QLabel(parent);
    label->setObjectName(info.name);
    label->setGeometry(clientRect(info.box));
    const Qt::Alignment alignment = info.alignment == theme::TextAlignment::Centre  ? Qt::AlignHCenter
                                    : info.alignment == theme::TextAlignment::Right ? Qt::AlignRight
                                                                                    : Qt::AlignLeft;
    label->setAlignment(alignment | Qt::AlignTop);
    label->setFont(screen::textFont(info.pixelSize, parent->font()));
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

QFrame* verticalBevel(QWidget* parent, const char* name) {
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(name);
    bevel->setFrameShape(QFrame::VLine);
    bevel->setFrameShadow(QFrame::Sunken);
    return bevel;
}

}  // namespace

TfmMain::TfmMain() : TfmMain(Options{}) {}

TfmMain::TfmMain(Options options)
    : dialogs_(std::move(options.dialogs)), defaultScreensaver_(std::move(options.defaultScreensaver)) {
    if (!dialogs_) dialogs_ = std::make_unique<QtDialogs>(this);
    setObjectName(QStringLiteral("fmMain"));
    buildFrame();
    connectHandlers();
    installHandsetTools(*this);
    // New theme runs at creation; a failure is shown and the window still opens.
    runHandler([this] { FormCreate(); });
}

TfmMain::~TfmMain() = default;

void TfmMain::buildFrame() {
    setWindowTitle(QStringLiteral("Skarvel"));
    QFont font = QApplication::font();
    font.setPixelSize(kFontPixels);
    // Name the installed face that the platform's default resolves to: the default is often an
    // alias ("Sans Serif") that no installed family carries, and every further size or weight
    // of an alias is looked up through fontconfig's substitution rules again.
    font.setFamily(QFontInfo(font).family());
    setFont(font);

    buildMenu();
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->installEventFilter(this);
    setCentralWidget(client);

    buildToolBar();
    buildPhone();
    Bevel6 = verticalBevel(client, "Bevel6");
    buildPreviewColumn();
    Bevel1 = verticalBevel(client, "Bevel1");
    buildSections();

    resize(kClientWidth, kClientHeight + mm->sizeHint().height());
    client->resize(kClientWidth, kClientHeight);
    layoutColumns();
}

void TfmMain::buildMenu() {
    mm = new QMenuBar(this);
    mm->setObjectName(QStringLiteral("mm"));
    setMenuBar(mm);
    N1 = mm->addMenu(QStringLiteral("Файл"));
    N1->setObjectName(QStringLiteral("N1"));
    N2 = N1->addAction(QStringLiteral("Новая"));
    N3 = N1->addAction(QStringLiteral("Открыть"));
    N4 = N1->addAction(QStringLiteral("Сохранить"));
    N5 = N1->addSeparator();
    N6 = N1->addAction(QStringLiteral("Выход"));
    About1 = mm->addAction(QStringLiteral("About"));
    const std::pair<QAction*, const char*> names[] = {{N2, "N2"}, {N3, "N3"}, {N4, "N4"},
                                                      {N5, "N5"}, {N6, "N6"}, {About1, "About1"}};
    for (const auto& [action, name] : names) action->setObjectName(name);
}

void TfmMain::buildToolBar() {
    ToolBar1 = new TToolBar(client, "ToolBar1");
    ToolBar1->setMinimumHeight(30);
    struct ButtonInfo {
        TSpeedButton** member;
        const char* name;
        int x, width;
        const char* caption;
        const char* glyph;
    };
    const ButtonInfo buttons[] = {
        {&sbNew, "sbNew", 0, 109, "Новая тема", "glyph_new.png"},
        {&sbOpen, "sbOpen", 109, 100, "Открыть", "glyph_open.png"},
        {&sbSave, "sbSave", 209, 104, "Сохранить", "glyph_save.png"},
    };
    for (const ButtonInfo& info : buttons) {
        auto* button = new TSpeedButton(ToolBar1, info.name, QString::fromUtf8(info.caption));
        button->setGeometry(info.x, 2, info.width, 28);
        button->setIcon(QIcon(windowPixmap(info.glyph)));
        button->setIconSize(QSize(16, 16));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        *info.member = button;
    }
    ProgressBar1 = new QProgressBar(ToolBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->hide();
}

void TfmMain::buildPhone() {
    // Created bottom to top: each control paints over the ones before it.
    Shape2 = new TShape(client, "Shape2", kFrameGrey, kFrameGrey);
    Shape2->setGeometry(16, 56, 220, 220);
    Shape1 = new TShape(client, "Shape1", Qt::white, Qt::white);
    Shape1->setGeometry(clientRect(theme::kLayer1Box));
    Layer1 = new TImage(client, "Layer1", 0, false);
    Layer1->setGeometry(clientRect(theme::kLayer1Box));
    Layer2 = new TImage(client, "Layer2", 0, true);
    Layer2->setGeometry(clientRect(theme::kLayer2Box));
    for (size_t text = 0; text < screenLabels.size(); ++text)
        screenLabels[text] = screenLabel(client, theme::kScreenLabels[text]);
    LabelItems = screenLabels[theme::kTextItems];
    LabelLeft = screenLabels[theme::kTextLeft];
    LabelRight = screenLabels[theme::kTextRight];
    LabelCenter = screenLabels[theme::kTextCenter];
    LabelClock = screenLabels[theme::kTextClock];
    for (size_t cell = 0; cell < sm.size(); ++cell) {
        const QByteArray name = "sm" + QByteArray::number(int(cell) + 1);
        sm[cell] = new TImage(client, name.constData(), 301 + int(cell), true);
        sm[cell]->setGeometry(clientRect(theme::kIconCellBoxes[cell]));
    }
}

void TfmMain::buildPreviewColumn() {
    Panel41 = new QFrame(client);
    Panel41->setObjectName(QStringLiteral("Panel41"));
    auto* strip = new QLabel(QStringLiteral("Просмотр"), Panel41);
    strip->setObjectName(QStringLiteral("Panel42"));
    strip->setAlignment(Qt::AlignCenter);
    QFont bold = font();
    bold.setBold(true);
    strip->setFont(bold);
    strip->setAutoFillBackground(true);
    QPalette colours = strip->palette();
    colours.setColor(QPalette::Window, kPreviewStrip);
    strip->setPalette(colours);
    Panel42 = strip;

    PreviewButtons = new QButtonGroup(this);
    PreviewButtons->setObjectName(QStringLiteral("PreviewButtons"));
    PreviewButtons->setExclusive(true);
    int y = 24;
    for (size_t index = 0; index < previewButtons.size(); ++index) {
        const PreviewButtonInfo& info = kPreviewButtons[index];
        auto* button = new TSpeedButton(Panel41, info.name, QString::fromUtf8(info.caption), info.tag);
        button->setCheckable(true);
        button->setGeometry(0, y, 133, 25);
        PreviewButtons->addButton(button);
        previewButtons[index] = button;
        y += 26;
    }
    btWallShow = previewButtons[0];
    btWallShow->setChecked(true);
}

void TfmMain::layoutColumns() {
    const int width = client->width();
    const int height = std::max(0, client->height() - kToolBarHeight);
    ToolBar1->setGeometry(0, 0, width, kToolBarHeight);
    ProgressBar1->setGeometry(std::max(320, width - kProgressWidth - 6), 9, kProgressWidth, 19);
    int x = width - kSectionsWidth;
    ScrollBox1->setGeometry(x, kToolBarHeight, kSectionsWidth, height);
    x -= kBevelWidth;
    Bevel1->setGeometry(x, kToolBarHeight, kBevelWidth, height);
    x -= kPreviewColumnWidth;
    Panel41->setGeometry(x, kToolBarHeight, kPreviewColumnWidth, height);
    Panel42->setGeometry(0, 0, kPreviewColumnWidth, 21);
    x -= kBevelWidth;
    Bevel6->setGeometry(x, kToolBarHeight, kBevelWidth, height);
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client && event->type() == QEvent::Resize) layoutColumns();
    return QMainWindow::eventFilter(watched, event);
}

void TfmMain::connectHandlers() {
    connect(sbNew, &QToolButton::clicked, this, [this] {
        if (!busy_) runHandler([this] { FormCreate(); });
    });
    connect(N2, &QAction::triggered, this, [this] {
        if (!busy_) runHandler([this] { FormCreate(); });
    });
    connect(sbOpen, &QToolButton::clicked, this, [this] {
        if (!busy_) runHandler([this] { sbOpenClick(); });
    });
    connect(N3, &QAction::triggered, this, [this] {
        if (!busy_) runHandler([this] { sbOpenClick(); });
    });
    connect(sbSave, &QToolButton::clicked, this, [this] {
        if (!busy_) runHandler([this] { sbSaveClick(); });
    });
    connect(N4, &QAction::triggered, this, [this] {
        if (!busy_) runHandler([this] { sbSaveClick(); });
    });
    connect(N6, &QAction::triggered, this, [this] {
        if (!busy_) runHandler([this] { N6Click(); });
    });
    connect(About1, &QAction::triggered, this, [this] { runHandler([this] { About1Click(); }); });

    for (TSpeedButton* button : previewButtons)
        connect(button, &QToolButton::clicked, this,
                [this, button] { runHandler([this, button] { btMessageShowClick(button); }); });

    connect(eRing, &TcxButtonEdit::buttonClicked, this, [this](int index) {
        if (!busy_) runHandler([this, index] { eRingPropertiesButtonClick(index); });
    });
    walkControls<TcxButtonEdit>(this, [this](TcxButtonEdit* field) {
        if (field->Tag <= 0) return;
        connect(field, &TcxButtonEdit::buttonClicked, this, [this, field](int index) {
            if (!busy_) runHandler([this, field, index] { eMessagesPropertiesButtonClick(field, index); });
        });
        connect(field, &TcxButtonEdit::fileDropped, this, [this, field](const QString& path) {
            if (!busy_) runHandler([this, field, path] { dropPictureFile(field->Tag, path); });
        });
    });
    walkControls<TImage>(this, [this](TImage* picture) {
        if (!theme::isElementTag(picture->Tag)) return;
        picture->acceptFileDrops();
        connect(picture, &TImage::doubleClicked, this, [this, picture] {
            if (!busy_) runHandler([this, picture] { imMessagesDblClick(picture); });
        });
        connect(picture, &TImage::fileDropped, this, [this, picture](const QString& path) {
            if (!busy_) runHandler([this, picture, path] { dropPictureFile(picture->Tag, path); });
        });
    });
}

// ---------------------------------------------------------------- handlers of the frame

void TfmMain::N6Click() { close(); }

void TfmMain::About1Click() { showAboutBox(); }

void TfmMain::runHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const platform::EAbort&) {
        // a silent abort ends the handler without a message
    } catch (const std::bad_alloc&) {
        ShowError(QStringLiteral("Out of memory"));
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowError(QStringLiteral("Unknown error"));
    }
}

void TfmMain::ShowError(const QString& message) {
    // The display itself must not throw into the event loop either.
    try {
        dialogs_->showError(errorDisplayText(message));
    } catch (...) {
    }
}

// ---------------------------------------------------------------- busy state

void TfmMain::setBusy(bool busy) {
    busy_ = busy;
    for (QAction* action : {N2, N3, N4, N6}) action->setEnabled(!busy);
    for (TSpeedButton* button : {sbNew, sbOpen, sbSave}) button->setEnabled(!busy);
    walkControls<TcxButtonEdit>(this, [busy](TcxButtonEdit* field) { field->setButtonsEnabled(!busy); });
    ProgressBar1->setValue(0);
    ProgressBar1->setVisible(busy);
    if (!busy && closeWhenIdle_) {
        closeWhenIdle_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TfmMain::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // Closing waits for the running Save or Open to end.
        closeWhenIdle_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// ---------------------------------------------------------------- access

TcxButtonEdit* TfmMain::pathField(int tag) const {
    TcxButtonEdit* found = nullptr;
    if (tag <= 0) return nullptr;
    walkControls<TcxButtonEdit>(const_cast<TfmMain*>(this), [&](TcxButtonEdit* field) {
        if (field->Tag == tag) found = field;
    });
    return found;
}

TImage* TfmMain::elementPicture(int tag) const {
    TImage* found = nullptr;
    if (tag <= 0) return nullptr;
    walkControls<TImage>(const_cast<TfmMain*>(this), [&](TImage* picture) {
        if (picture->Tag == tag) found = picture;
    });
    return found;
}

TSpeedButton* TfmMain::previewButton(int mode) const {
    for (TSpeedButton* button : previewButtons)
        if (button->Tag == mode) return button;
    return nullptr;
}

int TfmMain::colorIndex() const { return eColor->currentIndex(); }

void TfmMain::setColorIndex(int index) { eColor->setCurrentIndex(index >= 0 && index < eColor->count() ? index : -1); }

QByteArray TfmMain::screensaverBytes() const {
    return imScreen->hasPicture() ? imScreen->picture()->bytes : QByteArray();
}

QImage TfmMain::screenImage() { return client->grab(Shape1->geometry()).toImage(); }
