#!/usr/bin/env bash
# Builds the replay tool if needed and runs the scripted demo
# (tools/replay/demo.keys) headless on the generated data, saving screenshots.
# Usage: [BUILD_DIR=build-folder] scripts/demo.sh [OUTPUT_FOLDER]
# (default build folder: build; default output: a new folder under /tmp)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" >/dev/null
fi
cmake --build "$build" -j2 --target vrem_replay vrem_data >/dev/null
out="${1:-$(mktemp -d /tmp/vrem-demo.XXXXXX)}"
mkdir -p "$out"
shots=()
for frame in 60 120 145 210 252 308 316 360; do
    shots+=(--shot "$frame:$out/frame$frame.png")
done
"$build/tools/replay/vrem_replay" --frames 360 --seed 1 --size 800x600 \
    --keys "$root/tools/replay/demo.keys" --trace "$out/trace.jsonl" "${shots[@]}" \
    "ld:$build/data/base" "ld:$build/data/kl"
echo "Screenshots and trace written to $out"
