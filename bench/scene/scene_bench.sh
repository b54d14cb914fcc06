#!/usr/bin/env bash
# Runs the scene benchmark on a private Xvfb (Mesa's software OpenGL).
# Usage: scene_bench.sh <scene_bench> [rounds] [moments per round]
set -euo pipefail
bench=$1
shift
support=$(dirname "$0")/../../tests/support
xvfb_dir=$(mktemp -d)
"$support/xvfb.sh" start "$xvfb_dir"
trap '"$support/xvfb.sh" stop "$xvfb_dir"; rm -rf "$xvfb_dir"' EXIT
DISPLAY=$(cat "$xvfb_dir/display") "$bench" "$@"
