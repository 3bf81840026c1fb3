#!/usr/bin/env bash
# Regenerates the README's pictures in docs/: the real main window in a virtual X server,
# answered by the local service double, in each state a user meets (docs/screenshot-STATE.png),
# the window after a lookup once more as docs/screenshot.png, and that state again on a
# screen of twice the density (docs/screenshot-lookup-2x.png).
# With --focus it instead walks the window with Tab and saves each focused control as
# build/focus/focus-NAME.png, to see that the focus shows everywhere.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/service.sh
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUILLORY_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)" --target quillory quillory-service quillory-screenshot

port="${QUILLORY_SERVICE_PORT:-8766}"
# Bodies at 20 kB/s a connection: the sample songs are small, and the bar is pictured under way.
start_service build "$port" /dev/null --rate 20000

shoot() { # SCREEN_SIZE then the tool's arguments; the environment before it passes through
    local screen=$1
    shift
    # A session bus of its own: the hand-over meets no window of the desktop.
    xvfb-run -a -s "-screen 0 ${screen}x24" dbus-run-session -- \
        env http_proxy="http://127.0.0.1:$port" https_proxy="http://127.0.0.1:$port" no_proxy= \
            SSL_CERT_FILE="$service_authority" QT_QPA_PLATFORM=xcb "$@"
}

if [ "${1:-}" = --focus ]; then
    mkdir -p build/focus
    shoot 1280x800 build/src/quillory-screenshot build/focus --only focus
    exit 0
fi

mkdir -p docs
shoot 1280x800 build/src/quillory-screenshot docs
cp docs/screenshot-lookup.png docs/screenshot.png
shoot 2400x1400 QT_SCALE_FACTOR=2 build/src/quillory-screenshot docs --only lookup --suffix -2x
