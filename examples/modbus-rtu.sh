#!/usr/bin/env bash
# Plays the Modbus RTU board of modbus-rtu.toml with tessaline-device and runs
# the plan against it: serial number 12345678, 3.61 V, 23.0 °C.
#   examples/modbus-rtu.sh [tessaline-check options, e.g. --repeat 10 --log units.csv]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${TESSALINE_BIN:-$here/../build/tools}

coproc DEVICE {
    exec "$bin/tessaline-device" 2>/dev/null \
        --answer "01 03 00 00 00 02 C4 0B" "01 03 04 00 BC 61 4E 92 73" \
        --answer "01 04 00 00 00 01 31 CA" "01 04 02 0E 1A 3C 9B" \
        --answer "01 04 00 01 00 01 60 0A" "01 04 02 00 E6 38 BA" \
        --answer "01 06 00 10 00 01 49 CF" "01 06 00 10 00 01 49 CF"
}
trap 'kill "$DEVICE_PID" 2>/dev/null || true' EXIT
read -r port <&"${DEVICE[0]}"
"$bin/tessaline-check" --plan "$here/modbus-rtu.toml" --port "$port" "$@"
