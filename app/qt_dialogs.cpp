#include "app/qt_dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "picture/picture.h"

const char* const kPictureFilter =
    "All (*.gif;*.jpg;*.jpeg;*.bmp;*.png)|*.gif;*.jpg;*.jpeg;*.bmp;*.png|CompuServe GIF Image (*.gif)|*.gif|"
    "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
    "PNG Image File (*.png)|*.png";
const char* const kSoundFilter = "Звуковые файлы (*.mid;*.aac;*.mxmf;*.nrt;*.mp3)|*.mid;*.aac;*.mxmf;*.nrt;*.mp3";
const char* const kOpenThemeFilter = "Nokia themes (*.nth)|*.nth";
const char* const kSaveThemeFilter = "Nokia Themes (*.nth)|*.nth";

namespace {

constexpr int kPreviewPaneSize = 160;
const char* const kDefaultExtension = "nth";

void useFilterPatterns(QFileDialog& dialog, const std::vector<FileFilter>& filters, const QString& description) {
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (!model) return;
    for (const FileFilter& filter : filters)
        if (filter.description == description) model->setNameFilters(filter.patterns);
}

// The picture pane beside the file list: the selected picture shrunk to fit, its size in the
// caption (" (%dx%d)") or "Picture:" when it cannot be shown, and a larger view on request.
class PicturePreviewPane : public QWidget {
public:
    explicit PicturePreviewPane(QWidget* parent) : QWidget(parent) {
        auto* layout = new QVBoxLayout(this);
        caption_ = new QLabel(QStringLiteral("Picture:"), this);
        image_ = new QLabel(this);
        image_->setFixedSize(kPreviewPaneSize, kPreviewPaneSize);
        image_->setAlignment(Qt::AlignCenter);
        image_->setFrameShape(QFrame::StyledPanel);
        button_ = new QPushButton(QStringLiteral("Preview"), this);
        button_->setEnabled(false);
        layout->addWidget(caption_);
        layout->addWidget(image_);
        layout->addWidget(button_);
        layout->addStretch();
        QObject::connect(button_, &QPushButton::clicked, this, [this] { showLarger(); });
    }

    void showFile(const QString& path) {
        current_ = QImage();
        if (QFileInfo(path).isFile()) {
            try {
                current_ = picture::loadPicture(path.toStdString()).image();
            } catch (const std::exception&) {
            }
        }
        if (current_.isNull()) {
            caption_->setText(QStringLiteral("Picture:"));
            image_->clear();
        } else {
            caption_->setText(QStringLiteral(" (%1x%2)").arg(current_.width()).arg(current_.height()));
            QImage shown = current_;
            if (shown.width() > kPreviewPaneSize || shown.height() > kPreviewPaneSize)
                shown = shown.scaled(kPreviewPaneSize, kPreviewPaneSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            image_->setPixmap(QPixmap::fromImage(shown));
        }
        button_->setEnabled(!current_.isNull());
    }

private:
    void showLarger() {
        QDialog view(this);
        view.setWindowTitle(caption_->text().trimmed());
        auto* layout = new QVBoxLayout(&view);
        auto* area = new QScrollArea(&view);
        auto* label = new QLabel(area);
        label->setPixmap(QPixmap::fromImage(current_));
        area->setWidget(label);
        layout->addWidget(area);
        view.resize(std::min(current_.width() + 40, 1000), std::min(current_.height() + 40, 800));
        view.exec();
    }

    QLabel* caption_;
    QLabel* image_;
    QPushButton* button_;
    QImage current_;
};

}  // namespace

std::vector<FileFilter> parseFileFilter(const QString& filter) {
    std::vector<FileFilter> result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        result.push_back({parts[i], parts[i + 1].split(u';', Qt::SkipEmptyParts)});
    return result;
}

void applyFileFilter(QFileDialog& dialog, const std::vector<FileFilter>& filters, const QString& selected) {
    QStringList descriptions;
    for (const FileFilter& filter : filters) descriptions << filter.description;
    dialog.setNameFilters(descriptions);
    const QString initial = descriptions.contains(selected) ? selected : descriptions.value(0);
    dialog.selectNameFilter(initial);
    useFilterPatterns(dialog, filters, initial);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters](const QString& description) {
        useFilterPatterns(dialog, filters, description);
    });
}

QStringList activeNamePatterns(QFileDialog& dialog) {
    auto* model = dialog.findChild<QFileSystemModel*>();
    return model ? model->nameFilters() : QStringList();
}

std::optional<QString> QtDialogs::runFileDialog(Memory& memory, const char* filter, bool save, bool picturePreview) {
    QFileDialog dialog(owner_);
    // Qt's own dialog: it carries the preview pane and honours ";"-separated patterns.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);  // the chosen file need not exist
    if (save) dialog.setDefaultSuffix(QString::fromLatin1(kDefaultExtension));
    applyFileFilter(dialog, parseFileFilter(QString::fromUtf8(filter)), memory.lastFilter);
    if (!memory.lastFile.isEmpty()) dialog.selectFile(memory.lastFile);
    if (picturePreview) {
        auto* pane = new PicturePreviewPane(&dialog);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, pane, [pane](const QString& path) { pane->showFile(path); });
        // The file offered again was selected before the pane listened: show it now.
        if (!memory.lastFile.isEmpty()) pane->showFile(memory.lastFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    memory.lastFile = dialog.selectedFiles().front();
    memory.lastFilter = dialog.selectedNameFilter();
    return memory.lastFile;
}

std::optional<QString> QtDialogs::openPicture() { return runFileDialog(picture_, kPictureFilter, false, true); }
std::optional<QString> QtDialogs::openSound() { return runFileDialog(sound_, kSoundFilter, false, false); }
std::optional<QString> QtDialogs::openTheme() { return runFileDialog(openTheme_, kOpenThemeFilter, false, false); }
std::optional<QString> QtDialogs::saveTheme() { return runFileDialog(saveTheme_, kSaveThemeFilter, true, false); }

std::optional<QString> QtDialogs::browseFolder(const QString& prompt, const QString& initialFolder) {
    const QString folder = QFileDialog::getExistingDirectory(owner_, prompt, initialFolder);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

bool QtDialogs::confirmWarning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok | QMessageBox::Cancel, owner_);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

void QtDialogs::showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Skarvel"), text, QMessageBox::Ok, owner_);
    box.exec();
}
