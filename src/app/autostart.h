#pragma once

#include <QString>

namespace kl::autostart {

// The login entry in the user's XDG autostart folder:
// ${XDG_CONFIG_HOME:-$HOME/.config}/autostart/<desktop id>.desktop; empty
// when there is no usable absolute home.
QString entryPath();

// Writes the entry that runs this very executable with --start-all at login,
// in place of an earlier entry of Kicklist's own. An entry the user changed
// or linked from elsewhere is left as it is. Returns why it could not, or
// nothing.
QString add();

// Removes Kicklist's own entry; one that is not there is already removed.
// Returns why it could not, or nothing.
QString remove();

} // namespace kl::autostart
