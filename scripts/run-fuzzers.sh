#!/bin/sh
# Fuzzes every target of a fuzz build for a bounded time, one after another.
#   scripts/run-fuzzers.sh BUILD_DIR [SECONDS_PER_TARGET] [TARGET...]
# Each target starts from its committed seeds (tests/fixtures/<name>/ for the
# parsers of command output, tests/fuzz/<name>/ for the others) and keeps
# what it finds in BUILD_DIR/fuzz/corpus/<name>/, outside the repository. A
# crash, leak, time-out or sanitizer report stops the run with status 1; the
# input is in BUILD_DIR/fuzz/artifacts/<name>/. Copy it into the seed folder
# and commit it with the fix: the test <name>_fuzzer_corpus of the same build
# then replays it every time.
set -eu

build=$1
seconds=${2:-5}
shift $(( $# < 2 ? $# : 2 ))
root=$(cd "$(dirname "$0")/.." && pwd)

if [ $# -eq 0 ]; then
    set -- $(cd "$build/tests/fuzz" && ls *_fuzzer | sed 's/_fuzzer$//')
fi

for name in "$@"; do
    target="$build/tests/fuzz/${name}_fuzzer"
    [ -x "$target" ] || { echo "no fuzz target $target (build with QUOR2_FUZZ=ON)" >&2; exit 1; }
    corpus="$build/fuzz/corpus/$name"
    artifacts="$build/fuzz/artifacts/$name"
    mkdir -p "$corpus" "$artifacts"
    seeds="$root/tests/fuzz/$name"
    [ -d "$root/tests/fixtures/$name" ] && seeds="$root/tests/fixtures/$name"
    log="$build/fuzz/$name.log"
    printf '%-16s ' "$name"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
            -print_final_stats=1 -artifact_prefix="$artifacts/" \
            "$corpus" "$seeds" >"$log" 2>&1; then
        echo "FAILED"
        tail -n 60 "$log"
        echo "The input is in $artifacts/; copy it into $seeds/ to keep it as a regression test." >&2
        exit 1
    fi
    grep -E '^stat::number_of_executed_units' "$log" | awk '{printf "%s runs", $2}'
    grep -E '^cov: |#[0-9]+.*cov: ' "$log" | tail -n 1 | sed -E 's/.*cov: ([0-9]+).*/, coverage \1/'
done
