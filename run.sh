#!/usr/bin/env bash
# Installs what is missing, builds and starts Senvaro.
#   ./run.sh          the tool, with its settings file beside the executable
#   ./run.sh --demo   the tool beside a simulated access point on 127.0.0.1
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

senvaro_install_packages
SENVARO_TARGETS="senvaro senvaro-apsim" senvaro_build

if [ "${1:-}" = "--demo" ]; then
  shift
  exec "$SENVARO_ROOT/scripts/demo.sh" "$@"
fi

echo "Settings file: $BUILD_DIR/SENVARO.INI"
exec "$BUILD_DIR/senvaro" "$@"
