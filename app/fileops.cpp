// Save and Open: the theme workflows driven from the main window. While one runs, the window
// is busy: the commands that would start another run are ignored, the progress bar at the right
// end of ToolBar1 follows the archive component, and a close request waits for the end.
#include "app/fileops.h"

#include <unistd.h>

#include <QDir>
#include <QProgressBar>
#include <QTimer>

#include "app/handset_tools.h"
#include "app/mainwindow.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "theme/elements.h"
#include "theme/open.h"
#include "theme/save.h"

namespace {

const char* const kFolderPrompt = "Выберите каталог для распаковки темы";

std::string toStd(const QString& text) { return text.toStdString(); }

// The window's element table as the workflows see it.
class WindowTheme : public theme::ThemeView {
public:
    explicit WindowTheme(TfmMain& window) : window_(window) {}

    std::string path(int tag) const override { return toStd(field(tag).text()); }
    void setPath(int tag, const std::string& path) override { field(tag).setText(QString::fromStdString(path)); }
    std::string ringtone() const override { return toStd(window_.eRing->text()); }
    void setRingtone(const std::string& path) override { window_.eRing->setText(QString::fromStdString(path)); }
    int colorIndex() const override { return window_.colorIndex(); }
    void setColorIndex(int index) override { window_.setColorIndex(index); }

    std::optional<std::string> screensaverPicture() const override {
        if (!window_.imScreen->hasPicture()) return std::nullopt;
        const QByteArray bytes = window_.screensaverBytes();
        return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
    }

    void resetElements() override { window_.ResetElements(); }
    void reloadPicture(int tag) override { window_.eMessagesPropertiesButtonClick(&field(tag), theme::kReloadRequest); }
    void updatePreview() override { window_.UpdatePreview(); }

private:
    TcxButtonEdit& field(int tag) const {
        TcxButtonEdit* found = window_.pathField(tag);
        if (!found) throw platform::Error("No path field has tag " + std::to_string(tag));
        return *found;
    }

    TfmMain& window_;
};

// Marks the window busy for the length of a run, whatever way the run ends.
class BusyRun {
public:
    explicit BusyRun(TfmMain& window) : window_(window) { window_.setBusy(true); }
    ~BusyRun() { window_.setBusy(false); }
    BusyRun(const BusyRun&) = delete;
    BusyRun& operator=(const BusyRun&) = delete;

    std::function<void(int)> progress() {
        return [this](int percent) { window_.ProgressBar1->setValue(percent); };
    }

private:
    TfmMain& window_;
};

// The folder browser starts in the program folder when the program may write there.
QString initialUnpackFolder() {
    const std::string program = platform::programFolder();
    if (access(program.c_str(), W_OK) == 0) return QString::fromStdString(program);
    return QDir::homePath();
}

// Runs Open; problems the reader met are shown as one damaged-package message, before the
// failure that ended the run, if any. False when the user declined emptying the unpack folder.
bool runOpen(TfmMain& window, theme::OpenWorkflow& open, const std::string& package, const std::string& folder,
             const std::function<void(const std::string&)>& reportDamage) {
    WindowTheme view(window);
    BusyRun busy(window);
    open.onProgress = busy.progress();
    bool opened = false;
    try {
        opened = open.run(package, folder, view);
    } catch (...) {
        if (!open.problems().empty()) reportDamage(theme::damagedMessage(package, open.problems()));
        throw;
    }
    if (!open.problems().empty()) reportDamage(theme::damagedMessage(package, open.problems()));
    return opened;
}

}  // namespace

void TfmMain::sbSaveClick() {
    const std::optional<QString> name = dialogs_->saveTheme();
    if (!name) return;
    WindowTheme view(*this);
    BusyRun busy(*this);
    theme::SaveWorkflow save;
    save.onProgress = busy.progress();
    save.portableNames = portableNamesChosen();
    // The check reads the package back while the window is still busy.
    showThemeCheck(*this, save.run(view, toStd(*name)));
}

void TfmMain::sbOpenClick() {
    const std::optional<QString> package = dialogs_->openTheme();
    if (package) openPackage(*package);
}

void TfmMain::openPackage(const QString& package) {
    const std::optional<QString> folder =
        dialogs_->browseFolder(QString::fromUtf8(kFolderPrompt), initialUnpackFolder());
    if (!folder) return;
    theme::OpenWorkflow open;
    open.confirmEmptying = [this](const std::string& warning) {
        return dialogs_->confirmWarning(QString::fromStdString(warning));
    };
    // The check follows the damaged-package message, also when Open fails on the package; the
    // window stays busy while it reads the package.
    const auto check = [this, &package] {
        BusyRun busy(*this);
        showThemeCheck(*this, toStd(package));
    };
    bool opened = false;
    try {
        opened = runOpen(*this, open, toStd(package), toStd(*folder),
                         [this](const std::string& message) { ShowError(QString::fromStdString(message)); });
    } catch (...) {
        check();
        throw;
    }
    if (opened) check();
}

void openThemeInto(TfmMain& window, const std::string& package, const std::string& folder) {
    theme::OpenWorkflow open;
    open.confirmEmptying = [](const std::string&) { return true; };
    runOpen(window, open, package, folder, [](const std::string& message) { throw platform::Error(message); });
}

void openPackageFromCommandLine(TfmMain& window, const QStringList& arguments) {
    if (arguments.size() < 2) return;
    const QString package = arguments.at(1);
    QTimer::singleShot(0, &window,
                       [&window, package] { window.runHandler([&window, package] { window.openPackage(package); }); });
}
