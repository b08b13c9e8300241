#!/bin/bash
# Builds the program target of the build, installs the build into a scratch
# folder, packs it as a Debian package and checks both with the tools the
# desktop and Debian use.
#   check_package.sh BUILD_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
id=io.github.tolvane.tolvane32
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The README's order: the play command builds the program alone, and
# `cmake --install` right after it finds everything it installs.
rm -rf "$build/packaging/icons"
rm -f "$build"/packaging/gz/*.gz "$build"/packaging/gz/ja/*.gz
cmake --build "$build" --target tolvane32 >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
DESTDIR=$work/root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install after building the program alone"; exit 1; }
usr=$work/root/usr
# Both manual pages as lintian reads them: no complaint from the formatter, and
# no blank after Japanese punctuation, where a line break in the source would
# have turned into a word space.
for page in man6/tolvane32.6.gz ja/man6/tolvane32.6.gz; do
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/$page" >"$work/page" 2>"$work/page.err" ||
    fail "man $page"
  [ -s "$work/page.err" ] && { cat "$work/page.err"; fail "man warns on $page"; }
  grep -E '(、|。) ' "$work/page" && fail "blank after punctuation in $page"
done
desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli"
for size in 16 32 48 64 128 256; do
  [ -f "$usr/share/icons/hicolor/${size}x${size}/apps/$id.png" ] || fail "no ${size}px icon"
done

rm "$build/install_manifest.txt"  # the scratch install's list
arch=$(dpkg --print-architecture)
deb=$work/pkg/tolvane32_${version}_${arch}.deb
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; exit 1; }
[ -e "$build/install_manifest.txt" ] && fail "cpack wrote install_manifest.txt, the list that removes a cmake install"
# Every package the .deb depends on must exist, or apt cannot install it.
for name in $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed -E 's/^ *//; s/[ (|].*//'); do
  dpkg-query -W -f='${Status}\n' "$name" 2>/dev/null | grep -q 'install ok installed' || fail "Depends: $name"
done
dpkg-deb -c "$deb" >"$work/contents"
grep -q ' ./usr/games/tolvane32$' "$work/contents" || fail "no /usr/games/tolvane32 in the package"
# where the game looks for its help viewer, from /usr/games as from /usr/bin
grep -q ' ./usr/libexec/tolvane32/tolvane32-help$' "$work/contents" || fail "no help viewer in /usr/libexec/tolvane32"
# Lintian complains about running as root, which CI does: only errors count.
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || fail "lintian"
grep -v 'root privileges' "$work/lintian.log" || true

[ "$failures" -eq 0 ] && echo "package checks passed"
