#include "app/preview_export.h"

#include "app/elements.h"
#include "app/mainwindow.h"
#include "platform/errors.h"

namespace {

struct IconId {
    std::string_view itemId;
    int item;
};

constexpr IconId kIconIds[] = {
    {"messages", 1}, {"contacts", 2},  {"callregister", 3}, {"settings", 4},     {"gallery", 5}, {"media", 6},
    {"push_to_talk", 7}, {"organizer", 8}, {"applications", 9}, {"services", 10}, {"simatk", 11},
};

}  // namespace

std::optional<int> iconTag(std::string_view itemId, bool large) {
    for (const IconId& id : kIconIds)
        if (id.itemId == itemId) return large ? id.item : id.item + elements::kSmallIconOffset;
    return std::nullopt;
}

bool isPreviewMode(int mode) {
    return (mode >= 1 && mode <= elements::kMenuItems) || mode == elements::kWallpaper ||
           mode == elements::kBackground || mode == elements::kGridPage1 || mode == elements::kGridPage2;
}

void loadElement(TfmMain& window, int tag, const QString& path) {
    TcxButtonEdit* field = window.pathField(tag);
    if (!field) throw platform::Error("No element with tag " + std::to_string(tag));
    field->setText(path);
    window.eMessagesPropertiesButtonClick(field, 99);
}

QImage renderPreview(TfmMain& window, int mode) {
    TSpeedButton* button = window.previewButton(mode);
    if (!button) throw platform::Error("Unknown preview mode " + std::to_string(mode));
    button->click();
    return window.screenImage();
}
