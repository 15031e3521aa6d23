// Element editing: New theme, ResetElements, the element buttons (browse, clear, reload
// request), the double-click pick, the ringtone pick and dropped picture files.
#include <QComboBox>

#include "app/mainwindow.h"
#include "resources/embedded.h"
#include "theme/elements.h"

namespace {

// The picture loading rule; the caller replaces its control's picture only when this returns.
PicturePtr loadPictureFile(const QString& fileName) {
    return std::make_shared<const picture::Picture>(picture::loadPicture(fileName.toStdString()));
}

}  // namespace

void TfmMain::loadDefaultScreensaver() {
    QByteArray bytes;
    if (defaultScreensaver_) {
        bytes = *defaultScreensaver_;
    } else {
        const std::string_view embedded = resources::defaultScreensaver();
        bytes = QByteArray(embedded.data(), static_cast<qsizetype>(embedded.size()));
    }
    // A build without the embedded picture has no default screensaver to show.
    if (bytes.isEmpty()) return;
    // Decoded straight from memory: no temporary file, so a read-only current folder is fine.
    imScreen->setPicture(std::make_shared<const picture::Picture>(picture::decodePicture(bytes, picture::Kind::Jpeg)));
}

void TfmMain::ResetElements() {
    walkControls<TImage>(this, [](TImage* picture) {
        if (picture->Tag > 0) picture->clear();
    });
    walkControls<TcxButtonEdit>(this, [](TcxButtonEdit* field) {
        if (field->Tag > 0) field->clear();
    });
    loadDefaultScreensaver();
    eColor->setCurrentIndex(0);
}

void TfmMain::FormCreate() {
    ResetElements();
    eColor->setCurrentIndex(0);
    PreviewMode = theme::kModeIdle;
    UpdatePreview();
}

void TfmMain::eMessagesPropertiesButtonClick(TcxButtonEdit* field, int index) {
    const int tag = field->Tag;
    std::vector<TImage*> targets;
    walkControls<TImage>(this, [&](TImage* picture) {
        if (picture->Tag == tag) targets.push_back(picture);
    });
    for (TImage* picture : targets) {
        if (index == theme::kButtonBrowse) {
            if (const std::optional<QString> name = dialogs_->openPicture()) {
                picture->setPicture(loadPictureFile(*name));
                field->setText(*name);
            }
        } else if (index == theme::kButtonClear) {
            picture->clear();
            field->clear();
        } else if (index == theme::kReloadRequest) {
            picture->setPicture(loadPictureFile(field->text()));
        }
        // The preview follows at once only when it shows this very element.
        if (index != theme::kReloadRequest && PreviewMode == picture->Tag) UpdatePreview();
    }
}

void TfmMain::imMessagesDblClick(TImage* picture) {
    const std::optional<QString> name = dialogs_->openPicture();
    if (!name) return;
    picture->setPicture(loadPictureFile(*name));
    walkControls<TcxButtonEdit>(this, [&](TcxButtonEdit* field) {
        if (field->Tag == picture->Tag) field->setText(*name);
    });
    UpdatePreview();
}

void TfmMain::dropPictureFile(int tag, const QString& path) {
    TImage* picture = elementPicture(tag);
    TcxButtonEdit* field = pathField(tag);
    if (!picture || !field || !theme::isElementTag(tag)) return;
    picture->setPicture(loadPictureFile(path));
    field->setText(path);
    UpdatePreview();
}

void TfmMain::eRingPropertiesButtonClick(int) {
    if (const std::optional<QString> name = dialogs_->openSound()) eRing->setText(*name);
}
