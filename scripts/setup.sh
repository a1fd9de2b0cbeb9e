#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when
# any of them is missing. Quick and silent when everything is there.
# `setup.sh packaging` adds the tools that build and check the Debian package.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config
  clang libclang-rt-dev
  qt6-base-dev qt6-base-dev-tools
  fonts-wine fonts-liberation
  libcanberra-dev libcanberra-pulse sound-theme-freedesktop libsndfile1-dev
  pulseaudio pulseaudio-utils
  desktop-file-utils appstream man-db groff-base
)
case "${1:-}" in
  '') ;;
  packaging) packages+=(dpkg-dev file lintian xvfb x11-utils) ;;
  *)
    echo "usage: $0 [packaging]" >&2
    exit 2
    ;;
esac

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
  echo "$0: this set-up needs Debian 12 (dpkg-query and apt-get were not found)." >&2
  exit 1
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "$0: the Debian packages ${missing[*]} are missing and sudo is not available to" \
         "install them, so run this as root and start again:" \
         "apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
