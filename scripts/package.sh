#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package lanterra_<version>_amd64.deb (installing the
# Debian packages it needs) and checks it: lintian, and the installed tree
# unpacked from the package (scripts/check-install-tree.sh: layout, menu
# entry, metainfo, manual pages, and the programs at work from there).
#
#   scripts/package.sh [OUTDIR]     the package goes to OUTDIR (default: the
#                                   project's folder)
#
# CPack's DEB generator makes the package from the same install rules as
# `cmake --install`, so there is no debian/ tree to keep in step with them;
# dpkg-shlibdeps computes its runtime dependencies from the binaries.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root}" && cd "${1:-$root}" && pwd)"
"$root/scripts/deps.sh" package

# Debian's compiler and linker flags, hardening included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

# A build folder of its own: installed to /usr, without tests and benchmarks.
build="$root/build-package"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DLANTERRA_TESTS=OFF -DLANTERRA_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"$(nproc)" >&2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="lanterra_${version}_$(dpkg --print-architecture).deb"
rm -f "$build/$deb"
(cd "$build" && cpack -G DEB >&2)
cp "$build/$deb" "$out/$deb"
echo "Built $out/$deb" >&2
dpkg-deb --info "$out/$deb" | sed -n '/Package:/,$p' >&2

status=0
echo "=== lintian" >&2
# Warnings and notes are printed; errors fail the build.
lintian --info --display-info --fail-on error "$out/$deb" >&2 || status=1

echo "=== the installed tree" >&2
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$out/$deb" "$tree"
"$root/scripts/check-install-tree.sh" "$tree/usr" >&2 || status=1
exit $status
