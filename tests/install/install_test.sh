#!/usr/bin/env bash
# The installed program: `cmake --install` into a temporary prefix, then the installed kelvo converts an image
# on a machine without a display, with a fresh home folder and a read-only install tree, and its output lands in
# the per-user output folder; nothing is written into the install tree. Then the Debian package built by CPack
# from the same build holds the program's files and declares what it needs at run time.
#   usage: install_test.sh <build folder>
set -euo pipefail
build="$(cd "$1" && pwd)"
tmp="$(mktemp -d)"
trap 'chmod -R u+w "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "install_test: FAIL: $*" >&2; exit 1; }

prefix="$tmp/usr"
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log" >&2; fail "cmake --install"; }

# The layout of an installed program.
for f in bin/kelvo share/kelvo/Kelvo.hlp share/applications/kelvo.desktop share/mime/packages/kelvo.xml \
         share/icons/hicolor/scalable/apps/kelvo.svg share/doc/kelvo/copyright share/man/man1/kelvo.1 \
         share/man/ja/man1/kelvo.1 share/bash-completion/completions/kelvo \
         share/metainfo/example.morrowdene.Kelvo.metainfo.xml; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
[ -x "$prefix/bin/kelvo" ] || fail "bin/kelvo is not executable"
for size in 16 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/kelvo.png"
  [ "$(identify -format '%m %wx%h' "$icon")" = "PNG ${size}x${size}" ] || fail "icon $icon is not a ${size}px PNG"
done
desktop-file-validate "$prefix/share/applications/kelvo.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=kelvo --open %F' "$prefix/share/applications/kelvo.desktop" || fail "the entry does not pass the chosen files"
for type in image/jpeg image/png image/bmp image/vnd.zbrush.pcx image/x-fpx; do
  grep -q "^MimeType=.*$type;" "$prefix/share/applications/kelvo.desktop" || fail "the entry does not offer $type"
done
# The manual pages read by man, the software-centre metadata accepted by appstreamcli, completion of the formats,
# options and image names.
MANPAGER=cat man -l "$prefix/share/man/man1/kelvo.1" 2>/dev/null | grep -q -- "--files-from" || fail "man kelvo.1"
MANPAGER=cat man -l "$prefix/share/man/ja/man1/kelvo.1" 2>/dev/null | grep -q "画像一括変換" || fail "man ja/kelvo.1"
appstreamcli validate --no-net "$prefix/share/metainfo/example.morrowdene.Kelvo.metainfo.xml" >"$tmp/as.log" 2>&1 \
  || { cat "$tmp/as.log" >&2; fail "appstreamcli validate"; }
mkdir -p "$tmp/complete" && touch "$tmp/complete/a.jpg" "$tmp/complete/b.txt"
completed="$(cd "$tmp/complete" && bash -c 'shopt -s extglob; source "$1"
  COMP_WORDS=(kelvo -f pn); COMP_CWORD=2; _kelvo; echo "${COMPREPLY[*]}"
  COMP_WORDS=(kelvo --dry); COMP_CWORD=1; _kelvo; echo "${COMPREPLY[*]}"
  COMP_WORDS=(kelvo ""); COMP_CWORD=1; _kelvo; echo "${COMPREPLY[*]}"' _ "$prefix/share/bash-completion/completions/kelvo")"
[ "$completed" = $'PNG8 PNG24\n--dry-run\na.jpg' ] || fail "completion gave: $completed"

# The MIME database built from our definitions names FlashPix and PCX files by their extensions.
mkdir -p "$tmp/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$prefix/share/mime/packages/kelvo.xml" "$tmp/mime/packages/"
update-mime-database "$tmp/mime" >/dev/null 2>&1 || fail "update-mime-database rejects kelvo.xml"
grep -qx 'image/x-fpx:\*\.fpx' <(cut -d: -f2- "$tmp/mime/globs2") || fail "no *.fpx glob"
grep -q '^image/vnd.fpx image/x-fpx$' "$tmp/mime/aliases" || fail "image/vnd.fpx is no alias"

# An installed program on a headless machine: no display, a home folder it has never seen, an install tree it
# may not write (root may write anyway: the program must not try).
chmod -R a-w "$prefix"
(cd "$prefix" && find . -printf '%p %s %T@\n' | sort) >"$tmp/tree.before"
mkdir -p "$tmp/home" "$tmp/in"
convert -size 640x480 gradient:navy-orange "$tmp/in/photo.jpg"
cp "$(dirname "$0")/../../samples/scan.pcx" "$tmp/in/scan.pcx"
run() {
  (cd "$tmp" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_DATA_HOME -u XDG_CONFIG_HOME \
      HOME="$tmp/home" "$@")
}
run "$prefix/bin/kelvo" "$tmp/in/photo.jpg" "$tmp/in/scan.pcx" 2>"$tmp/run.err" \
  || { cat "$tmp/run.err" >&2; fail "the installed program's conversion failed"; }
