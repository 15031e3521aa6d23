#pragma once
// The folder a package is unpacked into: its name, its creation, the test for files in it and
// its emptying. Emptying never follows a symbolic link and never removes the package being opened.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace theme {

constexpr std::string_view kUnpackWarning =
    "Каталог для распаковки темы не пустой. Все находящиеся в нем файлы будут удалены! Продолжить?";

// The chosen folder followed by "/files/" (one "/" between them, whatever the chosen text ends with).
std::string unpackFolderFor(std::string_view chosenFolder);

// Creates the folder and its missing parents; a failure is left for the extraction to meet.
void createUnpackFolder(const std::string& unpackFolder);

// True when the folder holds anything but folders: files, dot files, links, read-only files.
// Subfolders and their contents do not count.
bool holdsFiles(const std::string& folder);

// Deletes every file of the folder and of its subfolders, keeping the folders themselves.
// Passed over: names beginning with ".", and the file `keep` (the package being opened, by
// identity or by path). Symbolic links are removed as links. Failures are ignored.
void emptyFolder(const std::string& folder, const std::string& keep);

// The path of a name from a descriptor inside the unpack folder (which ends with "/"): the folder
// followed by the name when that exists or when nothing else matches; otherwise, component by
// component, the entry whose name matches ignoring letter case (Unicode simple case folding for
// UTF-8 names), the first in byte order when several do. None when the name climbs out of the
// folder through ".." components.
// `listings` keeps the folders' names between calls (one reading of a descriptor), so that many
// names cost one listing per folder.
class FolderListings {
public:
    const std::vector<std::string>& namesIn(const std::string& folder);

private:
    std::map<std::string, std::vector<std::string>> names_;
};
std::optional<std::string> findInUnpackFolder(const std::string& unpackFolder, std::string_view name,
                                              FolderListings* listings = nullptr);

}  // namespace theme
