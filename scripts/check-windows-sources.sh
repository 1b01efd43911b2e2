#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Syntax-checks every Windows-only source file with the MinGW-w64 compiler
# against the Linux Qt headers, so a misspelt Win32 call or a missing include
# fails here even though nothing for Windows is linked or run on this machine.
#   scripts/check-windows-sources.sh        exit 0 when every file passes
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# The POSIX-threads variant: the program's own headers use std::mutex and
# std::jthread, which the win32-threads default of Debian's MinGW lacks (a
# real Windows build uses a toolchain that has them).
cxx=x86_64-w64-mingw32-g++-posix
command -v "$cxx" >/dev/null || { echo "SKIP: $cxx is not installed (package g++-mingw-w64-x86-64)"; exit 77; }

qt_include=$(pkg-config --variable=includedir Qt6Core 2>/dev/null)
[ -n "$qt_include" ] || qt_include=/usr/include/x86_64-linux-gnu/qt6
[ -d "$qt_include/QtCore" ] || { echo "Qt headers not found under $qt_include" >&2; exit 1; }

failed=0
checked=0
while IFS= read -r file; do
    checked=$((checked + 1))
    if "$cxx" -std=c++20 -fsyntax-only -Wall -Wextra -DUNICODE -D_UNICODE \
        -I"$qt_include" -I"$qt_include/QtCore" -I"$root/src" "$file"; then
        echo "ok   ${file#"$root"/}"
    else
        echo "FAIL ${file#"$root"/}"
        failed=$((failed + 1))
    fi
done < <(find "$root/src" -name '*_win.cpp' | sort)

[ "$checked" -gt 0 ] || { echo "no Windows sources found" >&2; exit 1; }
[ "$failed" -eq 0 ]
