#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source, script and build file of the project names its licence in an
# SPDX line near its top (after a shebang). Prints the files that do not and
# exits 1 when there is one.
#   scripts/check-licence.sh
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

missing=""
while IFS= read -r file; do
    [ -f "$file" ] || continue
    head -n 3 "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' || missing+="$file"$'\n'
done < <( (git ls-files 2>/dev/null || find . -type f -printf '%P\n') |
    grep -E '\.(cpp|h|sh|py|cmake)$|(^|/)CMakeLists\.txt$' | grep -vE '^(build|third_party)[^/]*/')

if [ -n "$missing" ]; then
    echo "licence: files without an SPDX line:"
    printf '%s' "$missing"
    exit 1
fi
echo "licence: ok: every source file names its licence"
