#!/usr/bin/env bash
# The main job: homolset applies the example homologation file on a fresh host machine, then
# hostreg shows the registry it left.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset host >/dev/null
cmake --build --preset host --target homolset hostreg >/dev/null

machine=build/demo-machine
rm -rf "$machine"
mkdir -p "$machine"
export HOSTWIN_MACHINE="$PWD/$machine"

status=0
build/host/homolset/homolset examples/VTRXhom.ini || status=$?
echo "homolset examples/VTRXhom.ini: exit status $status"
build/host/tools/hostreg/hostreg query 'HKLM\SOFTWARE\Veltrane' /s
