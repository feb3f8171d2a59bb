#!/usr/bin/env bash
# Builds the libFuzzer target with clang and runs it for SECONDS (default 60),
# starting from the seed corpus in tests/fuzz/corpus. New inputs it finds go
# to $BUILD_DIR/corpus, so the seeds in the repository stay as they are.
#
# usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail

cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-60}
export BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
export EXTRA_PACKAGES="clang libclang-rt-14-dev ${EXTRA_PACKAGES:-}"

CC=clang CXX=clang++ scripts/setup.sh -DTRALVINEX_FUZZ=ON -DTRALVINEX_BUILD_TESTS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
mkdir -p "$BUILD_DIR/corpus"
"$BUILD_DIR/tests/fuzz/tralvinex-fuzz" -max_total_time="$SECONDS_TO_RUN" -print_final_stats=1 \
    -max_len=1024 -artifact_prefix="$BUILD_DIR/" "$BUILD_DIR/corpus" tests/fuzz/corpus
