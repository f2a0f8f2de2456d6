#!/usr/bin/env bash
# Screenshots of the main window on the simulator's two default stimulators,
# in both looks and at the scale factors 1, 1.5 and 2, for docs/screenshots/.
#   docs/take-screenshots.sh [PROGRAM]   (default: build/app/pellix-control-panel)
# Needs xvfb-run (xvfb, xauth), import (imagemagick) and xwininfo (x11-utils).
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/app/pellix-control-panel}")
out=$PWD/docs/screenshots
for tool in xvfb-run import xwininfo; do
    command -v $tool >/dev/null || { echo "missing $tool: apt-get install xvfb xauth imagemagick x11-utils" >&2; exit 1; }
done

# shoot LOOK SCALE [program options...]: one window, cropped to its own area
# (there is no window manager, so no frame either).
shoot() {
    local look=$1 scale=$2; shift 2
    local file="$out/main-window-$look-${scale/./_}x.png"
    xvfb-run -a -s "-screen 0 2000x2400x24 -dpi 96" bash -c '
        QT_SCALE_FACTOR='"$scale"' "$0" "$@" & pid=$!
        for _ in $(seq 100); do
            id=$(xwininfo -root -tree | awk "/\"Pellix Control Panel\"/ {print \$1; exit}")
            [ -n "$id" ] && break
            sleep 0.1
        done
        [ -n "$id" ] || { echo "no window appeared" >&2; exit 1; }
        sleep 3   # the session starts and the panels replace the gears
        import -window "$id" "'"$file"'"
        kill $pid' "$program" "$@"
    echo "$file"
}

scales=${SCALES:-1 1.5 2}
for scale in $scales; do
    shoot ruby-graphite "$scale"
    shoot default "$scale" -style fusion
done
