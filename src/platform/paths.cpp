#include "drives.h"

#include <algorithm>
#include <cctype>

namespace kl::paths {

namespace {

#ifdef _WIN32
bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}
#else
bool isSeparator(char c)
{
    return c == '/';
}
#endif

// The root a path starts with: "/" on Unix; "c:\" or "\\server\share\" on
// Windows. Empty when the path is not absolute.
std::string rootOf(const std::string &path)
{
#ifdef _WIN32
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // \\server\share\ is the root of a network path.
        std::size_t at = 2;
        for (int part = 0; part < 2; ++part) {
            while (at < path.size() && !isSeparator(path[at]))
                ++at;
            if (part == 0 && at < path.size())
                ++at;
        }
        std::string root = path.substr(0, at);
        std::replace(root.begin(), root.end(), '/', '\\');
        return root + '\\';
    }
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(0, 2) + '\\';
    return {};
#else
    return !path.empty() && path[0] == '/' ? std::string(1, '/') : std::string();
#endif
}

std::vector<std::string> namesAfterRoot(const std::string &path, std::size_t rootLength)
{
    std::vector<std::string> names;
    std::size_t at = rootLength;
    while (at < path.size()) {
        std::size_t end = at;
        while (end < path.size() && !isSeparator(path[end]))
            ++end;
        const std::string name = path.substr(at, end - at);
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        at = end + 1;
    }
    return names;
}

std::size_t rootLengthIn(const std::string &path, const std::string &root)
{
#ifdef _WIN32
    // The root as written: "c:" counts two characters, "c:\" three.
    if (root.size() == 3 && root[1] == ':')
        return path.size() >= 3 && isSeparator(path[2]) ? 3 : 2;
    return std::min(path.size(), root.size());
#else
    (void)path;
    return root.size();
#endif
}

#ifdef _WIN32
char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
#endif

} // namespace

std::string folderPath(const std::string &path)
{
    const std::string root = rootOf(path);
    std::string result = root;
    for (const std::string &name : namesAfterRoot(path, rootLengthIn(path, root)))
        result = subfolderPath(result, name);
    return result;
}

std::vector<std::string> folderChain(const std::string &folder)
{
    const std::string root = rootOf(folder);
    std::vector<std::string> chain{root};
    for (const std::string &name : namesAfterRoot(folder, rootLengthIn(folder, root)))
        chain.push_back(subfolderPath(chain.back(), name));
    return chain;
}

std::string subfolderPath(const std::string &folder, const std::string &name)
{
    return !folder.empty() && folder.back() == separator ? folder + name : folder + separator + name;
}

std::string lastName(const std::string &folder)
{
    if (folder == rootOf(folder))
        return folder;
    const std::size_t at = folder.find_last_of(separator);
    return at == std::string::npos ? folder : folder.substr(at + 1);
}

std::string driveOf(const std::string &folder, const std::vector<std::string> &drives)
{
#ifdef _WIN32
    for (const std::string &drive : drives) {
        const bool starts = folder.size() >= drive.size()
            && std::equal(drive.begin(), drive.end(), folder.begin(),
                          [](char a, char b) { return lower(a) == lower(b); });
        if (starts)
            return drive;
    }
    return {};
#else
    // The deepest mount holding the folder.
    std::string best;
    for (const std::string &drive : drives) {
        const bool holds = drive == "/" || folder == drive
            || (folder.size() > drive.size() && folder.starts_with(drive)
                && (drive.back() == '/' || folder[drive.size()] == '/'));
        if (holds && drive.size() > best.size())
            best = drive;
    }
    return best;
#endif
}

} // namespace kl::paths
