#include "app/handset_tools.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/elements.h"
#include "app/mainwindow.h"
#include "picture/fit.h"
#include "platform/errors.h"
#include "theme/check.h"
#include "theme/fields.h"

namespace {

const char* const kPortableNamesKey = "save/portableNames";
// The settings file: $XDG_CONFIG_HOME/Skarvel/Skarvel.conf.
const char* const kSettingsName = "Skarvel";
const char* const kCheckWindowName = "ThemeCheck";

bool isScreen(int tag) {
    return tag == theme::kTagWallpaper || tag == theme::kTagBackground || tag == theme::kTagScreensaver;
}

// The element tag a finding's element stands for; 0 for the ringtone, -1 for the package.
int tagOfElement(const std::string& element) {
    if (element == "wallpaper") return theme::kTagWallpaper;
    if (element == "background") return theme::kTagBackground;
    if (element == "screensaver") return theme::kTagScreensaver;
    if (element == "ringtone") return 0;
    if (element.rfind("icon:", 0) == 0) {
        const auto colon = element.find(':', 5);
        if (colon != std::string::npos)
            return theme::iconTagFor(element.substr(5, colon - 5), element.substr(colon + 1));
    }
    return -1;
}

QString elementCaption(int tag) {
    switch (tag) {
        case -1: return QStringLiteral("Пакет");
        case 0: return QStringLiteral("Сигнал вызова");
        case theme::kTagWallpaper: return QStringLiteral("Обои");
        case theme::kTagBackground: return QStringLiteral("Задний фон");
        case theme::kTagScreensaver: return QStringLiteral("Скринсейвер");
    }
    const bool small = tag > theme::kSmallIconOffset;
    const int item = small ? tag - theme::kSmallIconOffset : tag;
    const std::string_view title = theme::kMenuTitles[static_cast<size_t>(item - 1)];
    return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())) +
           (small ? QStringLiteral(", мелко") : QStringLiteral(", крупно"));
}

theme::PictureFacts probePicture(const std::string& path) {
    const auto facts = picture::handsetFacts(path);
    return {facts.handsetFormat, facts.width, facts.height};
}

// Scrolls the sections column so that the section holding the element's path field is at the top.
void scrollToElement(TfmMain& window, int tag) {
    QWidget* field = tag == 0 ? static_cast<QWidget*>(window.eRing) : window.pathField(tag);
    QWidget* content = window.ScrollBox1->widget();
    QWidget* section = field;
    while (section && section->parentWidget() != content) section = section->parentWidget();
    if (section) window.ScrollBox1->verticalScrollBar()->setValue(section->y());
}

class ThemeCheckWindow : public QWidget {
public:
    explicit ThemeCheckWindow(TfmMain& window) : QWidget(&window, Qt::Window), window_(window) {
        setObjectName(kCheckWindowName);
        setWindowTitle(QStringLiteral("Проверка темы"));
        list_ = new QTreeWidget(this);
        list_->setObjectName(QStringLiteral("ThemeCheckList"));
        list_->setColumnCount(2);
        list_->setHeaderLabels({QStringLiteral("Элемент"), QStringLiteral("Проблема")});
        list_->setRootIsDecorated(false);
        list_->setWordWrap(true);
        list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(list_);
        resize(640, 280);
        connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
            const int tag = item->data(0, Qt::UserRole).toInt();
            if (tag >= 0) scrollToElement(window_, tag);
        });
    }

    void showFindings(std::vector<theme::Finding> findings) {
        std::stable_partition(findings.begin(), findings.end(),
                              [](const theme::Finding& f) { return f.severity == theme::Severity::Error; });
        list_->clear();
        for (const auto& finding : findings) {
            const int tag = tagOfElement(finding.element);
            auto* item = new QTreeWidgetItem(list_, {elementCaption(tag), QString::fromStdString(finding.message)});
            item->setIcon(
                0, style()->standardIcon(finding.severity == theme::Severity::Error ? QStyle::SP_MessageBoxCritical
                                                                                    : QStyle::SP_MessageBoxWarning));
            item->setData(0, Qt::UserRole, tag);
            item->setToolTip(1, QString::fromStdString(finding.code));
        }
        QWidget::show();
        raise();
    }

