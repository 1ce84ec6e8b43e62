#!/usr/bin/env bash
# Lists every #include "<layer>/..." in src/ that points up the layers
# (platform < model < device < numbering < store < production < app) and fails if
# there is one. The build refuses such includes too; this names them all at
# once, with file and line.
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(platform model device numbering store production app)
status=0
for i in "${!layers[@]}"; do
  here=${layers[$i]}
  for j in "${!layers[@]}"; do
    [ "$j" -gt "$i" ] || continue
    above=${layers[$j]}
    if hits=$(grep -rnE "#include[[:space:]]+\"$above/" "$here" --include='*.h' --include='*.cpp'); then
      echo "$hits" | sed "s|^|$here -> $above: |"
      status=1
    fi
  done
done
# The simulator sits beside the device layer: it may use the HID interface
# and nothing else of the tool.
if hits=$(grep -rnE '#include[[:space:]]+"(numbering|store|production|app|cli)/|#include[[:space:]]+"device/' sim | grep -v '"device/hid_backend.h"'); then
  echo "$hits" | sed 's|^|sim -> tool: |'
  status=1
fi
[ "$status" -eq 0 ] && echo "layers: no include points up"
exit "$status"
