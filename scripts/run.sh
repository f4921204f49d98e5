#!/usr/bin/env bash
# Installs what is missing, builds Kicklist and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only the program: the tests need what "setup.sh test" installs.
cmake --preset default -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset default
exec ./build/kicklist "$@"
