#!/usr/bin/env bash
# Installs a Windows build's installer silently under Wine and uses the
# installed program as a lab would, on an X server of its own (Xvfb):
#   - it starts, shows the two simulated stimulators, "API library Initialised.";
#   - a real mouse click on a duration arrow changes what the simulated
#     device reports (read back with the installed v57sim.exe);
#   - a V57API.dll put in its folder (the scripted test double) is the one bound;
#   - screenshots at scale 1 and 2 (Windows' own 96 and 192 dpi);
#   - the uninstaller removes the folder.
#
#   packaging/windows/check-installed.sh BUILD_DIR ARCH [SCREENSHOT_DIR]
# Needs WINEPREFIX set up (./dev windows does), xvfb-run, xdotool, imagemagick.
set -euo pipefail
build=$(realpath "$1") arch=$2 shots=${3:-}
installer=$(ls "$build"/pellix-control-panel-*-win*.exe)
folder_windows="C:\\Pellix-$arch"
folder=$WINEPREFIX/drive_c/Pellix-$arch
pipe=pellix-check-$arch-$$
program="$folder/pellix-control-panel.exe"
export WINEDEBUG=${WINEDEBUG:--all}

fail() { echo "check-installed ($arch): $*" >&2; exit 1; }
v57sim() { wine "$folder/v57sim.exe" -s "$pipe" "$@" 2>/dev/null | tr -d '\r'; }
value_of() { tr ' ' '\n' | sed -n "s/^$1=//p"; }

inside_x() {
    # A fresh Wine session on this display.
    wineserver -k 2>/dev/null || true
    rm -rf "$folder"
    # A check stopped part-way leaves an installation registered; the
    # installer would offer to remove it first and, finding its folder gone,
    # stop on a message box that silent mode does not answer.
    wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pellix Control Panel' \
        /reg:32 /f >/dev/null 2>&1 || true
    timeout 300 wine "$installer" /S "/D=$folder_windows" || fail "the installer did not finish"
    wineserver -w
    for file in pellix-control-panel.exe V57API.dll v57sim.exe Qt6Core.dll platforms/qwindows.dll \
                styles/qwindowsvistastyle.dll Uninstall.exe; do
        [ -f "$folder/$file" ] || fail "the installer left out $file"
    done
    local menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Pellix Control Panel"
    [ -f "$menu/Pellix Control Panel.lnk" ] || fail "no Start-menu entry"

    run_at_dpi 96 1
    run_at_dpi 192 2

    # Another build of the contract in the folder is the one the loader binds.
    cp "$build/bin-double/V57API.dll" "$folder/V57API.dll"
    WINEDEBUG=+loaddll timeout 20 wine "$program" > "$build/loaddll.log" 2>&1 &
    local started=$!
    sleep 8
    wineserver -k 2>/dev/null || true
    wait $started 2>/dev/null || true
    grep -qi "Loaded L\"C:\\\\\\\\Pellix-$arch\\\\\\\\V57API.dll\".*native" "$build/loaddll.log" \
        || fail "the program did not bind the V57API.dll in its folder"
    cmp -s "$build/bin-double/V57API.dll" "$folder/V57API.dll" || fail "the double was replaced"

    timeout 300 wine "$folder/Uninstall.exe" /S || fail "the uninstaller did not finish"
    wineserver -w
    for k in $(seq 1 20); do [ -e "$folder/pellix-control-panel.exe" ] || break; sleep 1; done
    [ ! -e "$folder/pellix-control-panel.exe" ] || fail "the uninstaller left the program"
    echo "check-installed ($arch): passed"
}

# run_at_dpi DPI SCALE: starts the installed program at Windows' DPI setting,
# waits for its devices, screenshots it, clicks an arrow, closes it.
run_at_dpi() {
    local dpi=$1 scale=$2
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w
    PXV57_SIM_SOCKET=$pipe wine "$program" >/dev/null 2>&1 &
    local started=$!
    local devices=""
    for k in $(seq 1 60); do
        devices=$(v57sim devices || true)
        [ "$devices" = "devices 0x00A1B201 0x00A1B214" ] && break
        sleep 1
    done
    [ "$devices" = "devices 0x00A1B201 0x00A1B214" ] || fail "no simulator answers: '$devices'"
    local window
    window=$(xdotool search --sync --name '^Pellix Control Panel$' | head -1)
    sleep 3 # the first polls reach the panels
    [ -n "$shots" ] && import -window "$window" "$shots/windows-$arch-${scale}x.png"

    if [ "$scale" = 1 ]; then
        # The first panel's second duration digit, then its up arrow: 10 us more.
        local before after x y
        before=$(v57sim state 0x00A1B201 | value_of width)
        eval "$(xdotool getwindowgeometry --shell "$window")"
        x=$X y=$Y
        xdotool mousemove $((x + 72)) $((y + 256)) click 1
        sleep 1
        xdotool mousemove $((x + 72)) $((y + 231)) click 1
        for k in $(seq 1 20); do
            after=$(v57sim state 0x00A1B201 | value_of width)
            [ "$after" = $((before + 10)) ] && break
            sleep 0.5
        done
        [ "$after" = $((before + 10)) ] || fail "a click on the arrow left the width at $after (was $before)"
        echo "check-installed ($arch): a click on btnWidthInc2 took the device's width from $before to $after us"
    fi
    wineserver -k 2>/dev/null || true
    wait $started 2>/dev/null || true
}

if [ "${CHECK_INSIDE_X:-}" = 1 ]; then
    inside_x
else
    [ -n "$shots" ] && mkdir -p "$shots" && shots=$(realpath "$shots")
    CHECK_INSIDE_X=1 xvfb-run -a -s "-screen 0 1600x1400x24" "$0" "$build" "$arch" "$shots"
fi
