#!/usr/bin/env bash
# Runs a Windows program under the project's Wine set-up (ctest's emulator for the .exe tests).
# Output goes through a file: Wine services inherit stdout and would hold a pipe open.
source "$(dirname "$0")/wine-env.sh"
varnoke_ensure_display
log=$(mktemp)
run() {
  timeout -k 10 "${VARNOKE_TIMEOUT:-540}" wine "$@" >"$log" 2>&1 </dev/null
}
run "$@"
rc=$?
# A test program always prints; silence with a failure means Wine itself did not start it (seen
# once when several programs started at the same moment). Say so and give it one more start.
if [ $rc -ne 0 ] && [ $rc -ne 124 ] && [ ! -s "$log" ]; then
  echo "wine-run: no output and exit $rc; starting it once more"
  sleep 1
  run "$@"
  rc=$?
fi
cat "$log"
if grep -q "Unhandled exception" "$log"; then
  echo "wine-run: the program crashed"
  rc=1
fi
[ $rc -eq 124 ] && echo "wine-run: timed out"
rm -f "$log"
exit $rc
