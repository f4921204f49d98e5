// Folder paths as pure text, in the separators of the platform built for.
#include "platform/drives.h"
#include "support/std/fakes.h" // lists of text as failed checks show them

#include <doctest/doctest.h>

#include <string>
#include <vector>

using namespace kl;

TEST_CASE("folder paths, their chains (a subfolder's path at and below a root) and last names")
{
    const struct { const char *path, *folder; std::vector<std::string> chain; const char *last; } table[] = {
#ifdef _WIN32
        {"c:", "c:\\", {"c:\\"}, "c:\\"},
        {"C:/a//b/", "C:\\a\\b", {"C:\\", "C:\\a", "C:\\a\\b"}, "b"},
        {"c:\\a\\.\\x\\..\\b", "c:\\a\\b", {"c:\\", "c:\\a", "c:\\a\\b"}, "b"},
        {"\\\\server\\share\\x", "\\\\server\\share\\x", {"\\\\server\\share\\", "\\\\server\\share\\x"}, "x"},
#else
        {"/", "/", {"/"}, "/"},
        {"/a/./b/../c/", "/a/c", {"/", "/a", "/a/c"}, "c"},
        {"//my files///x y", "/my files/x y", {"/", "/my files", "/my files/x y"}, "x y"},
        {"/a\\b", "/a\\b", {"/", "/a\\b"}, "a\\b"},
#endif
    };
    for (const auto &row : table) {
        CAPTURE(row.path);
        const std::string folder = paths::folderPath(row.path);
        CHECK(folder == std::string(row.folder));
        CHECK(paths::folderChain(folder) == row.chain);
        CHECK(paths::lastName(folder) == std::string(row.last));
    }
}

TEST_CASE("the drive a folder lies on")
{
#ifdef _WIN32
    const std::vector<std::string> drives{"a:", "c:", "D:"};
    const struct { const char *folder, *drive; } table[] = {
        {"c:\\", "c:"}, {"C:\\Windows", "c:"}, {"d:\\x", "D:"}, {"e:\\x", ""}};
#else
    const std::vector<std::string> drives{"/", "/home/user/usb", "/home"};
    const struct { const char *folder, *drive; } table[] = {
        {"/", "/"}, {"/home", "/home"}, {"/home/user", "/home"}, {"/home/user/usb/x", "/home/user/usb"},
        {"/homework", "/"}, {"/home/user/usbstick", "/home"}};
#endif
    for (const auto &row : table) {
        CAPTURE(row.folder);
        CHECK(paths::driveOf(row.folder, drives) == std::string(row.drive));
    }
}
