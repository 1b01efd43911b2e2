#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the layering that CONTRIBUTING.md describes, with grep only:
#  1. every folder of src/ includes project headers only from the folders
#     the table below allows it (its own folder always);
#  2. nothing in src/ outside src/ui and src/main.cpp includes QtWidgets
#     (the module or one of its class headers);
#  3. nothing outside src/model and src/scan touches the document's locks,
#     slot semaphores, scan session or scan driver: callers use its
#     operations. (The document keeps them private, so the compiler refuses
#     such a caller too; this names the line.)
# Prints every offending line and exits 1 when there is one.
#   scripts/check-layers.sh [repository root]
# The root defaults to this script's repository; the test of this script
# points it at a copy with a planted upward include.
set -uo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root" || exit 2
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

# Which folders of src/ each folder may include from, and nothing else:
#   ui -> app -> model / scan / settings -> xml / net / platform.
# Within the middle layer the scan driver implements the model's engine
# interface (scan -> model) and the document reads schemes and settings
# (model -> settings); settings knows neither. The secret store brings
# QtDBus, so it stays out of the core: the command line and the window's
# login keeper use it (the core's app folder could, were it linked there).
# The helper programs sit beside the layers: the listing helper uses the
# network's codes only, the icon tool the resource writer.
declare -A allowed=(
    [platform]=""
    [xml]="platform"
    [net]="platform"
    [settings]="xml net platform"
    [model]="settings xml net platform"
    [scan]="model settings xml net platform"
    [secrets]="net platform"
    [app]="model scan settings secrets xml net platform"
    [ui]="app model scan settings xml net platform"
    [cli]="app model scan settings secrets xml net platform"
    [smbhelper]="net platform"
    [icontool]="settings xml platform"
    [main.cpp]="ui app model scan settings xml net platform"
)
# Single files allowed more than their folder, with the reason above.
declare -A allowedFile=(
    [src/ui/frame/loginkeeper.cpp]="secrets"
)

# Prints "file:line: include" for every include of a project folder that
# the table does not allow.
upward_includes() {
    local unit files file dirs
    for unit in "${!allowed[@]}"; do
        [ -e "src/$unit" ] || continue
        files=$(find "src/$unit" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
        for file in $files; do
            dirs="$unit ${allowed[$unit]} ${allowedFile[$file]:-}"
            grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
                sed -E 's|^([0-9]+):.*"(\.\./)*([^"]*)".*|\1 \3|' |
                while read -r line path; do
                    case "$path" in */*) ;; *) continue ;; esac
                    case " $dirs " in *" ${path%%/*} "*) continue ;; esac
                    [ -e "src/${path%%/*}" ] || continue # not one of ours
                    echo "$file:$line: $path"
                done
        done
    done
    # A folder the table does not know would go unchecked.
    for unit in $(find src -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | sort); do
        [ -n "${allowed[$unit]+set}" ] || echo "src/$unit: a folder the layer table does not name"
    done
}
report "every folder includes only from the layers the table allows" "$(upward_includes)"

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
callers=$(for dir in src tests bench; do [ -d "$dir" ] && echo "$dir"; done)
# shellcheck disable=SC2086 # the folders are plain names
hits=$(grep -rnE '\b(m_)?(sharesLock|queueLock|addressLock|netSlots|hostSlots|scanSession|scanDriver)\b|(\.|->)(Session\(\)|driver\b|m_scan\b)' $callers \
    --include='*.cpp' --include='*.h' | grep -vE '^src/(model|scan)/' || true)
report "no caller outside src/model and src/scan touches a lock, semaphore or the scan driver" "$hits"

exit $failed
