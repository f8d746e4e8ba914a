#!/usr/bin/env bash
# The Debian package as a person gets it, built by cpack from BUILD_DIR: clean
# to the desktop's validators and lintian, with every icon size, the packages
# that playback loads at run time, and a program that starts.
# Usage: package.sh BUILD_DIR
set -euo pipefail
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cpack --config "$1/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
    fail "cpack: $(tail -n 20 "$tmp/cpack.log")"
deb=$(echo "$tmp"/tonlaterne_*.deb)
dpkg-deb -x "$deb" "$tmp/root"
share=$tmp/root/usr/share

out=$(desktop-file-validate "$share/applications/de.tonlaterne.Tonlaterne.desktop" 2>&1) &&
    [ -z "$out" ] || fail "desktop-file-validate: $out"
appstreamcli validate-tree --pedantic --no-net "$tmp/root" >"$tmp/appstream.log" 2>&1 ||
    fail "appstreamcli: $(cat "$tmp/appstream.log")"

lintian --allow-root --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$tmp/lintian.log")"

for size in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x$size/apps/de.tonlaterne.Tonlaterne.png
    [ "$(identify -format %wx%h "$png")" == "${size}x$size" ] || fail "no $size pixel icon"
done
[ -s "$share/icons/hicolor/scalable/apps/de.tonlaterne.Tonlaterne.svg" ] || fail "no SVG icon"

depends=$(dpkg-deb --field "$deb" Depends)
for p in libqt6widgets6 libqt6svg6 libgstreamer1.0-0 gstreamer1.0-plugins-base \
    gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly \
    gstreamer1.0-libav gstreamer1.0-pulseaudio timgm6mb-soundfont fonts-comic-neue \
    qt6-translations-l10n; do
    [[ ", $depends," =~ ", $p"[\ ,] ]] || fail "Depends lacks $p: $depends"
done

bin=$tmp/root/usr/bin/tonlaterne
# Asked on a terminal without a display.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
[ "$("$bin" --version)" == "Tonlaterne $(dpkg-deb --field "$deb" Version)" ] ||
    fail "--version says $("$bin" --version)"
"$bin" --help | grep -q -- '--datenordner' || fail "--help lacks --datenordner"
