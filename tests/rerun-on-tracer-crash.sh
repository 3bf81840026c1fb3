#!/bin/sh
# Runs one test program. LeakSanitizer's thread tracer now and then crashes while it
# stops the process's threads for the leak check at exit ("Tracer caught signal 11",
# a known intermittent fault of the sanitizer, not of the program under test). Such a
# run is tried once more; every other result, a leak report included, stands as it is.
out=$(mktemp) || exit 1
trap 'rm -f "$out"' EXIT
"$@" >"$out" 2>&1
rc=$?
cat "$out"
if [ "$rc" -ne 0 ] && grep -q "LeakSanitizer has encountered a fatal error" "$out" \
        && ! grep -q "ERROR: LeakSanitizer: detected memory leaks" "$out"; then
    echo "-- the leak checker itself crashed at exit; running the test once more"
    "$@"
    exit $?
fi
exit "$rc"
