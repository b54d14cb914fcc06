#!/usr/bin/env bash
# Runs a command on the test run's private X server (see xvfb.sh).
set -euo pipefail
DISPLAY=$(cat "$CORVANEL_XVFB_DIR/display")
export DISPLAY
exec "$@"
