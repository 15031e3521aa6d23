// The phone screen: UpdatePreview copies the screen plan of PreviewMode into the screen's
// controls; the preview buttons set the mode.
#include <QLabel>

#include "app/mainwindow.h"
#include "theme/screen_plan.h"

void TfmMain::placeIcon(TImage* control, int tag) {
    // A screen control keeps its own copy: later edits of the element do not reach it.
    const TImage* source = elementPicture(tag);
    control->setPicture(source ? source->picture() : nullptr);
}

void TfmMain::UpdatePreview() {
    const theme::ScreenPlan plan = theme::planScreen(PreviewMode);
    for (size_t cell = 0; cell < sm.size(); ++cell) placeIcon(sm[cell], plan.cells[cell]);
    // Any other mode (0, after a failed start) leaves the layers and texts as they were.
    if (!plan.known) return;
    placeIcon(Layer1, plan.layer1);
    placeIcon(Layer2, plan.layer2);
    for (int text : {theme::kTextItems, theme::kTextLeft, theme::kTextCenter, theme::kTextRight, theme::kTextClock})
        screenLabels[static_cast<size_t>(text)]->setText(QString::fromStdString(plan.texts[static_cast<size_t>(text)]));
}

void TfmMain::btMessageShowClick(TSpeedButton* sender) {
    PreviewMode = sender->Tag;
    UpdatePreview();
}
