#pragma once
// The window's dialogs on Qt: the four file dialogs (each remembering its last confirmed file
// and filter, and for the session the size the user gave it), the folder browser, the warning
// box and the error display's message box.
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

#include "app/dialogs.h"

class QFileDialog;
class QWidget;

// One description and pattern pair of a "description|patterns|description|patterns" filter.
struct FileFilter {
    QString description;   // shown exactly as written
    QStringList patterns;  // the ";"-separated patterns, split
};

std::vector<FileFilter> parseFileFilter(const QString& filter);

// The filters of the four file dialogs, as written in the window's design.
extern const char* const kPictureFilter;
extern const char* const kSoundFilter;
extern const char* const kOpenThemeFilter;
extern const char* const kSaveThemeFilter;

// Sets `filters` on a (non-native) file dialog and selects `selected` (the first when empty).
// Qt reads patterns only when they are separated by spaces; the dialog's file list is made to
// use the split patterns while the descriptions stay as written.
void applyFileFilter(QFileDialog& dialog, const std::vector<FileFilter>& filters, const QString& selected);

// The patterns the dialog's file list uses now (for tests).
QStringList activeNamePatterns(QFileDialog& dialog);

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner) : owner_(owner) {}

    std::optional<QString> openPicture() override;
    std::optional<QString> openSound() override;
    std::optional<QString> openTheme() override;
    std::optional<QString> saveTheme() override;
    std::optional<QString> browseFolder(const QString& prompt, const QString& initialFolder) override;
    bool confirmWarning(const QString& text) override;
    void showError(const QString& text) override;

    // What a file dialog remembers between runs.
    struct Memory {
        QString lastFile;
        QString lastFilter;
        QSize size;  // as the user left it; invalid until the first showing
    };

private:
    std::optional<QString> runFileDialog(Memory& memory, const char* filter, bool save, bool picturePreview);

    QWidget* owner_;
    Memory picture_, sound_, openTheme_, saveTheme_;
    QSize folderBrowserSize_;
};
