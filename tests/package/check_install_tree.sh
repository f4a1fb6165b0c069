#!/usr/bin/env bash
# Installs the build tree into a fresh prefix, as `cmake --install` would for a
# user, and checks that a desktop finds a valid menu entry, its icon at every size
# and valid AppStream metainfo there.
# Usage: check_install_tree.sh <build dir> <application id> "<icon sizes>"
set -euo pipefail
build=$1 id=$2 sizes=$3

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
prefix=$root/usr
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
[ -x "$prefix/bin/chenque" ] || fail "no program at bin/chenque"
for f in "$desktop" "$metainfo" "$prefix/share/icons/hicolor/scalable/apps/$id.svg" \
         "$prefix/share/man/man1/chenque.1.gz" "$prefix/share/doc/chenque/copyright"; do
  [ -f "$f" ] || fail "not installed: ${f#"$root"}"
done
for size in $sizes; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$png" ] || fail "not installed: ${png#"$root"}"
  kind=$(file -b "$png")
  [[ $kind == "PNG image data, $size x $size,"* ]] || fail "${png#"$root"} is $kind"
done

# The entry must start the installed program and name the installed icon.
grep -qx "Exec=chenque" "$desktop" || fail "the desktop entry does not start chenque"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
for key in 'Name' 'Name\[zh_CN\]' 'Comment' 'Comment\[zh_CN\]' 'Keywords' 'Keywords\[zh_CN\]'; do
  grep -Eq "^$key=.+" "$desktop" || fail "the desktop entry has no ${key//\\/}"
done
grep -qx "Categories=AudioVideo;Audio;Player;News;" "$desktop" || fail "wrong Categories"

desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
# The whole tree: the metainfo's launchable must be a desktop entry that is there.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"
echo "installed tree is valid"
