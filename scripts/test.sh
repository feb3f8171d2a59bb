#!/usr/bin/env bash
# Set-up as scripts/setup.sh does, then the whole test suite: once in a
# normal build (with the end-to-end cases also under valgrind), once in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer, then a short
# fuzz run, then the Windows build under Wine.
set -euo pipefail

cd "$(dirname "$0")/.."
export EXTRA_PACKAGES="valgrind ${EXTRA_PACKAGES:-}"

scripts/setup.sh -DTRALVINEX_BUILD_TESTS=ON -DTRALVINEX_WERROR=ON -DTRALVINEX_SANITIZE=OFF
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j 2

BUILD_DIR=${SANITIZE_BUILD_DIR:-build-asan} \
    scripts/setup.sh -DTRALVINEX_BUILD_TESTS=ON -DTRALVINEX_WERROR=ON -DTRALVINEX_SANITIZE=ON
ctest --test-dir "${SANITIZE_BUILD_DIR:-build-asan}" --output-on-failure -j 2

# A short fuzz run; scripts/fuzz.sh SECONDS runs longer.
scripts/fuzz.sh "${FUZZ_SECONDS:-30}"

# The Windows build, with its unit and end-to-end tests under Wine.
scripts/windows/test.sh
