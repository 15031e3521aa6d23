#include "app/about_box.h"

#include "app/about/about.h"

void showAboutBox(QWidget* owner) {
    TfmAbout about(owner);
    about.exec();
}
