# Sourced by the scripts that start the local service double. Starts
# build/tests/double/quillory-service on the given port and waits until it answers;
# stops the script with a one-line reason when it cannot.
#   start_service BUILD_DIR PORT [LOG [SERVICE_OPTION...]]
#   (the service's own lines go to LOG, else to stdout; the options go to the service)
# The service answers https with certificates of a test authority it makes up at start and
# writes to $service_authority; a program trusts it with SSL_CERT_FILE, in its own process.
start_service() {
    local build="$1" port="$2" log="${3:-}"
    shift 3 2>/dev/null || shift $#
    local program="$build/tests/double/quillory-service"
    if [ ! -x "$program" ]; then
        echo "error: the local service $program was not built; nothing started." >&2
        exit 1
    fi
    service_authority="$(mktemp -d)/quillory-service-authority.pem"
    if [ -n "$log" ]; then
        "$program" --port "$port" --authority-file "$service_authority" "$@" >"$log" &
    else
        "$program" --port "$port" --authority-file "$service_authority" "$@" &
    fi
    service=$!
    trap 'kill "$service" 2>/dev/null || true; rm -rf "$(dirname "$service_authority")"' EXIT
    trap 'exit 130' INT TERM
    # A port taken by another program ends the service at once; give it that moment, so
    # that the other program's answer is not taken for the service's.
    sleep 0.3
    for _ in $(seq 50); do
        local state=""
        [ -r "/proc/$service/stat" ] && read -r _ _ state _ <"/proc/$service/stat"
        if [ -z "$state" ] || [ "$state" = Z ]; then
            echo "error: the local service did not start on port $port (is the port in use? set QUILLORY_SERVICE_PORT)." >&2
            exit 1
        fi
        if [ -s "$service_authority" ] && (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            return 0
        fi
        sleep 0.1
    done
    echo "error: the local service does not answer on port $port." >&2
    exit 1
}
