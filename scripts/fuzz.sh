#!/usr/bin/env bash
# Builds the libFuzzer target with clang (the "fuzz" preset) and runs it for
# SECONDS (default 60) from the seed corpus in tests/fuzz/corpus. New inputs
# it finds go to build-fuzz/corpus, so the seeds in the repository stay as
# they are.
#
# usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail

cd "$(dirname "$0")/.."
export EXTRA_PACKAGES="clang libclang-rt-14-dev ${EXTRA_PACKAGES:-}"

scripts/setup.sh fuzz -DTRALVINEX_FUZZ_SECONDS="${1:-60}"
ctest --preset fuzz