output="$tmp/home/.local/share/kelvo/Output"
[ "$(identify -format '%m %wx%h' "$output/photo.jpg")" = "JPEG 200x150" ] || fail "no 200x150 JPEG in $output"
[ "$(identify -format '%m %w' "$output/scan.jpg")" = "JPEG 200" ] || fail "the PCX file was not converted"
grep -q "出力先: $output" "$tmp/run.err" || { cat "$tmp/run.err" >&2; fail "the run does not say where the output went"; }
(cd "$prefix" && find . -printf '%p %s %T@\n' | sort) >"$tmp/tree.after"
diff "$tmp/tree.before" "$tmp/tree.after" >&2 || fail "the run wrote into the install tree"

# XDG_DATA_HOME moves the per-user folder.
run env XDG_DATA_HOME="$tmp/data" "$prefix/bin/kelvo" "$tmp/in/photo.jpg" 2>"$tmp/run2.err" \
  || { cat "$tmp/run2.err" >&2; fail "the run with XDG_DATA_HOME failed"; }
[ -f "$tmp/data/kelvo/Output/photo.jpg" ] || fail "XDG_DATA_HOME/kelvo/Output was not used"

# The Debian package from the same build.
cpack --config "$build/CPackConfig.cmake" -B "$tmp/package" >"$tmp/cpack.log" 2>&1 \
  || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb="$(ls "$tmp"/package/kelvo_*.deb)"
dpkg-deb -c "$deb" | awk '{print $NF}' >"$tmp/contents"
for f in ./usr/bin/kelvo ./usr/share/kelvo/Kelvo.hlp ./usr/share/applications/kelvo.desktop \
         ./usr/share/mime/packages/kelvo.xml ./usr/share/icons/hicolor/48x48/apps/kelvo.png \
         ./usr/share/icons/hicolor/256x256/apps/kelvo.png ./usr/share/icons/hicolor/scalable/apps/kelvo.svg; do
  grep -qx "$f" "$tmp/contents" || fail "the package lacks $f"
done
for f in ./usr/share/man/man1/kelvo.1 ./usr/share/man/ja/man1/kelvo.1 ./usr/share/bash-completion/completions/kelvo \
         ./usr/share/metainfo/example.morrowdene.Kelvo.metainfo.xml; do
  grep -qx "$f" "$tmp/contents" || fail "the package lacks $f"
done
depends="$(dpkg-deb -f "$deb" Depends)"
for need in libqt6widgets6 libqt6gui6 libvips42 libgsf-1-114 libimagequant0 libjpeg62-turbo libpng16-16 libisal2 \
            qt6-qpa-plugins fonts-ipafont-gothic; do
  grep -q "\b$need\b" <<<"$depends" || fail "the package does not depend on $need (Depends: $depends)"
done
# Installed as a user installs it (apt install ./kelvo_*.deb): as root, on CI or when asked, and only where no
# kelvo package is installed already; removed again afterwards.
if [ "$(id -u)" = 0 ] && { [ "${CI:-}" = true ] || [ "${KELVO_TEST_APT:-0}" = 1 ]; } \
   && ! dpkg-query -W -f='${Status}' kelvo 2>/dev/null | grep -q installed; then
  trap 'dpkg -r kelvo >/dev/null 2>&1; chmod -R u+w "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT
  DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log" >&2; fail "apt install"; }
  MANPAGER=cat man kelvo 2>/dev/null | grep -q "batch image converter" || fail "man kelvo after apt install"
  MANPAGER=cat man -L ja kelvo 2>/dev/null | grep -q "画像一括変換" || fail "man -L ja kelvo after apt install"
  appstreamcli validate --no-net /usr/share/metainfo/example.morrowdene.Kelvo.metainfo.xml >/dev/null 2>&1 \
    || fail "appstreamcli validate after apt install"
  kelvo --version | grep -q '^Kelvo ' || fail "the installed kelvo does not run"
  dpkg -r kelvo >/dev/null 2>&1 || fail "dpkg -r kelvo"
fi
echo "install_test: ok ($(basename "$deb"))"
