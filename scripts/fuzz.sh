#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed number of runs.
#   scripts/fuzz.sh             a short round (what the tests run)
#   scripts/fuzz.sh 10000000    a long round: that many runs per target
# The corpora grow in build-fuzz/corpus/<target>, seeded from the tests' pages.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-100000}"
jobs="${FUZZ_JOBS:-1}"

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQUILLORY_FUZZ=ON -DQUILLORY_TESTS=OFF >/dev/null
# The fuzz targets link the core alone: neither the window nor the command line is built.
cmake --build build-fuzz -j"$(nproc)" --target songpage_fuzz updateanswer_fuzz singerpage_fuzz

seed() { # target, seed files...
    local dir="build-fuzz/corpus/$1"
    shift
    mkdir -p "$dir"
    for f in "$@"; do
        # The first byte of an input picks the charset; seed with UTF-8 (0).
        [ -f "$f" ] && { printf '\0'; cat "$f"; } >"$dir/seed-$(basename "$f")"
    done
}
seed songpage_fuzz tests/double/data/pages/*
seed updateanswer_fuzz tests/double/data/maker/*
[ -x build-fuzz/fuzz/singerpage_fuzz ] && seed singerpage_fuzz tests/double/data/singers/*

export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
status=0
for target in build-fuzz/fuzz/*_fuzz; do
    name="$(basename "$target")"
    mkdir -p "build-fuzz/findings/$name"
    echo "== $name: $runs runs"
    parallel=()
    [ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
    if ! "$target" -runs="$runs" "${parallel[@]}" -max_len=65536 -timeout=10 \
            -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$name/" \
            "build-fuzz/corpus/$name" 2>"build-fuzz/$name.log"; then
        tail -40 "build-fuzz/$name.log"
        echo "!! $name found a fault; the input is in build-fuzz/findings/$name/"
        status=1
    else
        grep -E "stat::number_of_executed_units|Done" "build-fuzz/$name.log" | tail -2
    fi
done
exit $status
