#!/usr/bin/env bash
# Builds Kicklist and its benchmarks, runs them and prints a Markdown table.
#
#   bash bench/run.sh [runs]        (BUILD_DIR=... to use another build tree)
#
# Every figure is a ratio of medians, each pair of runs alternating the two
# sides. The programs run on a private Xvfb; the store figures run in the
# build folder, so they measure the disk it sits on.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
build=${BUILD_DIR:-build}
export PYTHONDONTWRITEBYTECODE=1 # keep the source tree clean

bash scripts/setup.sh test
if [ "$build" = build ]; then
  cmake --preset default -DBUILD_TESTING=ON >/dev/null
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target kicklist minimal_window store_bench claim_bench >/dev/null

programs=$(python3 bench/measure.py "$build/kicklist" "$build/bench/minimal_window" "$runs")
store=$(cd "$build" && ./bench/store_bench $((runs * 2 + 1)))
# The claim as a start pays it: the first in a process, median of as many processes.
claim=$(for _ in $(seq "$runs"); do "$build/bench/claim_bench" 2 | head -1 | cut -f2; done |
  sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')

python3 - "$programs" "$store" "$claim" <<'EOF'
import sys

sys.path.insert(0, "bench")
from table import Table  # noqa: E402

programs = {l.split("\t")[0]: l.split("\t")[1:] for l in sys.argv[1].splitlines()}
store = {l.split("\t")[0]: l.split("\t")[1:] for l in sys.argv[2].splitlines()}

table = Table()
row = table.row

s = programs["start-up"]
row("Start-up to the list window mapped, 100 programs / minimal window with one line of Japanese text", s[0], s[1], s[2], 1.05)
s = programs["start-up empty"]
row("Start-up to the list window mapped, 100 programs / empty minimal Qt window", s[0], s[1], s[2], None)
s = programs["start-up text"]
row("Start-up: minimal window with one line of Japanese text / minimal Qt window", s[0], s[1], s[2], None)
for name, target in (("remove first of 100", 3.0), ("append the 100th", None), ("load 100", None)):
    r = store[name]
    row("Store: %s / one atomic file replacement" % name, r[0], r[1], "µs", target)
row("Start-up: the single-instance claim, cold / the 2 ms it may add", sys.argv[3], 2000, "µs", 1.0)
s = programs["start all"]
row("Start all, 100 programs / the same from a shell loop", s[0], s[1], s[2], 1.5)
s = programs["peak memory"]
row("Peak memory, 100 programs / minimal Qt window", s[0], s[1], s[2], 1.3)

table.print()
EOF
