#!/usr/bin/env bash
# Includes go one way: the stages (run, web, capture) -> play -> scene -> assets -> core, the
# desktop's run -> setup -> core too, and the core includes nothing but the C++ library (the
# Windows and web builds' picture loader, image_loader, nothing of the show's at all). No
# stage reaches into another's (the capture and the page have no dialog, no sound device), and
# the player knows no stage but through its interface. A wrong-way include fails here, before
# it tangles the build.
#   include_graph.sh <src dir>
set -euo pipefail
cd "$1"
declare -A allowed=([core]="core" [image_loader]="" [setup]="setup core" [assets]="assets core"
    [scene]="scene assets core" [play]="play scene assets core"
    [run]="run play setup assets scene core" [capture]="capture play assets scene core"
    [web]="web play assets scene core")
status=0
for dir in "${!allowed[@]}"; do
    while IFS= read -r hit; do
        folder=$(sed -n 's/.*#include "\([a-z]*\)\/.*/\1/p' <<<"$hit")
        if [[ " ${allowed[$dir]} " != *" $folder "* ]]; then
            echo "wrong way: $hit" >&2
            status=1
        fi
    done < <(grep -Hn '^#include "[a-z]*/' "$dir"/* || true)
done
if grep -Hn '^#include <.*\.h>' core/*; then
    echo "the core includes more than the C++ library" >&2
    status=1
fi
exit $status
