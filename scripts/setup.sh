#!/usr/bin/env bash
# Installs the Debian packages the build and tests need (only those missing),
# then configures and builds into ${BUILD_DIR:-build}.
#
# usage: scripts/setup.sh [extra cmake arguments...]
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}

PACKAGES=(cmake g++ make pkg-config libnspr4-dev libgtest-dev util-linux)
PACKAGES+=(${EXTRA_PACKAGES:-})

scripts/install_packages.sh "${PACKAGES[@]}"

cmake -S . -B "$BUILD_DIR" "$@"
cmake --build "$BUILD_DIR" -j "$(nproc)"
