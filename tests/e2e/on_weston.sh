#!/usr/bin/env bash
# Runs a command on Qt's wayland platform under a headless weston (1600 x 1200); its exit status
# is the command's.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/weston.sh"
weston_start 1600x1200
"$@"
