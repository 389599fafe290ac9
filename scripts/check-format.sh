#!/usr/bin/env bash
# Fails when a source file does not follow .clang-format, or when code outside
# the platform layer includes SDL or a codec library.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench tools -name '*.cpp' -o -name '*.h')
if command -v clang-format >/dev/null; then
  clang-format --dry-run --Werror $files
fi
bad=$(grep -l -E '#include *[<"](SDL|zip\.h|png\.h|vorbis|ogg|epoxy|GL/)' $(echo "$files" | grep '^src/' | grep -v '^src/platform/') || true)
if [ -n "$bad" ]; then
  echo "Only src/platform may include SDL, OpenGL or codec headers: $bad"
  exit 1
fi
