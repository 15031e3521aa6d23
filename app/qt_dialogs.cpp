#include "app/qt_dialogs.h"

#include <QDateTime>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeView>
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
constexpr int kSidebarSlack = 4;  // beyond the places' own widths, so that none is elided
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

// Widest text among `texts` in `metrics`, plus the item view's margins on both sides.
int widestText(const QFontMetrics& metrics, const QStringList& texts) {
    constexpr int kItemMargins = 16;
    int widest = 0;
    for (const QString& text : texts) widest = std::max(widest, metrics.horizontalAdvance(text));
    return widest + kItemMargins;
}

// The texts the file list's size, type and date columns show at their widest: sizes just below
// each unit's change, the types of folders and of the files that `patterns` let through, and a
// date and time with two-digit fields.
QStringList widestSizes() {
    const QLocale locale = QLocale::system();
    QStringList sizes;
    for (qint64 bytes : {qint64(1000), qint64(1023) << 10, qint64(1023) << 20, qint64(1023) << 30})
        sizes << locale.formattedDataSize(bytes - 1);
    return sizes;
}

QStringList fileTypes(const QStringList& patterns) {
    const QMimeDatabase database;
    // A package is typed by its content, as a ZIP archive.
    QStringList types{QStringLiteral("Folder"), database.mimeTypeForName(QStringLiteral("application/zip")).comment()};
    for (const QString& pattern : patterns)
        types
            << database.mimeTypeForFile(QStringLiteral("x") + pattern.mid(1), QMimeDatabase::MatchExtension).comment();
    return types;
}

QStringList widestDates() {
    return {QLocale::system().toString(QDateTime(QDate(2026, 12, 28), QTime(22, 58, 58)), QLocale::ShortFormat)};
}

// Widens the places sidebar and the file list's columns until every entry reads whole, and
// returns the dialog width that shows them all side by side.
int fitFileDialogColumns(QFileDialog& dialog, const QStringList& patterns) {
    auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* sidebar = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
    auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!tree || !sidebar || !splitter || !grid || splitter->count() != 2) return dialog.sizeHint().width();

    int sidebarWidth = 0;
    for (int row = 0; row < sidebar->model()->rowCount(); ++row)
        sidebarWidth = std::max(sidebarWidth, sidebar->sizeHintForIndex(sidebar->model()->index(row, 0)).width());
    sidebarWidth += 2 * sidebar->frameWidth() + 2 * sidebar->spacing() + kSidebarSlack;
    QList<int> sizes = splitter->sizes();
    sizes[0] = std::max(sizes[0], sidebarWidth);
    splitter->setSizes(sizes);

    QHeaderView* header = tree->header();
    const QFontMetrics metrics = tree->fontMetrics();
    const QStringList columnTexts[] = {{}, widestSizes(), fileTypes(patterns), widestDates()};
    int listWidth = 2 * tree->frameWidth() + tree->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int column = 0; column < header->count(); ++column) {
        const int needed = column < 4 ? widestText(metrics, columnTexts[column]) : 0;
        header->resizeSection(column, std::max({header->sectionSize(column), needed, header->sectionSizeHint(column)}));
        listWidth += header->sectionSize(column);
    }

    const QMargins margins = grid->contentsMargins();
    int width = margins.left() + margins.right() + sizes[0] + splitter->handleWidth() + listWidth;
    // Columns beside the splitter (the picture pane) keep their own width.
    for (int column = 0; column < grid->columnCount(); ++column) {
        QLayoutItem* item = grid->itemAtPosition(0, column);
        if (item && item->widget() && item->widget() != splitter && !item->widget()->isAncestorOf(splitter))
            width += item->sizeHint().width() + grid->horizontalSpacing();
    }
    return std::max(width, dialog.sizeHint().width());
}

// Opens `dialog` at the size remembered from its last showing, or the first time at a size
// where the sidebar and every column read whole; remembers the size it closes at.
int execAtRememberedSize(QFileDialog& dialog, QSize& remembered, const QStringList& patterns) {
    const int width = fitFileDialogColumns(dialog, patterns);
    dialog.resize(remembered.isValid() ? remembered : QSize(width, dialog.sizeHint().height()));
    const int result = dialog.exec();
    remembered = dialog.size();
    return result;
}

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
    const std::vector<FileFilter> filters = parseFileFilter(QString::fromUtf8(filter));
    applyFileFilter(dialog, filters, memory.lastFilter);
    if (!memory.lastFile.isEmpty()) dialog.selectFile(memory.lastFile);
    if (picturePreview) {
        auto* pane = new PicturePreviewPane(&dialog);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, pane,
                         [pane](const QString& path) { pane->showFile(path); });
        // The file offered again was selected before the pane listened: show it now.
        if (!memory.lastFile.isEmpty()) pane->showFile(memory.lastFile);
    }
    QStringList patterns;
    for (const FileFilter& each : filters) patterns << each.patterns;
    if (execAtRememberedSize(dialog, memory.size, patterns) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    memory.lastFile = dialog.selectedFiles().front();
    memory.lastFilter = dialog.selectedNameFilter();
    return memory.lastFile;
}

std::optional<QString> QtDialogs::openPicture() { return runFileDialog(picture_, kPictureFilter, false, true); }
std::optional<QString> QtDialogs::openSound() { return runFileDialog(sound_, kSoundFilter, false, false); }
std::optional<QString> QtDialogs::openTheme() { return runFileDialog(openTheme_, kOpenThemeFilter, false, false); }
std::optional<QString> QtDialogs::saveTheme() { return runFileDialog(saveTheme_, kSaveThemeFilter, true, false); }

std::optional<QString> QtDialogs::browseFolder(const QString& prompt, const QString& initialFolder) {
    QFileDialog dialog(owner_, prompt, initialFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (execAtRememberedSize(dialog, folderBrowserSize_, {}) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

bool QtDialogs::confirmWarning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok | QMessageBox::Cancel,
                    owner_);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

void QtDialogs::showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Skarvel"), text, QMessageBox::Ok, owner_);
    box.exec();
}
