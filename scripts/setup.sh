#!/usr/bin/env bash
# Installs the Debian packages the build and tests need (only those missing),
# then configures and builds a preset of CMakePresets.json (default:
# "default", into build/).
#
# usage: scripts/setup.sh [PRESET [extra cmake arguments...]]
set -euo pipefail

cd "$(dirname "$0")/.."
PRESET=${1:-default}
shift || true

PACKAGES=(cmake g++ make pkg-config libnspr4-dev libidn2-dev libunistring-dev libgtest-dev util-linux iproute2 dnsmasq-base)
PACKAGES+=(${EXTRA_PACKAGES:-})

scripts/install_packages.sh "${PACKAGES[@]}"

cmake --preset "$PRESET" "$@"
cmake --build --preset "$PRESET" -j "$(nproc)"
