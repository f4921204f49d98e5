#pragma once

#include <string>
#include <vector>

namespace kl {

// The drives, folders and program files the picker browses.
//
// A drive reads as "c:" on Windows and as the root folder of a mounted file
// system elsewhere. A folder path is absolute, in the platform's own
// separators, and ends in a separator only at a root ("c:\", "/"). Text is
// UTF-8; a name that is not (possible on Unix) has no path.
class DriveSystem
{
public:
    virtual ~DriveSystem() = default;

    // The drives a user browses, the system drive first on Unix.
    virtual std::vector<std::string> drives() = 0;
    // Where the picker falls back to when a drive is unavailable.
    virtual std::string systemDrive() = 0;
    // The process's current folder, empty when it has been removed (or its
    // name is not text), and the drive it lies on (the system drive then).
    virtual std::string currentFolder() = 0;
    virtual std::string currentDrive() = 0;
    // The user's home folder, empty when it has no such text.
    virtual std::string homeFolder() = 0;
    // The folder a drive opens at: its current folder. Throws
    // RuntimeError(err::DeviceUnavailable) when the drive cannot be opened
    // (no medium, not ready, not readable).
    virtual std::string openDrive(const std::string &drive) = 0;
    // Names of the subfolders and of the program files of a folder, sorted
    // without regard to case; hidden entries left out. A folder that does not
    // exist throws RuntimeError(err::PathNotFound); one that cannot be read
    // lists nothing.
    virtual std::vector<std::string> folders(const std::string &folder) = 0;
    virtual std::vector<std::string> programs(const std::string &folder) = 0;
    // What the lists show for the subfolders or program files whose names
    // are not text (not UTF-8): no path names them, so they are never opened
    // or registered, only shown. Sorted as above.
    enum class Kind {
        Folders,
        Programs,
    };
    virtual std::vector<std::string> unnamed(const std::string &folder, Kind kind) = 0;

    // The file name part of path when a normal file exists there, else empty
    // text. Hidden and system files and folders do not count. On Windows "\"
    // and "/" both separate folders, elsewhere "\" is an ordinary character.
    virtual std::string Dir(const std::string &path) = 0;
};

// Path helpers, pure text, in the separators of the platform the program is
// built for.
namespace paths {
#ifdef _WIN32
inline constexpr char separator = '\\';
#else
inline constexpr char separator = '/';
#endif
// A folder path in the form above, from any absolute path: "." and ".."
// resolved as text, repeated separators made one, "/" read as "\" on
// Windows, no separator at the end but at a root ("c:" gives "c:\").
std::string folderPath(const std::string &path);
// The folder and each of its ancestors, root first.
std::vector<std::string> folderChain(const std::string &folder);
// The path of a subfolder.
std::string subfolderPath(const std::string &folder, const std::string &name);
// The last name of a folder path; the root is its own name.
std::string lastName(const std::string &folder);
// The root of the drive a folder lies on, chosen among drives: on Windows
// the one it starts with (letter case aside), elsewhere the deepest mount
// holding it. Empty when none does.
std::string driveOf(const std::string &folder, const std::vector<std::string> &drives);
} // namespace paths

} // namespace kl
