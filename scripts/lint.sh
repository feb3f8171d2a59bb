#!/usr/bin/env bash
# The lint gates over src/: clang-format (src/.clang-format) and clang-tidy
# (src/.clang-tidy) over every file of src/ that a build compiles, against
# that build's compile commands: BUILD is "build" (the "default" preset,
# which scripts/setup.sh makes when it is missing) or "build-win/project"
# (the "windows" preset, which reads the code under _WIN32). Any finding
# fails.
#
# usage: scripts/lint.sh [BUILD]
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD=${1:-build}
scripts/install_packages.sh clang-format clang-tidy
[ -f "$BUILD/compile_commands.json" ] || [ "$BUILD" != build ] || scripts/setup.sh default

clang-format --dry-run --Werror src/*/*.cpp src/*/*.h
# (its count of warnings in system headers, which are not checked, is noise)
sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$BUILD/compile_commands.json" | grep "^$PWD/src/" |
    sort -u | xargs -n 1 -P "$(nproc)" clang-tidy -p "$BUILD" --quiet \
    2> >(grep -v ' warnings\? generated\.$' >&2)
echo "lint: no findings in $BUILD's sources"
