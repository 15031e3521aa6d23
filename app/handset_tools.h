#pragma once
// The window's tools for packages a handset accepts: the "Переносимые имена файлов" item of the
// File menu (remembered in QSettings), the non-modal "Проверка темы" window that lists the
// check's findings after Save and Open, and fitting an element picture that is larger than its
// slot ("Вписать в экран", "Вписать в ячейку" in the picture's context menu).
#include <QString>
#include <string>

class TfmMain;

// Adds the menu item and the pictures' context menus; called once as the window is built.
void installHandsetTools(TfmMain& window);

// Whether Save stores files under portable names (the menu item's state).
bool portableNamesChosen();

// Checks `package` and shows the findings in the check window, errors first; with no findings
// (or a file that is no archive at all) the check window is closed and nothing appears.
void showThemeCheck(TfmMain& window, const std::string& package);

// The context menu's fit action for the element picture of `tag`: "Вписать в экран" (screens)
// or "Вписать в ячейку" (icons) when its picture is larger than its slot, else empty.
QString fitActionCaption(const TfmMain& window, int tag);

// Writes a fitted copy of the element picture of `tag` (JPEG for screens, PNG for icons) into
// fittedPicturesFolder(), points the path field at it and reloads the picture as the element
// button does. Returns the copy's path. The original file is never touched.
QString fitElementPicture(TfmMain& window, int tag);

// The folder under the user's data directory that holds fitted copies.
QString fittedPicturesFolder();
