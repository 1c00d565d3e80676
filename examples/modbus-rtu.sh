#!/usr/bin/env bash
# Plays the Modbus RTU board of modbus-rtu.toml and runs the plan against it.
#   examples/modbus-rtu.sh [tessaline-check options, e.g. --repeat 10 --log units.csv]
set -euo pipefail
source "$(dirname "$0")/devices.sh"
start_device "${modbus_board[@]}"
"$bin/tessaline-check" --plan "$here/modbus-rtu.toml" --port "$port" "$@"
