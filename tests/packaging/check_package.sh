#!/bin/bash
# Installs the build into a scratch folder and packs it as a Debian package,
# then checks both the way the desktop and Debian do: the desktop entry with
# desktop-file-validate, the AppStream metadata with appstreamcli, the package
# with lintian (no errors allowed), and the package's files and control fields
# against what the program needs to install and run on a fresh system.
#
#   check_package.sh BUILD_DIR VERSION PATH/TO/tolvane_dump_asset
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
dump=$3
app_id=io.github.tolvane.tolvane32
icon_sizes=(16 32 48 64 128 256)

for tool in cmake cpack desktop-file-validate appstreamcli lintian dpkg-deb dpkg-shlibdeps readelf; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool is missing (bash tools/deps.sh test installs it)"
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Width and height from a PNG's header chunk, or nothing for a file that is
# not a PNG.
png_size() {
  local magic
  magic=$(od -An -tx1 -N8 "$1" | tr -d ' \n')
  [ "$magic" = 89504e470d0a1a0a ] || return 0
  local w h
  w=$(od -An -tu4 --endian=big -j16 -N4 "$1" | tr -d ' ')
  h=$(od -An -tu4 --endian=big -j20 -N4 "$1" | tr -d ' ')
  echo "${w}x${h}"
}

desktop_key() {
  sed -n "s/^$2=//p" "$1" | head -n1
}

echo "== cmake --install into a scratch folder"
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" || {
  cat "$work/install.log"
  echo "FAIL: cmake --install"
  exit 1
}
usr=$root/usr
desktop=$usr/share/applications/$app_id.desktop
metainfo=$usr/share/metainfo/$app_id.metainfo.xml

[ -x "$usr/bin/tolvane32" ] || fail "no executable bin/tolvane32"
for f in "$desktop" "$metainfo" "$usr/share/man/man6/tolvane32.6.gz" \
         "$usr/share/man/ja/man6/tolvane32.6.gz" \
         "$usr/share/doc/tolvane32/copyright" "$usr/share/doc/tolvane32/changelog.gz"; do
  [ -f "$f" ] || fail "not installed: ${f#"$root"}"
done

echo "== desktop entry"
if [ -f "$desktop" ]; then
  if desktop-file-validate "$desktop"; then
    echo "desktop-file-validate: no errors or warnings"
  else
    fail "desktop-file-validate"
  fi
  exec_cmd=$(desktop_key "$desktop" Exec)
  [ -x "$usr/bin/${exec_cmd%% *}" ] || fail "Exec=$exec_cmd is not an installed program"
  [ "$(desktop_key "$desktop" Icon)" = "$app_id" ] || fail "Icon= is not $app_id"
  [ "$(desktop_key "$desktop" 'Name\[ja\]')" = "KadorinTolvane３２" ] || fail "Name[ja] is not the caption"
  [ -n "$(desktop_key "$desktop" 'Comment\[ja\]')" ] || fail "no Japanese Comment"
  grep -qx 'Categories=Game;CardGame;' "$desktop" || fail "Categories are not Game;CardGame;"
fi

echo "== icons"
for size in "${icon_sizes[@]}"; do
  icon=$usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
  if [ ! -f "$icon" ]; then
    fail "no ${size}x${size} icon"
    continue
  fi
  got=$(png_size "$icon")
  [ "$got" = "${size}x${size}" ] || fail "${size}x${size} icon is ${got:-not a PNG}"
  # The desktop must show the picture the window carries.
  "$dump" icon "$size" "$work/program-icon.png"
  cmp -s "$icon" "$work/program-icon.png" || fail "${size}x${size} icon differs from the program's own"
done

