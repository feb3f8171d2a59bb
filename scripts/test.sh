#!/usr/bin/env bash
# Set-up as scripts/setup.sh does, then the whole test suite.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/setup.sh -DTRALVINEX_BUILD_TESTS=ON -DTRALVINEX_WERROR=ON "$@"
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure
