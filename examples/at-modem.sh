#!/usr/bin/env bash
# Plays the modem of at-modem.toml with tessaline-device and runs the plan
# against it: IMEI 490154203237518, signal 21.
#   examples/at-modem.sh [tessaline-check options, e.g. --repeat 10 --log units.jsonl]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${TESSALINE_BIN:-$here/../build/tools}

# AT\r\n, AT+GSN\r\n, AT+CSQ\r\n and AT+CFUN=0\r\n, and their answers.
coproc DEVICE {
    exec "$bin/tessaline-device" 2>/dev/null \
        --answer "41 54 0D 0A" "4F 4B 0D 0A" \
        --answer "41 54 2B 47 53 4E 0D 0A" \
                 "34 39 30 31 35 34 32 30 33 32 33 37 35 31 38 0D 0A 4F 4B 0D 0A" \
        --answer "41 54 2B 43 53 51 0D 0A" "2B 43 53 51 3A 20 32 31 2C 30 0D 0A 4F 4B 0D 0A" \
        --answer "41 54 2B 43 46 55 4E 3D 30 0D 0A" "4F 4B 0D 0A"
}
trap 'kill "$DEVICE_PID" 2>/dev/null || true' EXIT
read -r port <&"${DEVICE[0]}"
"$bin/tessaline-check" --plan "$here/at-modem.toml" --port "$port" "$@"
