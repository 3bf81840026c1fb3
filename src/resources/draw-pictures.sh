#!/usr/bin/env bash
# Rebuilds the drawing tool and regenerates src/resources/pictures/*.png.
# The build goes to $QUILLORY_DRAW_BUILD (default: a folder under /tmp), never
# into the source tree.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${QUILLORY_DRAW_BUILD:-${TMPDIR:-/tmp}/quillory-drawpictures}"
out="$here/pictures"

cmake -S "$here/draw" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel >/dev/null

mkdir -p "$out"
QT_QPA_PLATFORM=offscreen "$build/drawpictures" "$out"
echo "pictures written to $out"
