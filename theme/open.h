#pragma once
// Opening a theme package: unpack it into the chosen folder's "files" subfolder, reset the
// theme, read the unpacked descriptor and fill the fields, reloading each picture.
//
// Contract: run() throws platform::Error on the first failure, as the user sees it. Problems
// the reader met in the package (CRC failures, skipped or undecodable members) are kept in
// problems(), also when run() throws after the extraction; the caller reports them with
// damagedMessage(). updatePreview() runs at the end once the theme has been reset, also after
// a failure.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "theme/fields.h"

namespace theme {

// One problem of the last extraction.
struct PackageProblem {
    int number = 0;      // the reader's message number
    std::string text;    // its message
    std::string member;  // the member concerned (may be empty)
};

// The problem listed for a descriptor name that climbs out of the unpack folder.
constexpr std::string_view kOutsideUnpackFolder = "File name leaves the unpack folder";

class OpenWorkflow {
public:
    // Asked with kUnpackWarning when the unpack folder holds files; false stops Open unchanged.
    std::function<bool(const std::string& warning)> confirmEmptying;
    // Called as the reader works: percent of the package read so far (0 to 100).
    std::function<void(int percent)> onProgress;

    // Returns false when the user declined the emptying (nothing extracted, nothing changed).
    bool run(const std::string& package, const std::string& chosenFolder, ThemeView& view);

    const std::string& unpackFolder() const { return unpackFolder_; }
    const std::vector<PackageProblem>& problems() const { return problems_; }

private:
    void addOutsideNames(const std::vector<std::string>& names);

    std::string unpackFolder_;
    std::vector<PackageProblem> problems_;
};

// The message that names `package` as damaged and lists each problem with its member, in Russian.
std::string damagedMessage(const std::string& package, const std::vector<PackageProblem>& problems);

}  // namespace theme
