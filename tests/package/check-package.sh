#!/usr/bin/env bash
# Builds the Debian package of a build tree with CPack and checks it: the
# files it installs, the dependencies dpkg-deb --info names, the menu entry,
# and the programs run from the unpacked package.
#   tests/package/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }

if ! (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack failed"
fi
debs=("$work"/out/vorlan_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single vorlan_*.deb in the output: ${debs[*]}"
deb=${debs[0]}

# The file list: the programs' folder is wherever the package puts vorlan-batch.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|; s|/$||' >"$work/files"
folder=$(grep '/vorlan/vorlan-batch$' "$work/files" | sed 's|/vorlan-batch$||') || fail "no vorlan-batch"
for file in /usr/bin/vorlan /usr/bin/vorlan-batch "$folder/vorlan" "$folder/vorlan-batch" \
            "$folder/ZipDll.so" "$folder/UnZDll.so" "$folder/fix.jar" "$folder/API" \
            /usr/share/applications/vorlan.desktop /usr/share/icons/hicolor/scalable/apps/vorlan.svg \
            /usr/share/man/man1/vorlan.1 /usr/share/man/man1/vorlan-batch.1; do
  grep -qx -- "$file" "$work/files" || fail "$file is not in the package"
done

info=$(dpkg-deb --info "$deb")
grep -qx " Package: vorlan" <<<"$info" || fail "the package is not named vorlan: $info"
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
for package in libc6 libstdc++6 libqt6core6 libqt6widgets6 libzip4 qt6-qpa-plugins; do
  [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
    fail "dpkg-deb --info names no dependency on $package: $info"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/vorlan.desktop" || fail "the menu entry is not valid"
[ "$(readlink -f "$root/usr/bin/vorlan-batch")" = "$(readlink -f "$root$folder/vorlan-batch")" ] ||
  fail "/usr/bin/vorlan-batch does not lead to $folder/vorlan-batch"

# The unpacked programs find their engines, fix.jar and the user's API folder.
export XDG_DATA_HOME="$work/data" LC_ALL=C.UTF-8
mkdir -p "$XDG_DATA_HOME/vorlan/API" "$work/games"
python3 - "$XDG_DATA_HOME/vorlan/API/extra.zip" "$work/games/Game.jar" <<'PYTHON'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as api:
    api.writestr("api/Extra.class", "extra")
with zipfile.ZipFile(sys.argv[2], "w") as game:
    game.writestr("META-INF/MANIFEST.MF", "MIDlet-Name: Game\r\nMIDlet-Version: 1.0\r\nMIDlet-1: Game,,g.G\r\n")
    game.writestr("g/G.class", "g")
PYTHON
batch="$root/usr/bin/vorlan-batch"
"$batch" --help | grep -q "XDG_DATA_HOME" || fail "--help does not name the user's API folder"
[ "$("$batch" --list-apis)" = "extra.zip" ] || fail "--list-apis does not list the user's archive"
"$batch" --api extra.zip "$work/games/Game.jar" >"$work/batch.log" 2>&1 || { cat "$work/batch.log" >&2; fail "mode 0 failed"; }
unzip -Z1 "$work/games/Game.jar" | grep -qx api/Extra.class || fail "the API archive was not added"
grep -q "^MIDlet-Jar-Size: " "$work/games/Game.jad" || fail "no descriptor written"
"$batch" --mode 1 "$work/games/Game.jar" >"$work/batch.log" 2>&1 || { cat "$work/batch.log" >&2; fail "mode 1 failed"; }
echo "package check: $(basename "$deb") passed"
