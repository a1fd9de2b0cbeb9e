#!/usr/bin/env bash
# Sets up, builds and starts the launcher.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec ./build/default/app/tavik
