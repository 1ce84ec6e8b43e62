#!/usr/bin/env bash
# Lists every #include "<folder>/..." in src/ that reaches a folder its layer
# may not use, and fails if there is one. The layers, lowest first:
#   platform < model < device < numbering < store < production < app
#   < frontend < the front ends (cli, window, uhid)
# with the simulator beside the device layer (it may use the HID interface
# and nothing else of the tool) and the window's widgets knowing nothing of
# the tool. The build refuses such includes too (each library has its own
# include root); this names them all at once, with file and line.
set -euo pipefail
cd "$(dirname "$0")/../src"
core="platform model device numbering store production app"
declare -A may=(
    [platform]="platform"
    [model]="platform model"
    [device]="platform model device"
    [numbering]="platform model device numbering"
    [store]="platform model device numbering store"
    [production]="platform model device numbering store production"
    [app]="$core"
    [sim]="platform model sim"
    [frontend]="$core sim frontend"
    [cli]="$core sim frontend cli"
    [window]="$core widgets frontend window"   # frontend: the program's main.cpp only
    [widgets]="widgets"
    [uhid]="platform model sim uhid"
    [tools]="platform model device"
)
# Single headers a folder may use from a layer it otherwise may not.
declare -A single=([sim]="device/hid_backend.h" [uhid]="device/hid_backend.h")
status=0
for here in "${!may[@]}"; do
    [ -d "$here" ] || continue
    while IFS= read -r hit; do
        target=$(sed -E 's/.*#include[[:space:]]+"([^"]+)".*/\1/' <<< "$hit")
        folder=${target%%/*}
        [ -d "$folder" ] || continue                      # not one of ours (ui_*.h, ...)
        [[ " ${may[$here]} " == *" $folder "* ]] && continue
        [[ " ${single[$here]:-} " == *" $target "* ]] && continue
        if [ "$here" = window ] && [ "$folder" = frontend ]; then continue; fi   # checked below
        echo "$here -> $folder: $hit"
        status=1
    done < <(grep -rnE '#include[[:space:]]+"[a-z_]+/' "$here" --include='*.h' --include='*.cpp' || true)
done
# The window's library stays below the front ends' shared part; only the
# program uses it.
if hits=$(grep -rnE '#include[[:space:]]+"frontend/' window --include='*.h' --include='*.cpp' | grep -v '^window/main\.cpp:'); then
    echo "$hits" | sed 's|^|window -> frontend: |'
    status=1
fi
[ "$status" -eq 0 ] && echo "layers: no include points up"
exit "$status"