echo "== AppStream metadata"
if [ -f "$metainfo" ]; then
  if appstreamcli validate --no-net --pedantic "$metainfo"; then
    :
  else
    fail "appstreamcli validate"
  fi
  grep -q "<id>$app_id</id>" "$metainfo" || fail "metainfo id is not $app_id"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not launch $app_id.desktop"
  grep -q '<description>' "$metainfo" && grep -q '<p xml:lang="ja">' "$metainfo" ||
    fail "metainfo has no Japanese description"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
fi

echo "== cpack -G DEB"
arch=$(dpkg --print-architecture)
deb=$work/pkg/tolvane32_${version}_${arch}.deb
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg") >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  echo "FAIL: cpack"
  exit 1
}
if [ ! -f "$deb" ]; then
  cat "$work/cpack.log"
  ls "$work/pkg"
  echo "FAIL: cpack made no ${deb##*/}"
  exit 1
fi
echo "made ${deb##*/}"

echo "== control fields"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tolvane32 ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is $(field Architecture)"
[ "$(field Section)" = games ] || fail "Section is $(field Section)"
depends=$(field Depends)
echo "Depends: $depends"
# The first name of each dependency (alternatives after a | are not needed).
dep_names=$(tr ',' '\n' <<<"$depends" | sed -E 's/^ *//; s/[ (|].*//' | grep -v '^$')
# The libraries by the start of their package names (the rest is the ABI).
for needed in libc6 libstdc++6 libwxbase3.2 libwxgtk3.2 libsdl2-mixer \
              timgm6mb-soundfont fonts-ipafont-gothic wx3.2-i18n; do
  found=
  for name in $dep_names; do
    if [[ $name == "$needed"* ]]; then found=$name; fi
  done
  [ -n "$found" ] || fail "Depends lacks $needed"
done
# Every package named must exist for apt to install the .deb: all of them are
# installed here, since building and running the game need them.
for name in $dep_names; do
  dpkg-query -W -f='${Status}\n' "$name" 2>/dev/null | grep -q 'install ok installed' ||
    fail "Depends names $name, which is not an installed package here"
done

echo "== contents"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^$' | sort >"$work/deb.list"
# The package keeps the game's program in /usr/games, as Debian wants it.
(cd "$root" && find . -mindepth 1 | sed 's|^\.||; s|^/usr/bin|/usr/games|') | sort >"$work/tree.list"
diff -u "$work/tree.list" "$work/deb.list" >"$work/list.diff" || {
  cat "$work/list.diff"
  fail "the package and cmake --install hold different files"
}
for path in /usr/games/tolvane32 /usr/share/applications/$app_id.desktop \
            /usr/share/metainfo/$app_id.metainfo.xml /usr/share/man/man6/tolvane32.6.gz \
            /usr/share/doc/tolvane32/copyright /usr/share/doc/tolvane32/changelog.gz; do
  grep -qx "$path" "$work/deb.list" || fail "package lacks $path"
done
for size in "${icon_sizes[@]}"; do
  grep -qx "/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png" "$work/deb.list" ||
    fail "package lacks the ${size}x${size} icon"
done
dpkg-deb -x "$deb" "$work/extract"
program=$work/extract/usr/games/tolvane32
if [ -f "$program" ]; then
  if readelf -S --wide "$program" | grep -Eq ' \.(symtab|debug_info|comment) '; then
    fail "the packed program is not stripped"
  fi
  # The same program as the build's, less its symbols.
  cmp -s <(readelf -x .text "$program") <(readelf -x .text "$build/tolvane32") ||
    fail "the packed program's code differs from the build's"
fi

echo "== lintian"
# Lintian warns when run as root, which CI does; that is not about the package.
lintian --fail-on error --display-info --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 &&
  lintian_rc=0 || lintian_rc=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
echo "lintian: $(grep -c '^E:' "$work/lintian.log" || true) errors," \
     "$(grep -c '^W:' "$work/lintian.log" || true) warnings," \
     "$(grep -c '^I:' "$work/lintian.log" || true) infos"
[ "$lintian_rc" -eq 0 ] || fail "lintian found errors"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package checks: all passed"
