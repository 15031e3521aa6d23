#pragma once
// Small widgets in place of the old toolkit's control kinds: a picture control, a path field
// with embedded buttons, a filled rectangle, a framed picture box, speed buttons. Every picture
// control and path field carries an integer Tag; the main window finds them by walking its
// children in creation order (see walkControls).
#include <QFrame>
#include <QLineEdit>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "picture/picture.h"

class QTimer;

// Shared, immutable decoded picture. Copying the pointer gives a control "its own copy": a
// picture is never changed after decoding, only replaced.
using PicturePtr = std::shared_ptr<const picture::Picture>;

// Picture control: draws its picture at the picture's own size, centred in its box (offsets
// truncated toward zero) and cut off at the box; draws nothing when empty. A transparent
// control lets what lies beneath show through (a bitmap's bottom-left colour is transparent).
// Animated GIF pictures animate while the control is visible.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent, const char* name, int tag = 0, bool transparent = false);

    int Tag = 0;

    void setPicture(PicturePtr picture);
    void clear() { setPicture(nullptr); }
    const PicturePtr& picture() const { return picture_; }
    bool hasPicture() const { return picture_ != nullptr; }
    bool transparent() const { return transparent_; }
    int frameIndex() const { return frame_; }

    // Accept picture files dropped from a file manager (element pictures only).
    void acceptFileDrops() { setAcceptDrops(true); }

signals:
    void doubleClicked();
    void fileDropped(const QString& path);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dropEvent(QDropEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    void showFrame(int frame);
    void scheduleNextFrame();
    const QImage& frameImage(int frame);

    PicturePtr picture_;
    bool transparent_;
    int frame_ = 0;
    std::vector<QImage> transparentFrames_;  // cached keyed images of a transparent control
    QTimer* animation_ = nullptr;
};

// Path field: a single-line field whose text is a full path, with embedded buttons at its
// right end (24 pixels wide each) that report their index. Accepts no typing; Ctrl+Enter
// clicks button 0. A dropped file is reported, never typed in.
class TcxButtonEdit : public QLineEdit {
    Q_OBJECT
public:
    // `glyphs` names the window picture of each button, by index.
    TcxButtonEdit(QWidget* parent, const char* name, int tag, const std::vector<const char*>& glyphs);

    int Tag = 0;

    int buttonCount() const { return static_cast<int>(buttons_.size()); }
    QToolButton* button(int index) const { return buttons_.at(static_cast<size_t>(index)); }
    void setButtonsEnabled(bool enabled);

signals:
    void buttonClicked(int index);
    void fileDropped(const QString& path);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dragMoveEvent(QDragMoveEvent*) override;
    void dropEvent(QDropEvent*) override;

private:
    std::vector<QToolButton*> buttons_;
};

// A filled rectangle with a one-pixel outline.
class TShape : public QWidget {
    Q_OBJECT
public:
    TShape(QWidget* parent, const char* name, QColor fill, QColor outline);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor fill_, outline_;
};

// The toolbar strip: a line along its top and bottom edge.
class TToolBar : public QFrame {
    Q_OBJECT
public:
    TToolBar(QWidget* parent, const char* name);

protected:
    void paintEvent(QPaintEvent*) override;
};

// Framed box around an element picture: raised outer bevel, 2-pixel border, lowered inner
// bevel, so the picture area is the box minus 4 pixels on each side.
class TPictureBox : public QFrame {
    Q_OBJECT
public:
    TPictureBox(QWidget* parent, const char* name);

protected:
    void paintEvent(QPaintEvent*) override;
};

// Flat speed button with a Tag (toolbar and preview column). With a glyph, the glyph's 16-pixel
// box sits 4 pixels from the left edge and the caption's text box begins 4 pixels after it.
class TSpeedButton : public QToolButton {
    Q_OBJECT
public:
    TSpeedButton(QWidget* parent, const char* name, const QString& caption, int tag = 0);
    int Tag = 0;

    static constexpr int kGlyphMargin = 4;
    static constexpr int kGlyphSpacing = 4;
    static constexpr int kGlyphSize = 16;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A window picture from the embedded resources as a QPixmap; a null pixmap when missing.
QPixmap windowPixmap(const char* name);

// The path of the first local file among dropped data, or empty.
QString droppedFilePath(const class QMimeData* data);

// Visits every descendant of `root` of kind T, depth first in creation order (a container
// before its contents).
template <typename T>
void walkControls(QObject* root, const std::function<void(T*)>& visit) {
    for (QObject* child : root->children()) {
        if (auto* control = qobject_cast<T*>(child)) visit(control);
        walkControls<T>(child, visit);
    }
}
