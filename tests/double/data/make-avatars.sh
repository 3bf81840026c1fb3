#!/bin/sh
# Draws the singers' 200 x 200 pictures that the service double serves on the image
# host (draw-avatars/drawavatars.cpp, Qt): a coloured square with a simple
# head-and-shoulders figure and the singer's initials on its chest, distinct per singer
# and whole inside the window's round frame. Run once by hand; the pictures are
# committed. The tool is built under /tmp, never in the source tree.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
build="${TMPDIR:-/tmp}/quillory-drawavatars"
cmake -S "$here/draw-avatars" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/drawavatars" "$here/avatars"
