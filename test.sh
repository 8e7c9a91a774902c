#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

senvaro_install_packages
senvaro_build

export QT_QPA_PLATFORM=offscreen
cd "$BUILD_DIR"
senvaro_in_netns ctest --output-on-failure -j"$(nproc)" "$@"
