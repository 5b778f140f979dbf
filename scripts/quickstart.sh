#!/usr/bin/env bash
# Sets up the machine, builds what the sample import runs (the CLI, the module and the stand-in
# host; the tests are built by scripts/test.sh) and imports the bundled sample drawing into a map.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --build
BUILD_TARGETS=dxfcnv_cli scripts/build.sh
export VEXA_HOME=${VEXA_HOME:-$PWD/build/vexa-home}
mkdir -p "$VEXA_HOME"
build/dxfcnv import samples/site.dxf --map build/site.json
echo "Map document written to build/site.json"
