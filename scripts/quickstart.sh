#!/usr/bin/env bash
# Sets up the machine, builds everything and imports the bundled sample drawing into a map.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
export VEXA_HOME=${VEXA_HOME:-$PWD/build/vexa-home}
mkdir -p "$VEXA_HOME"
build/dxfcnv import samples/site.dxf --map build/site.json
echo "Map document written to build/site.json"
