#!/usr/bin/env bash
# Sets up, builds the default preset and makes the Debian package
# build/default/tavik_<version>-1~deb<release>_<arch>.deb for the Debian
# release it is built on.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh packaging
cmake --preset default >/dev/null
cmake --build --preset default --target tavik
rm -f build/default/tavik_*.deb
(cd build/default && cpack -G DEB)
