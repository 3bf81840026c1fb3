#!/usr/bin/env bash
# Sets up, builds and starts Quillory against the bundled local service, so it does its
# whole job without internet. The service acts as the program's HTTP proxy.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/service.sh
bash scripts/install-deps.sh
# Only the program, its command line and the service: the test suites and benchmarks are left for test.sh.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUILLORY_TESTS=ON
cmake --build build -j"$(nproc)" --target quillory quillory-cli quillory-service

port="${QUILLORY_SERVICE_PORT:-8765}"
start_service build "$port"
echo
echo "复制上面任一示例分享页地址,在程序中点击\"粘贴地址\",再点击红色按钮。"
echo "Copy one of the sample share-page addresses above, press 粘贴地址 in the program, then the red button."
echo "命令行 / command line (while this runs):"
echo "  http_proxy=http://127.0.0.1:$port https_proxy=http://127.0.0.1:$port no_proxy= SSL_CERT_FILE=$service_authority build/src/quillory-cli info http://changba.com/s/Wc7nGGH3ZBbq"
echo

# https goes through the same service: an empty https_proxy would mean "no proxy" to
# the network libraries.
run=(env http_proxy="http://127.0.0.1:$port" https_proxy="http://127.0.0.1:$port" no_proxy= SSL_CERT_FILE="$service_authority" build/src/quillory "$@")
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "The window opens on display ${DISPLAY:-$WAYLAND_DISPLAY}."
    echo "For a picture of it use your desktop's screenshot tool, or run: bash scripts/screenshot.sh"
    "${run[@]}"
else
    # xvfb-run picks a free display; the window is shown there, where nobody can see it.
    xvfb-run -a sh -c '
        echo "No display: the window runs unseen in a virtual X server (display $DISPLAY); close it with Ctrl+C."
        echo "For pictures of the window run: bash scripts/screenshot.sh"
        exec "$@"' sh "${run[@]}"
fi
