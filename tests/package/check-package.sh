#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package of a build tree with CPack and checks it: lintian
# finds no error or warning, the files it installs, its version (VERSION,
# project()'s) in every place that shows one, the dependencies dpkg-deb
# --info names, the menu entry and the software centres' metadata, and the
# programs run from the unpacked package.
#   tests/package/check-package.sh BUILD_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
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

# The file list: programs and engine modules in libexec, data in share.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|; s|/$||' >"$work/files"
programs=/usr/libexec/vorlan
data=/usr/share/vorlan
for file in /usr/bin/vorlan /usr/bin/vorlan-batch "$programs/vorlan" "$programs/vorlan-batch" \
            "$programs/ZipDll.so" "$programs/UnZDll.so" "$data/fix.jar" "$data/API" \
            /usr/share/applications/io.github.vorlan.Vorlan.desktop /usr/share/icons/hicolor/scalable/apps/vorlan.svg \
            /usr/share/metainfo/io.github.vorlan.Vorlan.metainfo.xml \
            /usr/share/man/man1/vorlan.1.gz /usr/share/man/man1/vorlan-batch.1.gz \
            /usr/share/bash-completion/completions/vorlan-batch \
            /usr/share/doc/vorlan/copyright /usr/share/doc/vorlan/changelog.gz; do
  grep -qx -- "$file" "$work/files" || fail "$file is not in the package"
done

# What a distribution asks of a package; informational tags are left to the reader.
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian finds errors or warnings"; }
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'preinst|postinst|prerm|postrm' &&
  fail "the package has maintainer scripts"

info=$(dpkg-deb --info "$deb")
grep -qx " Package: vorlan" <<<"$info" || fail "the package is not named vorlan: $info"
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
for package in libc6 libstdc++6 libqt6core6 libqt6widgets6 libzip4 qt6-qpa-plugins; do
  [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
    fail "dpkg-deb --info names no dependency on $package: $info"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/io.github.vorlan.Vorlan.desktop" || fail "the menu entry is not valid"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.vorlan.Vorlan.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log" >&2; fail "the software centres' metadata is not valid"; }
[ "$(readlink -f "$root/usr/bin/vorlan-batch")" = "$(readlink -f "$root$programs/vorlan-batch")" ] ||
  fail "/usr/bin/vorlan-batch does not lead to $programs/vorlan-batch"

# One version everywhere: the package's, the program's, the newest changelog
# entry's and the metadata's newest release.
batch="$root/usr/bin/vorlan-batch"
grep -qx " Version: $version" <<<"$info" || fail "the package's version is not $version: $info"
[ "$("$batch" --version)" = "vorlan-batch $version" ] || fail "vorlan-batch --version does not say $version"
zcat "$root/usr/share/doc/vorlan/changelog.gz" | head -n 1 | grep -q "^vorlan ($version) " ||
  fail "the changelog's newest entry is not $version"
grep -m 1 '<release ' "$root/usr/share/metainfo/io.github.vorlan.Vorlan.metainfo.xml" | grep -q "version=\"$version\"" ||
  fail "the metadata's newest release is not $version"

# The unpacked programs find their engines, fix.jar and the API folder in
# share/vorlan/, and the user's API folder.
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
touch "$root$data/API/system.zip"
# Read whole, then searched: grep -q would stop reading early and the help,
# cut off by the closed pipe, would fail the pipeline.
help_text=$("$batch" --help)
grep -q "XDG_DATA_HOME" <<<"$help_text" || fail "--help does not name the user's API folder"
[ "$("$batch" --list-apis)" = "$(printf 'system.zip\nextra.zip')" ] ||
  fail "--list-apis does not list the installed archive, then the user's"
rm "$root$data/API/system.zip"
"$batch" --api extra.zip "$work/games/Game.jar" >"$work/batch.log" 2>&1 || { cat "$work/batch.log" >&2; fail "mode 0 failed"; }
unzip -Z1 "$work/games/Game.jar" | grep -qx api/Extra.class || fail "the API archive was not added"
grep -q "^MIDlet-Jar-Size: " "$work/games/Game.jad" || fail "no descriptor written"
"$batch" --mode 1 "$work/games/Game.jar" >"$work/batch.log" 2>&1 || { cat "$work/batch.log" >&2; fail "mode 1 failed"; }
echo "package check: $(basename "$deb") passed"
