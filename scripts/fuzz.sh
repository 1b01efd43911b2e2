#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzes the readers of network documents, of settings.xml and of language
# files, the readers of icon libraries and version resources, and the parsers
# of network replies, with libFuzzer,
# under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   scripts/fuzz.sh [SECONDS]      run for SECONDS (default 60)
#
# Builds in build-fuzz (or $LANTERRA_FUZZ_BUILD) with clang. The corpus found
# so far is kept in <build>/fuzz-corpus; inputs that crash, hang or leak are
# saved in <build>/fuzz-artifacts. Exits non-zero on any such finding.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${LANTERRA_FUZZ_BUILD:-$root/build-fuzz}"

cxx=""
for candidate in clang++ clang++-14; do
    if command -v "$candidate" >/dev/null; then
        cxx="$(command -v "$candidate")"
        break
    fi
done
[ -n "$cxx" ] || { echo "fuzz.sh: clang++ is needed (scripts/deps.sh test)" >&2; exit 1; }

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANTERRA_FUZZ=ON -DLANTERRA_TESTS=ON \
    -DLANTERRA_GUI=OFF -DLANTERRA_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_reader fuzz_document fuzz_seeds fuzz_nbtresponse fuzz_helperreply \
    fuzz_resources fuzz_resource_seeds fuzz_wsdreply fuzz_mdnsreply fuzz_wsdexchange fuzz_announcemerge fuzz_ccache

corpus="$build/fuzz-corpus"
seeds="$build/fuzz-seeds"
artifacts="$build/fuzz-artifacts"
rm -rf "$seeds"
mkdir -p "$corpus" "$seeds" "$artifacts"
"$build/bin/fuzz_seeds" "$seeds"
find "$root/Locales" -name '*.lng' -exec cp {} "$seeds/" \;

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
# New inputs go into the first folder; the seeds are read only.
"$build/bin/fuzz_reader" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
    -dict="$root/tests/fuzz/reader.dict" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "$seeds"

# Network documents get half the time, at least 15 seconds. The seeds hold
# a document; the settings and language seeds give the reader other roots.
doc_seconds=$(( seconds / 2 > 15 ? seconds / 2 : 15 ))
mkdir -p "$build/fuzz-corpus-document"
"$build/bin/fuzz_document" -max_total_time="$doc_seconds" -timeout=5 -rss_limit_mb=2048 \
    -dict="$root/tests/fuzz/reader.dict" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$build/fuzz-corpus-document" "$seeds"

# The parsers of network replies (NetBIOS name responses, listing helper
# replies, WS-Discovery and multicast DNS answers) get a third of the time
# each, at least 15 seconds; so do the Kerberos credential cache reader,
# runs of WS-Discovery answers with spoofed Resolve matches, and hostile
# announcements merged into a scan. Captured replies and the spoofing
# cases seed them.
net_seconds=$(( seconds / 3 > 15 ? seconds / 3 : 15 ))
for target in fuzz_nbtresponse fuzz_helperreply fuzz_wsdreply fuzz_mdnsreply fuzz_wsdexchange fuzz_announcemerge \
    fuzz_ccache; do
    mkdir -p "$build/fuzz-corpus-$target"
    target_seeds=()
    case $target in
        fuzz_wsdreply) target_seeds=("$root/tests/fuzz/announce/seeds-wsd") ;;
        fuzz_mdnsreply) target_seeds=("$root/tests/fuzz/announce/seeds-mdns") ;;
        fuzz_wsdexchange) target_seeds=("$root/tests/fuzz/announce/seeds-wsdexchange") ;;
        fuzz_announcemerge) target_seeds=("$root/tests/fuzz/announce/seeds-announcemerge") ;;
        fuzz_ccache) target_seeds=("$root/tests/fuzz/kerberos/seeds") ;;
    esac
    "$build/bin/$target" -max_total_time="$net_seconds" -timeout=5 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$build/fuzz-corpus-$target" "${target_seeds[@]}"
done

# Icon libraries and version resources, from small modules of each kind.
resource_seeds="$build/fuzz-seeds-resources"
rm -rf "$resource_seeds"
"$build/bin/fuzz_resource_seeds" "$resource_seeds"
mkdir -p "$build/fuzz-corpus-resources"
"$build/bin/fuzz_resources" -max_total_time="$net_seconds" -timeout=5 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$build/fuzz-corpus-resources" "$resource_seeds"
