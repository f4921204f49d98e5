#!/usr/bin/env bash
# Builds the Windows programs and their yardsticks, runs them under wine on a
# private Xvfb and prints a Markdown table, as bench/run.sh does for Linux.
#
#   bash bench/run-windows.sh [runs]
#
# Every figure is a ratio of medians, each pair of runs alternating the two
# sides. The wine prefix, build-windows/bench/wineprefix, is made afresh for each
# run by cmake/wine-prefix.sh, as the tests make theirs.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
export PYTHONDONTWRITEBYTECODE=1 # keep the source tree clean

bash scripts/setup.sh test
# The Windows build takes the window designs' table from the host build.
cmake --preset default -DBUILD_TESTING=ON >/dev/null
cmake --build build --target kicklist_design >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target kicklist kicklist-cli minimal_window_win32 minimal_window_v6_win32 \
  exit_at_once_win32 start_loop_win32 >/dev/null

figures=$(cd bench && python3 measure_windows.py ../build-windows "$runs")

python3 - "$figures" <<'PY'
import sys

sys.path.insert(0, "bench")
from table import Table  # noqa: E402

figures = {l.split("\t")[0]: l.split("\t")[1:] for l in sys.argv[1].splitlines()}
table = Table()
row = table.row

row("Windows, under wine: start-up to the list window mapped, 100 programs / minimal Win32 window with one line "
    "of Japanese text", *figures["start-up"], 1.2)
row("Windows, under wine: the same / the minimal window with Kicklist's manifest, common controls 6 started",
    *figures["start-up v6"], None)
row("Windows: kicklist.exe stripped / 1 MiB", *figures["size"], 1.0)
row("Windows, under wine: kicklist-cli.exe --start-all, 100 programs / a loop of CreateProcessW over them",
    *figures["start all"], None)

table.print()
PY
