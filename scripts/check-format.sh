#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that the C++ lines changed since BASE follow .clang-format.
# Only changed lines are checked, so older code is never reformatted in passing.
#   scripts/check-format.sh [BASE]
# Without BASE: on a branch, the whole change since it left main (their merge
# base); on main itself, the last commit (its first parent for a merge).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
base="${1:-}"
if [ -z "$base" ]; then
    base="HEAD^1"
    if [ "$(git rev-parse --abbrev-ref HEAD)" != main ] && git rev-parse -q --verify main >/dev/null; then
        base=$(git merge-base HEAD main)
    fi
fi
tool=$(command -v git-clang-format-14 || command -v git-clang-format) \
    || { echo "SKIP: git-clang-format is not installed (package clang-format)"; exit 77; }
git rev-parse -q --verify "$base^{commit}" >/dev/null || { echo "SKIP: no commit $base to compare with"; exit 77; }

out=$("$tool" --binary "$(command -v clang-format-14 || command -v clang-format)" --diff "$base" -- \
    '*.cpp' '*.h' 2>&1)
case "$out" in
    ""|"no modified files to format"|"clang-format did not modify any files")
        echo "format: changed lines follow .clang-format"; exit 0 ;;
esac
echo "$out"
echo "format: the lines above differ from .clang-format (run: git clang-format $base)" >&2
exit 1
