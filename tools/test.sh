#!/usr/bin/env bash
# Installs what is missing, builds Brindle and runs every test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh
cmake --workflow --preset mingw
