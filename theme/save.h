#pragma once
// Saving a theme as a package: the descriptor and every file it names, stored flat and
// deflated, descriptor last.
//
// Contract: the files Save makes itself (the default screensaver and ringtone, the descriptor)
// live in a private temporary folder that is removed afterwards, whatever happens. The package is
// built fresh in that folder and put onto the target atomically (platform::replaceFile, keeping
// the old package's permissions) only when it is complete, so every failure leaves an existing
// package exactly as it was. Failures throw platform::Error with the text the user sees.
#include <functional>
#include <string>

#include "theme/fields.h"

namespace theme {

// The package name the writer uses for a chosen name: ".nth" appended when it has no extension.
std::string packageNameFor(const std::string& chosenName);

class SaveWorkflow {
public:
    // Called as the writer works: percent of the bytes written so far (0 to 100).
    std::function<void(int percent)> onProgress;
    // Store files whose names a handset may not match under ASCII names made from their slot
    // (theme/portable_names.h), in the descriptor and the archive alike. Off: names as they are.
    bool portableNames = false;

    // Writes the theme to `chosenName` (extended by packageNameFor) and returns the path written.
    // A named file that is missing or unreadable fails with "Cannot open file %s" before any
    // package is written; the writer's recorded error fails with its message.
    std::string run(const ThemeView& view, const std::string& chosenName);
};

}  // namespace theme
