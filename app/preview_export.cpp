#include "app/preview_export.h"

#include "app/mainwindow.h"
#include "platform/errors.h"
#include "theme/elements.h"

void loadElement(TfmMain& window, int tag, const QString& path) {
    TcxButtonEdit* field = window.pathField(tag);
    if (!field) throw platform::Error("No element with tag " + std::to_string(tag));
    field->setText(path);
    window.eMessagesPropertiesButtonClick(field, theme::kReloadRequest);
}

QImage renderPreview(TfmMain& window, int mode) {
    TSpeedButton* button = window.previewButton(mode);
    if (!button) throw platform::Error("Unknown preview mode " + std::to_string(mode));
    button->click();
    return window.screenImage();
}