private:
    TfmMain& window_;
    QTreeWidget* list_;
};

}  // namespace

void installHandsetTools(TfmMain& window) {
    auto* portable = new QAction(QStringLiteral("Переносимые имена файлов"), window.N1);
    portable->setObjectName(QStringLiteral("PortableNames"));
    portable->setCheckable(true);
    portable->setChecked(portableNamesChosen());
    window.N1->insertAction(window.N5, portable);
    QObject::connect(portable, &QAction::toggled, portable,
                     [](bool on) { QSettings(kSettingsName, kSettingsName).setValue(kPortableNamesKey, on); });

    for (int tag : theme::kElementTags) {
        TImage* picture = window.elementPicture(tag);
        if (!picture) continue;
        picture->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(picture, &QWidget::customContextMenuRequested, picture, [&window, picture, tag](QPoint at) {
            const QString caption = fitActionCaption(window, tag);
            if (caption.isEmpty() || window.busy()) return;
            QMenu menu(picture);
            QAction* fit = menu.addAction(caption);
            if (menu.exec(picture->mapToGlobal(at)) == fit)
                window.runHandler([&window, tag] { fitElementPicture(window, tag); });
        });
    }
}

bool portableNamesChosen() { return QSettings(kSettingsName, kSettingsName).value(kPortableNamesKey, false).toBool(); }

void showThemeCheck(TfmMain& window, const std::string& package) {
    auto* shown = window.findChild<ThemeCheckWindow*>(kCheckWindowName, Qt::FindDirectChildrenOnly);
    std::vector<theme::Finding> findings;
    try {
        findings = theme::checkPackage(package, probePicture);
    } catch (const platform::Error&) {
        // Not an archive: Open has said so already.
    }
    if (findings.empty()) {
        if (shown) shown->close();
        return;
    }
    if (!shown) shown = new ThemeCheckWindow(window);
    shown->showFindings(std::move(findings));
}

QString fitActionCaption(const TfmMain& window, int tag) {
    const TImage* picture = window.elementPicture(tag);
    if (!picture || !picture->hasPicture() || !theme::isElementTag(tag)) return {};
    const theme::Slot slot = theme::slotFor(tag);
    if (picture->picture()->width() <= slot.width && picture->picture()->height() <= slot.height) return {};
    return isScreen(tag) ? QStringLiteral("Вписать в экран") : QStringLiteral("Вписать в ячейку");
}

QString fittedPicturesFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/fitted");
}

QString fitElementPicture(TfmMain& window, int tag) {
    const TImage* picture = window.elementPicture(tag);
    const TcxButtonEdit* field = window.pathField(tag);
    if (fitActionCaption(window, tag).isEmpty() || !field) return {};
    const theme::Slot slot = theme::slotFor(tag);
    const QImage fitted = picture::fitImage(picture->picture()->image(), slot.width, slot.height,
                                            isScreen(tag) ? picture::FitMode::Cover : picture::FitMode::Inside);

    const QString folder = fittedPicturesFolder();
    if (!QDir().mkpath(folder)) throw platform::EFCreateError(folder.toStdString());
    // A new name every time: an earlier copy may still be named by this or another field.
    QString stem = QFileInfo(field->text()).completeBaseName();
    if (stem.isEmpty()) stem = QStringLiteral("picture");
    const QString extension = isScreen(tag) ? QStringLiteral(".jpg") : QStringLiteral(".png");
    QString path =
        folder + "/" + stem + "-" + QString::number(slot.width) + "x" + QString::number(slot.height) + extension;
    for (int number = 2; QFileInfo::exists(path); ++number)
        path = folder + "/" + stem + "-" + QString::number(slot.width) + "x" + QString::number(slot.height) + "-" +
               QString::number(number) + extension;
    picture::writeFitted(fitted, path.toStdString());
    window.dropPictureFile(tag, path);
    return path;
}
