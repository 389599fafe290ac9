#!/usr/bin/env bash
# Stores a new expected trace of the scripted level run, for when the game's
# behaviour is meant to change. Review the diff of level_run.jsonl before
# committing it. Usage: tests/replay/regenerate.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" -j2 --target test_replay
cd "$build/tests"
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy DISPLAY= VREM_REPLAY_REGENERATE=1 \
    ./test_replay --gtest_filter='ReplayRuns.ScriptedRunThroughTheLevelMatchesTheStoredTrace'
git -C "$root" diff --stat -- tests/replay/level_run.jsonl
