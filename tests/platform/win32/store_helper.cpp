// The settings store in a process of its own, for the tests that take
// part from another process or kill it.
//
//   store_helper hold <app>
//     Begins a transaction of app's settings (takes their lock), prints
//     "held", and waits (60 s at most) to be killed.
//
//   store_helper remove
//     Prints Kicklist's list as it finds it (what a killed run before left,
//     once the store has read it), makes it 100 entries, prints "ready",
//     removes the first entry as the list window does and prints "done".
//     Each list line is a section, its count and its positions 1 to 101,
//     tab-separated, "-" for a missing value.
//
//   store_helper report
//     Prints the list as above, and nothing more.
#include "platform/win32/registrysettingsstore.h"
#include "store/appstore.h"
#include "support/std/nolist.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

using kl::test::NoList;

void say(const std::string &line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void report(kl::SettingsStore &settings)
{
    const std::string app = kl::AppStore::application();
    for (const char *section : {"SetApp", "Appnames"}) {
        std::string line = std::string(section) + '\t' + settings.GetSetting(app, section, "AppCount", "-");
        for (int position = 1; position <= 101; ++position)
            line += '\t' + settings.GetSetting(app, section, std::to_string(position), "-");
        say(line);
    }
    settings.commit();
}

} // namespace

// A store failure ends the process through std::terminate.
int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    kl::win32::RegistrySettingsStore settings;
    if (mode == "hold" && argc > 2) {
        settings.GetSetting(argv[2], "Sec", "Key", "");
        say("held");
        Sleep(60000);
        return 0;
    }
    if (mode != "remove" && mode != "report")
        return 1;
    report(settings);
    // Only one helper runs at a time: emptied without the lock.
    if (mode == "report")
        return 0;
    kl::AppStore store(settings);
    NoList list;
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kicklist");
    for (int j = 1; j <= 100; ++j)
        store.Append("seed-" + std::to_string(j), list, list);
    settings.commit();
    say("ready");
    store.Remove(1, list);
    settings.commit();
    say("done");
    return 0;
}
