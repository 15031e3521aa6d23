#include "app/about_box.h"

#if __has_include("app/about/about.h")
#include "app/about/about.h"

void showAboutBox(QWidget* owner) {
    TfmAbout about(owner);
    about.exec();
}
#else
// The About box is built in app/about/; until it is there the command does nothing.
void showAboutBox(QWidget*) {}
#endif
