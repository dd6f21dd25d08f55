#!/usr/bin/env bash
# Takes the README's screenshots from the real program on a virtual display (Xvfb):
# docs/screenshots/main.png, the batch page with a finished task, and
# docs/screenshots/editor.png, the editor of that task with a preview of its subtitle strip.
# The program is driven like a user would: add the sample clip, start, open the editor.
# Widget positions assume the fixed 1400x900 display and the Debian fonts installed by install-deps.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TARNIX_BUILD_DIR:-$here/build}
out=$here/docs/screenshots

"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" --target tarnix
"$here/scripts/render-fixtures.sh" "$build/fixtures"
mkdir -p "$out"

if [ -z "${TARNIX_SCREENSHOT_DISPLAY:-}" ]; then
  exec env TARNIX_SCREENSHOT_DISPLAY=1 xvfb-run -a -s "-screen 0 1400x900x24" "$0" "$@"
fi

# From here on we run inside the virtual display.
home=$(mktemp -d)
trap 'kill "$app" 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -p "$home/Videos"

# window_shot WINDOW FILE: saves what the window shows.
window_shot() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  ffmpeg -hide_banner -loglevel error -y -f x11grab -video_size "${WIDTH}x${HEIGHT}" \
    -i "$DISPLAY+$X,$Y" -frames:v 1 "$2"
}
click() { xdotool mousemove "$1" "$2" click 1; }

# English interface (no Chinese system language), a settings store of its own.
HOME=$home LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_MEDIA_BACKEND=ffmpeg TARNIX_NO_UPDATE_CHECK=1 "$build/app/tarnix" >"$home/tarnix.log" 2>&1 &
app=$!
main=$(xdotool search --sync --name "TNX" | head -1)
sleep 2

click 48 39                     # "+": the file dialog, its file name field has the focus
sleep 2
xdotool type --delay 10 "$build/fixtures/en_two.mp4"
xdotool key Return
sleep 4
click 775 502                   # start; the 6 s clip is recognised at the normal rate
sleep 14
xdotool mousemove 1399 899
window_shot "$main" "$out/main.png"
echo "wrote $out/main.png"
click 760 100                   # the first row's edit button
editor=$(xdotool search --sync --name "en_two.mp4" | head -1)
sleep 4                         # the editor plays and stops on an early frame
xdotool windowfocus --sync "$editor"
xdotool key Right               # two seconds on: "Hello world" is on screen
sleep 2
xdotool mousemove 353 68 mousedown 1 mousemove 353 200 mousemove 353 330 mouseup 1  # top handle down to the strip
sleep 1
click 180 573                   # preview
sleep 3
xdotool mousemove 1399 899        # the pointer out of the picture
window_shot "$editor" "$out/editor.png"
echo "wrote $out/editor.png"
