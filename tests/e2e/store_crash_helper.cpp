// Store operations in a loop, one commit each, as the list window's handlers
// do them; the crash test kills this process at random moments.
//
//   store_crash_helper <config dir> <first op> <seed entries>
//
// Seeds <seed entries> programs when the store is empty, prints "ready",
// then runs op <first op>, <first op>+1, ... and prints each op's number once
// its commit has returned. Op i appends "prog-i" when i % 3 == 0, renames
// position 1 to "name-i" when i % 3 == 1 and removes position 1 otherwise.
//
//   store_crash_helper <config dir> append <count> <tag>
//
// Appends "<tag>-1" .. "<tag>-<count>", one commit each, alongside others.

#include "platform/inisettingsstore.h"
#include "platform/listcontrol.h"
#include "platform/runtimeerror.h"
#include "store/appstore.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The store updates a window's list as it goes; nothing shows it here.
class NoList final : public kl::ListControl
{
public:
    qint16 ListCount() const override { return m_count; }
    qint16 ListIndex() const override { return -1; }
    void setList(qint16 row, const QString &) override
    {
        if (row == m_count)
            ++m_count;
    }
    void RemoveItem(qint16) override { --m_count; }
    void Clear() override { m_count = 0; }

    qint16 m_count = 0;
};

class NoFlag final : public kl::EnabledFlag
{
public:
    void setEnabled(bool) override {}
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s <config dir> <first op> <seed entries>\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (argc == 5) {
        try {
            kl::IniSettingsStore settings(dir);
            kl::AppStore store(settings);
            NoList list;
            NoFlag flag;
            for (int j = 1; j <= std::atoi(argv[3]); ++j) {
                store.Append(QStringLiteral("%1-%2").arg(QString::fromLocal8Bit(argv[4])).arg(j), list, flag);
                settings.commit();
            }
            return 0;
        } catch (const kl::RuntimeError &e) {
            std::fprintf(stderr, "runtime error %d: %s\n", e.number(), qPrintable(e.description()));
            return 1;
        }
    }
    const long first = std::strtol(argv[2], nullptr, 10);
    const int seed = std::atoi(argv[3]);

    try {
        kl::IniSettingsStore settings(dir);
        kl::AppStore store(settings);
        NoList list;
        NoFlag flag;

        list.m_count = store.Count();
        if (list.m_count == 0) {
            for (int j = 1; j <= seed; ++j)
                store.Append(QStringLiteral("seed-%1").arg(j), list, flag);
            settings.commit();
        }
        std::printf("ready\n");
        std::fflush(stdout);

        for (long i = first;; ++i) {
            switch (i % 3) {
            case 0:
                store.Append(QStringLiteral("prog-%1").arg(i), list, flag);
                break;
            case 1:
                store.Rename(1, QStringLiteral("name-%1").arg(i));
                break;
            default:
                store.Remove(1, list);
                break;
            }
            settings.commit();
            std::printf("%ld\n", i);
            std::fflush(stdout);
        }
    } catch (const kl::RuntimeError &e) {
        std::fprintf(stderr, "runtime error %d: %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
}
