#!/usr/bin/env bash
# Builds the Debian package from the built tree with CPack and checks what apt
# would see: its control fields (Depends found by dpkg-shlibdeps), its files under
# /usr, and lintian's verdict.
# Usage: check_deb.sh <build dir> <application id> "<icon sizes>" <version>
set -euo pipefail
build=$1 id=$2 sizes=$3 version=$4

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log" >&2
  fail "cpack"
fi
debs=("$out"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made ${#debs[@]} packages"
deb=${debs[0]}
echo "package: $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
expect_field() {
  local value
  value=$(field "$1")
  [ "$value" = "$2" ] || fail "$1 is '$value', not '$2'"
}
expect_field Package chenque
expect_field Version "$version"
expect_field Architecture "$(dpkg --print-architecture)"
expect_field Section sound
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer is '$(field Maintainer)'"
[ -n "$(field Description)" ] || fail "no Description"

depends=$(field Depends)
echo "Depends: $depends"
for library in 'libmpv[0-9]+' libqt6widgets6 libqt6gui6 libqt6core6 libcurl4 libc6; do
  [[ ", $depends," =~ ,\ $library(\ \(|,) ]] || fail "Depends lacks $library"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(
  ./usr/bin/chenque
  "./usr/share/applications/$id.desktop"
  "./usr/share/metainfo/$id.metainfo.xml"
  "./usr/share/icons/hicolor/scalable/apps/$id.svg"
  ./usr/share/man/man1/chenque.1.gz
  ./usr/share/doc/chenque/copyright
  ./usr/share/doc/chenque/changelog.gz
)
for size in $sizes; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
stray=$(grep -v '^\./usr/' <<<"$contents" | grep -vx '\./' || true)
[ -z "$stray" ] || fail "files outside /usr: $stray"

# lintian only warns when run as root (CI is root), so both ways get a verdict.
lintian --fail-on error --display-info "$deb" || fail "lintian found errors"
echo "package is sound"
