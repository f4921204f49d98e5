#pragma once

#include <QString>

namespace kl::autostart {

// The login entry in the user's XDG autostart folder:
// ${XDG_CONFIG_HOME:-$HOME/.config}/autostart/<desktop id>.desktop.
QString entryPath();

// Writes the entry that runs "<program> --start-all" at login, replacing any
// earlier one. Returns why it could not, or nothing.
QString add(const QString &program);

// Removes the entry; one that is not there is already removed. Returns why it
// could not, or nothing.
QString remove();

} // namespace kl::autostart
