#pragma once

#include <QString>

namespace kl {

// The file name part of path when a normal file exists there, else empty
// text. Hidden and system files and folders do not count. The path is taken
// as the platform reads it: on Windows "\" and "/" both separate folders,
// elsewhere "\" is an ordinary character of a name.
QString Dir(const QString &path);

} // namespace kl
