#!/usr/bin/env bash
# What showing the picture costs: the player plays 1280x720 MJPEG at 25 frames
# a second on an Xvfb screen, and its CPU time over ten seconds of it is set
# beside decoding and converting the same film alone (gst-launch-1.0 into a
# fakesink), which any way of showing it has to do.
# Usage: bench/video.sh BUILD_DIR (a release build)
set -euo pipefail
build=$(realpath "$1")
tmp=$(mktemp -d)
player='' xvfb=''
trap 'kill $player $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
mkdir "$tmp/m" "$tmp/w"
gst-launch-1.0 -q videotestsrc num-buffers=500 pattern=ball \
  ! video/x-raw,width=1280,height=720,framerate=25/1 ! jpegenc ! avimux \
  ! filesink location="$tmp/m/film.avi"
printf '%s;\r\n' "$tmp/m" >"$tmp/w/Quellpfad.wob"
printf '00100\r\n' >"$tmp/w/Einstellungen.wob"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
xvfb=$!
until [ -s "$tmp/display" ]; do sleep 0.1; done
(cd "$tmp/w" && DISPLAY=:$(cat "$tmp/display") QT_QPA_PLATFORM=xcb HOME=$tmp \
  DBUS_SESSION_BUS_ADDRESS=unix:path=$tmp/none exec "$build/tonlaterne" >/dev/null 2>&1) &
player=$!
ticks() { awk '{ print $14 + $15 }' "/proc/$player/stat"; }
sleep 3
before=$(ticks)
sleep 10
after=$(ticks)
echo "player showing 720p25:        $(((after - before) * 100 / $(getconf CLK_TCK))) ms CPU a second"
/usr/bin/time -f '%U %S' -o "$tmp/time" gst-launch-1.0 -q playbin uri="file://$tmp/m/film.avi" \
  video-sink="videoconvert ! video/x-raw,format=BGRx ! fakesink sync=true" audio-sink=fakesink
echo "decoding and converting only: $(awk '{ printf "%d", ($1 + $2) * 1000 / 20 }' "$tmp/time") ms CPU a second"
