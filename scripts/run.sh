#!/usr/bin/env bash
# Sets up, builds and starts the launcher: only what it needs is installed
# and built (the test programs are left to the test command).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh run
cmake --preset default >/dev/null
cmake --build --preset default --target tavik
exec ./build/default/app/tavik
