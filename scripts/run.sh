#!/usr/bin/env bash
# Sets up, builds and starts Quillory against the bundled local service, so it does its
# whole job without internet. The service acts as the program's HTTP proxy.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

port="${QUILLORY_SERVICE_PORT:-8765}"
# The service answers https with certificates of a test authority it makes up at start;
# the program trusts it through SSL_CERT_FILE, in its own process only.
authority="$(mktemp -d)/quillory-service-authority.pem"
build/tests/double/quillory-service --port "$port" --authority-file "$authority" &
service=$!
trap 'kill "$service" 2>/dev/null || true; rm -rf "$(dirname "$authority")"' EXIT
for _ in $(seq 50); do [ -s "$authority" ] && break; sleep 0.1; done
echo
echo "复制上面任一示例分享页地址,在程序中点击\"粘贴地址\",再点击红色按钮。"
echo "Copy one of the sample share-page addresses above, press 粘贴地址 in the program, then the red button."
echo

run=(env http_proxy="http://127.0.0.1:$port" https_proxy= no_proxy= SSL_CERT_FILE="$authority" build/src/quillory)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the program in a virtual X server (xvfb-run)."
    run=(xvfb-run -a "${run[@]}")
fi
"${run[@]}"
