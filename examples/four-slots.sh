#!/usr/bin/env bash
# A fixture of four positions, A1 to A4, each a Modbus RTU board played by
# its own tessaline-device, all tested at once with modbus-rtu.toml.
#   examples/four-slots.sh [tessaline-check options, e.g. --repeat 5 --db results.sqlite]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${TESSALINE_BIN:-$here/../build/tools}
folder=$(mktemp -d)
pids=()
stop() {
    kill "${pids[@]}" 2>/dev/null || true
    rm -rf "$folder"
}
trap stop EXIT

slots=()
for slot in A1 A2 A3 A4; do
    "$bin/tessaline-device" 2>/dev/null >"$folder/$slot" \
        --answer "01 03 00 00 00 02 C4 0B" "01 03 04 00 BC 61 4E 92 73" \
        --answer "01 04 00 00 00 01 31 CA" "01 04 02 0E 1A 3C 9B" \
        --answer "01 04 00 01 00 01 60 0A" "01 04 02 00 E6 38 BA" \
        --answer "01 06 00 10 00 01 49 CF" "01 06 00 10 00 01 49 CF" &
    pids+=("$!")
done
for slot in A1 A2 A3 A4; do
    port=""
    for _ in $(seq 50); do
        port=$(head -n 1 "$folder/$slot" 2>/dev/null || true)
        [ -n "$port" ] && break
        sleep 0.1
    done
    slots+=(--slot "$slot=$port")
done
"$bin/tessaline-check" --plan "$here/modbus-rtu.toml" "${slots[@]}" "$@"
