// Store operations in a loop, one commit each, as the list window's handlers
// do them, for the crash test to kill at random moments.
//   store_crash_helper <config dir> <first op> <seed entries>: seeds that many
//     programs into an empty store, prints "ready", then runs op <first op>,
//     <first op>+1, ..., printing each op's number once its commit returned;
//     op i appends "prog-i" when i is even, else removes position 1.
//   store_crash_helper <config dir> append <count> <tag>: appends "<tag>-1"
//     .. "<tag>-<count>", one commit each, alongside others.
#include "linux/inisettingsstore.h"
#include "store/appstore.h"
#include "support/std/nolist.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using kl::test::NoList;

// A store failure ends the process through std::terminate, which prints it.
int main(int argc, char **argv)
{
    kl::IniSettingsStore settings(argv[1]);
    kl::AppStore store(settings);
    NoList list;
    const bool appender = argc == 5;
    const long first = appender ? 1 : std::atol(argv[2]), count = std::atol(argv[3]);
    if (!appender && store.Count() == 0)
        for (long j = 1; j <= count; ++j)
            store.Append("seed-" + std::to_string(j), list, list);
    settings.commit();
    std::printf("ready\n");
    std::fflush(stdout);
    for (long i = first; !appender || i <= count; ++i) {
        if (appender || i % 2 == 0)
            store.Append(std::string(appender ? argv[4] : "prog") + "-" + std::to_string(i), list, list);
        else
            store.Remove(1, list);
        settings.commit();
        std::printf("%ld\n", i);
        std::fflush(stdout);
    }
}
