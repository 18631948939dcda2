#!/bin/sh
# Installs the build into a scratch prefix and checks what a desktop reads from it.
# Exit 77 (skipped) where the validators are not installed.
set -eu
build=$1
for tool in desktop-file-validate update-desktop-database appstreamcli update-mime-database xdg-mime gio; do
    command -v $tool >/dev/null || {
        echo "$tool missing (scripts/install-deps brings it): skipped"
        exit 77
    }
done
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
[ -s "$prefix/share/doc/norvikconf/README.md" ] || { echo "the README is not installed"; exit 1; }
# The texts to translate, for translators, where the compiled catalogues go too.
[ -s "$prefix/share/norvikconf/translations/norvikconf.ts" ] || { echo "the catalogue template is not installed"; exit 1; }

# The desktop opens settings files with the program, tells them from GSM audio (which is
# "*.gsm" too) by their beginning, and shows the program's icon on them.
type=application/x-norvikconf-settings
grep -qx "Exec=norvikconf %f" "$desktop" || { echo "the menu entry does not take a file"; exit 1; }
grep -q "^MimeType=.*$type;" "$desktop" || { echo "the menu entry does not name $type"; exit 1; }
XDG_DATA_DIRS="$prefix/share:/usr/share" update-mime-database "$prefix/share/mime"
printf '<START>|MP,5831|\r\nSN,Oak Ridge|\r\n<END>\r\n' >"$prefix/oak-ridge.gsm"
# Three GSM 06.10 frames: 33 bytes each, the first nibble 0xD.
for i in 1 2 3; do printf '\320\052\245\061\174\223\017\350\201\042\303\144\025\276\110\367\032\213\054\306\121\370\003\234\157\040\331\106\270\015\342\167\210'; done >"$prefix/voice.gsm"
filetype() { XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$1"; }
[ "$(filetype "$prefix/oak-ridge.gsm")" = $type ] || { echo "a settings file is $(filetype "$prefix/oak-ridge.gsm")"; exit 1; }
[ "$(filetype "$prefix/voice.gsm")" = audio/x-gsm ] || { echo "GSM audio is $(filetype "$prefix/voice.gsm")"; exit 1; }
grep -qx "$type:$icon_name" "$prefix/share/mime/icons" || { echo "no icon for $type"; exit 1; }
# A double-click (xdg-open) starts the program on it.
update-desktop-database "$prefix/share/applications"
opener=$(XDG_DATA_DIRS="$prefix/share:/usr/share" xdg-mime query default $type)
[ "$opener" = "$id.desktop" ] || { echo "$type opens with \"$opener\""; exit 1; }
echo "installed and valid under $prefix"
