#pragma once
// Member names on the way out of an archive: the system's (UTF-8) form of a stored name, the
// selection by FileSpec, and the output path, which always stays inside the extraction folder.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zip {

// The UTF-8 form of a stored name. With general purpose bit 11 the name is UTF-8 as it stands;
// else a Unicode Path extra field (0x7075, version 1) whose CRC-32 matches the stored name gives
// it; else a name from a Unix (3) or macOS (19) host that is valid UTF-8 is kept; any other name
// is CP866. `versionMadeBy` is 0 when unknown (a local walk); then Info-ZIP's Unix UID/GID extra
// fields mark a Unix host. Backslashes become "/".
std::string memberNameToUtf8(std::string_view stored, std::uint16_t flag, std::uint16_t versionMadeBy,
                             std::span<const std::uint8_t> extraField);

// A FileSpec line selects a name: "*.*" selects every name; other lines are wildcard patterns
// ("*", "?") compared without regard to ASCII letter case, against the whole name when the
// pattern has a folder part and against the name's file-name part otherwise.
bool fileSpecSelects(std::string_view line, std::string_view name);

// Where a member goes below the extraction folder.
struct MemberPath {
    enum Kind {
        File,      // `relative` is the file to write ("img/icon.png")
        Folder,    // a folder entry ("img/"): `relative` is the folder to make, maybe empty
        Unusable,  // nothing usable is left of the name ("", ".", ".."): skip with a warning
    };
    Kind kind = Unusable;
    std::string relative;  // "/"-separated, no empty, "." or ".." components, never absolute
};

// Both "/" and "\" separate folders. A drive prefix ("C:") and a leading root are dropped and the
// folders below them kept ("C:\x\a.png" and "/x/a.png" give "x/a.png"); "." components are
// dropped. A name with a ".." component is reduced to its file-name part; so is every name when
// `useStoredDirs` is false.
MemberPath memberOutputPath(std::string_view name, bool useStoredDirs);

}  // namespace zip
