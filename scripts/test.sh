#!/usr/bin/env bash
# Installs what is missing, builds Kicklist and runs every test. Window tests
# use Qt's offscreen platform; the whole-program tests start their own X server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default "$@"
