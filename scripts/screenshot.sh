#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's picture of the main window on the demo network
# (Xvfb inside the demo's network namespace; needs root).
#
#   scripts/screenshot.sh [FILE]     default: docs/screenshot.png
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exec "$root/scripts/e2e-window.sh" --only-screenshot --screenshot "${1:-$root/docs/screenshot.png}"
