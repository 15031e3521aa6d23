#pragma once
// The dialogs the main window asks questions through. The window owns one implementation:
// QtDialogs (app/qt_dialogs.h) in the editor, ScriptedDialogs below in tests and in the
// command-line tool, which answer without a window.
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <utility>

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // OpenPictureDialog1: a picture file for an element. Nothing when cancelled.
    virtual std::optional<QString> openPicture() = 0;
    // OpenDialog1: a sound file for the ringtone.
    virtual std::optional<QString> openSound() = 0;
    // OpenDialog2: a theme package to open.
    virtual std::optional<QString> openTheme() = 0;
    // SaveDialog1: the name to save a theme package under.
    virtual std::optional<QString> saveTheme() = 0;
    // The folder browser with its prompt, starting in `initialFolder`.
    virtual std::optional<QString> browseFolder(const QString& prompt, const QString& initialFolder) = 0;
    // A warning box with OK and Cancel; true when the user chose OK.
    virtual bool confirmWarning(const QString& text) = 0;
    // The error display's message box (caption "Skarvel", stop icon, one OK button). The text
    // arrives complete; the window has already applied its full-stop rule.
    virtual void showError(const QString& text) = 0;
};

// Answers from queues filled in advance and records what was shown. An empty queue answers
// "cancelled" (and false for a warning).
class ScriptedDialogs : public Dialogs {
public:
    std::deque<std::optional<QString>> pictures, sounds, themes, saveNames, folders;
    std::deque<bool> warningAnswers;

    QStringList errors;         // every text the error display showed
    QStringList warnings;       // every warning text asked
    QStringList folderPrompts;  // prompt and initial folder of each folder browser, in turn
    int pictureDialogRuns = 0;

    std::optional<QString> openPicture() override {
        ++pictureDialogRuns;
        return next(pictures);
    }
    std::optional<QString> openSound() override { return next(sounds); }
    std::optional<QString> openTheme() override { return next(themes); }
    std::optional<QString> saveTheme() override { return next(saveNames); }
    std::optional<QString> browseFolder(const QString& prompt, const QString& initialFolder) override {
        folderPrompts << prompt << initialFolder;
        return next(folders);
    }
    bool confirmWarning(const QString& text) override {
        warnings << text;
        if (warningAnswers.empty()) return false;
        const bool answer = warningAnswers.front();
        warningAnswers.pop_front();
        return answer;
    }
    void showError(const QString& text) override { errors << text; }

private:
    static std::optional<QString> next(std::deque<std::optional<QString>>& queue) {
        std::optional<QString> answer;
        if (!queue.empty()) {
            if (queue.front()) answer.emplace(*queue.front());
            queue.pop_front();
        }
        return answer;
    }
};
