#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layer check on a copy of src/: it passes on the copy as it stands,
# and fails, naming the file, once one upward include is planted. One row
# per rule of the table: the file that gets the include, and the include.
#   tests/layers/planted-include.sh <repository root>
set -uo pipefail
root="$(cd "${1:?repository root}" && pwd)"
check="$root/scripts/check-layers.sh"
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cp -r "$root/src" "$copy/src"

planted=(
    "net/planted.cpp model/lanterradoc.h"
    "net/planted.cpp settings/settings.h"
    "model/planted.cpp scan/scandriver.h"
    "model/planted.h app/lanterraapp.h"
    "settings/planted.cpp model/lanterradoc.h"
    "xml/planted.cpp settings/settings.h"
    "platform/planted.cpp net/credentials.h"
    "platform/planted.cpp ../xml/xmlmapping.h"
    "scan/planted.cpp app/lanterraapp.h"
    "app/planted.cpp ui/frame/mainframe.h"
    "ui/view/planted.cpp secrets/loginstore.h"
    "smbhelper/planted.cpp model/lanterradoc.h"
)

failures=0
if ! out=$("$check" "$copy"); then
    echo "FAIL: the unchanged copy does not pass:"
    echo "$out"
    failures=1
fi
for row in "${planted[@]}"; do
    read -r file include <<<"$row"
    printf '// SPDX-License-Identifier: GPL-3.0-or-later\n#include "%s"\n' "$include" >"$copy/src/$file"
    if out=$("$check" "$copy"); then
        echo "FAIL: src/$file including $include passes"
        failures=1
    elif ! grep -qF "src/$file:2: ${include##*../}" <<<"$out"; then
        echo "FAIL: src/$file including $include is not named:"
        echo "$out"
        failures=1
    else
        echo "ok: src/$file including $include fails"
    fi
    rm "$copy/src/$file"
done
exit $failures
