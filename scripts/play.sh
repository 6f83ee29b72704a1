#!/usr/bin/env bash
# Installs what is needed, builds the game and starts it from the folder that holds Data/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
exec build/roofrunner
