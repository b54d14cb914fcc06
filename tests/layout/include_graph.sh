#!/usr/bin/env bash
# Includes go one way: run and capture -> setup, assets, scene -> core, and the core includes
# nothing but the C++ library; the capture draws with the scene but never reaches into the
# show's own start-up (run, setup). A wrong-way include fails here, before it tangles the build.
#   include_graph.sh <src dir>
set -euo pipefail
cd "$1"
declare -A allowed=([core]="core" [setup]="setup core" [assets]="assets core"
    [scene]="scene assets core" [run]="run setup assets scene core"
    [capture]="capture assets scene core" [web]="web run assets scene core")
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
