#!/usr/bin/env bash
# Installs what is missing, builds, installs into ./install and starts the game
# from there with its standard parameters.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j "$(nproc)"
cmake --install build --prefix install >/dev/null
cd install
exec ./bin/vrem_gl 'ld:data\base' 'ld:data\kl'
