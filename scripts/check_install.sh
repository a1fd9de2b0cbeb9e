#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what it installed: every
# file is there, the desktop entry and the AppStream metadata validate, and the
# manual page renders without a warning.
# Usage: check_install.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: check_install.sh BUILD_DIR}
prefix=$(mktemp -d /tmp/tavik-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

id=net.tavik.Tavik
expected=(
  bin/tavik
  "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg"
  share/man/man1/tavik.1
  share/doc/tavik/copyright
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done

failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}

for file in "${expected[@]}"; do
  [ -f "$prefix/$file" ] || fail "$file was not installed"
done
[ -x "$prefix/bin/tavik" ] || fail "bin/tavik is not executable"

desktop="$prefix/share/applications/$id.desktop"
if [ -f "$desktop" ]; then
  # Hints count too: the entry is small enough to keep entirely clean.
  if ! report=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$report" ]; then
    fail "desktop-file-validate: ${report:-failed}"
  fi
fi

metainfo="$prefix/share/metainfo/$id.metainfo.xml"
if [ -f "$metainfo" ] && ! report=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
  fail "appstreamcli validate: $report"
fi

page="$prefix/share/man/man1/tavik.1"
if [ -f "$page" ]; then
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man could not render tavik.1"
  [ -z "$warnings" ] || fail "man --warnings on tavik.1: $warnings"
fi

[ "$failed" -eq 0 ] && echo "Installed files: all present, validated and rendered cleanly."
exit "$failed"
