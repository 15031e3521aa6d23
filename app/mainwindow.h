#pragma once
// TfmMain: the editor's one window. It owns every control and all editing state: each theme
// element is a path field and a picture control sharing the element's tag (1..11 large icons,
// 101..111 small icons, 201 wallpaper, 202 background, 203 screensaver); the ringtone field
// eRing and the colour list eColor complete the theme. Every handler runs through runHandler,
// so an exception never crosses Qt's event loop: it reaches the error display instead.
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "app/dialogs.h"
#include "app/widgets.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QScrollArea;

class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        std::unique_ptr<Dialogs> dialogs;  // default: the Qt dialogs
        // The default screensaver's bytes; default: the embedded DEFAULT_SS.
        std::optional<QByteArray> defaultScreensaver;
    };

    TfmMain();
    explicit TfmMain(Options options);
    ~TfmMain() override;

    // ---- Handlers (each runs inside runHandler when a control triggers it)
    void FormCreate();  // New theme
    void sbOpenClick();
    // Open from the folder browser on, for a package chosen outside the open dialog (the
    // command line of a file manager's "Open with").
    void openPackage(const QString& package);
    void sbSaveClick();
    void N6Click();  // Exit
    void About1Click();
    void eRingPropertiesButtonClick(int index);
    // index 0 browse, 1 clear, 99 reload request (loads the picture from the field's text, no redraw)
    void eMessagesPropertiesButtonClick(TcxButtonEdit* field, int index);
    void imMessagesDblClick(TImage* picture);
    void btMessageShowClick(TSpeedButton* sender);
    // A picture file dropped on an element picture or its path field: a confirmed browse.
    void dropPictureFile(int tag, const QString& path);

    void ResetElements();
    void UpdatePreview();

    // Runs a handler: an exception escaping it is shown by the error display, EAbort silently.
    void runHandler(const std::function<void()>& handler);
    // The error display: appends "." when the text's last character comes after "." and shows it.
    void ShowError(const QString& message);

    // ---- Access for the Save and Open workflows and for tests
    int previewMode() const { return PreviewMode; }
    Dialogs& dialogs() { return *dialogs_; }
    TcxButtonEdit* pathField(int tag) const;  // the element path field with this tag, or null
    TImage* elementPicture(int tag) const;    // the last picture control with this tag, or null
    TSpeedButton* previewButton(int mode) const;
    int colorIndex() const;  // -1 when no entry is selected
    void setColorIndex(int index);
    QByteArray screensaverBytes() const;  // imScreen's file bytes; empty when it holds none
    QImage screenImage();                 // the 208 x 208 phone screen as drawn now

    // While Save or Open runs: New, Open, Save, Exit, the path-field buttons, double-clicks and
    // drops are ignored and a close request waits for the end of the run.
    void setBusy(bool busy);
    bool busy() const { return busy_; }

    // ---- Controls, named as the window's design names them
    QWidget* client = nullptr;  // the client area below the menu bar
    QMenuBar* mm = nullptr;
    QMenu* N1 = nullptr;
    QAction *N2 = nullptr, *N3 = nullptr, *N4 = nullptr, *N5 = nullptr, *N6 = nullptr, *About1 = nullptr;

    QFrame* ToolBar1 = nullptr;
    TSpeedButton *sbNew = nullptr, *sbOpen = nullptr, *sbSave = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    TShape *Shape2 = nullptr, *Shape1 = nullptr;
    TImage *Layer1 = nullptr, *Layer2 = nullptr;
    QLabel *LabelItems = nullptr, *LabelLeft = nullptr, *LabelRight = nullptr, *LabelCenter = nullptr,
           *LabelClock = nullptr;
    std::array<QLabel*, 5> screenLabels{};  // the five texts in creation order: Items, Left, Right, Center, Clock
    std::array<TImage*, 9> sm{};            // sm1 .. sm9

    QFrame *Bevel6 = nullptr, *Bevel1 = nullptr;
    QFrame *Panel41 = nullptr, *Panel42 = nullptr;
    QButtonGroup* PreviewButtons = nullptr;
    std::array<TSpeedButton*, 15> previewButtons{};  // btWallShow .. RxSpeedButton16, top to bottom
    TSpeedButton* btWallShow = nullptr;

    QScrollArea* ScrollBox1 = nullptr;
    TcxButtonEdit* eRing = nullptr;
    QComboBox* eColor = nullptr;
    TcxButtonEdit *eWall = nullptr, *eBg = nullptr, *eScreen = nullptr;
    TImage *imWall = nullptr, *imBg = nullptr, *imScreen = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFrame();
    void buildMenu();
    void buildToolBar();
    void buildPhone();
    void buildPreviewColumn();
    void buildSections();
    QWidget* buildSection(QWidget* parent, const char* name, const QString& caption, int height,
                          const char* headerPicture, int captionX);
    void buildElementSection(QWidget* section, int tag);
    void buildMenuItemSection(QWidget* section, int item);
    void addElement(QWidget* section, int tag, QRect fieldGeometry, QRect boxGeometry);
    void layoutColumns();
    void connectHandlers();
    void loadDefaultScreensaver();
    // Gives a screen control a copy of the element picture of `tag` (0 or none: empties it).
    void placeIcon(TImage* control, int tag);

    std::unique_ptr<Dialogs> dialogs_;
    std::optional<QByteArray> defaultScreensaver_;
    int PreviewMode = 0;
    bool busy_ = false;
    bool closeWhenIdle_ = false;
};
