#include "app/about_box.h"

#include "app/about/about.h"

void showAboutBox() {
    // The box has no owner window: it stands on its own, centred on the screen, and blocks
    // the whole application while it is open.
    TfmAbout about;
    about.setWindowModality(Qt::ApplicationModal);
    about.exec();
}
