#!/usr/bin/env bash
# Set-up as scripts/setup.sh does, then the whole test suite, each build a
# preset of CMakePresets.json: the "default" build (with the end-to-end
# cases also under valgrind) and the lint gates over its sources, the
# "sanitize" build (AddressSanitizer and UndefinedBehaviorSanitizer), a short
# "fuzz" run, then the "windows" build under Wine.
set -euo pipefail

cd "$(dirname "$0")/.."
export EXTRA_PACKAGES="valgrind ${EXTRA_PACKAGES:-}"

scripts/setup.sh default
ctest --preset default
scripts/lint.sh

scripts/setup.sh sanitize
ctest --preset sanitize

# A short fuzz run; scripts/fuzz.sh SECONDS runs longer.
scripts/fuzz.sh "${FUZZ_SECONDS:-30}"

# The Windows build, with its unit and end-to-end tests under Wine.
scripts/windows/test.sh
