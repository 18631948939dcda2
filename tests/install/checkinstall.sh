#!/bin/sh
# Installs the build into a scratch prefix and checks what a desktop reads from it.
# Exit 77 (skipped) where the validators are not installed.
set -eu
build=$1
command -v desktop-file-validate >/dev/null && command -v appstreamcli >/dev/null || {
    echo "desktop-file-validate or appstreamcli missing: skipped"
    exit 77
}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
id=org.norvikconf.NorvikConf
desktop=$prefix/share/applications/$id.desktop
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
# The entry must start an installed program and name an installed icon.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
for f in "bin/$exec_name" bin/gsm-unit-sim; do
    [ -x "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
for f in scalable/apps/$icon_name.svg 16x16/apps/$icon_name.png 48x48/apps/$icon_name.png 256x256/apps/$icon_name.png; do
    [ -s "$prefix/share/icons/hicolor/$f" ] || { echo "icon missing: $f"; exit 1; }
done
echo "installed and valid under $prefix"
