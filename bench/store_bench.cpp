// Store operations on a list of 100, each against one atomic replacement of
// the same settings file (QSaveFile, nothing else), run alternately.
//
//   store_bench [runs]
//
// Prints one line per operation: name, median microseconds of the operation,
// median microseconds of the replacement, and their ratio.

#include "linux/inisettingsstore.h"
#include "platform/enabledflag.h"
#include "platform/listcontrol.h"
#include "store/appstore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

class Rows final : public kl::ListControl
{
public:
    std::int16_t ListCount() const override { return std::int16_t(rows.size()); }
    std::int16_t ListIndex() const override { return -1; }
    void setListIndex(std::int16_t) override {}
    std::string List(std::int16_t row) const override
    {
        return row >= 0 && std::size_t(row) < rows.size() ? rows[std::size_t(row)] : std::string();
    }
    void setList(std::int16_t row, const std::string &text) override
    {
        if (std::size_t(row) < rows.size())
            rows[std::size_t(row)] = text;
        else
            rows.push_back(text);
    }
    void RemoveItem(std::int16_t row) override { rows.erase(rows.begin() + row); }
    void Clear() override { rows.clear(); }
    std::vector<std::string> rows;
};

class Flag final : public kl::EnabledFlag
{
public:
    void setEnabled(bool) override {}
};

const QString App = QStringLiteral("Kicklist");

// The file as the program leaves it after n registrations.
QByteArray settingsFile(int n)
{
    QTemporaryDir scratch;
    {
        kl::IniSettingsStore settings(scratch.path().toStdString());
        kl::AppStore store(settings);
        Rows list;
        Flag flag;
        for (int i = 1; i <= n; ++i)
            store.Append(QStringLiteral("/home/user/programs/program %1/bin/program-%1").arg(i).toStdString(), list, flag);
        settings.commit();
    }
    QFile f(scratch.filePath(QStringLiteral("Kicklist/Kicklist.ini")));
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    return f.readAll();
}

void put(const QString &file, const QByteArray &data)
{
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit())
        std::abort();
}

qint64 median(std::vector<qint64> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Result
{
    const char *name;
    qint64 op;
    qint64 base;
};

// setup() runs untimed before each timed op(); base() is the replacement.
Result measure(const char *name, int runs, const std::function<void()> &setup, const std::function<void()> &op,
               const std::function<void()> &base)
{
    std::vector<qint64> ops, bases;
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        auto timeOp = [&] {
            setup();
            t.start();
            op();
            ops.push_back(t.nsecsElapsed());
        };
        auto timeBase = [&] {
            setup();
            t.start();
            base();
            bases.push_back(t.nsecsElapsed());
        };
        if (i % 2) {
            timeOp();
            timeBase();
        } else {
            timeBase();
            timeOp();
        }
    }
    return {name, median(ops) / 1000, median(bases) / 1000};
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 31;
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/store-bench-XXXXXX"));
    const QString file = dir.filePath(QStringLiteral("Kicklist/Kicklist.ini"));
    QDir().mkpath(dir.filePath(QStringLiteral("Kicklist")));
    const QByteArray full = settingsFile(100);
    const QByteArray ninetyNine = settingsFile(99);

    std::unique_ptr<kl::IniSettingsStore> settings;
    std::unique_ptr<kl::AppStore> store;
    Rows list;
    Flag flag;
    // A running program has read its list at start: the store is warm.
    auto warm = [&](const QByteArray &data, int rows) {
        put(file, data);
        store.reset();
        settings = std::make_unique<kl::IniSettingsStore>(dir.path().toStdString());
        store = std::make_unique<kl::AppStore>(*settings);
        list.rows.clear();
        for (int p = 1; p <= rows; ++p)
            list.rows.push_back(store->NameOf(std::int16_t(p)));
    };
    auto replace = [&](const QByteArray &data) { return [&, data] { put(file, data); }; };

    std::vector<Result> results;
    results.push_back(measure(
        "remove first of 100", runs, [&] { warm(full, 100); },
        [&] {
            store->Remove(1, list);
            settings->commit();
        },
        replace(full)));
    results.push_back(measure(
        "append the 100th", runs, [&] { warm(ninetyNine, 99); },
        [&] {
            store->Append("/home/user/programs/new/bin/new", list, flag);
            settings->commit();
        },
        replace(full)));
    results.push_back(measure(
        "load 100", runs,
        [&] {
            put(file, full);
            store.reset();
            settings.reset();
        },
        [&] {
            kl::IniSettingsStore cold(dir.path().toStdString());
            kl::AppStore s(cold);
            const std::int16_t n = s.Count();
            for (std::int16_t p = 1; p <= n; ++p)
                list.rows.push_back(s.NameOf(p));
        },
        replace(full)));

    for (const Result &r : results)
        std::printf("%s\t%lld\t%lld\t%.2f\n", r.name, static_cast<long long>(r.op), static_cast<long long>(r.base),
                    double(r.op) / double(r.base));
    return 0;
}
