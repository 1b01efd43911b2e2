#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the layering that CONTRIBUTING.md describes, with grep only:
#  1. nothing in src/model includes from src/scan, src/ui or src/app;
#  2. nothing in src/ outside src/ui and src/main.cpp includes QtWidgets
#     (the module or one of its class headers);
#  3. nothing outside src/model and src/scan touches the document's locks,
#     slot semaphores, scan session or scan driver: callers use its
#     operations. (The document keeps them private, so the compiler refuses
#     such a caller too; this names the line.)
# Prints every offending line and exits 1 when there is one.
#   scripts/check-layers.sh
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
failed=0

report() { # title, offending lines
    if [ -n "$2" ]; then
        echo "layers: $1:"
        echo "$2"
        failed=1
    else
        echo "layers: ok: $1"
    fi
}

hits=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<](\.\./)*(scan|ui|app)/' src/model || true)
report "src/model includes nothing from src/scan, src/ui or src/app" "$hits"

# The class headers of QtWidgets, from the installed module when there is
# one (so a new widget class is caught too), else the common ones.
widgets_dir=""
for dir in /usr/include/x86_64-linux-gnu/qt6/QtWidgets /usr/include/aarch64-linux-gnu/qt6/QtWidgets \
    /usr/include/qt6/QtWidgets; do
    [ -d "$dir" ] && widgets_dir="$dir" && break
done
if [ -n "$widgets_dir" ]; then
    names=$(find "$widgets_dir" -maxdepth 1 -type f -name 'Q[A-Z]*' ! -name '*.h' -printf '%f\n' | paste -sd'|')
else
    names='QWidget|QDialog|QApplication|QMainWindow|QMessageBox|QLabel|QPushButton|QLineEdit|QMenu|QToolBar'
fi
hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<(QtWidgets(/[A-Za-z]+)?|($names))>" src \
    --include='*.cpp' --include='*.h' | grep -vE '^src/ui/|^src/main\.cpp:' || true)
report "only src/ui and src/main.cpp include QtWidgets" "$hits"

# The document's locks, semaphores, scan session and driver, by name.
hits=$(grep -rnE '\b(m_)?(sharesLock|queueLock|addressLock|netSlots|hostSlots|scanSession|scanDriver)\b|(\.|->)(Session\(\)|driver\b|m_scan\b)' src tests bench \
    --include='*.cpp' --include='*.h' | grep -vE '^src/(model|scan)/' || true)
report "no caller outside src/model and src/scan touches a lock, semaphore or the scan driver" "$hits"

exit $failed
