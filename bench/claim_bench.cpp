// What the single-instance claim adds to a start: making the claim (runtime
// folder, lock, a connect that finds no one, listening) and answering on the
// event loop, with no instance running.
//
//   claim_bench [runs]
//
// Prints: the first claim in the process (cold, as a start pays it), and the
// median of the later ones, in microseconds.

#include "singleinstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 101;
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QCoreApplication app(argc, argv);
    std::vector<qint64> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        {
            kl::SingleInstance instance("/home/user/.config", ":0");
            if (instance.claim() != kl::SingleInstance::Claim::Ours)
                return 1;
            instance.serve([] {});
            times.push_back(timer.nsecsElapsed() / 1000);
        }
    }
    const qint64 first = times.front();
    times.erase(times.begin());
    std::sort(times.begin(), times.end());
    std::printf("claim first\t%lld\tµs\nclaim later\t%lld\tµs\n", static_cast<long long>(first),
                static_cast<long long>(times.empty() ? first : times[times.size() / 2]));
    return 0;
}
