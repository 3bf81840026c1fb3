#!/usr/bin/env bash
# Regenerates docs/screenshot.png: the real main window in a virtual X server, after a
# lookup of a sample share page (with an MV) answered by the local service double.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/service.sh
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUILLORY_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)" --target quillory quillory-service quillory-screenshot

port="${QUILLORY_SERVICE_PORT:-8766}"
start_service build "$port" /dev/null

mkdir -p docs
xvfb-run -a -s "-screen 0 1280x800x24" \
    env http_proxy="http://127.0.0.1:$port" no_proxy= QT_QPA_PLATFORM=xcb \
    build/src/quillory-screenshot docs/screenshot.png "http://changba.com/s/Wc7nGGH3ZBbq"
