#!/usr/bin/env bash
# The lint gates over src/: clang-format (src/.clang-format) and clang-tidy
# (src/.clang-tidy, against the compile commands of the "default" build,
# which scripts/setup.sh makes). Any finding fails.
#
# usage: scripts/lint.sh
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/install_packages.sh clang-format clang-tidy
[ -f build/compile_commands.json ] || scripts/setup.sh default

clang-format --dry-run --Werror src/*/*.cpp src/*/*.h
# (its count of warnings in system headers, which are not checked, is noise)
find src -name '*.cpp' -print0 | xargs -0 -n 1 -P "$(nproc)" clang-tidy -p build --quiet \
    2> >(grep -v ' warnings\? generated\.$' >&2)
echo "lint: no findings"
