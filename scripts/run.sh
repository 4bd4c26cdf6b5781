#!/usr/bin/env bash
# Installs what is missing, builds Tessarin in release mode and shows it.
#   - On a desktop session ($DISPLAY set): a nested X server window (Xephyr) opens, Tessarin
#     tiles a few terminals in it, and your own session is left alone. Close the window to end.
#   - Without a display: plays the demo scenario on the simulated desktop.
# Arguments, if any, go to tessarin-sim instead (for example `--script my.scenario`).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARIN_TESTS=OFF -DTESSARIN_BENCH=OFF >/dev/null
cmake --build build --target tessarin-sim tessarin

if [ "$#" -gt 0 ] || [ -z "${DISPLAY:-}" ]; then
    [ "$#" -gt 0 ] || set -- --script scenarios/demo.scenario
    exec ./build/src/app/tessarin-sim "$@"
fi

# Xephyr picks a free display number and writes it to descriptor 3 once it accepts clients.
number_file=$(mktemp)
Xephyr -displayfd 3 -screen 1600x900 -title "Tessarin" -no-host-grab 3>"$number_file" 2>/dev/null &
nested=$!
pids=()
cleanup() {
    kill "${pids[@]}" 2>/dev/null || true
    kill "$nested" 2>/dev/null || true
    rm -f "$number_file"
}
trap cleanup EXIT
for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    kill -0 "$nested" 2>/dev/null || { echo "Xephyr did not start" >&2; exit 1; }
    sleep 0.1
done
display=":$(head -n1 "$number_file")"

DISPLAY=$display ./build/src/app/tessarin &
pids+=($!)
for title in one two three; do
    DISPLAY=$display xterm -T "$title" -e sh -c "echo 'Tessarin tiles this terminal ($title).'; exec \${SHELL:-sh}" &
    pids+=($!)
done
cat <<TEXT
Tessarin runs in the window "Tessarin" (display $display). Inside it, Ctrl+Alt with the arrows
(or h, j, k, l) moves the focus, with Shift as well the window, and Ctrl+Alt with the scroll
wheel slides the strip. Or drive it from here, for example:
    DISPLAY=$display ./build/src/app/tessarin msg focusLeft
    DISPLAY=$display ./build/src/app/tessarin msg wider
    DISPLAY=$display ./build/src/app/tessarin msg --list
Close the window to end.
TEXT
wait "$nested" || true
